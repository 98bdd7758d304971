// The intro screen: background, raster bars, effect tables, stars, the big
// font, title lines and the scroller.

#include <algorithm>
#include <cmath>

#include "render/intro.h"
#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

// Whether glyph pixel (c, r) of the big-font glyph at column col is inked; false outside the glyph.
bool ink(const Screen& s, int col, int c, int r) {
  return c >= 0 && c < 32 && r >= 0 && r < 32 && big_font_ink(s.app.intro, col + c, r);
}

TEST(BigFont, HoldsCodes32To90AsThirtyTwoPixelGlyphs) {
  ASSERT_EQ(big_font_bytes().size(), 1888u * 32 + 768);
  // Lower case is upper-cased; '[', '~', below the space and beyond the font have no glyph.
  for (auto [c, w] : {std::pair<int, int>{' ', 0}, {'A', 32 * 33}, {'a', 32 * 33}, {'Z', 1856}, {91, -1}, {126, -1},
                      {31, -1}, {200, -1}})
    EXPECT_EQ(big_font_column(static_cast<unsigned char>(c)), w) << c;
}

TEST(IntroEffects, BackgroundAndRasterBarsMatchHandValues) {
  Screen s;
  s.app.fb.clear(kBg);
  clear_intro_background(s.app.fb);
  expect_pixels(s.app.fb, {{400, 0, 0}, {0, 1, 150}, {799, 50, 3}, {5, 51, 0}});
  draw_raster_bars(s.app.fb, 0);
  // k = 7 is drawn last: a = sin(28 x 3.14 / 90) = 0.82876; bars of step 14
  // from row 458 and of step 7 from row 529. Row 599: the step-2 bar of
  // k = 2 (from 573) over the step-1 bar of k = 1.
  expect_pixels(s.app.fb, {{0, 458, 14}, {799, 473, 224}, {10, 474, 210}, {10, 544, 112}, {10, 599, 10}});

}

// Every entry of the effect tables against their formulas with std::sin, at
// phases from a fraction to far beyond the fast sine's reduction range.
TEST(IntroEffects, TablesEqualTheStdSinFormulasAtAnyPhase) {
  const double A = 0.00873055555555556, S = 0.104766666666667;
  auto rnd = [](double v) { return static_cast<int>(std::nearbyint(v)); };
  auto in = std::make_unique<IntroState>();
  for (int k = 0; k < 60; ++k) {
    const double P = k < 50 ? k * 37.123 + 0.31 : std::ldexp(1.3, 2 * k - 80);
    update_intro_tables(*in, P);
    for (int x = 0; x <= 800; ++x) {
      const int c = (x + 1) / 2;
      const double s1 = std::sin((c - 2.5 * P) * A * 1.5), s2 = std::sin((c - 4 * P) * A);
      ASSERT_EQ(in->scroller_wave[x], rnd(s1 * 100 + s2 * 73 + 310)) << P << " " << x;
      ASSERT_EQ(in->mirror_wave[x], rnd(592 - (s1 * 30 + s2 * 48))) << P << " " << x;
    }
    double f = 1.0;
    for (int i = 0; i <= 630; ++i) {
      auto title = [&](int d) { return rnd(std::sin((i + d + P) * S * 0.25) * 90 + 125); };
      auto scroller = [&](int d) { return rnd(std::sin((i + d) * S * 0.25) * 100 + 150); };
      auto mirror = [&](int d) { return static_cast<int>(std::floor((std::sin((d - i) * S * 0.25) * 50 + 100) * f)); };
      ASSERT_EQ(in->title_colours[i], rgb(title(0), title(20), title(40))) << P << " " << i;
      ASSERT_EQ(in->scroller_colours[i], rgb(scroller(0), scroller(50), scroller(100))) << i;
      ASSERT_EQ(in->mirror_colours[i], rgb(mirror(-10), mirror(-90), mirror(-170))) << i;
      if (i > 520) f = std::max(f - 0.015, 0.0);
    }
  }
}

TEST(Starfield, StarsMoveByLayerWrapAndHideNearTheEdges) {
  IntroState in;
  for (int n = 1; n <= 300; ++n) in.star_x[n] = -50, in.star_y[n] = 300;  // out of sight
  // Star 1 in layer 1, 150 in layer 2 at px 4, 201 and 250 in layer 3, the latter at px 799.
  for (auto [n, x, y] : {std::tuple{1, 100.7, 200.2}, {150, 4.9, 100.0}, {201, 300.2, 300.0}, {250, 799.5, 400.0}})
    in.star_x[n] = x, in.star_y[n] = y;
  FrameBuffer fb = filled(kBg);
  draw_starfield(fb, in);
  move_starfield(in, 10);
  EXPECT_DOUBLE_EQ(in.star_x[1], 106.7);
  EXPECT_DOUBLE_EQ(in.star_x[150], 16.9);
  EXPECT_NEAR(in.star_x[250], 17.5, 1e-9);  // 799.5 + 18 - 800
  expect_pixels(fb, {{101, 201, 0x222222}, {102, 200, 0x111111}, {99, 201, 0x111111},
                           {100, 199, 0x111111}, {101, 202, 0x111111}, {103, 200, kBg},
                           {300, 300, 0x999999}, {302, 301, 0x444444}, {4, 100, kBg}, {799, 400, kBg}});
}

// Lower case draws as capitals, unknown characters take no space and a
// scroller marker ('a') is a blank: each pair must draw the same pixels.
// Strings the scroller reads alike (its markers and mapped characters) draw the same pixels.
TEST(IntroText, EquivalentScrollerStringsDrawTheSamePixels) {
  Screen a, b;
  for (Screen* s : {&a, &b}) {
    update_intro_tables(s->app.intro, 0);
    s->app.fb.clear(0);
    s->app.intro.scroller_offset = 100;  // first glyph at x = 100
  }
  draw_scroller(a.app.fb, a.app.intro, "Ga[b");
  draw_scroller(b.app.fb, b.app.intro, "G B");
  EXPECT_EQ(a.app.fb.px, b.app.fb.px);
  // The comparison sees the glyphs: both letters are drawn, and another
  // second letter gives other pixels.
  EXPECT_GT(std::count_if(a.app.fb.px.begin(), a.app.fb.px.end(), [](uint32_t p) { return p != 0; }), 400);
  b.app.fb.clear(0);
  draw_scroller(b.app.fb, b.app.intro, "G C");
  EXPECT_NE(a.app.fb.px, b.app.fb.px);
}

TEST(Scroller, GlidesAtMostFivePixelsAndPausesFourSecondsAtAMarker) {
  IntroState in;
  double now = 100;
  auto step = [&](int pos = 0, double offset = 0) {
    if (pos) in.scroller_pos = pos, in.scroller_offset = offset;
    advance_scroller(in, "XYaZW", 40, now);
    return in.scroller_offset;
  };
  EXPECT_DOUBLE_EQ(step(), -5);
  EXPECT_DOUBLE_EQ(step(2, -30), -3);
  EXPECT_EQ(in.scroller_pos, 3);  // the marker
  EXPECT_DOUBLE_EQ(in.scroller_pause_until, 104);
  now += 3.99;
  EXPECT_DOUBLE_EQ(step(), -3);
  now += 0.02;
  EXPECT_DOUBLE_EQ(step(), -8);
  step(5, -30);  // past the end of the text it starts again from the first character
  EXPECT_EQ(in.scroller_pos, 1);
}

TEST(Scroller, MirrorFadesToBlackAndStopsAboveRow598) {
  Screen s;
  update_intro_tables(s.app.intro, 0);
  for (int& m : s.app.intro.mirror_wave) m = 570;
  for (int& t : s.app.intro.scroller_wave) t = 300;
  s.app.fb.clear(kBg);
  const int col = big_font_column('H'), x0 = 300;
  draw_scroller_glyph(s.app.fb, s.app.intro, col, x0);
  auto in = [&](int c, int r) { return ink(s, col, c, r); };
  int black = 0, other = 0;
  for (int c = 0; c < 32; ++c) {
    EXPECT_EQ(s.px(x0 + c, 599), kBg);
    EXPECT_EQ(s.px(x0 + c, 598), in(c - 1, 31 - 27) ? s.app.intro.mirror_colours[617] : kBg);
    // Face of the mirror, upside down: output row r shows glyph row 31 - r; screen rows 588..597 are black.
    for (int r = 18; r < 28; ++r)
      if (in(c, 31 - r) && !in(c + 1, 30 - r)) ++(s.px(x0 + c, 570 + r) == 0 ? black : other);
  }
  EXPECT_GT(black, 10);
  EXPECT_EQ(other, 0);
}

}  // namespace
}  // namespace zel
