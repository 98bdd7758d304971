// The SidTuneTable's entry (the core looks tunes up by number, core/output.h)
// and a reader of the PSID header fields for tools and tests. No state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zel {

struct SidTuneEntry {
  std::span<const uint8_t> image;  // empty while the tune is not built in
  uint8_t sub_song = 0;            // A for the init routine
};

constexpr int kSidTuneCount = 12;

// The header fields and load range of a PSID image, as psid_load reads them.
struct PsidInfo {
  bool valid = false;  // false: shorter than its header or its data offset
  uint16_t data_offset = 0;
  uint16_t load_address = 0;
  uint32_t load_end = 0;     // last loaded address (after clipping at $FFFF)
  uint32_t data_length = 0;  // bytes copied into RAM
  uint16_t init_address = 0;
  uint16_t play_address = 0;  // 0: taken from $0314/$0315 after init
  uint16_t songs = 0;
  uint16_t start_song = 0;
};

PsidInfo psid_info(std::span<const uint8_t> image);

}  // namespace zel
