// Menus, buttons, ticker and scroll thumb of the main screen, drawn every
// frame after the backdrop. Called by the main loop and redraw_main_screen in
// the order draw_buttons, draw_centre_menu, (page, visualiser), draw_ticker,
// draw_scroll_thumb. Main thread only. Units: FrameBuffer pixels; glow and
// alpha values 0..125.
//
// draw_buttons and draw_centre_menu also report, through pointer_look,
// whether the pointer is over something clickable.
#pragma once

namespace zel {

struct App;

// Per-frame animation state of the widgets (ButtonGlow lives with the input
// state beside ButtonRects).
struct WidgetState {
  double ticker_offset = 0;  // sub-character offset of the ticker in pixels
};

// Resets pointer_look, updates ButtonGlow and draws the ten button tints.
void draw_buttons(App& app);
// Title, menu entries, hover bars, selection tints and the two rainbow rules.
void draw_centre_menu(App& app);
// One frame of the status ticker; moves it one pixel.
void draw_ticker(App& app);
// The scroll thumb at the panel's right edge, when the page is longer than 33 lines.
void draw_scroll_thumb(App& app);

}  // namespace zel
