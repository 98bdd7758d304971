// Text font and drawing primitives: the 9x12 glyph font in two faces, its
// colour table, and the translucent rectangle and rule primitives.
// Main thread only. Every primitive clips to the FrameBuffer.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "render/frame_buffer.h"

namespace zel {

// The font working array (FontAtlas widened to 32 bits) and GlyphPalette.
struct TextFont {
  int width = 2048;
  int height = 28;
  std::vector<int32_t> atlas;     // width * height shade numbers
  std::vector<uint32_t> palette;  // 256 * 31 colours, entry (s, c) at s * 31 + c
};

void build_glyph_palette(TextFont& font);
void draw_glyph_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                        int xmax, int ymin, int ymax, int face, int colour);
void draw_glyph_opaque(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int face,
                       int colour);
void draw_text_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                       int xmax, int ymin, int ymax, int face, int colour);
void blend_rect(FrameBuffer& fb, int x, int y, int w, int h, int alpha, int r, int g, int b);
// anim_clock: the main loop's animation clock (1/250 s), drives style 8.
void draw_rule(FrameBuffer& fb, double anim_clock, int y, int x, int width, int style);

}  // namespace zel
