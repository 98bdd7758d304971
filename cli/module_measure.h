// Figures of a module's music, measured from what the player makes of it:
// the stereo width, the centring of every sample, how much sound lies high in
// the spectrum, how much of the order list sits on one chord loop, and how the
// main screen's visualiser bars light up over the first pass.
//
// Used by `zelvorant-tool measure-xm` (the figures in docs/modules.md) and by
// the module tests.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace zel::tool {

struct ModuleFigures {
  double seconds = 0;          // the first pass: from the start to where the song starts over
  double side_to_mid_db = 0;   // RMS of (L - R) / 2 against RMS of (L + R) / 2 over the pass
  double worst_sample_mean = 0;  // the sample mean farthest from zero, as a fraction of full scale
  std::string worst_sample;      // its instrument's name
  double above_4k = 0, above_6k = 0;  // shares of the pass's energy above 4 and 6 kHz
  int order_length = 0;
  int home_slots = 0;          // order entries whose bars follow the commonest chord-root sequence
  std::string home_roots;      // that sequence, one pitch-class name a bar
  int away_patterns = 0;       // distinct patterns of the order list on other roots
  int frames = 0;              // 60 Hz frames of the visualiser over the pass
  int median_bars_lit = 0;     // of 40
  double third_lit[3] = {};    // share of frames in which bars 0..12, 13..26, 27..39 show anything
};

// Measures an XM image; false (and the reason) when the player refuses it.
bool measure_module(std::span<const uint8_t> image, ModuleFigures& out, std::string& why);

}  // namespace zel::tool
