// The music visualiser: kicks, sinking, drawing and the two gradients.
#include <gtest/gtest.h>

#include <vector>

#include "render/visualiser.h"
#include "render/frame_buffer.h"

namespace zel {
namespace {

constexpr uint32_t kBg = 0x406080;

VisualiserState fresh() {
  VisualiserState v;
  fill_visualiser_gradients(v);
  for (double& b : v.bars) b = 147.0;
  return v;
}

TEST(VisualiserKicks, Notes46To83KickTheirBarByFourAndItsNeighboursByThree) {
  VisualiserState v = fresh();
  const uint32_t nothing[] = {0, 97, 45, 84, 255};  // no note, key-off, j = 0, 39, 210
  kick_visualiser_bars(v, nothing);
  for (double b : v.bars) EXPECT_EQ(b, 147);
  const uint32_t cells[] = {46 | 3 << 8, 83};  // the instrument byte does not matter
  kick_visualiser_bars(v, cells);
  EXPECT_EQ(v.bars[0], 144);
  EXPECT_EQ(v.bars[1], 143);
  EXPECT_EQ(v.bars[2], 144);
  EXPECT_EQ(v.bars[3], 147);
  EXPECT_EQ(v.bars[37], 144);
  EXPECT_EQ(v.bars[38], 143);
  EXPECT_EQ(v.bars[39], 144);
}

TEST(VisualiserKicks, SeveralChannelsOnOneNoteAddUpButAreDrawnFrom131) {
  VisualiserState v = fresh();
  std::vector<uint32_t> cells(8, 60);  // bar 15 kicked 8 times by 4
  kick_visualiser_bars(v, cells);
  EXPECT_EQ(v.bars[15], 115);
  FrameBuffer fb;
  draw_visualiser_bars(v, fb, 1);
  EXPECT_EQ(v.bars[15], 133);  // limited to 131, then the sink
  int x = 157 + 12 * 15 + 1;
  EXPECT_EQ(fb.get(x, 132), 0u);
  EXPECT_EQ(fb.get(x, 135), 0xEEBB33u);
}

TEST(VisualiserDrawing, SinkOfTwoComesBeforeDrawing) {
  VisualiserState v = fresh();
  v.bars[3] = 140;
  FrameBuffer fb;
  fb.clear(kBg);
  draw_visualiser_bars(v, fb, 1);
  EXPECT_EQ(v.bars[3], 142);
  // Bar 3 covers columns 194..204, rows 142..147.
  EXPECT_EQ(fb.get(194, 141), kBg);
  EXPECT_EQ(fb.get(194, 142), 0x774422u);
  EXPECT_EQ(fb.get(204, 147), 0x221111u);
  EXPECT_EQ(fb.get(193, 147), kBg);
  EXPECT_EQ(fb.get(205, 147), kBg);
  EXPECT_EQ(fb.get(194, 148), kBg);
  // A bar at rest sinks to 149 and draws nothing.
  EXPECT_EQ(v.bars[0], 149);
  EXPECT_EQ(fb.get(158, 147), kBg);
  draw_visualiser_bars(v, fb, 1);
  EXPECT_EQ(v.bars[0], 149);
}

TEST(VisualiserDrawing, CarbonStandsTwoRowsLowerWithUndisplacedColours) {
  VisualiserState v = fresh();
  v.bars[39] = 133.5;
  FrameBuffer fb;
  fb.clear(kBg);
  draw_visualiser_bars(v, fb, 2);
  // Top 135.5 -> rows 135..147 drawn at 137..149; bar 39 covers 626..636.
  EXPECT_EQ(fb.get(626, 136), kBg);
  EXPECT_EQ(fb.get(626, 137), 0x33BBEEu);  // colour of row 135
  EXPECT_EQ(fb.get(636, 149), 0x111122u);  // colour of row 147
  EXPECT_EQ(fb.get(637, 149), kBg);
  EXPECT_EQ(fb.get(626, 150), kBg);
  // Any skin other than 1 is 'Carbon'.
  VisualiserState w = fresh();
  w.bars[39] = 133.5;
  FrameBuffer fb2;
  fb2.clear(kBg);
  draw_visualiser_bars(w, fb2, 7);
  EXPECT_EQ(fb2.px, fb.px);
}

}  // namespace
}  // namespace zel
