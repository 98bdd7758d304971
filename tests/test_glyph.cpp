// The text font and the drawing primitives: colour table, glyph drawing and
// clipping, rectangle blending and rules, checked on FrameBuffer pixels
// against hand-computed values. Most tests use a small hand-made atlas so
// that every expected pixel is known; the last group checks the generated
// font itself.

#include "content/content.h"
#include "render/fast_sine.h"
#include "render/glyph.h"
#include "tests/support.h"

namespace zel {
namespace {

using testing::expect_pixels;
using testing::rgb;

constexpr uint32_t kBack = 0x123456;  // a background no primitive writes
using Pixels = std::set<std::pair<int, int>>;

int glyph_col(int code) { return (code - 32) * 9 + 1; }

// FontShadeColours entries 0..11 of the font.
constexpr uint8_t kShades[12][3] = {{0, 0, 0},       {132, 130, 132}, {252, 2, 252},   {196, 194, 196},
                                    {68, 66, 68},    {188, 190, 188}, {252, 254, 252}, {100, 98, 68},
                                    {28, 30, 28},    {132, 134, 132}, {212, 210, 212}, {84, 82, 84}};

// A test font: 'A' is a full cell of shade 6 in face 1 and of shade 3 in face
// 2; 'B' has ink only in its top-left pixel (shade 6) and bottom-right pixel
// (shade 9); code 255 is a full cell of shade 6. Shade colours are those of
// the font, plus shade 200 = (15, 10, 0) for a rounding tie.
struct TestFont {
  std::vector<uint8_t> atlas = std::vector<uint8_t>(kFontAtlasBytes, 0);
  std::vector<uint8_t> shades = std::vector<uint8_t>(kFontShadeBytes, 0);
  TextFont font;
  uint8_t& at(int code, int row, int i) { return atlas[static_cast<size_t>(row) * kFontAtlasW + glyph_col(code) + i]; }
  TestFont() {
    for (auto [code, row0, shade] : {std::tuple{int('A'), 0, 6}, {int('A'), 14, 3}, {255, 0, 6}})
      for (int r = 0; r < 12; ++r)
        for (int i = 0; i < 9; ++i) at(code, row0 + r, i) = static_cast<uint8_t>(shade);
    at('B', 0, 0) = 6, at('B', 11, 8) = 9;
    std::copy(&kShades[0][0], &kShades[0][0] + 36, shades.begin());
    shades[200 * 3] = 15, shades[200 * 3 + 1] = 10;
    build_glyph_palette(font, atlas, shades);
  }
};

// Pixels that differ from the background, as (x, y) pairs.
Pixels changed(const FrameBuffer& fb) {
  Pixels out;
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x)
      if (fb.get(x, y) != kBack) out.insert({x, y});
  return out;
}

// The union of inclusive rectangles {x0, x1, y0, y1}.
Pixels rects(std::initializer_list<std::array<int, 4>> rs) {
  Pixels out;
  for (auto [x0, x1, y0, y1] : rs)
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) out.insert({x, y});
  return out;
}

struct GlyphDrawing : ::testing::Test {
  TestFont t;
  FrameBuffer fb = testing::filled(kBack);
};

TEST(GlyphPalette, EntriesMatchHandComputedColours) {
  TestFont t;
  const TextFont& f = t.font;
  // Shade 6 = (252,254,252): colour 1 as it is, 2 floor(x / 1.5), 3 floor(x / 2),
  // 4 red; shade 3 = (196,194,196): 8 green (194 / 1.5 = 129.3), 12 blue (196 / 2);
  // orange (22) is 0.7 * 254, 0.3 * 252, and (23) the factors apply to the
  // floored value; sky (26) is 0.3 * 130, 0.7 * 129, 130; pale green (29) of
  // shade 1 0.7 * 88 = 61.6, 86, 61.6; shade 200 in 25: 0.3 * 15 = 4.5 rounds
  // to the even 4, 0.7 * 10 = 7.
  const std::tuple<int, int, uint32_t> cases[] = {
      {6, 1, rgb(252, 254, 252)}, {6, 2, rgb(168, 169, 168)}, {6, 3, rgb(126, 127, 126)}, {6, 4, rgb(252, 0, 0)},
      {3, 8, rgb(0, 129, 0)},     {3, 12, rgb(0, 0, 98)},     {6, 22, rgb(252, 178, 76)}, {6, 23, rgb(168, 118, 50)},
      {3, 26, rgb(39, 90, 130)},  {1, 29, rgb(62, 86, 62)},   {200, 25, rgb(4, 7, 0)}};
  for (auto [shade, colour, want] : cases) EXPECT_EQ(f.colour_of(shade, colour), want) << shade << " in " << colour;
  for (int s = 0; s < 256; ++s) EXPECT_EQ(f.colour_of(s, 31), 0u) << "shade " << s;
  for (int c = 1; c <= 31; ++c) EXPECT_EQ(f.colour_of(0, c), 0u) << "colour " << c;
}

TEST_F(GlyphDrawing, ClippedGlyphWritesOnlyInkInsideTheClip) {
  draw_glyph_clipped(fb, t.font, "A", 100, 100, 102, 105, 103, 103, 1, 1);
  EXPECT_EQ(changed(fb), rects({{102, 105, 103, 103}}));
  EXPECT_EQ(fb.get(102, 103), 0xFCFEFCu);

  fb = testing::filled(kBack);
  draw_glyph_clipped(fb, t.font, "Bxyz", 10, 20, 0, 799, 0, 599, 1, 4);
  EXPECT_EQ(changed(fb), (Pixels{{10, 20}, {18, 31}}));
  expect_pixels(fb, {{10, 20, rgb(252, 0, 0)}, {18, 31, rgb(132, 0, 0)}});

  // Text: the n-th character at x + 9 (n - 1), all under one clip.
  fb = testing::filled(kBack);
  draw_text_clipped(fb, t.font, "A AA", 100, 100, 0, 130, 0, 599, 1, 1);
  EXPECT_EQ(changed(fb), rects({{100, 108, 100, 111}, {118, 130, 100, 111}}));

  // Face 2 reads atlas rows 14..25.
  fb = testing::filled(kBack);
  draw_glyph_clipped(fb, t.font, "A", 0, 0, 0, 799, 0, 599, 2, 1);
  EXPECT_EQ(changed(fb), rects({{0, 8, 0, 11}}));
  EXPECT_EQ(fb.get(4, 4), 0xC4C2C4u);
}

TEST_F(GlyphDrawing, InvalidArgumentsDrawNothing) {
  for (int face : {0, 3, -1}) draw_glyph_clipped(fb, t.font, "A", 50, 50, 0, 799, 0, 599, face, 1);
  for (int colour : {0, 32}) draw_glyph_clipped(fb, t.font, "A", 50, 50, 0, 799, 0, 599, 1, colour);
  // Nothing, a control code, and a space (it has no ink).
  for (const char* s : {"", "\x1f", " "}) draw_glyph_clipped(fb, t.font, s, 50, 50, 0, 799, 0, 599, 1, 1);
  for (auto [face, colour] : {std::pair{0, 1}, {1, 32}}) draw_glyph_opaque(fb, t.font, "A", 50, 200, face, colour);
  draw_text_clipped(fb, t.font, "", 50, 50, 0, 799, 0, 599, 1, 1);
  EXPECT_TRUE(changed(fb).empty());

  // Colour 31 is black ink; code 255 is the last drawable glyph.
  draw_glyph_clipped(fb, t.font, "A", 50, 50, 0, 799, 0, 599, 1, 31);
  EXPECT_EQ(fb.get(50, 50), 0u);
  draw_glyph_clipped(fb, t.font, "\xff", 70, 50, 0, 799, 0, 599, 1, 1);
  EXPECT_EQ(fb.get(78, 61), 0xFCFEFCu);
}

TEST_F(GlyphDrawing, OpaqueGlyphPaintsTheWholeCellInsideRows193To569) {
  draw_glyph_opaque(fb, t.font, " ", 300, 300, 1, 5);  // a space becomes a black cell
  EXPECT_EQ(changed(fb), rects({{300, 308, 300, 311}}));
  EXPECT_EQ(fb.get(300, 300), 0u);

  fb = testing::filled(kBack);
  draw_glyph_opaque(fb, t.font, "B", 40, 188, 1, 1);  // top rows 188..192 skipped
  draw_glyph_opaque(fb, t.font, "A", 60, 565, 1, 1);  // bottom rows 570..576 skipped
  EXPECT_EQ(changed(fb), rects({{40, 48, 193, 199}, {60, 68, 565, 569}}));
  EXPECT_EQ(fb.get(60, 569), 0xFCFEFCu);
}

TEST_F(GlyphDrawing, PrimitivesClipToTheFrameBuffer) {
  draw_glyph_clipped(fb, t.font, "A", 795, 595, 0, 2000, 0, 2000, 1, 1);
  draw_glyph_opaque(fb, t.font, "A", -4, 300, 1, 1);
  blend_rect(fb, -5, -5, 9, 9, 100, 255, 0, 0);
  draw_rule(fb, 0, 0, 790, 40, 1);
  draw_rule(fb, 0, 599, -10, 40, 8);
  EXPECT_EQ(changed(fb),
            rects({{795, 799, 595, 599}, {0, 4, 300, 311}, {0, 4, 0, 4}, {790, 799, 0, 1}, {0, 30, 598, 599}}));
}

TEST_F(GlyphDrawing, CoversBothEndsWithThePerChannelFormula) {
  // floor((s * a + d * (256 - a)) / 256), channel by channel
  fb.put(10, 10, 0xFF00FF);
  blend_rect(fb, 10, 10, 9, 19, 100, 20, 250, 7);
  EXPECT_EQ(changed(fb), rects({{10, 19, 10, 29}}));  // 10 x 20 pixels
  expect_pixels(fb, {{10, 10, rgb(163, 97, 158)}, {19, 29, rgb(18, 129, 55)}});  // 41780 / 256, 25000 / 256, ...

  fb = testing::filled(kBack);
  blend_rect(fb, 0, 0, 5, 5, 0, 255, 255, 255);  // alpha 0 leaves the pixels as they are
  EXPECT_TRUE(changed(fb).empty());
}

TEST_F(GlyphDrawing, SolidStylesCoverWidthColumnsTheRainbowOneMore) {
  for (int style : {0, 9, -1}) draw_rule(fb, 0, 300, 20, 750, style);  // no such style
  EXPECT_TRUE(changed(fb).empty());
  // Style 2: red centre row, dim red rows above and below; style 7 magenta.
  for (auto [style, bright, dim] : {std::tuple{2, 0xFF0000u, 0x880000u}, {7, 0xFF00FFu, 0x880088u}}) {
    fb = testing::filled(kBack);
    draw_rule(fb, 0, 300, 20, 750, style);
    EXPECT_EQ(changed(fb), rects({{20, 769, 299, 301}}));
    expect_pixels(fb, {{20, 300, bright}, {769, 299, dim}, {400, 301, dim}});
  }
  fb = testing::filled(kBack);
  draw_rule(fb, 0, 300, 20, 750, 8);
  EXPECT_EQ(changed(fb), rects({{20, 770, 299, 301}}));
  // Hand-computed, rounded to nearest: at clock 0 column 20 takes t = 0:
  // 124 sin 0 + 125, 124 sin .96 + 125 = 226.6, 124 sin 2.47 + 125 = 202.2;
  // with amplitude 64 and offset 65 above and below. Column 770 takes t = 750.
  expect_pixels(fb, {{20, 300, rgb(125, 227, 202)}, {20, 299, rgb(65, 117, 105)}, {20, 301, rgb(65, 117, 105)},
                     {770, 300, rgb(241, 62, 83)}});
  // The clock shifts the pattern: at clock 750 column 20 shows what column 770 showed.
  fb = testing::filled(kBack);
  draw_rule(fb, 750, 300, 20, 750, 8);
  EXPECT_EQ(fb.get(20, 300), rgb(241, 62, 83));
}

// Every rainbow pixel against the formula with std::sin, at clocks from 0 to
// far beyond the fast sine's reduction range and below 0.
TEST_F(GlyphDrawing, RainbowEqualsTheStdSinFormulaAtAnyClock) {
  auto channels = [](double t, double amp, double off) {
    auto ch = [&](double s) { return static_cast<uint32_t>(std::nearbyint(s * amp + off)); };
    return ch(std::sin(t * 0.01)) << 16 | ch(std::sin(t * 0.012 + 0.96)) << 8 | ch(std::sin(t * 0.013 + 2.47));
  };
  for (int k = -3; k < 150; ++k) {
    const double clock = k < 140 ? k * 731.37 + k * k * 0.0625 : std::ldexp(1.37, k - 120);
    draw_rule(fb, clock, 300, 20, 750, 8);
    for (int i = 0; i <= 750; ++i) {
      ASSERT_EQ(fb.get(20 + i, 300), channels(clock + i, 124, 125)) << "clock " << clock << ", column " << i;
      ASSERT_EQ(fb.get(20 + i, 301), channels(clock + i, 64, 65)) << "clock " << clock << ", column " << i;
    }
  }
  // Values too close to a rounding boundary are worked out again exactly
  // (ties to even).
  EXPECT_EQ(round_sine_value(2.5 + 1e-12, [] { return 2.5; }), 2);
  EXPECT_EQ(round_sine_value(2.4, [] { return 99.0; }), 2);
  EXPECT_EQ(floor_sine_value(3.0 - 1e-12, [] { return 3.0; }), 3);
  EXPECT_EQ(floor_sine_value(-0.25, [] { return 99.0; }), -1);
}

// The generated font: its shades, and ink for every character the pages use.
TEST(GeneratedFont, ShadesAndInkOfEveryCharacterThePagesUse) {
  std::span<const uint8_t> data = font_data();
  ASSERT_EQ(data.size(), static_cast<size_t>(kFontAtlasBytes + kFontShadeBytes));
  for (int s = 0; s < 12; ++s)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(data[kFontAtlasBytes + s * 3 + c], kShades[s][c]) << "shade " << s;
  // Pixels of a glyph with ink.
  auto ink = [&](int code, int row0) {
    int n = 0;
    for (int k = 0; k < 108; ++k) n += data[static_cast<size_t>(row0 + k / 9) * kFontAtlasW + glyph_col(code) + k % 9] != 0;
    return n;
  };
  // The page alphabet (the pages tests keep every page inside it): printable
  // ASCII and the line, block and shade characters.
  std::string used = "\xB0\xB1\xB2\xB3\xBF\xC0\xC4\xD9\xDA\xDB\xDC\xDD\xDE\xDF\xFA\xFE";
  for (char c = 33; c < 127; ++c) used += c;
  for (unsigned char c : used) {
    EXPECT_GT(ink(c, 0), 0) << "face 1, code " << int(c);
    EXPECT_GT(ink(c, 14), 0) << "face 2, code " << int(c);
  }
  EXPECT_EQ(ink(' ', 0) + ink(' ', 14), 0);
}

}  // namespace
}  // namespace zel
