// Page wipes and noise flashes, checked on the presented frames.
#include <gtest/gtest.h>

#include <cmath>

#include "render/transitions.h"
#include "tests/screen_fixture.h"

namespace zel {
namespace {

using testing::Screen;

constexpr uint32_t kBg = 0x406080;

// A screen whose backdrops are one plain colour, so the stripes show.
struct WipeScreen : Screen {
  explicit WipeScreen(int skin) {
    app.nav.skin = skin;
    for (auto& b : app.skins.backdrop) b.assign(app.fb.px.size(), kBg);
    app.nav.button_lit[6] = 1;  // no visualiser over the backdrop
  }
  uint32_t shown(int x, int y) const { return p.last_frame()[static_cast<size_t>(y) * kScreenW + x]; }
};

TEST(Wipe, FirstCloseStepBlackensColumns20And767DownToTheSkinsLastRow) {
  WipeScreen s(1);
  wipe_step(s.app, 0);
  for (int y : {192, 300, 569}) {
    std::string row;
    for (int x : {19, 20, 21, 766, 767, 768}) row += s.shown(x, y) == 0 ? '#' : '.';
    EXPECT_EQ(row, ".#..#.") << y;
  }
  EXPECT_EQ(s.shown(20, 191), kBg);
  EXPECT_EQ(s.shown(20, 570), kBg);  // 'Grunge' ends at row 569

  WipeScreen c(2);  // 'Carbon' also blackens row 570
  wipe_step(c.app, 0);
  EXPECT_EQ(c.shown(767, 570), 0u);
  EXPECT_EQ(c.shown(20, 571), kBg);
}

TEST(Wipe, LastOpenStepLeavesFourStripesOnEachSide) {
  WipeScreen s(1);
  wipe_step(s.app, 7);
  std::string left, right;
  for (int x = 18; x <= 30; ++x) left += s.shown(x, 400) == 0 ? '#' : '.';
  for (int x = 757; x <= 769; ++x) right += s.shown(x, 400) == 0 ? '#' : '.';
  EXPECT_EQ(left, "..#.#.#.#....");   // 20, 22, 24, 26
  EXPECT_EQ(right, "....#.#.#.#..");  // 761, 763, 765, 767
}

TEST(Wipe, EachWipeIsSeventyFiveFramesAndAdvancesTheAnimationClock) {
  WipeScreen s(1);
  uint64_t f0 = s.p.frames_presented();
  wipe_close(s.app);
  EXPECT_EQ(s.p.frames_presented() - f0, 75u);
  // Each frame is one present (1/60 s) and a 1 ms pause on the virtual clock.
  EXPECT_NEAR(s.app.timing.anim_clock, 75 * (1.0 / 60 + 0.001) * 250, 1e-6);
  EXPECT_NEAR(s.app.timing.frame_start, s.p.clock() - (1.0 / 60 + 0.001), 1e-9);
  // The redraw runs the ticker: 75 pixels are eight characters (10 + 7 x 9 = 73).
  EXPECT_EQ(s.app.nav.ticker_pos, 9);
  wipe_open(s.app);
  EXPECT_EQ(s.p.frames_presented() - f0, 150u);
  // Its last frame (s = 7) leaves only the outermost stripes.
  for (int x = 28; x <= 760; ++x) ASSERT_EQ(s.shown(x, 560), kBg) << x;  // below the short page
}

TEST(Wipe, RedrawShowsTheVisualiserOnlyWhileMuteIsUnlit) {
  WipeScreen s(1);
  s.app.visualiser.bars[5] = 140;
  redraw_main_screen(s.app);  // MUTE lit: bars untouched
  EXPECT_EQ(s.app.visualiser.bars[5], 140);
  s.app.nav.button_lit[6] = 0;
  redraw_main_screen(s.app);
  EXPECT_EQ(s.app.visualiser.bars[5], 142);
}

TEST(NoiseFlash, LastsHalfASecondOfClockTime) {
  Screen s;
  double t0 = s.p.clock();
  uint64_t f0 = s.p.frames_presented();
  noise_flash_coarse(s.app);
  // A frame is 1/60 s plus 1 ms: 28 frames end before 0.5 s, the 29th after.
  EXPECT_EQ(s.p.frames_presented() - f0, 29u);
  EXPECT_GE(s.p.clock() - t0, 0.5);
  EXPECT_LT(s.p.clock() - t0, 0.5 + 1.0 / 60 + 0.001);
}

TEST(NoiseFlash, BandsTakeRedGreenBlueFromTheGeneratorInOrder) {
  for (int band : {10, 2}) {
    Screen s;
    UniformRandom ref = s.app.rng;  // the same sequence, drawn independently
    std::vector<uint32_t> first;
    s.p.set_present_hook([&](const std::vector<uint32_t>& f) {
      if (first.empty()) first = f;
    });
    noise_flash(s.app, band);
    ASSERT_EQ(first.size(), s.app.fb.px.size());
    for (int y = 0; y < 600; y += band) {
      int r = static_cast<int>(std::nearbyint(ref.next() * 255));
      int g = static_cast<int>(std::nearbyint(ref.next() * 255));
      int b = static_cast<int>(std::nearbyint(ref.next() * 255));
      uint32_t want = static_cast<uint32_t>(r << 16 | g << 8 | b);
      for (int yy = y; yy < y + band; ++yy)
        for (int x : {0, 399, 799}) ASSERT_EQ(first[static_cast<size_t>(yy) * 800 + x], want) << band << " " << yy;
    }
  }
}

}  // namespace
}  // namespace zel
