// Test helper: builds small PSID images in memory around hand-assembled
// 6502 code, and a fresh machine on the heap (it holds 64 KB of RAM).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sid/sid_machine.h"

namespace zel::testing_psid {

struct PsidFields {
  uint16_t load = 0x1000;          // written as the first two data bytes
  uint16_t header_load = 0;        // the header's own load-address field
  uint16_t init = 0x1000;
  uint16_t play = 0x1003;
  uint16_t songs = 1;
  uint16_t start_song = 1;
  uint8_t data_offset = 0x7C;
  std::vector<uint8_t> code;       // C64 data placed at `load`
};

inline std::vector<uint8_t> make_psid(const PsidFields& p) {
  std::vector<uint8_t> img(p.data_offset, 0);
  auto put16 = [&](size_t at, uint16_t v) {
    if (at + 1 < img.size()) {
      img[at] = static_cast<uint8_t>(v >> 8);
      img[at + 1] = static_cast<uint8_t>(v);
    }
  };
  const std::string magic = "PSID";
  for (size_t i = 0; i < 4 && i < img.size(); ++i) img[i] = static_cast<uint8_t>(magic[i]);
  put16(4, 2);
  if (img.size() > 7) img[7] = p.data_offset;
  put16(8, p.header_load);
  put16(10, p.init);
  put16(12, p.play);
  put16(14, p.songs);
  put16(16, p.start_song);
  img.push_back(static_cast<uint8_t>(p.load));
  img.push_back(static_cast<uint8_t>(p.load >> 8));
  img.insert(img.end(), p.code.begin(), p.code.end());
  return img;
}

inline std::unique_ptr<SidPlayerState> fresh_machine(int rate = 44100) {
  auto s = std::make_unique<SidPlayerState>();
  sid_init(*s, rate);
  return s;
}

}  // namespace zel::testing_psid
