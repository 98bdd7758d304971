// Input of the main screen: key polling, the mouse as sampled once per frame,
// buttons, the centre menu, the scroll bar and the pointer.
// Called by the main loop (core/app.cpp) in this order within a frame:
// keyboard_and_wheel_scrolling, handle_buttons, handle_menu_click, (drawing),
// handle_scrollbar, (pointer), (present), end_of_frame_input.
// Main thread only; the mouse values change only in end_of_frame_input.
// Units: FrameBuffer pixels; glow levels 0..125.
#pragma once

#include <cstdint>

#include "render/layout.h"

namespace zel {

struct App;

// pointer_look values: the image drawn for the pointer.
constexpr int32_t kLookNormal = 1;
constexpr int32_t kLookHot = 2;

struct InputState {
  int32_t mouse_x = 0;
  int32_t mouse_y = 0;
  int32_t mouse_button = 0;
  int32_t click_latch = 0;
  double wheel_prev = 0;
  double wheel_now = 0;
  int32_t scrollbar_drag = 0;
  int32_t scrollbar_glow = 0;
  int32_t pointer_look = kLookNormal;
  int32_t button_glow[kButtonCount + 1] = {};  // ButtonGlow 1..10, 0..125
  uint32_t pointer_images[3][11][11] = {};     // PointerImages [look 1..2][row][column]; 0 = transparent

  bool click() const { return mouse_button != 0 && click_latch != 1; }
  // The pointer image of the current look.
  const uint32_t (&pointer_image() const)[11][11] { return pointer_images[pointer_look == kLookHot ? 2 : 1]; }
};

void build_pointer_images(InputState& input);
// ButtonGlow of every button to 0 (ButtonRects are constant, render/layout.h).
void init_buttons(InputState& input);
void keyboard_and_wheel_scrolling(App& app);
void handle_buttons(App& app);
void handle_menu_click(App& app);
void handle_scrollbar(App& app);
void end_of_frame_input(App& app);

}  // namespace zel
