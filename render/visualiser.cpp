#include "render/visualiser.h"

#include <algorithm>
#include <cmath>

#include "render/layout.h"

namespace zel {

namespace {

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

void reset_visualiser(VisualiserState& vis) {
  for (double& b : vis.bars) b = VisualiserState::kBaseline;
}

void draw_visualiser_bars(FrameBuffer& fb, const VisualiserState& vis, int skin) {
  const int slot = skin_index(skin);
  const int d = is_grunge(skin) ? 0 : 2;
  for (int k = 0; k < VisualiserState::kBars; ++k) {
    // Bars are settled at or below the top limit before drawing; the limit
    // here only keeps the gradient lookup inside its table.
    int top = std::max(static_cast<int>(std::floor(vis.bars[k])), static_cast<int>(VisualiserState::kTopLimit));
    for (int r = top; r <= 147; ++r)
      for (int i = 1; i <= 11; ++i) fb.put(157 + 12 * k + i, r + d, vis.gradient[slot][r]);
  }
}

}  // namespace zel
