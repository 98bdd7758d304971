#include "render/glyph.h"

namespace zel {

void build_glyph_palette(TextFont& font) {
  font.atlas.assign(static_cast<size_t>(font.width) * static_cast<size_t>(font.height), 0);
  font.palette.assign(256 * 31, 0);
}
void draw_glyph_clipped(FrameBuffer&, const TextFont&, std::string_view, int, int, int, int, int, int, int, int) {}
void draw_glyph_opaque(FrameBuffer&, const TextFont&, std::string_view, int, int, int, int) {}
void draw_text_clipped(FrameBuffer&, const TextFont&, std::string_view, int, int, int, int, int, int, int, int) {}
void blend_rect(FrameBuffer&, int, int, int, int, int, int, int, int) {}
void draw_rule(FrameBuffer&, double, int, int, int, int) {}

}  // namespace zel
