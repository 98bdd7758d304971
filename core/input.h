// Input: the one place where the core reads the keyboard and the mouse, phase
// by phase, and the main screen's handlers of buttons, the centre menu, the
// scroll bar and the pointer.
//
// Main screen, in this order within a frame: read_frame_keys,
// keyboard_and_wheel_scrolling, handle_buttons, handle_menu_click, (drawing),
// handle_scrollbar, (pointer), (present), end_of_frame_input (the mouse for
// the next frame, then the page keys). Main thread only.
#pragma once

#include <cstdint>

#include "core/state.h"

namespace zel {

void build_pointer_images(InputState& input);
// ButtonGlow of every button to 0 (ButtonRects are constant, render/layout.h).
void init_buttons(InputState& input);

// ---- waiting for release and intro -----------------------------------------
// Escape is down or was pressed since the last poll, or the left button is held.
bool release_awaited(App& app);
// The intro's input of one frame, read before it is drawn: `leave` on a fresh
// Escape, a held left button or a quit; otherwise bit k of `tune_keys` for
// each F-key k (1..12) freshly pressed.
struct IntroInput {
  bool leave = false;
  uint16_t tune_keys = 0;
};
IntroInput read_intro_input(App& app);

// ---- main screen ------------------------------------------------------------
// Reads this frame's keys into app.input.keys; true on a fresh Escape (the
// main loop ends before anything else is read).
bool read_frame_keys(App& app);
void keyboard_and_wheel_scrolling(App& app);
void handle_buttons(App& app);
void handle_menu_click(App& app);
void handle_scrollbar(App& app);
void end_of_frame_input(App& app);

}  // namespace zel
