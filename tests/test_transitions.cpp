// Page wipes and noise flashes, checked on the presented frames.
#include <gtest/gtest.h>

#include <cmath>

#include "render/transitions.h"
#include "tests/screen_fixture.h"

namespace zel {
namespace {

using namespace zel::testing;

// A screen whose backdrops are one plain colour, so the stripes show.
struct WipeScreen : Screen {
  explicit WipeScreen(int skin) {
    app.nav.skin = skin;
    for (auto& b : app.skins.backdrop) b.assign(app.fb.px.size(), kBg);
    app.nav.button_lit[6] = 1;  // no visualiser over the backdrop
  }
  // Row y of the last presented frame from x0 to x1: '#' black, '.' anything else.
  std::string stripes(int x0, int x1, int y) const {
    std::string out;
    for (int x = x0; x <= x1; ++x) out += p.last_frame()[static_cast<size_t>(y) * kScreenW + x] == 0 ? '#' : '.';
    return out;
  }
};

TEST(Wipe, FirstCloseAndLastOpenStepsBlackenTheirColumnsDownToTheSkinsLastRow) {
  WipeScreen s(1);
  wipe_step(s.app, 0);  // columns 20 and 767 from row 192 to 569, where 'Grunge' ends
  for (int y : {192, 300, 569}) EXPECT_EQ(s.stripes(19, 21, y) + s.stripes(766, 768, y), ".#..#.") << y;
  expect_pixels(s.p.last_frame(), {{20, 191, kBg}, {20, 570, kBg}});
  WipeScreen c(2);  // 'Carbon' also blackens row 570
  wipe_step(c.app, 0);
  expect_pixels(c.p.last_frame(), {{767, 570, 0}, {20, 571, kBg}});

  WipeScreen o(1);
  wipe_step(o.app, 7);  // four stripes on each side
  EXPECT_EQ(o.stripes(18, 30, 400), "..#.#.#.#....");   // 20, 22, 24, 26
  EXPECT_EQ(o.stripes(757, 769, 400), "....#.#.#.#..");  // 761, 763, 765, 767
}

TEST(Wipe, EachWipeIsSeventyFiveFramesAndAdvancesTheAnimationClock) {
  WipeScreen s(1);
  s.app.visualiser.bars[5] = 140;
  wipe_close(s.app);
  EXPECT_EQ(s.p.frames_presented(), 75u);
  // Each frame is one present (1/60 s) and a 1 ms pause on the virtual clock.
  EXPECT_NEAR(s.app.timing.anim_clock, 75 * (1.0 / 60 + 0.001) * 250, 1e-6);
  EXPECT_NEAR(s.app.timing.frame_start, s.p.clock() - (1.0 / 60 + 0.001), 1e-9);
  // The redraw runs the ticker: 75 pixels are eight characters (10 + 7 x 9 = 73).
  EXPECT_EQ(s.app.nav.ticker_pos, 9);
  wipe_open(s.app);
  EXPECT_EQ(s.p.frames_presented(), 150u);
  // Its last frame (s = 7) leaves only the outermost stripes; row 560 is below the short page.
  EXPECT_EQ(s.stripes(28, 760, 560), std::string(733, '.'));
  // The redraw shows (and so sinks) the visualiser only while MUTE is unlit.
  EXPECT_EQ(s.app.visualiser.bars[5], 140);
  s.app.nav.button_lit[6] = 0;
  redraw_main_screen(s.app);
  EXPECT_EQ(s.app.visualiser.bars[5], 142);
}

// Coarse and fine flashes: bands of 10 and 2 rows whose colours take red, green
// and blue from the generator in order, for half a second of clock time.
TEST(NoiseFlash, BandsTakeRedGreenBlueFromTheGeneratorForHalfASecond) {
  for (auto [flash, band] : {std::pair{&noise_flash_coarse, 10}, {&noise_flash_fine, 2}}) {
    SCOPED_TRACE(band);
    Screen s;
    UniformRandom ref = s.app.rng;  // the same sequence, drawn independently
    std::vector<uint32_t> first;
    s.p.set_present_hook([&](const std::vector<uint32_t>& f) {
      if (first.empty()) first = f;
    });
    const double t0 = s.p.clock();
    flash(s.app);
    // A frame is 1/60 s plus 1 ms: 28 frames end before 0.5 s, the 29th after.
    EXPECT_EQ(s.p.frames_presented(), 29u);
    EXPECT_GE(s.p.clock() - t0, 0.5);
    EXPECT_LT(s.p.clock() - t0, 0.5 + 1.0 / 60 + 0.001);
    ASSERT_EQ(first.size(), s.app.fb.px.size());
    auto channel = [&] { return static_cast<uint32_t>(std::nearbyint(ref.next() * 255)); };
    for (int y = 0; y < 600; y += band) {
      uint32_t want = channel() << 16;
      want |= channel() << 8;
      want |= channel();
      for (int yy = y; yy < y + band; ++yy)
        for (int x : {0, 399, 799}) ASSERT_EQ(first[static_cast<size_t>(yy) * 800 + x], want) << yy;
    }
  }
}

}  // namespace
}  // namespace zel
