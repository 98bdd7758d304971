// Buttons, centre menu, ticker and scroll thumb, checked on FrameBuffer pixels.
#include <gtest/gtest.h>

#include "content/content.h"
#include "render/widgets.h"
#include "tests/screen_fixture.h"

namespace zel {
namespace {

using testing::blend;
using testing::Screen;

constexpr uint32_t kBg = 0x406080;

TEST(ButtonGlow, RisesBySevenPerHoveredFrameUpTo125AndOnlyWhenUnlatched) {
  Screen s;
  s.pointer(60, 75);  // over CHARTS (button 2, not lit)
  int want = 0;
  for (int f = 0; f < 30; ++f) {
    draw_buttons(s.app);
    want = std::min(std::max(want - 3, 0) + 10, 125);
    ASSERT_EQ(s.app.input.button_glow[2], want) << "frame " << f;
  }
  EXPECT_EQ(s.app.input.pointer_look, 2);
  s.app.input.click_latch = 1;  // still hot, but fading
  draw_buttons(s.app);
  EXPECT_EQ(s.app.input.button_glow[2], 122);
  EXPECT_EQ(s.app.input.pointer_look, 2);
  s.app.input.click_latch = 0;
  for (auto [x, y] : {std::pair{60, 100}, {35, 75}}) {  // lit ARTICLES; the edge of CHARTS
    s.pointer(x, y);
    draw_buttons(s.app);
    EXPECT_EQ(s.app.input.pointer_look, 1);
  }
  EXPECT_EQ(s.app.input.button_glow[2], 116);
}

TEST(ButtonTints, CoverTheWholeRectangleInTheColoursOfEachSkin) {
  Screen s;
  s.app.fb.clear(kBg);
  s.app.input.button_glow[1] = 50;
  draw_buttons(s.app);
  // QUIT (35, 40, 88, 19), glow 47 after the decay.
  uint32_t quit = blend(kBg, 47, 30, 50, 125);
  EXPECT_EQ(s.px(35, 40), quit);
  EXPECT_EQ(s.px(123, 59), quit);
  EXPECT_EQ(s.px(34, 40), kBg);
  EXPECT_EQ(s.px(124, 59), kBg);
  EXPECT_EQ(s.px(35, 60), kBg);
  // ARTICLES lit.
  EXPECT_EQ(s.px(35, 90), blend(kBg, 125, 125, 70, 20));
  EXPECT_EQ(s.px(123, 109), blend(kBg, 125, 125, 70, 20));
  // CHARTS with glow 0 stays as it was.
  EXPECT_EQ(s.px(60, 75), kBg);

  Screen c;
  c.app.nav.skin = 2;
  c.app.fb.clear(kBg);
  c.app.input.button_glow[6] = 13;
  draw_buttons(c.app);
  EXPECT_EQ(c.px(25, 97), blend(kBg, 95, 100, 150, 250));   // ARTICLES lit
  EXPECT_EQ(c.px(101, 116), blend(kBg, 95, 100, 150, 250));
  EXPECT_EQ(c.px(18, 137), blend(kBg, 95, 100, 150, 250));  // MUSIC 1 lit
  EXPECT_EQ(c.px(61, 145), blend(kBg, 95, 100, 150, 250));
  EXPECT_EQ(c.px(61, 146), kBg);
  EXPECT_EQ(c.px(698, 49), blend(kBg, 10, 50, 100, 250));  // MUTE, glow 10
}

TEST(CentreMenu, HoverBarsReactInEmptySlotsAndBrightenWhenHovered) {
  Screen s;
  s.app.fb.clear(kBg);
  s.pointer(600, 90);  // right column, row 3: entry 19 is disabled, the slot is empty
  draw_centre_menu(s.app);
  EXPECT_EQ(s.app.input.pointer_look, 2);
  EXPECT_EQ(s.px(640, 85), blend(kBg, 125, 100, 100, 132));
  EXPECT_EQ(s.px(647, 95), blend(kBg, 125, 100, 100, 132));
  EXPECT_EQ(s.px(640, 84), kBg);  // between two bars
  EXPECT_EQ(s.px(640, 96), kBg);
  EXPECT_EQ(s.px(640, 73), blend(kBg, 60, 100, 100, 100));  // row 2, not hovered

  Screen t;
  t.app.fb.clear(kBg);
  t.app.input.pointer_look = 1;
  t.app.input.click_latch = 1;
  t.pointer(600, 90);
  draw_centre_menu(t.app);
  EXPECT_EQ(t.app.input.pointer_look, 1);
  EXPECT_EQ(t.px(640, 85), blend(kBg, 60, 100, 100, 100));
}

TEST(CentreMenu, SelectionTintSitsOneRowAboveItsBar) {
  Screen s;
  s.app.fb.clear(kBg);
  s.app.nav.menu_selected[21] = 1;  // the switch slot
  draw_centre_menu(s.app);
  // Entry 11 is selected (left row 1): tint rows 60..70, bar rows 61..71.
  uint32_t bar = blend(kBg, 60, 100, 100, 100);
  EXPECT_EQ(s.px(380, 60), blend(kBg, 90, 200, 100, 100));
  EXPECT_EQ(s.px(380, 65), blend(bar, 90, 200, 100, 100));
  EXPECT_EQ(s.px(380, 71), bar);
  EXPECT_EQ(s.px(380, 72), kBg);
  EXPECT_EQ(s.px(640, 108), blend(kBg, 90, 200, 100, 100));
  EXPECT_EQ(s.px(640, 84), kBg);  // entry 19 is not selected
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
  for (int f = 0; f < 9; ++f) draw_ticker(s.app);
  EXPECT_EQ(s.app.nav.ticker_pos, 1);
  draw_ticker(s.app);
  EXPECT_EQ(s.app.nav.ticker_pos, 2);
  for (int f = 0; f < 8; ++f) draw_ticker(s.app);
  EXPECT_EQ(s.app.nav.ticker_pos, 2);
  draw_ticker(s.app);
  EXPECT_EQ(s.app.nav.ticker_pos, 3);
  // Past the end of the line it starts again.
  s.app.nav.ticker_pos = static_cast<int>(status_line(1).size());
  for (int f = 0; f < 9; ++f) draw_ticker(s.app);
  EXPECT_EQ(s.app.nav.ticker_pos, 1);
  // An empty line draws nothing and still moves.
  s.app.nav.selected_song = 0;
  s.app.fb.clear(kBg);
  for (int f = 0; f < 9; ++f) draw_ticker(s.app);
  EXPECT_EQ(s.app.nav.ticker_pos, 1);
  for (uint32_t v : s.app.fb.px) ASSERT_EQ(v, kBg);
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
  Screen s;
  s.page_of(100);
  s.app.fb.clear(kBg);
  draw_scroll_thumb(s.app);
  uint32_t thumb = blend(kBg, 80, 100, 150, 250);
  EXPECT_EQ(s.px(779, 195), thumb);
  EXPECT_EQ(s.px(787, 214), thumb);
  EXPECT_EQ(s.px(779, 194), kBg);
  EXPECT_EQ(s.px(788, 195), kBg);
  EXPECT_EQ(s.px(779, 215), kBg);

  s.app.fb.clear(kBg);
  s.app.grid.top_line = 67;
  s.app.input.scrollbar_glow = 40;
  draw_scroll_thumb(s.app);
  uint32_t lit = blend(thumb, 40, 100, 125, 200);
  EXPECT_EQ(s.px(779, 556), lit);
  EXPECT_EQ(s.px(787, 575), lit);
  EXPECT_EQ(s.px(779, 555), kBg);

  Screen c;
  c.app.nav.skin = 2;
  c.page_of(35);
  c.app.grid.top_line = 1;  // 361 / 2 = 180.5, rounds to 180
  c.app.fb.clear(kBg);
  draw_scroll_thumb(c.app);
  EXPECT_EQ(c.px(783, 375), blend(kBg, 80, 50, 150, 250));
  EXPECT_EQ(c.px(792, 394), blend(kBg, 80, 50, 150, 250));
  EXPECT_EQ(c.px(783, 374), kBg);

  c.page_of(33);  // no thumb
  c.app.fb.clear(kBg);
  draw_scroll_thumb(c.app);
  for (uint32_t v : c.app.fb.px) ASSERT_EQ(v, kBg);
}

}  // namespace
}  // namespace zel
