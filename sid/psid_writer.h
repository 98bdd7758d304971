// PSID image writer: a version 2 header (or the shorter version 1 one) with
// big-endian fields, then the load address as the data's first two bytes,
// then the C64 data.
//
// Used at build time by the tune compiler and by the tests that build small
// images around hand-assembled code. Single-threaded; no validation beyond
// what the layout needs: the loaders decide what an image means.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::psid {

struct PsidImage {
  uint16_t load = 0x1000;         // written in front of the data, low byte first
  uint16_t header_load = 0;       // the header's own load-address field; 0: the data's
  uint16_t init = 0x1000;
  uint16_t play = 0x1003;         // 0: the tune installs its own interrupt vector
  uint16_t songs = 1, start_song = 1;
  uint16_t data_offset = 0x7C;    // 0x76 writes a version 1 header (no flags word)
  std::string title, author, released;  // at most 31 characters each are written
  uint16_t flags = 0;             // the version 2 flags word
  std::vector<uint8_t> data;      // the C64 bytes placed at `load`
};

std::vector<uint8_t> write_psid(const PsidImage& image);

}  // namespace zel::psid
