// The display layer's recorded state and message handling, shared by the SDL2
// and headless backends so that both treat mouse, wheel, activation, close
// requests and the Escape key the same way. Main thread only.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zel {

struct DisplayState {
  int ask = 0;
  std::string prompt = "Fullscreen Mode ?";
  int windowed = 1;
  int borderless = 0;
  int close_allowed = 1;
  int active = 0;
  int width = 0;
  int height = 0;
  int mouse_x = 0;
  int mouse_y = 0;
  int left_button = 0;
  int32_t wheel = 0;
  bool open = false;
  // A close request raises quit_requested where closing is allowed, and the
  // window's close button also where quit_on_close is on (a window the
  // reader chose to have); the program then ends through its own shutdown.
  bool quit_on_close = false;
  bool quit_requested = false;

  void configure(int ask_flag, std::string_view prompt_text, int windowed_flag, int borderless_flag) {
    ask = ask_flag;
    borderless = borderless_flag;
    prompt = prompt_text.empty() ? std::string("Fullscreen Mode ?") : std::string(prompt_text);
    if (ask == 0) windowed = windowed_flag;
  }

  // Mouse positions arrive as unsigned 16-bit client coordinates.
  void on_mouse_move(int x, int y) {
    mouse_x = x & 0xFFFF;
    mouse_y = y & 0xFFFF;
  }
  // A press released within the same pump keeps left_button at 1 until the
  // next pump begins, so that a click shorter than a frame (a touchpad or
  // touch-screen tap) is sampled down for exactly one frame and up in the
  // next. Presses held across pumps are reported as they happen.
  void begin_pump() {
    if (release_due_) left_button = 0;
    release_due_ = false;
    pressed_in_pump_ = false;
  }
  void on_left_button(bool down) {
    if (down) {
      left_button = 1;
      pressed_in_pump_ = true;
      release_due_ = false;
    } else if (pressed_in_pump_) {
      release_due_ = true;
    } else {
      left_button = 0;
    }
  }
  // A delta of exactly 0 counts as a forward step.
  void on_wheel(int delta) {
    if (delta >= 0)
      wheel += 1;
    else
      wheel -= 1;
  }
  void on_activate(bool is_active) { active = is_active ? 1 : 0; }
  // A close request, or Escape going down.
  void on_close_request() {
    if (close_allowed != 0) quit_requested = true;
  }
  // The window's close button. (Escape never counts as one: the program
  // reads Escape itself.)
  void on_window_close() {
    if (close_allowed != 0 || quit_on_close) quit_requested = true;
  }

 private:
  bool pressed_in_pump_ = false;  // the button went down since the pump began
  bool release_due_ = false;      // and came up again: up at the next pump
};

}  // namespace zel
