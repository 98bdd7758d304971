// Buttons, centre menu, ticker and scroll thumb, checked on FrameBuffer pixels.
#include <gtest/gtest.h>

#include "content/content.h"
#include "render/widgets.h"
#include "tests/screen_fixture.h"

namespace zel {
namespace {

using namespace zel::testing;

// blend_rect's arithmetic, channel by channel, as an independent reference.
uint32_t blend(uint32_t dst, int alpha, int r, int g, int b) {
  auto ch = [&](int s, int shift) {
    int d = static_cast<int>((dst >> shift) & 0xFF);
    return static_cast<uint32_t>((s * alpha + d * (256 - alpha)) / 256) << shift;
  };
  return ch(r, 16) | ch(g, 8) | ch(b, 0);
}

// A screen in the given skin, cleared to the test background.
struct Cleared : Screen {
  explicit Cleared(int skin = 1) {
    app.nav.skin = skin;
    app.fb.clear(kBg);
  }
};

TEST(ButtonGlow, RisesBySevenPerHoveredFrameUpTo125AndOnlyWhenUnlatched) {
  Screen s;
  // One frame with the pointer at (x, y): CHARTS' glow (button 2, not lit) and the pointer look.
  auto hover = [&](int x, int y) {
    s.pointer(x, y);
    draw_buttons(s.app);
    return std::pair(s.app.input.button_glow[2], s.app.input.pointer_look);
  };
  for (int f = 0, want = 0; f < 30; ++f) {
    want = std::min(std::max(want - 3, 0) + 10, 125);
    ASSERT_EQ(hover(60, 75), std::pair(want, 2)) << "frame " << f;
  }
  s.app.input.click_latch = 1;  // still hot, but fading
  EXPECT_EQ(hover(60, 75), std::pair(122, 2));
  s.app.input.click_latch = 0;
  EXPECT_EQ(hover(60, 100), std::pair(119, 1));  // over lit ARTICLES
  EXPECT_EQ(hover(35, 75), std::pair(116, 1));   // the edge of CHARTS
}

TEST(ButtonTints, CoverTheWholeRectangleInTheColoursOfEachSkin) {
  Cleared s;
  s.app.input.button_glow[1] = 50;
  draw_buttons(s.app);
  // QUIT (35, 40, 88, 19) with glow 47 after the decay; ARTICLES lit; CHARTS at glow 0 untouched.
  const uint32_t quit = blend(kBg, 47, 30, 50, 125), lit = blend(kBg, 125, 125, 70, 20);
  expect_pixels(s.app.fb, {{35, 40, quit}, {123, 59, quit}, {34, 40, kBg}, {124, 59, kBg}, {35, 60, kBg},
                           {35, 90, lit}, {123, 109, lit}, {60, 75, kBg}});
  Cleared c(2);
  c.app.input.button_glow[6] = 13;
  draw_buttons(c.app);
  // ARTICLES and MUSIC 1 lit, MUTE at glow 10.
  const uint32_t lit2 = blend(kBg, 95, 100, 150, 250);
  expect_pixels(c.app.fb, {{25, 97, lit2}, {101, 116, lit2}, {18, 137, lit2}, {61, 145, lit2}, {61, 146, kBg},
                           {698, 49, blend(kBg, 10, 50, 100, 250)}});
}

TEST(CentreMenu, HoverBarsReactInEmptySlotsUnlessLatched) {
  for (int latched : {0, 1}) {
    SCOPED_TRACE(latched);
    Cleared s;
    s.app.input.pointer_look = 1;
    s.app.input.click_latch = latched;
    s.pointer(600, 90);  // right column, row 3: entry 19 is disabled, the slot is empty
    draw_centre_menu(s.app);
    const uint32_t bar = blend(kBg, 60, 100, 100, 100), hot = latched ? bar : blend(kBg, 125, 100, 100, 132);
    EXPECT_EQ(s.app.input.pointer_look, latched ? 1 : 2);
    // Rows 84 and 96 lie between bars; row 73 is row 2, not hovered.
    expect_pixels(s.app.fb, {{640, 85, hot}, {647, 95, hot}, {640, 84, kBg}, {640, 96, kBg}, {640, 73, bar}});
  }
}

TEST(CentreMenu, SelectionTintSitsOneRowAboveItsBar) {
  Cleared s;
  s.app.nav.menu_selected[21] = 1;  // the switch slot
  draw_centre_menu(s.app);
  // Entry 11 is selected (left row 1): tint rows 60..70, bar rows 61..71; entry 19 is not.
  const uint32_t bar = blend(kBg, 60, 100, 100, 100), tint = blend(kBg, 90, 200, 100, 100);
  expect_pixels(s.app.fb, {{380, 60, tint}, {380, 65, blend(bar, 90, 200, 100, 100)}, {380, 71, bar},
                           {380, 72, kBg}, {640, 108, tint}, {640, 84, kBg}});
}

TEST(CentreMenu, TitleIsCentredOnColumn404) {
  Screen s;
  draw_centre_menu(s.app);
  FrameBuffer ref;
  std::string_view title = menu_title();
  ASSERT_EQ(title.size(), 22u);
  draw_text_clipped(ref, s.app.font, title, 305, 42, 146, 649, 40, 145, 1, 25);  // 404 - 99
  int ink = 0;
  for (int y = 42; y <= 53; ++y)
    for (int x = 146; x <= 649; ++x) {
      ASSERT_EQ(s.px(x, y), ref.get(x, y)) << x << "," << y;
      ink += ref.get(x, y) != 0;
    }
  EXPECT_GT(ink, 100);
}

TEST(Ticker, OneCharacterEveryNineFramesTenForTheFirst) {
  Screen s;
  auto run = [&](int frames) {
    for (int f = 0; f < frames; ++f) draw_ticker(s.app);
    return s.app.nav.ticker_pos;
  };
  for (auto [frames, pos] : {std::pair{9, 1}, {1, 2}, {8, 2}, {1, 3}}) EXPECT_EQ(run(frames), pos);
  s.app.nav.ticker_pos = static_cast<int>(status_line(1).size());
  EXPECT_EQ(run(9), 1);  // past the end of the line it starts again
  // An empty line draws nothing and still moves.
  s.app.nav.selected_song = 0;
  s.app.fb.clear(kBg);
  EXPECT_EQ(run(9), 1);
  EXPECT_TRUE(all_are(s.app.fb, kBg));
}

TEST(Ticker, DrawsFiftyEightCharactersInFaceTwoShiftedByTheOffset) {
  for (int skin : {1, 2}) {
    Screen s;
    s.app.nav.skin = skin;
    s.app.nav.ticker_pos = 66;  // the first character after the 65 blanks
    s.app.widgets.ticker_offset = 3;
    draw_ticker(s.app);
    FrameBuffer ref;
    int y = skin == 1 ? 123 : 124;
    draw_text_clipped(ref, s.app.font, status_line(1).substr(65, 58), 143, y, 146, 649, 40, 145, 2, 2);
    EXPECT_EQ(s.app.fb.px, ref.px) << "skin " << skin;
    EXPECT_NE(ref.px, FrameBuffer().px);
  }
}

TEST(ScrollThumb, RunsFrom195To556AndIsAbsentOnShortPages) {
  Cleared s;
  s.page_of(100);
  draw_scroll_thumb(s.app);
  const uint32_t thumb = blend(kBg, 80, 100, 150, 250), lit = blend(thumb, 40, 100, 125, 200);
  expect_pixels(s.app.fb, {{779, 195, thumb}, {787, 214, thumb}, {779, 194, kBg}, {788, 195, kBg}, {779, 215, kBg}});
  s.app.fb.clear(kBg);
  s.app.grid.top_line = 67;
  s.app.input.scrollbar_glow = 40;
  draw_scroll_thumb(s.app);
  expect_pixels(s.app.fb, {{779, 556, lit}, {787, 575, lit}, {779, 555, kBg}});

  Cleared c(2);
  c.page_of(35);
  c.app.grid.top_line = 1;  // 361 / 2 = 180.5, rounds to 180
  draw_scroll_thumb(c.app);
  const uint32_t thumb2 = blend(kBg, 80, 50, 150, 250);
  expect_pixels(c.app.fb, {{783, 375, thumb2}, {792, 394, thumb2}, {783, 374, kBg}});
  c.page_of(33);  // no thumb
  c.app.fb.clear(kBg);
  draw_scroll_thumb(c.app);
  EXPECT_TRUE(all_are(c.app.fb, kBg));
}

}  // namespace
}  // namespace zel
