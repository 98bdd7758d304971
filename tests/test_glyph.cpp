// The text font and the drawing primitives: colour table, glyph drawing and
// clipping, rectangle blending and rules, checked on FrameBuffer pixels
// against hand-computed values. Most tests use a small hand-made atlas so
// that every expected pixel is known; the last group checks the generated
// font itself.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "content/content.h"
#include "render/glyph.h"

namespace zel {
namespace {

constexpr uint32_t kBack = 0x123456;  // a background no primitive writes

int glyph_col(int code) { return (code - 32) * 9 + 1; }

// A test font: 'A' is a full cell of shade 6 in face 1 and of shade 3 in face
// 2; 'B' has ink only in its top-left pixel (shade 6) and bottom-right pixel
// (shade 9); code 255 is a full cell of shade 6. Shade colours are those of
// the font, plus shade 200 = (15, 10, 0) for a rounding tie.
struct TestFont {
  std::vector<uint8_t> atlas = std::vector<uint8_t>(kFontAtlasBytes, 0);
  std::vector<uint8_t> shades = std::vector<uint8_t>(kFontShadeBytes, 0);
  TextFont font;
  TestFont() {
    auto fill = [&](int code, int row0, uint8_t shade) {
      for (int r = 0; r < 12; ++r)
        for (int i = 0; i < 9; ++i) atlas[static_cast<size_t>(row0 + r) * kFontAtlasW + glyph_col(code) + i] = shade;
    };
    fill('A', 0, 6);
    fill('A', 14, 3);
    fill(255, 0, 6);
    atlas[static_cast<size_t>(0) * kFontAtlasW + glyph_col('B')] = 6;
    atlas[static_cast<size_t>(11) * kFontAtlasW + glyph_col('B') + 8] = 9;
    const uint8_t base[12][3] = {{0, 0, 0},    {132, 130, 132}, {252, 2, 252},   {196, 194, 196}, {68, 66, 68},
                                 {188, 190, 188}, {252, 254, 252}, {100, 98, 68}, {28, 30, 28},    {132, 134, 132},
                                 {212, 210, 212}, {84, 82, 84}};
    for (int s = 0; s < 12; ++s)
      for (int c = 0; c < 3; ++c) shades[s * 3 + c] = base[s][c];
    shades[200 * 3] = 15, shades[200 * 3 + 1] = 10;
    build_glyph_palette(font, atlas, shades);
  }
};

FrameBuffer fresh() {
  FrameBuffer fb;
  fb.clear(kBack);
  return fb;
}

// Pixels that differ from the background, as (x, y) pairs.
std::set<std::pair<int, int>> changed(const FrameBuffer& fb) {
  std::set<std::pair<int, int>> out;
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x)
      if (fb.get(x, y) != kBack) out.insert({x, y});
  return out;
}

std::set<std::pair<int, int>> rect(int x0, int x1, int y0, int y1) {
  std::set<std::pair<int, int>> out;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) out.insert({x, y});
  return out;
}

TEST(GlyphPalette, EntriesMatchHandComputedColours) {
  TestFont t;
  const TextFont& f = t.font;
  EXPECT_EQ(f.colour_of(6, 1), 0xFCFEFCu);                    // (252,254,252) as it is
  EXPECT_EQ(f.colour_of(6, 2), (168u << 16) | (169u << 8) | 168u);  // floor(x / 1.5)
  EXPECT_EQ(f.colour_of(6, 3), (126u << 16) | (127u << 8) | 126u);  // floor(x / 2)
  EXPECT_EQ(f.colour_of(6, 4), 252u << 16);                    // red
  EXPECT_EQ(f.colour_of(3, 8), 129u << 8);                     // green, 194 / 1.5 = 129.3
  EXPECT_EQ(f.colour_of(3, 12), 98u);                          // blue, 196 / 2
  EXPECT_EQ(f.colour_of(6, 22), (252u << 16) | (178u << 8) | 76u);  // orange: 0.7 * 254, 0.3 * 252
  EXPECT_EQ(f.colour_of(6, 23), (168u << 16) | (118u << 8) | 50u);  // the factors apply to the floored value
  EXPECT_EQ(f.colour_of(3, 26), (39u << 16) | (90u << 8) | 130u);   // sky: 0.3 * 130, 0.7 * 129, 130
  EXPECT_EQ(f.colour_of(1, 29), (62u << 16) | (86u << 8) | 62u);    // pale green: 0.7 * 88 = 61.6, 86, 61.6
  // 0.3 * 15 = 4.5 rounds to the even 4; 0.7 * 10 = 7.
  EXPECT_EQ(f.colour_of(200, 25), (4u << 16) | (7u << 8));
  for (int s = 0; s < 256; ++s) {
    EXPECT_EQ(f.colour_of(s, 31), 0u) << "shade " << s;
  }
  for (int c = 1; c <= 31; ++c) EXPECT_EQ(f.colour_of(0, c), 0u);
}

TEST(GlyphDrawing, ClippedGlyphWritesOnlyInkInsideTheClip) {
  TestFont t;
  FrameBuffer fb = fresh();
  draw_glyph_clipped(fb, t.font, "A", 100, 100, 102, 105, 103, 103, 1, 1);
  EXPECT_EQ(changed(fb), rect(102, 105, 103, 103));
  EXPECT_EQ(fb.get(102, 103), 0xFCFEFCu);

  fb = fresh();
  draw_glyph_clipped(fb, t.font, "Bxyz", 10, 20, 0, 799, 0, 599, 1, 4);
  EXPECT_EQ(changed(fb), (std::set<std::pair<int, int>>{{10, 20}, {18, 31}}));
  EXPECT_EQ(fb.get(10, 20), 252u << 16);
  EXPECT_EQ(fb.get(18, 31), 132u << 16);

  // Face 2 reads atlas rows 14..25.
  fb = fresh();
  draw_glyph_clipped(fb, t.font, "A", 0, 0, 0, 799, 0, 599, 2, 1);
  EXPECT_EQ(changed(fb), rect(0, 8, 0, 11));
  EXPECT_EQ(fb.get(4, 4), 0xC4C2C4u);
}

TEST(GlyphDrawing, InvalidArgumentsDrawNothing) {
  TestFont t;
  FrameBuffer fb = fresh();
  for (int face : {0, 3, -1}) draw_glyph_clipped(fb, t.font, "A", 50, 50, 0, 799, 0, 599, face, 1);
  for (int colour : {0, 32}) draw_glyph_clipped(fb, t.font, "A", 50, 50, 0, 799, 0, 599, 1, colour);
  draw_glyph_clipped(fb, t.font, "", 50, 50, 0, 799, 0, 599, 1, 1);
  draw_glyph_clipped(fb, t.font, "\x1f", 50, 50, 0, 799, 0, 599, 1, 1);
  draw_glyph_clipped(fb, t.font, " ", 50, 50, 0, 799, 0, 599, 1, 1);  // a space has no ink
  draw_glyph_opaque(fb, t.font, "A", 50, 200, 0, 1);
  draw_glyph_opaque(fb, t.font, "A", 50, 200, 1, 32);
  draw_text_clipped(fb, t.font, "", 50, 50, 0, 799, 0, 599, 1, 1);
  EXPECT_TRUE(changed(fb).empty());

  // Colour 31 is black ink; code 255 is the last drawable glyph.
  draw_glyph_clipped(fb, t.font, "A", 50, 50, 0, 799, 0, 599, 1, 31);
  EXPECT_EQ(fb.get(50, 50), 0u);
  draw_glyph_clipped(fb, t.font, "\xff", 70, 50, 0, 799, 0, 599, 1, 1);
  EXPECT_EQ(fb.get(78, 61), 0xFCFEFCu);
}

TEST(GlyphDrawing, OpaqueGlyphPaintsTheWholeCellInsideRows193To569) {
  TestFont t;
  FrameBuffer fb = fresh();
  draw_glyph_opaque(fb, t.font, " ", 300, 300, 1, 5);  // a space becomes a black cell
  EXPECT_EQ(changed(fb), rect(300, 308, 300, 311));
  EXPECT_EQ(fb.get(300, 300), 0u);

  fb = fresh();
  draw_glyph_opaque(fb, t.font, "B", 40, 188, 1, 1);  // top rows 188..192 skipped
  EXPECT_EQ(changed(fb), rect(40, 48, 193, 199));
  draw_glyph_opaque(fb, t.font, "A", 60, 565, 1, 1);  // bottom rows 570..576 skipped
  EXPECT_EQ(changed(fb).size(), 9u * 7 + 9u * 5);
  EXPECT_EQ(fb.get(60, 569), 0xFCFEFCu);
  EXPECT_EQ(fb.get(60, 570), kBack);
}

TEST(GlyphDrawing, PrimitivesClipToTheFrameBuffer) {
  TestFont t;
  FrameBuffer fb = fresh();
  draw_glyph_clipped(fb, t.font, "A", 795, 595, 0, 2000, 0, 2000, 1, 1);
  draw_glyph_opaque(fb, t.font, "A", -4, 300, 1, 1);
  blend_rect(fb, -5, -5, 9, 9, 100, 255, 0, 0);
  draw_rule(fb, 0, 0, 790, 40, 1);
  draw_rule(fb, 0, 599, -10, 40, 8);
  auto c = changed(fb);
  std::set<std::pair<int, int>> want = rect(795, 799, 595, 599);
  for (auto p : rect(0, 4, 300, 311)) want.insert(p);
  for (auto p : rect(0, 4, 0, 4)) want.insert(p);
  for (auto p : rect(790, 799, 0, 1)) want.insert(p);
  for (auto p : rect(0, 30, 598, 599)) want.insert(p);
  EXPECT_EQ(c, want);
}

TEST(TextDrawing, CharactersStepNinePixelsWithOneClip) {
  TestFont t;
  FrameBuffer fb = fresh();
  draw_text_clipped(fb, t.font, "A A", 100, 100, 0, 799, 0, 599, 1, 1);
  auto want = rect(100, 108, 100, 111);
  for (auto p : rect(118, 126, 100, 111)) want.insert(p);
  EXPECT_EQ(changed(fb), want);

  fb = fresh();
  draw_text_clipped(fb, t.font, "AAAA", 100, 100, 110, 120, 0, 599, 1, 1);
  EXPECT_EQ(changed(fb), rect(110, 120, 100, 111));
}

TEST(BlendRect, CoversBothEndsWithThePerChannelFormula) {
  FrameBuffer fb = fresh();
  fb.put(10, 10, 0xFF00FF);
  blend_rect(fb, 10, 10, 9, 19, 100, 20, 250, 7);
  EXPECT_EQ(changed(fb), rect(10, 19, 10, 29));  // 10 x 20 pixels
  // floor((s * a + d * (256 - a)) / 256), channel by channel
  auto mix = [](int s, int d) { return static_cast<uint32_t>((s * 100 + d * 156) / 256); };
  EXPECT_EQ(fb.get(10, 10), mix(20, 255) << 16 | mix(250, 0) << 8 | mix(7, 255));
  EXPECT_EQ(fb.get(19, 29), mix(20, 0x12) << 16 | mix(250, 0x34) << 8 | mix(7, 0x56));
  EXPECT_EQ(fb.get(19, 29), (18u << 16) | (129u << 8) | 55u);

  fb = fresh();
  blend_rect(fb, 0, 0, 5, 5, 0, 255, 255, 255);  // alpha 0 leaves the pixels as they are
  EXPECT_TRUE(changed(fb).empty());
}

TEST(Rules, SolidStylesCoverWidthColumnsInTwoTones) {
  const uint32_t bright[8] = {0, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
  const uint32_t dim[8] = {0, 0x888888, 0x880000, 0x008800, 0x000088, 0x888800, 0x008888, 0x880088};
  for (int style = 1; style <= 7; ++style) {
    FrameBuffer fb = fresh();
    draw_rule(fb, 0, 300, 20, 750, style);
    EXPECT_EQ(changed(fb), rect(20, 769, 299, 301)) << "style " << style;
    EXPECT_EQ(fb.get(20, 300), bright[style]);
    EXPECT_EQ(fb.get(769, 299), dim[style]);
    EXPECT_EQ(fb.get(400, 301), dim[style]);
  }
  FrameBuffer fb = fresh();
  for (int style : {0, 9, -1}) draw_rule(fb, 0, 300, 20, 750, style);
  EXPECT_TRUE(changed(fb).empty());
}

TEST(Rules, RainbowCoversWidthPlusOneAndFollowsTheClock) {
  FrameBuffer fb = fresh();
  const double clock = 1234.5;
  draw_rule(fb, clock, 300, 20, 750, 8);
  EXPECT_EQ(changed(fb), rect(20, 770, 299, 301));
  for (int i : {0, 1, 377, 750}) {
    double t = clock + i;
    auto ch = [](double s, double amp, double off) {
      double v = s * amp + off, f = std::floor(v);
      // nearest, ties to even, written out
      int n = static_cast<int>(f);
      if (v - f > 0.5 || (v - f == 0.5 && n % 2 != 0)) ++n;
      return static_cast<uint32_t>(n);
    };
    double a = std::sin(t * 0.01), b = std::sin(t * 0.012 + 0.96), c = std::sin(t * 0.013 + 2.47);
    EXPECT_EQ(fb.get(20 + i, 300), ch(a, 124, 125) << 16 | ch(b, 124, 125) << 8 | ch(c, 124, 125)) << i;
    EXPECT_EQ(fb.get(20 + i, 299), ch(a, 64, 65) << 16 | ch(b, 64, 65) << 8 | ch(c, 64, 65)) << i;
    EXPECT_EQ(fb.get(20 + i, 301), fb.get(20 + i, 299));
  }
  // At clock 0, column 0: sin(0) = 0 gives red 125, the others as computed by hand.
  fb = fresh();
  draw_rule(fb, 0, 100, 0, 0, 8);
  EXPECT_EQ(fb.get(0, 100), (125u << 16) | (227u << 8) | 202u);  // 124 sin .96 = 101.57, 124 sin 2.47 = 77.19
}

// The generated font: layout, shades, and ink for every character the pages use.
TEST(GeneratedFont, HasTheLayoutAndShadesOfTheFont) {
  std::span<const uint8_t> data = font_data();
  ASSERT_EQ(data.size(), static_cast<size_t>(kFontAtlasBytes + kFontShadeBytes));
  const uint8_t base[12][3] = {{0, 0, 0},    {132, 130, 132}, {252, 2, 252},   {196, 194, 196}, {68, 66, 68},
                               {188, 190, 188}, {252, 254, 252}, {100, 98, 68}, {28, 30, 28},    {132, 134, 132},
                               {212, 210, 212}, {84, 82, 84}};
  for (int s = 0; s < 12; ++s)
    for (int c = 0; c < 3; ++c) EXPECT_EQ(data[kFontAtlasBytes + s * 3 + c], base[s][c]) << "shade " << s;
  for (int i = 0; i < kFontAtlasBytes; ++i) {
    ASSERT_LE(data[i], 11) << "atlas byte " << i;
    ASSERT_NE(data[i], 2) << "magenta shade at atlas byte " << i;
  }
}

TEST(GeneratedFont, EveryCharacterThePagesUseHasInkInBothFaces) {
  std::span<const uint8_t> data = font_data();
  ASSERT_EQ(data.size(), static_cast<size_t>(kFontAtlasBytes + kFontShadeBytes));
  // Pixels of a glyph with ink; with `solid`, only full-strength ink (not edge smoothing).
  auto ink = [&](int code, int row0, bool solid = false) {
    int n = 0;
    for (int r = 0; r < 12; ++r)
      for (int i = 0; i < 9; ++i) {
        int s = data[static_cast<size_t>(row0 + r) * kFontAtlasW + glyph_col(code) + i];
        n += solid ? (s == 3 || s == 5 || s == 6 || s == 10) : s != 0;
      }
    return n;
  };
  std::set<int> used;
  for (int p = 1; p <= kPageCount; ++p)
    for (int l = 0; l < PageTables::stored_lines(p); ++l)
      for (char c : PageTables::text(l, p)) used.insert(static_cast<unsigned char>(c));
  for (int c = 33; c < 127; ++c) used.insert(c);
  for (int c : {0xB0, 0xB1, 0xB2, 0xB3, 0xBF, 0xC0, 0xC4, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFA, 0xFE})
    used.insert(c);
  used.erase(' ');
  for (int c : used) {
    EXPECT_GT(ink(c, 0), 0) << "face 1, code " << c;
    EXPECT_GT(ink(c, 14), 0) << "face 2, code " << c;
  }
  EXPECT_EQ(ink(' ', 0), 0);
  EXPECT_EQ(ink(' ', 14), 0);
  // The bold face differs from the plain one for letters.
  int differing = 0;
  for (int c = 'A'; c <= 'Z'; ++c) differing += ink(c, 14, true) > ink(c, 0, true);
  EXPECT_EQ(differing, 26);
}

TEST(GeneratedFont, LinesAndBlocksReachTheCellEdgesSoTheyJoin) {
  std::span<const uint8_t> data = font_data();
  auto at = [&](int code, int r, int i) { return data[static_cast<size_t>(r) * kFontAtlasW + glyph_col(code) + i]; };
  for (int r = 0; r < 12; ++r) {
    EXPECT_NE(at(0xB3, r, 4), 0) << r;   // vertical line, every row
    EXPECT_NE(at(0xDB, r, 0), 0) << r;   // full block, both edges
    EXPECT_NE(at(0xDB, r, 8), 0) << r;
  }
  for (int i = 0; i < 9; ++i) EXPECT_NE(at(0xC4, 5, i), 0) << i;  // horizontal line, every column
  // Corners meet the lines: the line column reaches the top or bottom edge.
  EXPECT_NE(at(0xDA, 11, 4), 0);
  EXPECT_NE(at(0xDA, 5, 8), 0);
  EXPECT_NE(at(0xD9, 0, 4), 0);
  EXPECT_NE(at(0xD9, 5, 0), 0);
  // A shade pattern continues across the cell edge: column 8 of one cell and
  // column 0 of the next follow one 3-pixel period.
  for (int r = 0; r < 12; ++r) EXPECT_EQ(at(0xB0, r, 0) != 0, (r % 3) == 0) << r;
}

}  // namespace
}  // namespace zel
