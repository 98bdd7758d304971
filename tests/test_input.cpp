// Keys, wheel, scroll bar, pointer and mouse sampling of the main screen.
#include <gtest/gtest.h>

#include "core/input.h"
#include "tests/screen_fixture.h"

namespace zel {
namespace {

using testing::Screen;

void hold(Screen& s, int key, bool down) {
  s.p.post_key(key, down);
  s.p.pump_events();
}
void wheel(Screen& s, int steps) {
  s.p.post_wheel(steps);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
}
// Presses one key for one end_of_frame_input, which handles the page keys.
void page_key(Screen& s, int key) {
  hold(s, key, true);
  end_of_frame_input(s.app);
  hold(s, key, false);
}

TEST(Scrolling, HeldDownMovesSixPixelsAFrameAndUpGoesBackToTheTop) {
  Screen s;
  s.page_of(100);
  hold(s, kKeyDown, true);
  // Hand-worked: offset 0 -6 -> line 1 / 6; 0 -> line 2 / 12; 6; 0 -> line 3 / 12.
  const int top[] = {1, 2, 2, 3}, offset[] = {6, 12, 6, 12};
  for (int f = 0; f < 4; ++f) {
    keyboard_and_wheel_scrolling(s.app);
    EXPECT_EQ(s.app.grid.top_line, top[f]) << f;
    EXPECT_EQ(s.app.grid.scroll_offset, offset[f]) << f;
  }
  // Both held: Down first (12 -> 6), then Up (6 -> 12: line 2, offset 0).
  // The other order would end at line 3, offset 12.
  hold(s, kKeyUp, true);
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 2);
  EXPECT_EQ(s.app.grid.scroll_offset, 0);
  hold(s, kKeyDown, false);
  for (int f = 0; f < 20; ++f) keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 0);
  EXPECT_EQ(s.app.grid.scroll_offset, 0);  // Up stops acting at line 0
}

TEST(Scrolling, PageKeysActOncePerPressAndKeepWithinThePage) {
  Screen s;
  s.page_of(100);  // last top line 67
  const std::pair<int, int> steps[] = {{kKeyPageDown, 33}, {kKeyPageDown, 66}, {kKeyPageDown, 67},
                                       {kKeyPageUp, 34},   {kKeyPageUp, 1},     {kKeyPageUp, 0},
                                       {kKeyEnd, 67},      {kKeyHome, 0}};
  for (auto [key, want] : steps) {
    page_key(s, key);
    EXPECT_EQ(s.app.grid.top_line, want) << key;
  }
  hold(s, kKeyPageDown, true);
  for (int f = 0; f < 5; ++f) end_of_frame_input(s.app);
  EXPECT_EQ(s.app.grid.top_line, 33);
}

TEST(Scrolling, WheelMovesFourLinesAStepFromTheFirstFrame) {
  Screen s;
  s.page_of(100);
  wheel(s, -3);  // turned before the first frame: wheel_now starts at 0
  EXPECT_EQ(s.app.grid.top_line, 12);
  keyboard_and_wheel_scrolling(s.app);  // no movement since
  EXPECT_EQ(s.app.grid.top_line, 12);
  wheel(s, -30);
  EXPECT_EQ(s.app.grid.top_line, 67);
  wheel(s, 2);  // away from the reader scrolls up
  EXPECT_EQ(s.app.grid.top_line, 59);
  wheel(s, 100);
  EXPECT_EQ(s.app.grid.top_line, 0);
}

TEST(Scrolling, PagesOf33LinesOrFewerDoNotMove) {
  Screen s;
  s.page_of(33);
  hold(s, kKeyDown, true);
  keyboard_and_wheel_scrolling(s.app);
  hold(s, kKeyDown, false);
  wheel(s, -3);
  page_key(s, kKeyPageDown);
  page_key(s, kKeyEnd);
  EXPECT_EQ(s.app.grid.top_line, 0);
  EXPECT_EQ(s.app.grid.scroll_offset, 0);
}

TEST(ScrollBar, DragRoundsHalfToEvenAndKeepsWithinThePage) {
  Screen s;
  s.page_of(43);  // (y - 200) * 11 / 352 = (y - 200) / 32
  const std::pair<int, int> drags[] = {{216, 0}, {248, 2}, {280, 2}, {560, 10}};  // 0.5, 1.5, 2.5, 11.25
  for (auto [y, want] : drags) {
    s.pointer(780, y, 1);
    handle_scrollbar(s.app);
    EXPECT_EQ(s.app.grid.top_line, want) << y;
  }
}

TEST(ScrollBar, DragIgnoresTheLatchAndGoesOnOutsideUntilReleased) {
  Screen s;
  s.page_of(100);
  s.app.input.click_latch = 1;
  s.pointer(780, 376, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 34);  // 176 * 68 / 352
  EXPECT_EQ(s.app.input.pointer_look, 1);
  s.pointer(100, 150, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 0);
  EXPECT_EQ(s.app.input.scrollbar_glow, 10);
  s.pointer(100, 150, 0);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_drag, 0);
  EXPECT_EQ(s.app.input.scrollbar_glow, 5);
}

TEST(ScrollBar, HoverIsHotAndGlowsUpTo125WithTheBarShiftedForCarbon) {
  Screen s;
  s.page_of(100);
  s.pointer(780, 300);
  for (int f = 0; f < 30; ++f) handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.pointer_look, 2);
  EXPECT_EQ(s.app.input.scrollbar_glow, 125);
  s.pointer(775, 300);  // the left edge is outside
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_glow, 120);
  s.app.nav.skin = 2;  // 'Carbon': 780 < x < 796
  s.pointer(795, 300);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_glow, 125);
}

TEST(Pointer, ImagesFromTheShapeDrawnOnlyWhereOpaqueAndOnScreen) {
  Screen s;
  const auto& img = s.app.input.pointer_images;
  // Digits 1, 2, 3, 4 at (0,0), (1,1), (2,1), (1,2) in both looks.
  EXPECT_EQ(img[1][0][0], 0x111133u);
  EXPECT_EQ(img[1][1][1], 0x8888AAu);
  EXPECT_EQ(img[1][1][2], 0xCCCCEEu);
  EXPECT_EQ(img[1][2][1], 0x555577u);
  EXPECT_EQ(img[2][0][0], 0x221100u);
  EXPECT_EQ(img[2][1][1], 0xDDBB77u);
  EXPECT_EQ(img[2][1][2], 0xFFEEAAu);
  EXPECT_EQ(img[2][2][1], 0x995522u);
  int opaque = 0;
  for (auto& row : img[1])
    for (uint32_t v : row) opaque += v != 0;
  EXPECT_EQ(opaque, 9 + 8 + 7 + 8 + 9 + 10 + 11 + 9 + 6 + 3 + 1);

  s.app.fb.clear(0x123456);
  for (auto [x, y] : {std::pair{792, 50}, {0, 50}, {50, 592}, {50, 0}}) draw_pointer(s.app, x, y);
  for (uint32_t v : s.app.fb.px) ASSERT_EQ(v, 0x123456u);
  s.app.input.pointer_look = 2;
  draw_pointer(s.app, 789, 589);  // the furthest position: the image stays on screen
  EXPECT_EQ(s.px(789, 589), 0x221100u);
  EXPECT_EQ(s.px(799, 595), 0x221100u);  // row 6, column 10
  EXPECT_EQ(s.px(798, 599), 0x123456u);  // row 10, column 9 is transparent
}

TEST(MouseSampling, PositionIsClampedAndTheLatchClearsOnlyAfterRelease) {
  Screen s;
  s.p.post_mouse_move(0, 0);
  s.p.post_button(true);
  s.p.pump_events();
  end_of_frame_input(s.app);
  EXPECT_EQ(s.app.input.mouse_x, 1);
  EXPECT_EQ(s.app.input.mouse_y, 1);
  EXPECT_TRUE(s.app.input.click());
  s.app.input.click_latch = 1;
  s.p.post_mouse_move(799, 599);
  s.p.pump_events();
  end_of_frame_input(s.app);
  EXPECT_EQ(s.app.input.mouse_x, 789);
  EXPECT_EQ(s.app.input.mouse_y, 589);
  EXPECT_FALSE(s.app.input.click());  // still held
  s.p.post_button(false);
  s.p.pump_events();
  end_of_frame_input(s.app);
  EXPECT_EQ(s.app.input.click_latch, 0);
}

}  // namespace
}  // namespace zel
