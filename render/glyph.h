// Text font and drawing primitives: the 9x12 glyph font in two faces, its
// colour table (GlyphPalette), and the translucent rectangle and three-row
// rule used by the page panel, menus, buttons and ticker.
//
// Called on the main thread only. Coordinates are FrameBuffer pixels (x to
// the right, y down). Out-of-range faces, colours or character codes and
// empty strings draw nothing. Every primitive clips to the 800x600
// FrameBuffer; inside it, it writes exactly the pixels described below.
//
// Speed: a glyph is drawn from a ready-made image of its 9 x 12 pixels in one
// colour (built from the atlas and GlyphPalette the first time that face,
// character and colour are drawn, kept in the TextFont), so a glyph row is a
// copy of 36 bytes, or a masked copy where the row has gaps. Rainbow rules
// take their colours from one RainbowRow computed per frame.
#pragma once

#include <cstdint>
#include <deque>
#include <span>
#include <string_view>
#include <vector>

#include "render/frame_buffer.h"

namespace zel {

// Layout of the font image: 2048 x 28 shade bytes, face 1 in rows 0..11,
// face 2 in rows 14..25, code c in columns (c - 32) * 9 + 1 .. + 9.
constexpr int kFontAtlasW = 2048;
constexpr int kFontAtlasH = 28;
constexpr int kFontAtlasBytes = kFontAtlasW * kFontAtlasH;  // 57,344
constexpr int kFontShadeBytes = 256 * 3;                     // FontShadeColours, RGB per shade
constexpr int kGlyphW = 9;
constexpr int kGlyphH = 12;
constexpr int kFace2Row = 14;

// One glyph in one colour: its pixels (9 per row, padded to 12) and, per
// row, which of them carry ink (bit i for pixel i; shade 0 is no ink).
struct GlyphImage {
  uint32_t px[kGlyphH][12];
  uint16_t ink[kGlyphH];
};

// The font working array (FontAtlas widened to 32 bits) and GlyphPalette.
// atlas and palette are read-only once build_glyph_palette has filled them:
// the glyph images are made from them on first use and kept until
// build_glyph_palette runs again.
struct TextFont {
  int width = kFontAtlasW;
  int height = kFontAtlasH;
  std::vector<int32_t> atlas;  // width * height shade numbers
  // Entry (s, c) at s * 31 + c for shade s 0..255 and colour c 1..31. One
  // spare entry at the end, so that (255, 31) exists; entries with c = 31
  // are never written and stay black.
  std::vector<uint32_t> palette;

  // Glyph images made so far: glyph_index[glyph_key(code, face, colour)]
  // points to the image, nullptr before its first use. Filled while drawing
  // (hence mutable): a TextFont is not to be drawn with from two threads at
  // once. Images never move once made (a deque), so the pointers stay valid.
  mutable std::vector<const GlyphImage*> glyph_index;
  mutable std::deque<GlyphImage> glyph_images;

  static constexpr size_t kGlyphKeys = static_cast<size_t>(2) * 256 * 32;
  static constexpr size_t glyph_key(int code, int face, int colour) {
    return (static_cast<size_t>(face - 1) * 256 + static_cast<size_t>(code)) * 32 + static_cast<size_t>(colour);
  }

  uint32_t colour_of(int shade, int colour) const { return palette[static_cast<size_t>(shade) * 31 + colour]; }
};

// The embedded font as linked: FontAtlas (kFontAtlasBytes) then
// FontShadeColours (kFontShadeBytes).
std::span<const uint8_t> font_data();

// Fills the working atlas and GlyphPalette from the embedded FontAtlas and
// FontShadeColours. Call once at start-up, before any text is drawn.
void build_glyph_palette(TextFont& font);
// Same from explicit data: `atlas` holds kFontAtlasBytes shade bytes and
// `shade_colours` kFontShadeBytes RGB bytes (shorter inputs are zero-padded).
void build_glyph_palette(TextFont& font, std::span<const uint8_t> atlas, std::span<const uint8_t> shade_colours);

// The first character of `text` at (x, y), transparent background; only
// pixels with xmin <= px <= xmax and ymin <= py <= ymax are written.
void draw_glyph_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                        int xmax, int ymin, int ymax, int face, int colour);
// The whole 9x12 cell of the first character, shade 0 painted black, rows
// 193..569 only. Used for the body rows of plain page lines.
void draw_glyph_opaque(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int face,
                       int colour);
// The image of character `code` in `face` and `colour`, made on first use
// (make_glyph_image, which does the same but always reaches the table);
// nullptr where the glyph calls draw nothing (face not 1 or 2, colour not
// 1..31, code below 32, no font built). For callers that draw many glyphs
// row by row (the page panel).
const GlyphImage* make_glyph_image(const TextFont& font, int code, int face, int colour);
inline const GlyphImage* find_glyph_image(const TextFont& font, int code, int face, int colour) {
  if (code < 32 || code > 255 || (face != 1 && face != 2) || colour < 1 || colour > 31) return nullptr;
  const size_t key = TextFont::glyph_key(code, face, colour);
  if (key < font.glyph_index.size() && font.glyph_index[key] != nullptr) return font.glyph_index[key];
  return make_glyph_image(font, code, face, colour);
}
// Row r (0..11) of n glyph images side by side, image k onto the 9 pixels
// from dst + 9 k (nullptr: left as it is): every pixel (opaque, as
// draw_glyph_opaque) or only the inked ones (as draw_glyph_clipped).
void put_glyph_images_row(uint32_t* dst, const GlyphImage* const* images, int n, int r, bool opaque);
// Every character of `text`, the n-th at x + (n - 1) * 9, with the same clip.
void draw_text_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                       int xmax, int ymin, int ymax, int face, int colour);
// Blends (r, g, b) over columns x..x+w and rows y..y+h (both inclusive):
// channel = floor((src * alpha + dst * (256 - alpha)) / 256). alpha 0..127.
void blend_rect(FrameBuffer& fb, int x, int y, int w, int h, int alpha, int r, int g, int b);
// A rule on rows y-1..y+1 from column x: styles 1..7 cover `width` columns in
// two tones, style 8 covers width + 1 columns of rainbow driven by
// anim_clock (the main loop's animation clock, 1/250 s). Other styles: nothing.
void draw_rule(FrameBuffer& fb, double anim_clock, int y, int x, int width, int style);

// The colours of a rainbow rule for one value of anim_clock: column i of a
// rule (i = 0 at its left end) shows centre[i - first] on its middle row and
// edge[i - first] on the rows beside it, for i = first .. first + count - 1.
// They depend only on anim_clock and i, so every rainbow rule of a frame can
// share one row.
struct RainbowRow {
  int first = 0;
  int count = 0;
  uint32_t centre[kScreenW];
  uint32_t edge[kScreenW];
};
// Computes columns first .. last of the rainbow for anim_clock (at most
// kScreenW of them; more are cut off).
void fill_rainbow_row(RainbowRow& row, double anim_clock, int first, int last);
// Style 8 of draw_rule from a row that holds at least the columns of the
// rule that lie on the screen (the caller's row for anim_clock).
void draw_rainbow_rule(FrameBuffer& fb, const RainbowRow& row, int y, int x, int width);

}  // namespace zel
