// The SidTuneTable: the twelve embedded PSID tunes by number 1..12.
// Called from the main thread (tune selection) and from tools; no state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "content/content.h"  // kTuneCount

namespace zel {

struct SidTuneEntry {
  std::span<const uint8_t> image;  // empty while the tune is not built in
  uint8_t sub_song = 0;            // A for the init routine
};

// Tune n of the table; an empty entry for any number outside 1..kTuneCount.
SidTuneEntry sid_tune(int n);

}  // namespace zel
