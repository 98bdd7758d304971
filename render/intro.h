// The intro screen: blue gradient, raster bars, a three-layer star field,
// nine title lines and a sine-wave scroller in the 32x32 big font with a
// fading mirror image. The intro loop (core/app.cpp) calls, per frame:
// draw_raster_bars, update_intro_tables, draw_starfield and move_starfield,
// draw_intro_lines, advance_scroller and draw_scroller, then presents and
// calls clear_intro_background for the next frame. load_big_font runs once
// at start-up. The intro's own animation state (effect tables, stars,
// scroller) lives in IntroState and changes only in the update functions;
// the draw functions read it. Main thread only. Units: FrameBuffer pixels;
// motion is scaled by intro_frame_scale (1/250 s) and intro_phase (1/50 s).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/frame_buffer.h"

namespace zel {

struct IntroState {
  static constexpr int kFontW = 1888, kFontH = 32;
  static constexpr int kGlyphSize = 32;  // big-font glyphs are 32 x 32, side by side from code 32
  static constexpr int kStars = 300;

  // BigFont widened: palette indices and 0x00RRGGBB palette; a pixel is ink
  // when its palette colour is not black.
  std::vector<int32_t> font;  // kFontW * kFontH
  uint32_t font_palette[256] = {};
  // The same ink by font column, for drawing: bit r of ink_columns[x] is set
  // when pixel (x, r) is ink. Filled by load_big_font with the font.
  uint32_t ink_columns[kFontW] = {};
  // And by row: bit x & 31 of ink_rows[y][x >> 5] (one spare zero word).
  uint32_t ink_rows[kFontH][kFontW / 32 + 1] = {};

  int scroller_wave[801] = {};       // ScrollerWave: top row of the scroller at column x
  int mirror_wave[801] = {};         // MirrorWave: top row of the mirror image at column x
  uint32_t title_colours[631] = {};  // TitleColours by screen row
  uint32_t scroller_colours[631] = {};
  uint32_t mirror_colours[631] = {};

  double star_x[kStars + 1] = {};  // Starfield 1..300
  double star_y[kStars + 1] = {};

  int scroller_pos = 1;             // character position in ScrollerText, from 1
  double scroller_offset = 0;       // pixel offset of the first character shown
  double scroller_pause_until = 0;  // clock time until which the scroller holds still
};

// Copies the linked BigFont and its palette into the IntroState.
void load_big_font(IntroState& intro);
// The linked BigFont bytes: 1888 x 32 indices then 768 palette bytes.
std::basic_string_view<unsigned char> big_font_bytes();
// Column of the glyph of character c (upper-cased), or -1 when it has none.
int big_font_column(unsigned char c);
bool big_font_ink(const IntroState& intro, int x, int y);

// Black, with the blue gradient in rows 1..50.
void clear_intro_background(FrameBuffer& fb);
void draw_raster_bars(FrameBuffer& fb, double intro_phase);
// Recomputes the waves and colour tables from intro_phase.
void update_intro_tables(IntroState& intro, double intro_phase);
// Every star where it stands now.
void draw_starfield(FrameBuffer& fb, const IntroState& intro);
// Moves the stars by their layer's speed x intro_frame_scale, wrapping past column 800.
void move_starfield(IntroState& intro, double intro_frame_scale);
// The nine IntroLines.
void draw_intro_lines(FrameBuffer& fb, const IntroState& intro);
// One title line centred on column 400 at top row y.
void draw_intro_line(FrameBuffer& fb, const IntroState& intro, std::string_view line, int y);
// Moves the scroller over `text` by intro_frame_scale (at most 5 pixels)
// unless it is paused at `now`; a marker 'a' reaching the left edge pauses it 4 s.
void advance_scroller(IntroState& intro, std::string_view text, double intro_frame_scale, double now);
// Draws up to 28 characters of `text` from the scroller's position.
void draw_scroller(FrameBuffer& fb, const IntroState& intro, std::string_view text);
// One title glyph (font column `col`) with its top-left at (x, y).
void draw_title_glyph(FrameBuffer& fb, const IntroState& intro, int col, int x, int y);
// One scroller glyph (font column `col`) starting at screen column x.
void draw_scroller_glyph(FrameBuffer& fb, const IntroState& intro, int col, int x);

}  // namespace zel
