// Buttons, centre menu, ticker, scroll thumb and the per-frame updates that go
// with them (glow, pointer look, ticker position), checked on FrameBuffer
// pixels against an independent blend formula.

#include "content/content.h"
#include "core/frame.h"
#include "render/widgets.h"
#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

// One frame of button drawing as the main screen runs it: fade, draw, hover.
void button_frame(Screen& s) {
  fade_button_glow(s.app.input);
  draw_buttons(s.app.fb, s.app.nav.skin, s.app.nav.button_lit, s.app.input.button_glow);
  update_hover(s.app);
}

void menu(Screen& s) {
  const InputState& in = s.app.input;
  draw_centre_menu(s.app.fb, s.app.font, s.app.nav.current_menu, s.app.nav.menu_selected, in.mouse_x, in.mouse_y,
                   in.click_latch == 0, s.app.timing.anim_clock);
}

TEST(ButtonGlow, RisesBySevenPerHoveredFrameUpTo125AndOnlyWhenUnlatched) {
  Screen s;
  // One frame with the pointer at (x, y): CHARTS' glow (button 2, not lit) and the pointer look.
  auto hover = [&](int x, int y) {
    s.pointer(x, y);
    button_frame(s);
    return std::pair(s.app.input.button_glow[kButtonCharts], s.app.input.pointer_look);
  };
  // 10 in the first frame, then 7 more a frame (a fade of 3, a rise of 10) up to 125.
  for (auto [frames, want] : {std::pair{1, 10}, {1, 17}, {15, 122}, {1, 125}, {10, 125}}) {
    for (int f = 1; f < frames; ++f) hover(60, 75);
    EXPECT_EQ(hover(60, 75), std::pair(want, 2)) << want;
  }
  s.app.input.click_latch = 1;  // still hot, but fading
  EXPECT_EQ(hover(60, 75), std::pair(122, 2));
  s.app.input.click_latch = 0;
  EXPECT_EQ(hover(60, 100), std::pair(119, 1));  // over lit ARTICLES
  EXPECT_EQ(hover(35, 75), std::pair(116, 1));   // the edge of CHARTS
}

TEST(ButtonTints, CoverTheWholeRectangleInTheColoursOfEachSkinWithTheFadedGlow) {
  Screen s;
  s.app.fb.clear(kBg);
  s.app.input.button_glow[kButtonQuit] = 50;
  s.pointer(60, 45);  // over QUIT: the rise shows only in the next frame
  button_frame(s);
  // QUIT (35, 40, 88, 19) with glow 47 after the fade; ARTICLES lit; CHARTS at glow 0 untouched.
  const uint32_t quit = blend(kBg, 47, 30, 50, 125), lit = blend(kBg, 125, 125, 70, 20);
  expect_pixels(s.app.fb, {{35, 40, quit}, {123, 59, quit}, {34, 40, kBg}, {124, 59, kBg}, {35, 60, kBg},
                           {35, 90, lit}, {123, 109, lit}, {60, 75, kBg}});
  EXPECT_EQ(s.app.input.button_glow[kButtonQuit], 57);

  s.app.nav.skin = kSkinCarbon;
  s.app.fb.clear(kBg);
  s.app.input.button_glow[kButtonMute] = 13;
  button_frame(s);
  // ARTICLES and MUSIC 1 lit, MUTE at glow 10.
  const uint32_t lit2 = blend(kBg, 95, 100, 150, 250);
  expect_pixels(s.app.fb, {{25, 97, lit2}, {101, 116, lit2}, {18, 137, lit2}, {61, 145, lit2}, {61, 146, kBg},
                           {698, 49, blend(kBg, 10, 50, 100, 250)}});
}

TEST(CentreMenu, HoverBarsReactInEmptySlotsUnlessLatched) {
  for (int latched : {0, 1}) {
    SCOPED_TRACE(latched);
    Screen s;
    s.app.fb.clear(kBg);
    s.app.input.click_latch = latched;
    s.pointer(600, 90);  // right column, row 3: entry 19 is disabled, the slot is empty
    update_hover(s.app);
    menu(s);
    const uint32_t bar = blend(kBg, 60, 100, 100, 100), hot = latched ? bar : blend(kBg, 125, 100, 100, 132);
    EXPECT_EQ(s.app.input.pointer_look, latched ? 1 : 2);
    // Rows 84 and 96 lie between bars; row 73 is row 2, not hovered.
    expect_pixels(s.app.fb, {{640, 85, hot}, {647, 95, hot}, {640, 84, kBg}, {640, 96, kBg}, {640, 73, bar}});
  }
}

TEST(CentreMenu, SelectionTintSitsOneRowAboveItsBarAndTheTitleIsCentredOn404) {
  Screen s;
  s.app.fb.clear(kBg);
  s.app.nav.menu_selected[kMenuSwitchEntry] = 1;
  menu(s);
  // Entry 11 is selected (left row 1): tint rows 60..70, bar rows 61..71; entry 19 is not.
  const uint32_t bar = blend(kBg, 60, 100, 100, 100), tint = blend(kBg, 90, 200, 100, 100);
  expect_pixels(s.app.fb, {{380, 60, tint}, {380, 65, blend(bar, 90, 200, 100, 100)}, {380, 71, bar},
                           {380, 72, kBg}, {640, 108, tint}, {640, 84, kBg}});
  // The 22 characters of the title start at 404 - 99.
  FrameBuffer ref = filled(kBg);
  ASSERT_EQ(menu_title().size(), 22u);
  draw_text_clipped(ref, s.app.font, menu_title(), 305, 42, 146, 649, 40, 145, 1, 25);
  for (int y = 42; y <= 53; ++y)
    for (int x = 146; x <= 649; ++x) ASSERT_EQ(s.px(x, y), ref.get(x, y)) << x << "," << y;
}

TEST(Ticker, OneCharacterEveryNineFramesTenForTheFirstAndEmptyLinesStillMove) {
  NavState nav;
  WidgetState w;
  auto run = [&](int frames, int length = 200) {
    for (int f = 0; f < frames; ++f) advance_ticker(nav, w, length);
    return nav.ticker_pos;
  };
  for (auto [frames, pos] : {std::pair{9, 1}, {1, 2}, {8, 2}, {1, 3}}) EXPECT_EQ(run(frames), pos);
  nav.ticker_pos = 200;
  EXPECT_EQ(run(9), 1);  // past the end of the line it starts again
  EXPECT_EQ(run(9, 0), 1);
}

TEST(Ticker, DrawsFiftyEightCharactersInFaceTwoShiftedByTheOffset) {
  for (int skin : {kSkinGrunge, kSkinCarbon}) {
    Screen s;
    FrameBuffer fb, ref;
    std::string_view line = status_line(1);
    draw_ticker(fb, s.app.font, line, 66, 3.7, skin);  // the first character after the 65 blanks
    draw_text_clipped(ref, s.app.font, line.substr(65, 58), 143, skin == 1 ? 123 : 124, 146, 649, 40, 145, 2, 2);
    EXPECT_EQ(fb.px, ref.px) << "skin " << skin;
    EXPECT_NE(ref.px, FrameBuffer().px);
    fb = filled(kBg);
    draw_ticker(fb, s.app.font, "", 1, 0, skin);
    EXPECT_TRUE(all_are(fb, kBg));
  }
}

TEST(ScrollThumb, RunsFrom195To556AndIsAbsentOnShortPages) {
  const uint32_t thumb = blend(kBg, 80, 100, 150, 250), lit = blend(thumb, 40, 100, 125, 200);
  FrameBuffer fb = filled(kBg);
  draw_scroll_thumb(fb, kSkinGrunge, 100, 0, 0);
  expect_pixels(fb, {{779, 195, thumb}, {787, 214, thumb}, {779, 194, kBg}, {788, 195, kBg}, {779, 215, kBg}});
  fb = filled(kBg);
  draw_scroll_thumb(fb, kSkinGrunge, 100, 67, 40);
  expect_pixels(fb, {{779, 556, lit}, {787, 575, lit}, {779, 555, kBg}});
  fb = filled(kBg);
  draw_scroll_thumb(fb, kSkinCarbon, 35, 1, 0);  // 361 / 2 = 180.5, rounds to 180
  expect_pixels(fb, {{783, 375, blend(kBg, 80, 50, 150, 250)}, {792, 394, blend(kBg, 80, 50, 150, 250)}, {783, 374, kBg}});
  fb = filled(kBg);
  draw_scroll_thumb(fb, kSkinCarbon, 33, 0, 0);
  EXPECT_TRUE(all_are(fb, kBg));
}

}  // namespace
}  // namespace zel
