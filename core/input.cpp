#include "core/input.h"

#include "core/app.h"

namespace zel {

void build_pointer_images(InputState&) {}
void init_buttons(InputState&) {}
void keyboard_and_wheel_scrolling(App&) {}
void handle_buttons(App&) {}
void handle_menu_click(App&) {}
void handle_scrollbar(App&) {}
void draw_pointer(App&, int, int) {}
void end_of_frame_input(App& app) {
  Platform& p = app.platform;
  app.input.mouse_x = p.display_mouse_x();
  app.input.mouse_y = p.display_mouse_y();
  app.input.mouse_button = p.display_mouse_left();
}

}  // namespace zel
