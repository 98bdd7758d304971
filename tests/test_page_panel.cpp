// The page panel: which rows show, where, opaque or transparent, which rules
// are drawn, checked on FrameBuffer pixels with a hand-made font in which
// '#' is a full cell of ink and ' ' has none.

#include "render/layout.h"
#include "render/page_panel.h"
#include "tests/support.h"

namespace zel {
namespace {

using testing::Px;

constexpr uint32_t kBack = 0x123456;
constexpr uint32_t kInk = 0xFCFEFC;  // shade 6 in colour 1

struct Panel {
  FrameBuffer fb = testing::filled(kBack);
  TextFont font;
  std::unique_ptr<PageGrid> grid = std::make_unique<PageGrid>();
  int skin = kSkinGrunge;
  Panel() {
    std::vector<uint8_t> atlas(kFontAtlasBytes, 0), shades(kFontShadeBytes, 0);
    const size_t col = ('#' - 32) * 9 + 1;
    for (int row0 : {0, 14})  // both faces
      for (int k = 0; k < 108; ++k) atlas[static_cast<size_t>(row0 + k / 9) * kFontAtlasW + col + k % 9] = 6;
    shades[18] = 252, shades[19] = 254, shades[20] = 252;
    build_glyph_palette(font, atlas, shades);
  }
  // Line l: `text` from cell 1, face 1, colour 1, with the rule style string.
  void line(int l, const std::string& text, const std::string& rule) {
    PageRow& row = grid->rows[static_cast<size_t>(l)];
    for (size_t i = 0; i < text.size(); ++i) row.cells[i + 1] = {static_cast<uint8_t>(text[i]), 1, 1};
    row.rule = rule;
  }
  void draw(int first, int length = 40) {
    grid->page_length = length;
    draw_page_rules(fb, *grid, first, 0);
    draw_page_text(fb, font, *grid, first, skin);
  }
  void expect(std::initializer_list<Px> pixels) { testing::expect_pixels(fb, pixels); }
};

TEST(PagePanel, ScrollOffsetTwelveShowsRows193To198OfRowZero) {
  Panel p;
  for (int l = 0; l < 40; ++l) p.line(l, l == 0 ? "#" : "", "x");
  p.grid->scroll_offset = 12;
  p.draw(0);
  // Row 0 spans 187..198; cell 1 at x 32..40.
  for (int y = 193; y <= 198; ++y) EXPECT_EQ(p.fb.get(32, y), kInk) << y;
  p.expect({{32, 192, kBack}, {32, 199, kBack}, {31, 195, kBack}, {40, 195, kInk}, {41, 195, kBack}});
}

TEST(PagePanel, PlainRowsOneToThirtyAreOpaqueAndTheRestTransparent) {
  Panel p;
  for (int l = 0; l < 40; ++l) p.line(l, " ", "0");
  p.draw(5);
  // Without scrolling, row i spans 175 + 12 i .. + 11. Cell 0 (no character)
  // draws nothing, cell 1 (a space) is black; opaque cells clip at 193 too;
  // row 30 spans 535..546, rows 31 and 32 are transparent; nothing past the text.
  p.expect({{23, 193, kBack}, {32, 193, 0}, {32, 192, kBack}, {40, 546, 0}, {32, 547, kBack}, {32, 569, kBack},
            {41, 300, kBack}});
}

TEST(PagePanel, TransparentBandEndsAt569OnGrungeAnd570OnCarbon) {
  for (int skin : {1, 2, 7}) {
    SCOPED_TRACE(skin);
    Panel p;
    for (int l = 0; l < 40; ++l) p.line(l, "#", "1");
    p.grid->page_length = 40;
    draw_page_text(p.fb, p.font, *p.grid, 0, skin);
    // Row 32 spans 559..570.
    p.expect({{32, 569, kInk}, {32, 570, skin == 1 ? kBack : kInk}, {32, 571, kBack}});
  }
}

TEST(PagePanel, ShortPageDrawsNothingBelowItsEnd) {
  Panel p;
  p.line(0, "#", "1");
  p.line(1, "#", "0");
  p.line(2, "#", "2");
  p.line(3, "<END>", "4");  // a stale rule left in the end-marker row
  p.line(4, "#", "");       // and stale text past it (load_page clears the rules there)
  p.draw(0, 3);
  for (int i = 1; i <= 32; ++i) {
    bool changed = false;
    for (int y = 175 + 12 * i; y < 187 + 12 * i; ++y)
      for (int x = 0; x < kScreenW; ++x) changed |= p.fb.get(x, y) != kBack;
    EXPECT_EQ(changed, i < 3) << "row " << i;
  }
}

TEST(PagePanel, RulesSitBehindTheTextAcrossThePanel) {
  Panel p;
  const char* rules[] = {"1", "2", "08", "x", "x", "2.6"};
  for (int l = 0; l < 6; ++l) p.line(l, l == 1 ? "#" : l == 4 ? " " : "", rules[l]);
  p.draw(0);
  p.expect({{100, 181, kBack},  // row 0's centre 181 is outside 192 < y < 569: no rule
            // Row 1: red rule centred on 193, columns 20..769, the glyph on top.
            {20, 193, 0xFF0000}, {769, 194, 0x880000}, {770, 193, kBack}, {19, 193, kBack}, {32, 193, kInk},
            {771, 205, kBack},  // row 2 ("08"): a rainbow rule reaching column 770
            // Row 3 ("x"): no rule; row 4 ("x") is not a plain line, so its space stays transparent.
            {100, 217, kBack}, {32, 230, kBack},
            {100, 241, 0x00FF00}});  // row 5 ("2.6" rounds to 3): green
  EXPECT_NE(p.fb.get(770, 205), kBack);
}

TEST(PagePanel, RowsPastTheLastGridRowAreSkipped) {
  // A page without an end marker is 4999 lines long; scrolled to its end,
  // the panel would reach rows past 5000, which do not exist.
  Panel p;
  for (int l = 4990; l <= 5000; ++l) p.line(l, "#", "1");
  p.draw(4990, 4999);
  // Rows 1..8 show lines 4991..4998; row 9 (line 4999, the length) has no
  // rule; row 10 (line 5000) no text but still its rule; row 11 would be 5001.
  p.expect({{32, 193, kInk}, {32, 280, kInk}, {100, 289, kBack}, {32, 296, kBack}, {100, 301, 0xFFFFFF},
            {100, 313, kBack}});
}

TEST(PagePanel, RuleStyleStringsReadAsNumbers) {
  // Leading numeric text, rounded with ties to even.
  const std::pair<const char*, int> cases[] = {{"0", 0}, {"", 0},     {"x", 0},   {"08", 8},
                                               {"5abc", 5}, {"2.5", 2}, {"3.5", 4}};
  for (auto [s, want] : cases) EXPECT_EQ(page_rule_style(s), want) << "'" << s << "'";
}

}  // namespace
}  // namespace zel
