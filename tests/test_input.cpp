// Keys, wheel, scroll bar, pointer and mouse sampling of the main screen.
#include <gtest/gtest.h>

#include "core/input.h"
#include "tests/screen_fixture.h"

namespace zel {
namespace {

using testing::Screen;

// One frame of keyboard scrolling with `keys` held (they are released after it).
void scroll_frame(Screen& s, std::initializer_list<int> keys) {
  for (int k : keys) s.p.post_key(k, true);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  for (int k : keys) s.p.post_key(k, false);
  s.p.pump_events();
}

// Presses one key and runs end_of_frame_input, which handles the page keys.
void page_key(Screen& s, int key) {
  s.p.post_key(key, true);
  s.p.pump_events();
  end_of_frame_input(s.app);
  s.p.post_key(key, false);
  s.p.pump_events();
}

TEST(SmoothScrolling, HeldDownMovesSixPixelsAndALineEverySecondFrame) {
  Screen s;
  s.page_of(100);
  s.p.post_key(kKeyDown, true);
  s.p.pump_events();
  // Hand-worked: offset 0 -6 -> line 1 / 6; 0 -> line 2 / 12; 6; 0 -> line 3 / 12; 6.
  const int want_top[] = {1, 2, 2, 3, 3, 4};
  const int want_offset[] = {6, 12, 6, 12, 6, 12};
  for (int f = 0; f < 6; ++f) {
    keyboard_and_wheel_scrolling(s.app);
    EXPECT_EQ(s.app.grid.top_line, want_top[f]) << "frame " << f;
    EXPECT_EQ(s.app.grid.scroll_offset, want_offset[f]) << "frame " << f;
  }
}

TEST(SmoothScrolling, UpMirrorsDownAndStopsAtTheTop) {
  Screen s;
  s.page_of(100);
  s.app.grid.top_line = 2;
  s.app.grid.scroll_offset = 0;
  s.p.post_key(kKeyUp, true);
  s.p.pump_events();
  const int want_top[] = {2, 1, 1, 0, 0};
  const int want_offset[] = {6, 0, 6, 0, 0};  // at line 0 Up no longer acts
  for (int f = 0; f < 5; ++f) {
    keyboard_and_wheel_scrolling(s.app);
    EXPECT_EQ(s.app.grid.top_line, want_top[f]) << "frame " << f;
    EXPECT_EQ(s.app.grid.scroll_offset, want_offset[f]) << "frame " << f;
  }
}

TEST(SmoothScrolling, DownIsAppliedBeforeUpInTheSameFrame) {
  Screen s;
  s.page_of(100);
  scroll_frame(s, {kKeyDown, kKeyUp});
  // Down: offset -6 -> line 1, offset 6; then Up: offset 12 -> line 0, offset 0.
  EXPECT_EQ(s.app.grid.top_line, 0);
  EXPECT_EQ(s.app.grid.scroll_offset, 0);
}

TEST(SmoothScrolling, ShortPageDoesNotScroll) {
  Screen s;
  s.page_of(33);
  scroll_frame(s, {kKeyDown});
  scroll_frame(s, {kKeyUp});
  EXPECT_EQ(s.app.grid.top_line, 0);
  EXPECT_EQ(s.app.grid.scroll_offset, 0);
}

TEST(PageKeys, PageDownEndHomePageUpKeepWithinThePage) {
  Screen s;
  s.page_of(100);  // last top line 67
  page_key(s, kKeyPageDown);
  EXPECT_EQ(s.app.grid.top_line, 33);
  page_key(s, kKeyPageDown);
  EXPECT_EQ(s.app.grid.top_line, 66);
  page_key(s, kKeyPageDown);
  EXPECT_EQ(s.app.grid.top_line, 67);
  page_key(s, kKeyPageUp);
  EXPECT_EQ(s.app.grid.top_line, 34);
  page_key(s, kKeyPageUp);
  EXPECT_EQ(s.app.grid.top_line, 1);
  page_key(s, kKeyPageUp);
  EXPECT_EQ(s.app.grid.top_line, 0);
  page_key(s, kKeyEnd);
  EXPECT_EQ(s.app.grid.top_line, 67);
  page_key(s, kKeyHome);
  EXPECT_EQ(s.app.grid.top_line, 0);
}

TEST(PageKeys, HeldKeyActsOnceAndShortPagesStayAtTheTop) {
  Screen s;
  s.page_of(100);
  s.p.post_key(kKeyPageDown, true);
  s.p.pump_events();
  for (int f = 0; f < 5; ++f) end_of_frame_input(s.app);
  EXPECT_EQ(s.app.grid.top_line, 33);

  Screen t;
  t.page_of(33);
  page_key(t, kKeyPageDown);
  page_key(t, kKeyEnd);
  EXPECT_EQ(t.app.grid.top_line, 0);
}

TEST(Wheel, OneStepIsFourLinesAndTurningAwayScrollsUp) {
  Screen s;
  s.page_of(100);
  s.p.post_wheel(-1);  // towards the reader
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 4);
  keyboard_and_wheel_scrolling(s.app);  // no movement since the last frame
  EXPECT_EQ(s.app.grid.top_line, 4);
  s.p.post_wheel(-30);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 67);
  s.p.post_wheel(2);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 59);
  s.p.post_wheel(100);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 0);
}

TEST(Wheel, StepsTurnedBeforeTheFirstFrameAreAllApplied) {
  Screen s;  // wheel_now starts at 0 while the display's counter has moved
  s.page_of(100);
  s.p.post_wheel(-3);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 12);
}

TEST(Wheel, ShortPageIgnoresTheWheelButRemembersTheCounter) {
  Screen s;
  s.page_of(20);
  s.p.post_wheel(-3);
  s.p.pump_events();
  keyboard_and_wheel_scrolling(s.app);
  EXPECT_EQ(s.app.grid.top_line, 0);
  EXPECT_EQ(s.app.input.wheel_now, -3.0);
}

TEST(ScrollBar, DragRoundsHalfToEvenAndKeepsWithinThePage) {
  Screen s;
  s.page_of(43);  // (y - 200) * 11 / 352 = (y - 200) / 32
  s.pointer(780, 216, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 0);  // 0.5 -> 0
  s.pointer(780, 248, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 2);  // 1.5 -> 2
  s.pointer(780, 280, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 2);  // 2.5 -> 2
  s.pointer(780, 560, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 10);  // 11.25 -> 11, kept at 43 - 33
}

TEST(ScrollBar, DragGoesOnOutsideTheBarUntilReleasedAndIgnoresTheLatch) {
  Screen s;
  s.page_of(100);
  s.app.input.click_latch = 1;  // a click used elsewhere does not matter
  s.pointer(780, 376, 1);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_drag, 1);
  EXPECT_EQ(s.app.grid.top_line, 34);  // 176 * 68 / 352
  EXPECT_EQ(s.app.input.pointer_look, 1);
  s.pointer(100, 150, 1);  // far outside, still held
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.grid.top_line, 0);  // (150 - 200) * 68 / 352 < 0
  s.pointer(100, 150, 0);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_drag, 0);
}

TEST(ScrollBar, HoverSetsTheHotPointerAndGlowRisesAndFallsByFive) {
  Screen s;
  s.page_of(100);
  s.pointer(780, 300);
  for (int f = 0; f < 30; ++f) handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.pointer_look, 2);
  EXPECT_EQ(s.app.input.scrollbar_glow, 125);
  s.pointer(775, 300);  // the left edge is outside (strict)
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_glow, 120);
  // 'Carbon' moves the bar five pixels to the right.
  s.app.nav.skin = 2;
  s.pointer(795, 300);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_glow, 125);
  s.pointer(780, 300);
  handle_scrollbar(s.app);
  EXPECT_EQ(s.app.input.scrollbar_glow, 120);
}

TEST(Pointer, ImagesComeFromTheShapeAndItsTwoPalettes) {
  Screen s;
  const auto& img = s.app.input.pointer_images;
  EXPECT_EQ(img[1][0][0], 0x111133u);  // digit 1
  EXPECT_EQ(img[1][1][1], 0x8888AAu);  // digit 2
  EXPECT_EQ(img[1][1][2], 0xCCCCEEu);  // digit 3
  EXPECT_EQ(img[1][2][1], 0x555577u);  // digit 4
  EXPECT_EQ(img[2][0][0], 0x221100u);
  EXPECT_EQ(img[2][1][1], 0xDDBB77u);
  EXPECT_EQ(img[2][1][2], 0xFFEEAAu);
  EXPECT_EQ(img[2][2][1], 0x995522u);
  EXPECT_EQ(img[1][0][9], 0u);
  EXPECT_EQ(img[2][10][6], 0x221100u);
  EXPECT_EQ(img[2][10][7], 0u);
  int opaque = 0;
  for (auto& row : img[1])
    for (uint32_t v : row) opaque += v != 0;
  EXPECT_EQ(opaque, 9 + 8 + 7 + 8 + 9 + 10 + 11 + 9 + 6 + 3 + 1);
}

TEST(Pointer, DrawsOpaquePixelsOnlyAndOnlyInsideItsBounds) {
  Screen s;
  s.app.fb.clear(0x123456);
  s.app.input.pointer_look = 2;
  draw_pointer(s.app, 100, 50);
  EXPECT_EQ(s.px(100, 50), 0x221100u);
  EXPECT_EQ(s.px(101, 51), 0xDDBB77u);
  EXPECT_EQ(s.px(109, 50), 0x123456u);  // transparent
  EXPECT_EQ(s.px(111, 56), 0x123456u);  // outside the image

  Screen t;
  t.app.fb.clear(0x123456);
  draw_pointer(t.app, 792, 50);
  draw_pointer(t.app, 0, 50);
  draw_pointer(t.app, 50, 592);
  for (uint32_t v : t.app.fb.px) ASSERT_EQ(v, 0x123456u);
  draw_pointer(t.app, 789, 589);
  EXPECT_EQ(t.px(789, 589), 0x111133u);
  EXPECT_EQ(t.px(799, 595), 0x111133u);  // row 6, column 10: the whole image stays on screen
  EXPECT_EQ(t.px(795, 599), 0x111133u);  // row 10, column 6
  EXPECT_EQ(t.px(798, 599), 0x123456u);  // row 10, column 9 is transparent
}

TEST(MouseSampling, PositionIsClampedAndTheLatchClearsOnRelease) {
  Screen s;
  s.p.post_mouse_move(0, 0);
  s.p.post_button(true);
  s.p.pump_events();
  end_of_frame_input(s.app);
  EXPECT_EQ(s.app.input.mouse_x, 1);
  EXPECT_EQ(s.app.input.mouse_y, 1);
  EXPECT_EQ(s.app.input.mouse_button, 1);
  EXPECT_TRUE(s.app.input.click());

  s.app.input.click_latch = 1;
  s.p.post_mouse_move(799, 599);
  s.p.pump_events();
  end_of_frame_input(s.app);
  EXPECT_EQ(s.app.input.mouse_x, 789);
  EXPECT_EQ(s.app.input.mouse_y, 589);
  EXPECT_EQ(s.app.input.click_latch, 1);  // still held
  EXPECT_FALSE(s.app.input.click());

  s.p.post_button(false);
  s.p.pump_events();
  end_of_frame_input(s.app);
  EXPECT_EQ(s.app.input.click_latch, 0);
  EXPECT_EQ(s.app.input.mouse_button, 0);
}

}  // namespace
}  // namespace zel
