// Menus, buttons, ticker, scroll thumb and pointer of the main screen, drawn
// every frame after the backdrop. The core (core/frame.cpp) calls them in the
// order draw_buttons, draw_centre_menu, (page, visualiser), draw_ticker,
// draw_scroll_thumb, draw_pointer, and keeps everything they read: the glow
// levels, the pointer look and the ticker's position are updated there, not
// here. Main thread only. Units: FrameBuffer pixels; glow and alpha 0..125.
#pragma once

#include <cstdint>
#include <string_view>

#include "render/frame_buffer.h"
#include "render/glyph.h"

namespace zel {

// The ticker's sub-character offset in pixels; the core moves it one pixel a frame.
struct WidgetState {
  double ticker_offset = 0;
};

// The ten button tints: unlit buttons tinted by their glow (1..10 of
// `glow`), lit ones in the skin's lit colour.
void draw_buttons(FrameBuffer& fb, int skin, const int32_t (&lit)[11], const int32_t (&glow)[11]);
// Title, menu entries, hover bars, selection tints (MenuSelected 1..21) and
// the two rainbow rules. Bars under the pointer brighten only while
// `hover_allowed` (no click is latched).
void draw_centre_menu(FrameBuffer& fb, const TextFont& font, int current_menu, const int32_t (&menu_selected)[22],
                      int mouse_x, int mouse_y, bool hover_allowed, double anim_clock);
// 58 characters of `line` from `ticker_pos` (1-based), shifted left by the
// whole pixels of `offset`.
void draw_ticker(FrameBuffer& fb, const TextFont& font, std::string_view line, int ticker_pos, double offset,
                 int skin);
// The scroll thumb at the panel's right edge, when the page is longer than 33 lines.
void draw_scroll_thumb(FrameBuffer& fb, int skin, int page_length, int top_line, int scrollbar_glow);
// An 11 x 11 pointer image with its hot spot at (x, y); value 0 is
// transparent. Drawn only for 0 < x < 792 and 0 < y < 592.
void draw_pointer(FrameBuffer& fb, const uint32_t (&image)[11][11], int x, int y);

}  // namespace zel
