// Keys, wheel, scroll bar, pointer and mouse sampling of the main screen.

#include "core/input.h"
#include "render/widgets.h"
#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

void hold(Screen& s, int key, bool down) {
  s.p.post_key(key, down);
  s.p.pump_events();
}
// One frame of key and wheel scrolling: the top line and the pixel offset after it.
std::pair<int, int> scroll(Screen& s) {
  read_frame_keys(s.app);
  keyboard_and_wheel_scrolling(s.app);
  return {s.app.grid.top_line, s.app.grid.scroll_offset};
}
// Turns the wheel, runs one frame of scrolling and returns the top line.
int wheel(Screen& s, int steps) {
  s.p.post_wheel(steps);
  s.p.pump_events();
  return scroll(s).first;
}
// Presses one key for one end_of_frame_input, which handles the page keys.
int page_key(Screen& s, int key) {
  hold(s, key, true);
  end_of_frame_input(s.app);
  hold(s, key, false);
  return s.app.grid.top_line;
}

TEST(Scrolling, HeldDownMovesSixPixelsAFrameAndUpGoesBackToTheTop) {
  Screen s;
  s.page_of(100);
  hold(s, kKeyDown, true);
  // Hand-worked: offset 0 -6 -> line 1 / 6; 0 -> line 2 / 12; 6; 0 -> line 3 / 12.
  for (auto want : {std::pair{1, 6}, {2, 12}, {2, 6}, {3, 12}}) EXPECT_EQ(scroll(s), want);
  // Both held: Down first (12 -> 6), then Up (6 -> 12: line 2, offset 0).
  // The other order would end at line 3, offset 12.
  hold(s, kKeyUp, true);
  EXPECT_EQ(scroll(s), std::pair(2, 0));
  hold(s, kKeyDown, false);
  for (int f = 0; f < 19; ++f) scroll(s);
  EXPECT_EQ(scroll(s), std::pair(0, 0));  // Up stops acting at line 0
}

TEST(Scrolling, PageKeysAndWheelKeepWithinThePage) {
  Screen s;
  s.page_of(100);  // last top line 67
  const std::pair<int, int> steps[] = {{kKeyPageDown, 33}, {kKeyPageDown, 66}, {kKeyPageDown, 67}, {kKeyPageUp, 34},
                                       {kKeyPageUp, 1},    {kKeyPageUp, 0},     {kKeyEnd, 67},      {kKeyHome, 0}};
  for (auto [key, want] : steps) EXPECT_EQ(page_key(s, key), want) << key;
  hold(s, kKeyPageDown, true);  // held: acts once per press
  for (int f = 0; f < 5; ++f) end_of_frame_input(s.app);
  EXPECT_EQ(s.app.grid.top_line, 33);

  Screen w;
  w.page_of(100);
  // Turned before the first frame (wheel_now starts at 0), then no movement;
  // four lines a step, and away from the reader scrolls up.
  for (auto [steps, want] : {std::pair{-3, 12}, {0, 12}, {-30, 67}, {2, 59}, {100, 0}})
    EXPECT_EQ(wheel(w, steps), want) << steps;
  // Pages of 33 lines or fewer do not move.
  Screen t;
  t.page_of(33);
  hold(t, kKeyDown, true);
  EXPECT_EQ(scroll(t), std::pair(0, 0));
  hold(t, kKeyDown, false);
  EXPECT_EQ(wheel(t, -3), 0);
  EXPECT_EQ(page_key(t, kKeyPageDown) + page_key(t, kKeyEnd), 0);
  EXPECT_EQ(t.app.grid.scroll_offset, 0);
}

TEST(ScrollBar, DragRoundsHalfToEvenIgnoresTheLatchAndGoesOnOutsideUntilReleased) {
  Screen s, t;
  auto drag = [](Screen& s, int x, int y, int button = 1) {
    s.pointer(x, y, button);
    handle_scrollbar(s.app);
    return s.app.grid.top_line;
  };
  s.page_of(43);  // (y - 200) * 11 / 352 = (y - 200) / 32
  for (auto [y, want] : {std::pair{216, 0}, {248, 2}, {280, 2}, {560, 10}})  // 0.5, 1.5, 2.5, 11.25
    EXPECT_EQ(drag(s, 780, y), want) << y;
  t.page_of(100);
  t.app.input.click_latch = 1;
  EXPECT_EQ(drag(t, 780, 376), 34);  // 176 * 68 / 352
  EXPECT_EQ(t.app.input.pointer_look, 1);
  EXPECT_EQ(drag(t, 100, 150), 0);
  EXPECT_EQ(t.app.input.scrollbar_glow, 10);
  drag(t, 100, 150, 0);
  EXPECT_EQ(std::pair(t.app.input.scrollbar_drag, t.app.input.scrollbar_glow), std::pair(0, 5));
}

TEST(ScrollBar, HoverIsHotAndGlowsUpTo125WithTheBarShiftedForCarbon) {
  Screen s;
  s.page_of(100);
  auto glow_at = [&](int x, int frames) {
    s.pointer(x, 300);
    for (int f = 0; f < frames; ++f) handle_scrollbar(s.app);
    return s.app.input.scrollbar_glow;
  };
  EXPECT_EQ(glow_at(780, 30), 125);
  EXPECT_EQ(s.app.input.pointer_look, 2);
  EXPECT_EQ(glow_at(775, 1), 120);  // the left edge is outside
  s.app.nav.skin = 2;               // 'Carbon': 780 < x < 796
  EXPECT_EQ(glow_at(795, 1), 125);
}

TEST(Pointer, ImagesFromTheShapeDrawnOnlyWhereOpaqueAndOnScreen) {
  Screen s;
  const auto& img = s.app.input.pointer_images;
  // Digits 1, 2, 3, 4 at (0,0), (1,1), (2,1), (1,2) in both looks.
  const std::array<uint32_t, 4> want[3] = {{}, {0x111133, 0x8888AA, 0xCCCCEE, 0x555577},
                                           {0x221100, 0xDDBB77, 0xFFEEAA, 0x995522}};
  for (int look : {1, 2})
    EXPECT_EQ((std::array{img[look][0][0], img[look][1][1], img[look][1][2], img[look][2][1]}), want[look]) << look;
  int opaque = 0;
  for (auto& row : img[1])
    for (uint32_t v : row) opaque += v != 0;
  EXPECT_EQ(opaque, 9 + 8 + 7 + 8 + 9 + 10 + 11 + 9 + 6 + 3 + 1);

  s.app.fb.clear(0x123456);
  for (auto [x, y] : {std::pair{792, 50}, {0, 50}, {50, 592}, {50, 0}}) draw_pointer(s.app.fb, img[1], x, y);
  EXPECT_TRUE(all_are(s.app.fb, 0x123456));
  s.app.input.pointer_look = kLookHot;
  draw_pointer(s.app.fb, s.app.input.pointer_image(), 789, 589);  // the furthest position: the image stays on screen
  // Row 6, column 10 is drawn; row 10, column 9 is transparent.
  expect_pixels(s.app.fb, {{789, 589, 0x221100}, {799, 595, 0x221100}, {798, 599, 0x123456}});
}

TEST(MouseSampling, PositionIsClampedAndTheLatchClearsOnlyAfterRelease) {
  Screen s;
  auto sample = [&](int x, int y, int button) {
    if (x >= 0) s.p.post_mouse_move(x, y);
    if (button >= 0) s.p.post_button(button == 1);
    s.p.pump_events();
    end_of_frame_input(s.app);
    return std::pair(s.app.input.mouse_x, s.app.input.mouse_y);
  };
  EXPECT_EQ(sample(0, 0, 1), std::pair(1, 1));
  EXPECT_TRUE(s.app.input.click());
  s.app.input.click_latch = 1;
  EXPECT_EQ(sample(799, 599, -1), std::pair(789, 589));
  EXPECT_FALSE(s.app.input.click());  // still held
  sample(-1, -1, 0);
  EXPECT_EQ(s.app.input.click_latch, 0);
}

}  // namespace
}  // namespace zel
