// The intro screen: blue gradient, raster bars, a three-layer star field,
// nine title lines and a sine-wave scroller in the 32x32 big font with a
// fading mirror image. The intro loop (core/app.cpp) calls, per frame:
// draw_raster_bars, update_intro_tables, draw_starfield, draw_intro_lines,
// draw_scroller, then presents and calls clear_intro_background for the
// next frame. load_big_font and init_starfield run once before the intro.
// Main thread only. Units: FrameBuffer pixels; motion is scaled by
// intro_frame_scale (1/250 s) and intro_phase (1/50 s) of the App's Timing.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace zel {

struct App;
struct FrameBuffer;

struct IntroState {
  static constexpr int kFontW = 1888, kFontH = 32;
  static constexpr int kStars = 300;

  // BigFont widened: palette indices and 0x00RRGGBB palette; a pixel is ink
  // when its palette colour is not black.
  std::vector<int32_t> font;  // kFontW * kFontH
  uint32_t font_palette[256] = {};

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
void load_big_font(App& app);
// The linked BigFont bytes: 1888 x 32 indices then 768 palette bytes.
std::basic_string_view<unsigned char> big_font_bytes();
// Column of the glyph of character c (upper-cased), or -1 when it has none.
int big_font_column(unsigned char c);
bool big_font_ink(const IntroState& intro, int x, int y);

void init_starfield(App& app);
void clear_intro_background(App& app);
void draw_raster_bars(App& app);
void update_intro_tables(App& app);
void draw_starfield(App& app);
void draw_intro_lines(App& app);
void draw_scroller(App& app);
// One title line centred on column 400 at top row y.
void draw_intro_line(App& app, std::string_view line, int y);
// Moves the scroller and draws it from `text` (draw_scroller uses ScrollerText).
void draw_scroller_text(App& app, std::string_view text);
// One title glyph (font column `col`) with its top-left at (x, y).
void draw_title_glyph(App& app, int col, int x, int y);
// One scroller glyph (font column `col`) starting at screen column x.
void draw_scroller_glyph(App& app, int col, int x);

}  // namespace zel
