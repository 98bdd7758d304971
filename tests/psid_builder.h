// Test helper: builds small PSID images in memory around hand-assembled
// 6502 code, and a fresh machine on the heap (it holds 64 KB of RAM).
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "sid/sid_machine.h"

namespace zel::testing_psid {

struct PsidFields {
  uint16_t load = 0x1000;          // written as the first two data bytes
  uint16_t header_load = 0;        // the header's own load-address field
  uint16_t init = 0x1000;
  uint16_t play = 0x1003;
  uint8_t data_offset = 0x7C;      // at least $76, the shortest header
  std::vector<uint8_t> code;       // C64 data placed at `load`

  // Puts `bytes` at `offset` into the code, padding with NOPs.
  PsidFields& at(size_t offset, std::initializer_list<uint8_t> bytes) {
    if (code.size() < offset + bytes.size()) code.resize(offset + bytes.size(), 0xEA);
    std::copy(bytes.begin(), bytes.end(), code.begin() + offset);
    return *this;
  }
};

inline std::vector<uint8_t> make_psid(const PsidFields& p) {
  std::vector<uint8_t> img(p.data_offset, 0);
  auto put16 = [&](size_t at, uint16_t v) {
    img[at] = static_cast<uint8_t>(v >> 8);
    img[at + 1] = static_cast<uint8_t>(v);
  };
  std::copy_n("PSID", 4, img.begin());
  put16(4, 2);
  img[7] = p.data_offset;
  put16(8, p.header_load);
  put16(10, p.init);
  put16(12, p.play);
  put16(14, 1);  // one song, the first
  put16(16, 1);
  img.push_back(static_cast<uint8_t>(p.load));
  img.push_back(static_cast<uint8_t>(p.load >> 8));
  img.insert(img.end(), p.code.begin(), p.code.end());
  return img;
}

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
  return make_psid(p);
}

// Loads `img` into a fresh machine and runs init for `song`.
inline std::unique_ptr<SidPlayerState> started_tune(const std::vector<uint8_t>& img, uint8_t song = 0) {
  auto m = fresh_machine();
  psid_load(*m, img.data(), img.size());
  tune_init(*m, song);
  return m;
}

}  // namespace zel::testing_psid
