// The SidTuneTable's entry: which image and sub-song a tune number plays (the
// core looks tunes up by number, core/output.h; kTuneCount of content/content.h
// is the number of tunes). No state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace zel {

struct SidTuneEntry {
  std::span<const uint8_t> image;  // empty while the tune is not built in
  uint8_t sub_song = 0;            // A for the init routine
};

}  // namespace zel
