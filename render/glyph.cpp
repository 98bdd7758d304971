#include "render/glyph.h"

#include <algorithm>
#include <cmath>

namespace zel {

namespace embedded {
extern const unsigned char font_bin[];
extern const std::size_t font_bin_size;
}  // namespace embedded

namespace {

// Glyph lookup shared by the glyph calls: the atlas row and column of the
// first character of `text`, or false when nothing is to be drawn.
bool glyph_origin(std::string_view text, int face, int colour, int& row0, int& col) {
  if (text.empty() || (face != 1 && face != 2) || colour < 1 || colour > 31) return false;
  int c = static_cast<unsigned char>(text[0]);
  col = (c - 32) * kGlyphW + 1;
  if (col < 1 || col >= kFontAtlasW) return false;
  row0 = face == 1 ? 0 : kFace2Row;
  return true;
}

// Rounds to the nearest integer, ties to even (the default FP rounding mode).
int round_even(double v) { return static_cast<int>(std::nearbyint(v)); }

// Two-tone rule colours of styles 1..7: centre row, then the rows beside it.
constexpr uint32_t kRuleBright[8] = {0, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
constexpr uint32_t kRuleDim[8] = {0, 0x888888, 0x880000, 0x008800, 0x000088, 0x888800, 0x008888, 0x880088};

}  // namespace

void build_glyph_palette(TextFont& font, std::span<const uint8_t> atlas, std::span<const uint8_t> shade_colours) {
  font.width = kFontAtlasW;
  font.height = kFontAtlasH;
  font.atlas.assign(kFontAtlasBytes, 0);
  std::copy_n(atlas.begin(), std::min<size_t>(atlas.size(), kFontAtlasBytes), font.atlas.begin());
  font.palette.assign(256 * 31 + 1, 0);
  for (int g = 0; g < 10; ++g) {
    double d = 1.0;
    for (int k = 0; k < 3; ++k) {
      for (int s = 0; s < 256; ++s) {
        auto base = [&](int ch) {
          size_t i = static_cast<size_t>(s) * 3 + ch;
          return i < shade_colours.size() ? shade_colours[i] : 0;
        };
        // Each channel divided by the step and floored; the orange, sky and
        // pale-green groups then scale that integer and round it.
        int r = static_cast<int>(std::floor(base(0) / d));
        int gr = static_cast<int>(std::floor(base(1) / d));
        int b = static_cast<int>(std::floor(base(2) / d));
        int R = 0, G = 0, B = 0;
        switch (g) {
          case 0: R = r, G = gr, B = b; break;
          case 1: R = r; break;
          case 2: G = gr; break;
          case 3: B = b; break;
          case 4: R = r, G = gr; break;
          case 5: G = gr, B = b; break;
          case 6: R = r, B = b; break;
          case 7: R = r, G = round_even(gr * 0.7), B = round_even(b * 0.3); break;
          case 8: R = round_even(r * 0.3), G = round_even(gr * 0.7), B = b; break;
          case 9: R = round_even(r * 0.7), G = gr, B = round_even(b * 0.7); break;
        }
        font.palette[static_cast<size_t>(s) * 31 + (3 * g + k + 1)] =
            static_cast<uint32_t>(R) << 16 | static_cast<uint32_t>(G) << 8 | static_cast<uint32_t>(B);
      }
      d += 0.5;
    }
  }
}

std::span<const uint8_t> font_data() { return {embedded::font_bin, embedded::font_bin_size}; }

void build_glyph_palette(TextFont& font) {
  std::span<const uint8_t> all = font_data();
  std::span<const uint8_t> atlas = all.first(std::min<size_t>(all.size(), kFontAtlasBytes));
  std::span<const uint8_t> shades = all.subspan(atlas.size());
  build_glyph_palette(font, atlas, shades);
}

void draw_glyph_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                        int xmax, int ymin, int ymax, int face, int colour) {
  int row0 = 0, col = 0;
  if (font.atlas.empty() || !glyph_origin(text, face, colour, row0, col)) return;
  // The caller's clip, narrowed to the FrameBuffer.
  xmin = std::max(xmin, 0), xmax = std::min(xmax, kScreenW - 1);
  ymin = std::max(ymin, 0), ymax = std::min(ymax, kScreenH - 1);
  for (int r = 0; r < kGlyphH; ++r) {
    int py = y + r;
    if (py < ymin || py > ymax) continue;
    const int32_t* src = &font.atlas[static_cast<size_t>(row0 + r) * kFontAtlasW + col];
    uint32_t* dst = &fb.px[static_cast<size_t>(py) * kScreenW];
    for (int i = 0; i < kGlyphW; ++i) {
      int s = src[i];
      int px = x + i;
      if (s != 0 && px >= xmin && px <= xmax) dst[px] = font.colour_of(s & 0xFF, colour);
    }
  }
}

void draw_glyph_opaque(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int face,
                       int colour) {
  int row0 = 0, col = 0;
  if (font.atlas.empty() || !glyph_origin(text, face, colour, row0, col)) return;
  for (int r = 0; r < kGlyphH; ++r) {
    int py = y + r;
    if (py < 193 || py > 569) continue;
    const int32_t* src = &font.atlas[static_cast<size_t>(row0 + r) * kFontAtlasW + col];
    for (int i = 0; i < kGlyphW; ++i) fb.put(x + i, py, font.colour_of(src[i] & 0xFF, colour));
  }
}

void draw_text_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                       int xmax, int ymin, int ymax, int face, int colour) {
  for (size_t n = 0; n < text.size(); ++n)
    draw_glyph_clipped(fb, font, text.substr(n, 1), x + static_cast<int>(n) * kGlyphW, y, xmin, xmax, ymin, ymax,
                       face, colour);
}

void blend_rect(FrameBuffer& fb, int x, int y, int w, int h, int alpha, int r, int g, int b) {
  const uint32_t a = static_cast<uint32_t>(std::clamp(alpha, 0, 256));
  const uint32_t sr = static_cast<uint32_t>(std::clamp(r, 0, 255)) * a;
  const uint32_t sg = static_cast<uint32_t>(std::clamp(g, 0, 255)) * a;
  const uint32_t sb = static_cast<uint32_t>(std::clamp(b, 0, 255)) * a;
  const uint32_t na = 256 - a;
  int x0 = std::max(x, 0), x1 = std::min(x + w, kScreenW - 1);
  int y0 = std::max(y, 0), y1 = std::min(y + h, kScreenH - 1);
  for (int py = y0; py <= y1; ++py) {
    uint32_t* row = &fb.px[static_cast<size_t>(py) * kScreenW];
    for (int px = x0; px <= x1; ++px) {
      uint32_t d = row[px];
      uint32_t nr = (sr + ((d >> 16) & 0xFF) * na) >> 8;
      uint32_t ng = (sg + ((d >> 8) & 0xFF) * na) >> 8;
      uint32_t nb = (sb + (d & 0xFF) * na) >> 8;
      row[px] = nr << 16 | ng << 8 | nb;
    }
  }
}

void draw_rule(FrameBuffer& fb, double anim_clock, int y, int x, int width, int style) {
  if (style >= 1 && style <= 7) {
    for (int i = 0; i < width; ++i) {
      fb.put(x + i, y - 1, kRuleDim[style]);
      fb.put(x + i, y, kRuleBright[style]);
      fb.put(x + i, y + 1, kRuleDim[style]);
    }
  } else if (style == 8) {
    for (int i = 0; i <= width; ++i) {
      if (x + i < 0 || x + i >= kScreenW) continue;
      double t = anim_clock + i;
      double sr = std::sin(t * 0.01), sg = std::sin(t * 0.012 + 0.96), sb = std::sin(t * 0.013 + 2.47);
      auto rgb = [&](double amp, double off) {
        return static_cast<uint32_t>(round_even(sr * amp + off)) << 16 |
               static_cast<uint32_t>(round_even(sg * amp + off)) << 8 | static_cast<uint32_t>(round_even(sb * amp + off));
      };
      uint32_t edge = rgb(64, 65);
      fb.put(x + i, y - 1, edge);
      fb.put(x + i, y, rgb(124, 125));
      fb.put(x + i, y + 1, edge);
    }
  }
}

}  // namespace zel
