// The music visualiser: kicks, sinking, drawing and the two gradients.

#include "core/frame.h"
#include "render/visualiser.h"
#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

VisualiserState fresh() {
  VisualiserState v;
  fill_visualiser_gradients(v);
  reset_visualiser(v);
  return v;
}

// One frame as the main screen runs it: kicks, the sink, the drawing.
void frame(VisualiserState& v, FrameBuffer& fb, int skin, std::span<const uint32_t> cells = {}) {
  kick_visualiser_bars(v, cells);
  settle_visualiser_bars(v);
  draw_visualiser_bars(fb, v, skin);
}

TEST(VisualiserKicks, Notes46To83KickTheirBarByFourAndItsNeighboursByThree) {
  VisualiserState v = fresh();
  const uint32_t nothing[] = {0, 97, 45, 84, 255};  // no note, key-off, j = 0, 39, 210
  kick_visualiser_bars(v, nothing);
  for (double b : v.bars) EXPECT_EQ(b, 147);
  const uint32_t cells[] = {46 | 3 << 8, 83};  // the instrument byte does not matter
  kick_visualiser_bars(v, cells);
  for (auto [i, want] : {std::pair{0, 144}, {1, 143}, {2, 144}, {3, 147}, {37, 144}, {38, 143}, {39, 144}})
    EXPECT_EQ(v.bars[i], want) << i;

  VisualiserState w = fresh();
  FrameBuffer fb;
  std::vector<uint32_t> same(8, 60);  // bar 15 kicked 8 times by 4: they add up to 115
  frame(w, fb, kSkinGrunge, same);
  EXPECT_EQ(w.bars[15], 133);  // limited to 131, then the sink
  expect_pixels(fb, {{157 + 12 * 15 + 1, 132, 0}, {157 + 12 * 15 + 1, 135, 0xEEBB33}});
}

TEST(VisualiserDrawing, SinkOfTwoComesBeforeDrawingAndCarbonStandsTwoRowsLower) {
  VisualiserState v = fresh();
  v.bars[3] = 140;
  FrameBuffer fb = filled(kBg);
  frame(v, fb, kSkinGrunge);
  EXPECT_EQ(std::tuple(v.bars[3], v.bars[0]), std::tuple(142, 149));  // a bar at rest sinks to 149, draws nothing (column 158)
  // Bar 3 covers columns 194..204, rows 142..147.
  expect_pixels(fb, {{194, 141, kBg}, {194, 142, 0x774422}, {204, 147, 0x221111}, {193, 147, kBg},
                     {205, 147, kBg}, {194, 148, kBg}, {158, 147, kBg}});
  frame(v, fb, kSkinGrunge);
  EXPECT_EQ(v.bars[0], 149);

  // Any skin other than 1 is 'Carbon'.
  FrameBuffer carbon[2];
  for (int i : {0, 1}) {
    VisualiserState w = fresh();
    w.bars[39] = 133.5;
    carbon[i].clear(kBg);
    frame(w, carbon[i], i ? 7 : kSkinCarbon);
  }
  // Top 135.5 -> rows 135..147 drawn at 137..149 in the colours of rows 135 and 147; bar 39 covers 626..636.
  expect_pixels(carbon[0], {{626, 136, kBg}, {626, 137, 0x33BBEE}, {636, 149, 0x111122}, {637, 149, kBg},
                            {626, 150, kBg}});
  EXPECT_EQ(carbon[1].px, carbon[0].px);
}

}  // namespace
}  // namespace zel
