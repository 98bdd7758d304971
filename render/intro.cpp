#include "render/intro.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cmath>

#include "content/content.h"
#include "render/fast_sine.h"

namespace zel::embedded {
extern const unsigned char bigfont[];
extern const std::size_t bigfont_size;
}  // namespace zel::embedded

namespace zel {

namespace {

constexpr size_t kFontBytes = static_cast<size_t>(IntroState::kFontW) * IntroState::kFontH;

// Fills 800 columns of a row with one colour; rows outside the screen are ignored.
void fill_row(FrameBuffer& fb, int y, uint32_t colour) {
  if (y < 0 || y >= kScreenH) return;
  std::fill_n(fb.px.begin() + static_cast<ptrdiff_t>(y) * kScreenW, kScreenW, colour);
}

uint32_t rgb(int r, int g, int b) { return static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | static_cast<uint32_t>(b); }
int round_even(double v) { return static_cast<int>(std::nearbyint(v)); }

uint32_t colour_at(const uint32_t (&table)[631], int row) { return row >= 0 && row <= 630 ? table[row] : 0; }

// Ink bits of font column x (bit r for row r); none outside the font.
uint32_t ink_column(const IntroState& in, int x) { return x >= 0 && x < IntroState::kFontW ? in.ink_columns[x] : 0; }

// Ink bits of glyph row r from font column col on (bit c for column col + c);
// none outside the font.
uint32_t ink_row(const IntroState& in, int col, int r) {
  if (col >= 0 && col + 32 <= IntroState::kFontW) {
    const uint32_t* words = in.ink_rows[r];
    uint64_t pair = words[col >> 5] | static_cast<uint64_t>(words[(col >> 5) + 1]) << 32;
    return static_cast<uint32_t>(pair >> (col & 31));
  }
  uint32_t bits = 0;
  for (int c = 0; c < 32; ++c)
    if (ink_column(in, col + c) >> r & 1) bits |= 1u << c;
  return bits;
}

uint32_t reverse_bits(uint32_t v) {
  v = (v >> 1 & 0x55555555u) | (v & 0x55555555u) << 1;
  v = (v >> 2 & 0x33333333u) | (v & 0x33333333u) << 2;
  v = (v >> 4 & 0x0F0F0F0Fu) | (v & 0x0F0F0F0Fu) << 4;
  v = (v >> 8 & 0x00FF00FFu) | (v & 0x00FF00FFu) << 8;
  return v >> 16 | v << 16;
}

}  // namespace

std::basic_string_view<unsigned char> big_font_bytes() {
  return {embedded::bigfont, embedded::bigfont_size};
}

int big_font_column(unsigned char c) {
  if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
  int col = 32 * (static_cast<int>(c) - 32);
  return col >= 0 && col <= IntroState::kFontW - 1 ? col : -1;
}

bool big_font_ink(const IntroState& intro, int x, int y) {
  if (x < 0 || y < 0 || x >= IntroState::kFontW || y >= IntroState::kFontH || intro.font.empty()) return false;
  return intro.font_palette[intro.font[static_cast<size_t>(y) * IntroState::kFontW + x] & 0xFF] != 0;
}

void load_big_font(IntroState& in) {
  auto bytes = big_font_bytes();
  in.font.assign(kFontBytes, 0);
  std::fill(std::begin(in.ink_columns), std::end(in.ink_columns), 0u);
  for (auto& row : in.ink_rows) std::fill(std::begin(row), std::end(row), 0u);
  if (bytes.size() < kFontBytes + 768) return;  // no artwork linked: nothing is ink
  for (size_t i = 0; i < kFontBytes; ++i) in.font[i] = bytes[i];
  const unsigned char* pal = bytes.data() + kFontBytes;
  for (int k = 0; k < 256; ++k) in.font_palette[k] = rgb(pal[3 * k], pal[3 * k + 1], pal[3 * k + 2]);
  for (int x = 0; x < IntroState::kFontW; ++x) {
    uint32_t bits = 0;
    for (int y = 0; y < IntroState::kFontH; ++y)
      if (big_font_ink(in, x, y)) bits |= 1u << y, in.ink_rows[y][x >> 5] |= 1u << (x & 31);
    in.ink_columns[x] = bits;
  }
}

void clear_intro_background(FrameBuffer& fb) {
  fb.clear(0);
  for (int row = 1; row <= 50; ++row) fill_row(fb, row, static_cast<uint32_t>(153 - 3 * row));
}

void draw_raster_bars(FrameBuffer& fb, double intro_phase) {
  // Every bar row fills a whole screen row, so only the last bar to reach a
  // row decides it: the rows are worked out first and each filled once.
  int value[kScreenH];
  std::fill(std::begin(value), std::end(value), -1);
  auto bar = [&](int step, int top) {
    for (int r = 0; r < 32; ++r) {
      int y = top + r;
      if (y >= 0 && y < kScreenH) value[y] = r < 16 ? step * (r + 1) : step * (31 - r);
    }
  };
  for (int k = 1; k <= 7; ++k) {
    double a = std::sin((4 * k + intro_phase) * 3.14 / 90);
    bar(2 * k, round_even(a * 100 + 375));
    bar(k, round_even(a * (-80) + 595));
  }
  for (int y = 0; y < kScreenH; ++y)
    if (value[y] >= 0) fill_row(fb, y, static_cast<uint32_t>(value[y]));
}

void update_intro_tables(IntroState& in, double intro_phase) {
  const double P = intro_phase;
  const double A = 0.00873055555555556;
  const double S = 0.104766666666667;
  // Every sine these tables need, each computed once: the waves depend on
  // c = (x + 1) div 2 only (0..400); a title channel on i + d (0..670), a
  // scroller channel on i + d (0..730), a mirror channel on d - i (-800..-10).
  // (In separate blocks, so that the scratch arrays share their stack.)
  constexpr int kWaveN = 401, kTitleN = 671, kScrollerN = 731, kMirrorN = 791;
  {
    double arg1[kWaveN], arg2[kWaveN], s1[kWaveN], s2[kWaveN];
    for (int c = 0; c < kWaveN; ++c) {
      arg1[c] = (c - 2.5 * P) * A * 1.5;
      arg2[c] = (c - 4 * P) * A;
    }
    fill_sines(arg1, s1, kWaveN);
    fill_sines(arg2, s2, kWaveN);
    for (int x = 0; x <= 800; ++x) {
      const int c = (x + 1) / 2;
      in.scroller_wave[x] = round_sine_value(s1[c] * 100 + s2[c] * 73 + 310,
                                             [&] { return std::sin(arg1[c]) * 100 + std::sin(arg2[c]) * 73 + 310; });
      in.mirror_wave[x] = round_sine_value(592 - (s1[c] * 30 + s2[c] * 48),
                                           [&] { return 592 - (std::sin(arg1[c]) * 30 + std::sin(arg2[c]) * 48); });
    }
  }
  uint8_t title[kTitleN], scroller[kScrollerN];
  {
    double arg[kTitleN], sine[kTitleN];
    for (int j = 0; j < kTitleN; ++j) arg[j] = (j + P) * S * 0.25;
    fill_sines(arg, sine, kTitleN);
    for (int j = 0; j < kTitleN; ++j)
      title[j] =
          static_cast<uint8_t>(round_sine_value(sine[j] * 90 + 125, [&] { return std::sin(arg[j]) * 90 + 125; }));
  }
  {
    double arg[kScrollerN], sine[kScrollerN];
    for (int j = 0; j < kScrollerN; ++j) arg[j] = j * S * 0.25;
    fill_sines(arg, sine, kScrollerN);
    for (int j = 0; j < kScrollerN; ++j)
      scroller[j] =
          static_cast<uint8_t>(round_sine_value(sine[j] * 100 + 150, [&] { return std::sin(arg[j]) * 100 + 150; }));
  }
  // Mirror argument of d - i = -10 - m at index m.
  double marg[kMirrorN], msin[kMirrorN];
  for (int m = 0; m < kMirrorN; ++m) marg[m] = (-10 - m) * S * 0.25;
  fill_sines(marg, msin, kMirrorN);

  double f = 1.0;
  for (int i = 0; i <= 630; ++i) {
    in.title_colours[i] = rgb(title[i], title[i + 20], title[i + 40]);
    in.scroller_colours[i] = rgb(scroller[i], scroller[i + 50], scroller[i + 100]);
    auto mirror = [&](int d) {
      const int m = -10 - (d - i);
      return floor_sine_value((msin[m] * 50 + 100) * f, [&] { return (std::sin(marg[m]) * 50 + 100) * f; });
    };
    in.mirror_colours[i] = rgb(mirror(-10), mirror(-90), mirror(-170));
    if (i > 520) f = std::max(f - 0.015, 0.0);
  }
}

void draw_starfield(FrameBuffer& fb, const IntroState& in) {
  static constexpr uint32_t kCore[3] = {0x222222, 0x444444, 0x999999};
  static constexpr uint32_t kHalo[3] = {0x111111, 0x222222, 0x444444};
  for (int n = 1; n <= IntroState::kStars; ++n) {
    int layer = (n - 1) / 100;
    int px = static_cast<int>(std::floor(in.star_x[n]));
    int py = static_cast<int>(std::floor(in.star_y[n]));
    if (4 < px && px < 796) {
      uint32_t core = kCore[layer], halo = kHalo[layer];
      fb.put(px, py, core);
      fb.put(px + 1, py, core);
      fb.put(px, py + 1, core);
      fb.put(px + 1, py + 1, core);
      fb.put(px + 2, py, halo);
      fb.put(px + 2, py + 1, halo);
      fb.put(px - 1, py, halo);
      fb.put(px - 1, py + 1, halo);
      fb.put(px, py - 1, halo);
      fb.put(px + 1, py - 1, halo);
      fb.put(px, py + 2, halo);
      fb.put(px + 1, py + 2, halo);
    }
  }
}

void move_starfield(IntroState& in, double intro_frame_scale) {
  static constexpr double kSpeed[3] = {0.6, 1.2, 1.8};
  for (int n = 1; n <= IntroState::kStars; ++n) {
    in.star_x[n] += kSpeed[(n - 1) / 100] * intro_frame_scale;
    if (in.star_x[n] > 800) in.star_x[n] -= 800;
  }
}

void draw_title_glyph(FrameBuffer& fb, const IntroState& in, int col, int x, int y) {
  // The three passes (shadow at +1,+1, highlight at -1,-1, face) leave each
  // pixel in the colour of the last pass that reaches it, so they are merged
  // row by row: per output row R = -1..32 the pixels of each pass as bits
  // (bit b for column x - 1 + b), the face over the highlight over the
  // shadow, and each pixel written once.
  uint32_t visible = 0;  // glyph columns c with 0 < x + c < 800
  for (int c = 0; c < 32; ++c)
    if (0 < x + c && x + c < 800) visible |= 1u << c;
  if (visible == 0) return;
  uint64_t rows[34] = {};  // ink of glyph row R - 1 at index R, visible columns only
  for (int r = 0; r < 32; ++r) rows[r + 1] = ink_row(in, col, r) & visible;
  const bool inside = x - 1 >= 0 && x + 32 < kScreenW && y - 1 >= 0 && y + 32 < kScreenH;
  auto fill = [&](int Y, uint64_t bits, uint32_t colour) {
    for (; bits != 0; bits &= bits - 1) {
      int X = x - 1 + std::countr_zero(bits);
      if (inside) fb.px[static_cast<size_t>(Y) * kScreenW + X] = colour;
      else fb.put(X, Y, colour);
    }
  };
  for (int R = -1; R <= 32; ++R) {
    const uint64_t face = R >= 0 && R <= 31 ? rows[R + 1] << 1 : 0;
    const uint64_t highlight = (R + 1 <= 31 ? rows[R + 2] : 0) & ~face;
    const uint64_t shadow = (R >= 1 ? rows[R] << 2 : 0) & ~face & ~highlight;
    const int Y = y + R;
    fill(Y, shadow, 0x444444);
    fill(Y, highlight, 0xFFFFFF);
    if (face != 0) fill(Y, face, colour_at(in.title_colours, Y));
  }
}

void draw_intro_line(FrameBuffer& fb, const IntroState& intro, std::string_view line, int y) {
  if (line.empty()) return;
  int x = 400 - 16 * static_cast<int>(line.size());
  for (char ch : line) {
    int col = big_font_column(static_cast<unsigned char>(ch));
    if (col < 0) continue;  // no glyph: skipped without taking space
    draw_title_glyph(fb, intro, col, x, y);
    x += 32;
  }
}

void draw_intro_lines(FrameBuffer& fb, const IntroState& intro) {
  for (int k = 1; k <= 9; ++k) draw_intro_line(fb, intro, intro_line(k), 60 + 33 * k);
}

void draw_scroller_glyph(FrameBuffer& fb, const IntroState& in, int col, int x) {
  for (int c = 0; c < 32; ++c) {
    int X = x + c;
    if (!(0 < X && X < 799)) continue;
    const uint32_t ink = ink_column(in, col + c);
    // Mirror image, read upside down (bit r: glyph row 31 - r), fading
    // towards the bottom and cut off from row 598 on.
    int m = in.mirror_wave[X];
    uint32_t mirrored = reverse_bits(ink);
    int rows = 598 - m;
    if (rows <= 0) mirrored = 0;
    else if (rows < 32) mirrored &= (1u << rows) - 1;
    for (int pass = 0; pass < 3; ++pass)
      for (uint32_t bits = mirrored; bits != 0; bits &= bits - 1) {
        int r = std::countr_zero(bits);
        if (pass == 0) fb.put(X + 1, m + 1 + r, colour_at(in.mirror_colours, m + r + 20));
        else if (pass == 1) fb.put(X - 1, m - 1 + r, colour_at(in.mirror_colours, m + r - 20));
        else fb.put(X, m + r, colour_at(in.mirror_colours, m + r));
      }
    // The upright glyph.
    int t = in.scroller_wave[X];
    for (int pass = 0; pass < 3; ++pass)
      for (uint32_t bits = ink; bits != 0; bits &= bits - 1) {
        int r = std::countr_zero(bits);
        if (pass == 0) fb.put(X + 1, t + 1 + r, 0x444444);
        else if (pass == 1) fb.put(X - 1, t - 1 + r, 0xFFFFFF);
        else fb.put(X, t + r, colour_at(in.scroller_colours, t + r));
      }
  }
}

void advance_scroller(IntroState& in, std::string_view text, double intro_frame_scale, double now) {
  double step = std::min(intro_frame_scale, 5.0);
  if (now > in.scroller_pause_until) in.scroller_offset -= step;
  if (in.scroller_offset < -32) {
    in.scroller_pos += 1;
    size_t pos = static_cast<size_t>(in.scroller_pos);
    if (pos >= 1 && pos <= text.size() && text[pos - 1] == 'a') in.scroller_pause_until = now + 4.0;
    if (pos > text.size()) in.scroller_pos = 1;
    in.scroller_offset += 32;
  }
}

void draw_scroller(FrameBuffer& fb, const IntroState& in, std::string_view text) {
  int x = static_cast<int>(std::floor(in.scroller_offset));
  size_t first = static_cast<size_t>(in.scroller_pos) - 1;
  std::string_view shown = first < text.size() ? text.substr(first, 28) : std::string_view{};
  for (char ch : shown) {
    int col = big_font_column(ch == 'a' ? ' ' : static_cast<unsigned char>(ch));
    if (col < 0) continue;
    draw_scroller_glyph(fb, in, col, x);
    x += 32;
  }
}

}  // namespace zel
