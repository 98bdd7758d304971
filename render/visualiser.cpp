#include "render/visualiser.h"

#include <cmath>
#include <algorithm>

#include "core/app.h"

namespace zel {

namespace {

constexpr double kBaseline = 147.0;
constexpr double kTopLimit = 131.0;
constexpr int kMaxChannels = 64;  // more than any module the loader accepts

// Gradient rows 135..147 ('Grunge', 'Carbon'); 131..134 are black.
constexpr uint32_t kGradient[2][13] = {
    {0xEEBB33, 0xDDAA33, 0xCC9933, 0xBB8833, 0xAA7733, 0x996622, 0x885522, 0x774422, 0x663322, 0x552211, 0x441111,
     0x331111, 0x221111},
    {0x33BBEE, 0x33AADD, 0x3399CC, 0x3388BB, 0x3377AA, 0x226699, 0x225588, 0x224477, 0x223366, 0x221155, 0x111144,
     0x111133, 0x111122},
};

}  // namespace

void fill_visualiser_gradients(VisualiserState& vis) {
  for (int s = 0; s < 2; ++s) {
    for (int r = 0; r < VisualiserState::kGradientRows; ++r) vis.gradient[s][r] = 0;
    for (int r = 135; r <= 147; ++r) vis.gradient[s][r] = kGradient[s][r - 135];
    vis.gradient[s][148] = vis.gradient[s][147];
  }
}

void fill_visualiser_gradients(App& app) { fill_visualiser_gradients(app.visualiser); }

void reset_visualiser(App& app) {
  for (double& b : app.visualiser.bars) b = kBaseline;
}

void kick_visualiser_bars(VisualiserState& vis, std::span<const uint32_t> cells) {
  for (uint32_t cell : cells) {
    int j = static_cast<int>(cell & 0xFF) - 45;
    if (0 < j && j < 39) {
      vis.bars[j] -= 4;
      vis.bars[j - 1] -= 3;
      vis.bars[j + 1] -= 3;
    }
  }
}

void draw_visualiser_bars(VisualiserState& vis, FrameBuffer& fb, int skin) {
  int slot = skin == 1 ? 0 : 1;
  int d = skin == 1 ? 0 : 2;  // 'Carbon' stands two rows lower, colours of the undisplaced rows
  for (int k = 0; k < VisualiserState::kBars; ++k) {
    double& h = vis.bars[k];
    if (h < kTopLimit) h = kTopLimit;
    if (h <= kBaseline) h += 2;  // the sink comes before drawing
    for (int r = static_cast<int>(std::floor(h)); r <= 147; ++r)
      for (int i = 1; i <= 11; ++i) fb.put(157 + 12 * k + i, r + d, vis.gradient[slot][r]);
  }
}

void draw_visualiser(App& app) {
  uint32_t cells[kMaxChannels];
  int n = std::clamp(app.visualiser.channel_count, 0, kMaxChannels);
  for (int c = 0; c < n; ++c) cells[c] = xm_playing_cell(app.xm, c);
  kick_visualiser_bars(app.visualiser, std::span<const uint32_t>(cells, static_cast<size_t>(n)));
  draw_visualiser_bars(app.visualiser, app.fb, app.nav.skin);
}

}  // namespace zel
