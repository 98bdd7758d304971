// The music visualiser: 40 bars under the centre menu. The core kicks the
// bars from the notes of the module row being heard and lets them sink 2
// rows a frame (core/frame.cpp); draw_visualiser_bars draws them. Drawn once
// per main-screen frame (and per wipe frame) while MUTE is not lit. Main
// thread only.
//
// Bar tops are FrameBuffer rows as doubles (smaller = higher): baseline 147,
// highest 131. Bar k covers columns 158 + 12k .. 168 + 12k.
#pragma once

#include <cstdint>

#include "render/frame_buffer.h"

namespace zel {

struct VisualiserState {
  static constexpr int kBars = 40;
  static constexpr int kGradientRows = 149;  // rows 0..148; only 131..148 hold colours
  static constexpr double kBaseline = 147.0;
  static constexpr double kTopLimit = 131.0;
  int channel_count = 0;                     // channels of the current module, set when it starts
  double bars[kBars] = {};                   // VisualiserBars: bar tops
  uint32_t gradient[2][kGradientRows] = {};  // VisualiserGradient ['Grunge' / 'Carbon'][row]
};

// Fills VisualiserGradient of both skins (start-up).
void fill_visualiser_gradients(VisualiserState& vis);
// Puts every bar at the baseline (start-up).
void reset_visualiser(VisualiserState& vis);
// Draws every bar from its top down to row 147; `skin` 1 'Grunge', anything
// else 'Carbon', which stands two rows lower in the colours of the undisplaced rows.
void draw_visualiser_bars(FrameBuffer& fb, const VisualiserState& vis, int skin);

}  // namespace zel
