#include "render/widgets.h"

#include "core/app.h"

namespace zel {

void draw_buttons(App& app) { app.input.pointer_look = 1; }
void draw_centre_menu(App&) {}
void draw_ticker(App&) {}
void draw_scroll_thumb(App&) {}

}  // namespace zel
