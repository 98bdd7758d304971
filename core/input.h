// Input of the main screen: key polling, the mouse as sampled once per frame,
// buttons, the centre menu, the scroll bar and the pointer.
// Called by the main loop (core/app.cpp) in this order within a frame:
// keyboard_and_wheel_scrolling, handle_buttons, handle_menu_click, (drawing),
// handle_scrollbar, draw_pointer, (present), end_of_frame_input.
// Main thread only; the mouse values change only in end_of_frame_input.
// Units: FrameBuffer pixels; glow levels 0..125.
#pragma once

#include <cstdint>

namespace zel {

struct App;

struct ButtonRect {
  int x = 0, y = 0, w = 0, h = 0;
  // Strict on all four sides.
  bool contains(int px, int py) const { return x < px && px < x + w && y < py && py < y + h; }
};

struct InputState {
  int32_t mouse_x = 0;
  int32_t mouse_y = 0;
  int32_t mouse_button = 0;
  int32_t click_latch = 0;
  double wheel_prev = 0;
  double wheel_now = 0;
  int32_t scrollbar_drag = 0;
  int32_t scrollbar_glow = 0;
  int32_t pointer_look = 1;
  ButtonRect button_rects[2][11];  // [skin 1 / skin 2][button 1..10]
  int32_t button_glow[11] = {};    // ButtonGlow 1..10, 0..125
  uint32_t pointer_images[3][11][11] = {};  // PointerImages [look 1..2][row][column]; 0 = transparent

  bool click() const { return mouse_button != 0 && click_latch != 1; }
};

// The menu entry standing in a slot of the centre menu: column 0 left, 1
// right; row 1..5. 0 for the right row 5 (the menu switch) and out of range.
int menu_slot_entry(int current_menu, int column, int row);
// Rectangle of button k (1..10) for the current skin.
const ButtonRect& button_rect(const App& app, int k);

void build_pointer_images(InputState& input);
void init_buttons(InputState& input);
void keyboard_and_wheel_scrolling(App& app);
void handle_buttons(App& app);
void handle_menu_click(App& app);
void handle_scrollbar(App& app);
void draw_pointer(App& app, int x, int y);
void end_of_frame_input(App& app);

}  // namespace zel
