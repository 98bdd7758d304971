// Test helper: small PSID images around hand-assembled 6502 code (written
// by the tune compiler's PSID writer), and a fresh machine on the heap (it
// holds 64 KB of RAM).
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "sid/sid_machine.h"
#include "sid/psid_writer.h"

namespace zel::testing_psid {

// An image description with a helper that places hand-assembled code.
struct PsidFields : psid::PsidImage {
  // Puts `bytes` at `offset` into the data, padding with NOPs.
  PsidFields& at(size_t offset, std::initializer_list<uint8_t> bytes) {
    if (data.size() < offset + bytes.size()) data.resize(offset + bytes.size(), 0xEA);
    std::copy(bytes.begin(), bytes.end(), data.begin() + static_cast<std::ptrdiff_t>(offset));
    return *this;
  }
};

inline std::unique_ptr<SidPlayerState> fresh_machine() {
  auto s = std::make_unique<SidPlayerState>();
  sid_init(*s, 44100);
  return s;
}

// init: volume 15, sustain 15, a sawtooth; play: count the calls in $2000
// and set the frequency's high byte to the count, so every chunk differs.
inline std::vector<uint8_t> counting_tune() {
  PsidFields p;
  p.play = 0x1020;
  p.at(0x00, {0xA9, 0x0F, 0x8D, 0x18, 0xD4, 0xA9, 0xF0, 0x8D, 0x06, 0xD4, 0xA9, 0x21, 0x8D, 0x04, 0xD4, 0x60});
  p.at(0x20, {0xEE, 0x00, 0x20, 0xAD, 0x00, 0x20, 0x8D, 0x01, 0xD4, 0x60});
  return psid::write_psid(p);
}

// Loads `img` into a fresh machine and runs init for `song`.
inline std::unique_ptr<SidPlayerState> started_tune(const std::vector<uint8_t>& img, uint8_t song = 0) {
  auto m = fresh_machine();
  psid_load(*m, img.data(), img.size());
  tune_init(*m, song);
  return m;
}

}  // namespace zel::testing_psid
