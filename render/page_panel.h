// The page panel: the 33 visible rows of the PageGrid with their rules, drawn
// every frame by the main loop (after the backdrop, buttons and centre menu)
// and by the full-screen redraws of the page wipes. Main thread only.
//
// Row i (0..32) shows line first + i with its top at 175 + scroll_offset +
// 12 i; cell k (0..80) starts at x = 23 + 9 k. Rows 1..30 of plain lines
// (rule style exactly "0") are painted opaque, everything else transparent
// inside the band y 193..569 ('Grunge') or 193..570 ('Carbon').
#pragma once

#include <string_view>

#include "content/page_grid.h"
#include "render/frame_buffer.h"
#include "render/glyph.h"

namespace zel {

// Draws the rules of the 33 visible rows, row 0 showing line `first`; the
// rainbow style follows `anim_clock`. The row of the end-marker line (line
// page_length) draws no rule.
void draw_page_rules(FrameBuffer& fb, const PageGrid& grid, int first, double anim_clock);
// Draws the characters of the 33 visible rows, row 0 showing line `first`.
void draw_page_text(FrameBuffer& fb, const TextFont& font, const PageGrid& grid, int first, int skin);

// A row's rule style string read as a number: leading numeric text (an
// optional sign, digits and a fraction), rounded to the nearest integer,
// ties to even; 0 when there is none. "08" is 8, "x" and "" are 0.
int page_rule_style(std::string_view rule);

}  // namespace zel
