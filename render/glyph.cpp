#include "render/glyph.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "render/fast_sine.h"

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
  font.glyph_index.assign(TextFont::kGlyphKeys, nullptr);
  font.glyph_images.clear();
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

namespace {

// The image of a validated glyph (face 1 or 2, col its atlas column, colour
// 1..31), made on first use.
const GlyphImage& glyph_image(const TextFont& font, int face, int code, int col, int colour) {
  const size_t key = TextFont::glyph_key(code, face, colour);
  if (font.glyph_index.size() != TextFont::kGlyphKeys) font.glyph_index.assign(TextFont::kGlyphKeys, nullptr);
  if (const GlyphImage* made = font.glyph_index[key]) return *made;
  GlyphImage& img = font.glyph_images.emplace_back();
  const int row0 = face == 1 ? 0 : kFace2Row;
  for (int r = 0; r < kGlyphH; ++r) {
    const int32_t* src = &font.atlas[static_cast<size_t>(row0 + r) * kFontAtlasW + col];
    for (int i = 0; i < kGlyphW; ++i) {
      img.px[r][i] = font.colour_of(src[i] & 0xFF, colour);
      if (src[i] != 0) img.ink[r] = static_cast<uint16_t>(img.ink[r] | 1u << i);
    }
  }
  font.glyph_index[key] = &img;
  return img;
}

constexpr uint16_t kFullRow = (1u << kGlyphW) - 1;

// Writes the inked pixels of one 9-pixel glyph row.
inline void put_glyph_row(uint32_t* dst, const uint32_t* src, unsigned ink) {
  if (ink == kFullRow) {
    std::memcpy(dst, src, kGlyphW * sizeof(uint32_t));
    return;
  }
#if defined(__SSE2__)
  // Per 4 pixels: a mask of all-ones lanes where the ink bits are set.
  alignas(16) static constexpr uint32_t kLanes[16][4] = {
      {0, 0, 0, 0}, {~0u, 0, 0, 0}, {0, ~0u, 0, 0}, {~0u, ~0u, 0, 0}, {0, 0, ~0u, 0}, {~0u, 0, ~0u, 0},
      {0, ~0u, ~0u, 0}, {~0u, ~0u, ~0u, 0}, {0, 0, 0, ~0u}, {~0u, 0, 0, ~0u}, {0, ~0u, 0, ~0u},
      {~0u, ~0u, 0, ~0u}, {0, 0, ~0u, ~0u}, {~0u, 0, ~0u, ~0u}, {0, ~0u, ~0u, ~0u}, {~0u, ~0u, ~0u, ~0u}};
  for (int h = 0; h < 2; ++h) {
    const __m128i m = _mm_load_si128(reinterpret_cast<const __m128i*>(kLanes[(ink >> (4 * h)) & 15]));
    __m128i* d = reinterpret_cast<__m128i*>(dst + 4 * h);
    const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 4 * h));
    _mm_storeu_si128(d, _mm_or_si128(_mm_and_si128(m, s), _mm_andnot_si128(m, _mm_loadu_si128(d))));
  }
  if (ink & 0x100) dst[8] = src[8];
#else
  for (int i = 0; i < kGlyphW; ++i)
    if (ink >> i & 1) dst[i] = src[i];
#endif
}

}  // namespace

const GlyphImage* make_glyph_image(const TextFont& font, int code, int face, int colour) {
  if (font.atlas.empty() || code < 0 || code > 255) return nullptr;
  const char ch = static_cast<char>(code);
  int row0 = 0, col = 0;
  if (!glyph_origin(std::string_view(&ch, 1), face, colour, row0, col)) return nullptr;
  return &glyph_image(font, face, code, col, colour);
}

void put_glyph_images_row(uint32_t* dst, const GlyphImage* const* images, int n, int r, bool opaque) {
  for (int k = 0; k < n; ++k, dst += kGlyphW) {
    if (images[k] == nullptr) continue;
    if (opaque) std::memcpy(dst, images[k]->px[r], kGlyphW * sizeof(uint32_t));
    else if (images[k]->ink[r] != 0) put_glyph_row(dst, images[k]->px[r], images[k]->ink[r]);
  }
}

void draw_glyph_clipped(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int xmin,
                        int xmax, int ymin, int ymax, int face, int colour) {
  const GlyphImage* image =
      text.empty() ? nullptr : find_glyph_image(font, static_cast<unsigned char>(text[0]), face, colour);
  if (image == nullptr) return;
  const GlyphImage& img = *image;
  // The caller's clip, narrowed to the FrameBuffer.
  xmin = std::max(xmin, 0), xmax = std::min(xmax, kScreenW - 1);
  ymin = std::max(ymin, 0), ymax = std::min(ymax, kScreenH - 1);
  const int r0 = std::max(0, ymin - y), r1 = std::min(kGlyphH - 1, ymax - y);
  if (r0 > r1) return;
  if (x >= xmin && x + kGlyphW - 1 <= xmax) {
    for (int r = r0; r <= r1; ++r)
      if (img.ink[r] != 0) put_glyph_row(&fb.px[static_cast<size_t>(y + r) * kScreenW + x], img.px[r], img.ink[r]);
    return;
  }
  // Cut by the clip at the side: pixel by pixel.
  for (int r = r0; r <= r1; ++r) {
    uint32_t* dst = &fb.px[static_cast<size_t>(y + r) * kScreenW];
    for (int i = 0; i < kGlyphW; ++i) {
      int px = x + i;
      if ((img.ink[r] >> i & 1) && px >= xmin && px <= xmax) dst[px] = img.px[r][i];
    }
  }
}

void draw_glyph_opaque(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int face,
                       int colour) {
  const GlyphImage* image =
      text.empty() ? nullptr : find_glyph_image(font, static_cast<unsigned char>(text[0]), face, colour);
  if (image == nullptr) return;
  const GlyphImage& img = *image;
  const int r0 = std::max(0, 193 - y), r1 = std::min(kGlyphH - 1, 569 - y);
  if (r0 > r1) return;
  const bool inside = x >= 0 && x + kGlyphW <= kScreenW;
  for (int r = r0; r <= r1; ++r) {
    if (inside)
      std::memcpy(&fb.px[static_cast<size_t>(y + r) * kScreenW + x], img.px[r], kGlyphW * sizeof(uint32_t));
    else
      for (int i = 0; i < kGlyphW; ++i) fb.put(x + i, y + r, img.px[r][i]);
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
    int px = x0;
#if defined(__SSE2__)
    // Four pixels at a time: each byte widened to 16 bits, where
    // src * a + dst * (256 - a) <= 255 * 256 cannot overflow, then >> 8.
    const __m128i src = _mm_setr_epi16(static_cast<short>(sb), static_cast<short>(sg), static_cast<short>(sr), 0,
                                       static_cast<short>(sb), static_cast<short>(sg), static_cast<short>(sr), 0);
    const __m128i keep = _mm_set1_epi16(static_cast<short>(na));
    const __m128i zero = _mm_setzero_si128();
    const __m128i rgb_only = _mm_set1_epi32(0x00FFFFFF);
    for (; px + 3 <= x1; px += 4) {
      __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + px));
      __m128i lo = _mm_srli_epi16(_mm_add_epi16(src, _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), keep)), 8);
      __m128i hi = _mm_srli_epi16(_mm_add_epi16(src, _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), keep)), 8);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(row + px), _mm_and_si128(_mm_packus_epi16(lo, hi), rgb_only));
    }
#endif
    for (; px <= x1; ++px) {
      uint32_t d = row[px];
      uint32_t nr = (sr + ((d >> 16) & 0xFF) * na) >> 8;
      uint32_t ng = (sg + ((d >> 8) & 0xFF) * na) >> 8;
      uint32_t nb = (sb + (d & 0xFF) * na) >> 8;
      row[px] = nr << 16 | ng << 8 | nb;
    }
  }
}

namespace {

// Fills columns x0..x1 (already on the screen) of row y with one colour.
void fill_span(FrameBuffer& fb, int y, int x0, int x1, uint32_t colour) {
  if (y < 0 || y >= kScreenH || x0 > x1) return;
  std::fill_n(&fb.px[static_cast<size_t>(y) * kScreenW + x0], x1 - x0 + 1, colour);
}

// Copies colours onto columns x0..x1 (already on the screen) of row y.
void copy_span(FrameBuffer& fb, int y, int x0, int x1, const uint32_t* colours) {
  if (y < 0 || y >= kScreenH || x0 > x1) return;
  std::memcpy(&fb.px[static_cast<size_t>(y) * kScreenW + x0], colours,
              static_cast<size_t>(x1 - x0 + 1) * sizeof(uint32_t));
}

}  // namespace

void fill_rainbow_row(RainbowRow& row, double anim_clock, int first, int last) {
  last = std::min(last, first + kScreenW - 1);
  row.first = first;
  row.count = std::max(0, last - first + 1);
  // The three sines of every column, then the channels, each rounded as
  // round(sin * amplitude + offset) would be with std::sin; in blocks, so
  // that the scratch arrays stay small.
  constexpr int kBlock = 64;
  double arg[3][kBlock], sine[3][kBlock];
  for (int j0 = 0; j0 < row.count; j0 += kBlock) {
    const int n = std::min(kBlock, row.count - j0);
    for (int j = 0; j < n; ++j) {
      double t = anim_clock + (first + j0 + j);
      arg[0][j] = t * 0.01, arg[1][j] = t * 0.012 + 0.96, arg[2][j] = t * 0.013 + 2.47;
    }
    // Channels: red, green, blue of the centre row, then of the edge rows.
    double ch[6][kBlock];
    bool doubtful = false;
    for (int c = 0; c < 3; ++c) {
      fill_sines(arg[c], sine[c], n);
      doubtful |= round_scaled_sines(sine[c], n, 124, 125, ch[c]);
      doubtful |= round_scaled_sines(sine[c], n, 64, 65, ch[3 + c]);
    }
    if (doubtful) {
      for (int c = 0; c < 6; ++c) {
        const double amp = c < 3 ? 124 : 64, off = c < 3 ? 125 : 65;
        const double* a = arg[c % 3];
        const double* sn = sine[c % 3];
        for (int j = 0; j < n; ++j)
          ch[c][j] = round_sine_value(sn[j] * amp + off, [&] { return std::sin(a[j]) * amp + off; });
      }
    }
    auto pack = [](double r, double g, double b) {
      return static_cast<uint32_t>(static_cast<int32_t>(r) << 16 | static_cast<int32_t>(g) << 8 |
                                   static_cast<int32_t>(b));
    };
    for (int j = 0; j < n; ++j) {
      row.centre[j0 + j] = pack(ch[0][j], ch[1][j], ch[2][j]);
      row.edge[j0 + j] = pack(ch[3][j], ch[4][j], ch[5][j]);
    }
  }
}

void draw_rainbow_rule(FrameBuffer& fb, const RainbowRow& row, int y, int x, int width) {
  // Columns i = 0..width of the rule, cut to the screen and to the row.
  int i0 = std::max({0, -x, row.first}), i1 = std::min({width, kScreenW - 1 - x, row.first + row.count - 1});
  if (i0 > i1) return;
  copy_span(fb, y - 1, x + i0, x + i1, &row.edge[i0 - row.first]);
  copy_span(fb, y, x + i0, x + i1, &row.centre[i0 - row.first]);
  copy_span(fb, y + 1, x + i0, x + i1, &row.edge[i0 - row.first]);
}

void draw_rule(FrameBuffer& fb, double anim_clock, int y, int x, int width, int style) {
  if (style >= 1 && style <= 7) {
    int x0 = std::max(x, 0), x1 = std::min(x + width - 1, kScreenW - 1);
    fill_span(fb, y - 1, x0, x1, kRuleDim[style]);
    fill_span(fb, y, x0, x1, kRuleBright[style]);
    fill_span(fb, y + 1, x0, x1, kRuleDim[style]);
  } else if (style == 8) {
    // Only the columns on the screen.
    int i0 = std::max(0, -x), i1 = std::min(width, kScreenW - 1 - x);
    if (i0 > i1 || y < -1 || y > kScreenH) return;
    RainbowRow row;
    fill_rainbow_row(row, anim_clock, i0, i1);
    draw_rainbow_rule(fb, row, y, x, width);
  }
}

}  // namespace zel
