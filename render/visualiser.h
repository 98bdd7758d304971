// The music visualiser: 40 bars under the centre menu, kicked upwards by the
// notes of the module row being heard and sinking 2 rows per frame.
// draw_visualiser is called once per main-screen frame (and per wipe frame)
// while MUTE is not lit. Main thread only.
//
// Bar tops are FrameBuffer rows as doubles (smaller = higher): baseline 147,
// highest 131. Bar k covers columns 158 + 12k .. 168 + 12k.
#pragma once

#include <cstdint>
#include <span>

namespace zel {

struct App;
struct FrameBuffer;

struct VisualiserState {
  static constexpr int kBars = 40;
  static constexpr int kGradientRows = 149;  // rows 0..148; only 131..148 hold colours
  int channel_count = 0;                     // channels of the current module, set by start_module_n
  double bars[kBars] = {};                   // VisualiserBars: bar tops
  uint32_t gradient[2][kGradientRows] = {};  // VisualiserGradient ['Grunge' / 'Carbon'][row]
};

void fill_visualiser_gradients(App& app);
void fill_visualiser_gradients(VisualiserState& vis);
void reset_visualiser(App& app);
// Kicks the bars for one frame from each channel's playing cell (note in the low byte).
void kick_visualiser_bars(VisualiserState& vis, std::span<const uint32_t> cells);
// Sinks each bar by 2 and draws it; `skin` 1 'Grunge', anything else 'Carbon'.
void draw_visualiser_bars(VisualiserState& vis, FrameBuffer& fb, int skin);
// kick_visualiser_bars from the module player's cells, then draw_visualiser_bars.
void draw_visualiser(App& app);

}  // namespace zel
