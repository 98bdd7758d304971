// Menus, buttons, ticker and scroll thumb of the main screen, drawn every
// frame after the backdrop. Main thread only.
#pragma once

namespace zel {

struct App;

// Per-frame animation state of the widgets.
struct WidgetState {
  int ticker_pixel = 0;  // sub-character offset of the ticker, 0..8
};

void draw_buttons(App& app);
void draw_centre_menu(App& app);
void draw_ticker(App& app);
void draw_scroll_thumb(App& app);

}  // namespace zel
