// Page wipes and noise flashes, checked on the presented frames.

#include "core/frame.h"
#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

// A screen whose backdrops are one plain colour, so the stripes show.
struct WipeScreen : Screen {
  explicit WipeScreen(int skin) {
    app.nav.skin = skin;
    for (auto& b : app.skins.backdrop) b.assign(app.fb.px.size(), kBg);
    app.nav.button_lit[kButtonMute] = 1;  // no visualiser over the backdrop
  }
  // Row y of the last presented frame from x0 to x1: '#' black, '.' anything else.
  std::string stripes(int x0, int x1, int y) const {
    std::string out;
    for (int x = x0; x <= x1; ++x) out += p.last_frame()[static_cast<size_t>(y) * kScreenW + x] == 0 ? '#' : '.';
    return out;
  }
};

TEST(Wipe, FirstCloseAndLastOpenStepsBlackenTheirColumnsDownToTheSkinsLastRow) {
  WipeScreen s(kSkinGrunge);
  wipe_step(s.app, 0);  // columns 20 and 767 from row 192 to 569, where 'Grunge' ends
  for (int y : {192, 300, 569}) EXPECT_EQ(s.stripes(19, 21, y) + s.stripes(766, 768, y), ".#..#.") << y;
  expect_pixels(s.p.last_frame(), {{20, 191, kBg}, {20, 570, kBg}});
  WipeScreen c(kSkinCarbon);  // 'Carbon' also blackens row 570
  wipe_step(c.app, 0);
  expect_pixels(c.p.last_frame(), {{767, 570, 0}, {20, 571, kBg}});

  WipeScreen o(kSkinGrunge);
  wipe_step(o.app, 7);  // four stripes on each side
  EXPECT_EQ(o.stripes(18, 30, 400), "..#.#.#.#....");   // 20, 22, 24, 26
  EXPECT_EQ(o.stripes(757, 769, 400), "....#.#.#.#..");  // 761, 763, 765, 767
}

TEST(Wipe, EachWipeIsSeventyFiveFramesAndAdvancesTheAnimationClock) {
  WipeScreen s(kSkinGrunge);
  s.app.visualiser.bars[5] = 140;
  wipe_close(s.app);
  // Closed between the outermost stripes.
  EXPECT_EQ(std::tuple(s.p.frames_presented(), s.stripes(27, 760, 400)), std::tuple(75u, std::string(734, '#')));
  // Each frame is one present (1/60 s) and a 1 ms pause on the virtual clock.
  EXPECT_NEAR(s.app.timing.anim_clock, 75 * (1.0 / 60 + 0.001) * 250, 1e-6);
  EXPECT_NEAR(s.app.timing.frame_start, s.p.clock() - (1.0 / 60 + 0.001), 1e-9);
  // The redraw runs the ticker: 75 pixels are eight characters (10 + 7 x 9 = 73).
  EXPECT_EQ(s.app.nav.ticker_pos, 9);
  wipe_open(s.app);
  // Its last frame (s = 7) leaves only the outermost stripes; row 560 is below the short page.
  EXPECT_EQ(std::tuple(s.p.frames_presented(), s.stripes(28, 760, 560)), std::tuple(150u, std::string(733, '.')));
  // The redraw kicks and sinks the visualiser only while MUTE is unlit.
  EXPECT_EQ(s.app.visualiser.bars[5], 140);
  s.app.nav.button_lit[kButtonMute] = 0;
  redraw_main_screen(s.app);
  EXPECT_EQ(s.app.visualiser.bars[5], 142);
}

// Coarse and fine flashes: bands of 10 and 2 rows of one random colour each,
// new colours every frame, for half a second of clock time.
TEST(NoiseFlash, BandsOfTenAndTwoRowsForHalfASecond) {
  for (auto [flash, rows] : {std::pair{&noise_flash_coarse, 10}, {&noise_flash_fine, 2}}) {
    const int band = rows;  // a copy: a lambda cannot capture a structured binding
    SCOPED_TRACE(band);
    Screen s;
    std::vector<std::vector<uint32_t>> frames;
    s.p.set_present_hook([&](const std::vector<uint32_t>& f) {
      if (frames.size() < 2) frames.push_back(f);
    });
    flash(s.app);
    // A frame is 1/60 s plus 1 ms: 28 frames end before 0.5 s, the 29th after.
    EXPECT_EQ(s.p.frames_presented(), 29u);
    ASSERT_EQ(frames.size(), 2u);
    std::set<uint32_t> colours;
    for (int y = 0; y < 600; ++y) {
      const uint32_t* row = &frames[0][static_cast<size_t>(y) * 800];
      // Every row is one colour, and so is every band.
      ASSERT_TRUE(std::all_of(row, row + 800, [&](uint32_t v) { return v == (y % band ? row[-1] : row[0]); })) << y;
      colours.insert(row[0]);
    }
    EXPECT_GT(colours.size(), static_cast<size_t>(600 / band) * 9 / 10);  // nearly every band its own colour
    EXPECT_NE(frames[0], frames[1]);
  }
}

}  // namespace
}  // namespace zel
