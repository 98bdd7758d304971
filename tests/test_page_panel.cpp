// The page panel: which rows show, where, opaque or transparent, which rules
// are drawn, checked on FrameBuffer pixels with a hand-made font in which
// '#' is a full cell of ink and ' ' has none.
#include <gtest/gtest.h>

#include <vector>

#include "core/app.h"
#include "platform/headless_platform.h"
#include "render/page_panel.h"

namespace zel {
namespace {

constexpr uint32_t kBack = 0x123456;
constexpr uint32_t kInk = 0xFCFEFC;  // shade 6 in colour 1

struct Panel {
  HeadlessPlatform platform;
  App app{platform};
  Panel() {
    std::vector<uint8_t> atlas(kFontAtlasBytes, 0), shades(kFontShadeBytes, 0);
    int col = ('#' - 32) * 9 + 1;
    for (int row0 : {0, 14})
      for (int r = 0; r < 12; ++r)
        for (int i = 0; i < 9; ++i) atlas[static_cast<size_t>(row0 + r) * kFontAtlasW + col + i] = 6;
    shades[18] = 252, shades[19] = 254, shades[20] = 252;
    build_glyph_palette(app.font, atlas, shades);
    app.fb.clear(kBack);
    for (auto& row : app.grid.rows) row = PageRow{};
  }
  // Line l: `text` from cell 1, face 1, colour 1, with the rule style string.
  void line(int l, const std::string& text, const std::string& rule) {
    PageRow& row = app.grid.rows[static_cast<size_t>(l)];
    for (size_t i = 0; i < text.size(); ++i) {
      row.cells[i + 1].ch = static_cast<uint8_t>(text[i]);
      row.cells[i + 1].face = 1;
    }
    row.rule = rule;
  }
  uint32_t px(int x, int y) const { return app.fb.get(x, y); }
  void draw(int first) {
    draw_page_rules(app, first);
    draw_page_text(app, first);
  }
};

TEST(PagePanel, ScrollOffsetTwelveShowsRows193To198OfRowZero) {
  Panel p;
  for (int l = 0; l < 40; ++l) p.line(l, l == 0 ? "#" : "", "x");
  p.app.grid.page_length = 40;
  p.app.grid.scroll_offset = 12;
  p.draw(0);
  // Row 0 spans 187..198; cell 1 at x 32..40.
  EXPECT_EQ(p.px(32, 192), kBack);
  for (int y = 193; y <= 198; ++y) EXPECT_EQ(p.px(32, y), kInk) << y;
  EXPECT_EQ(p.px(32, 199), kBack);
  EXPECT_EQ(p.px(31, 195), kBack);
  EXPECT_EQ(p.px(40, 195), kInk);
  EXPECT_EQ(p.px(41, 195), kBack);
}

TEST(PagePanel, PlainRowsOneToThirtyAreOpaqueAndTheRestTransparent) {
  Panel p;
  for (int l = 0; l < 40; ++l) p.line(l, " ", "0");
  p.app.grid.page_length = 40;
  p.draw(5);
  // Without scrolling, row i spans 175 + 12 i .. + 11.
  EXPECT_EQ(p.px(23, 193), kBack);  // cell 0 (no character) draws nothing; cell 1 (a space) is black
  EXPECT_EQ(p.px(32, 193), 0u);
  EXPECT_EQ(p.px(32, 192), kBack);  // opaque cells clip at 193 too
  EXPECT_EQ(p.px(40, 546), 0u);     // row 30 spans 535..546
  EXPECT_EQ(p.px(32, 547), kBack);  // rows 31 and 32 are transparent
  EXPECT_EQ(p.px(32, 569), kBack);
  EXPECT_EQ(p.px(41, 300), kBack);  // past the text of the line
}

TEST(PagePanel, TransparentBandEndsAt569OnGrungeAnd570OnCarbon) {
  for (int skin : {1, 2, 7}) {
    Panel p;
    for (int l = 0; l < 40; ++l) p.line(l, "#", "1");
    p.app.grid.page_length = 40;
    p.app.nav.skin = skin;
    p.app.grid.scroll_offset = 0;
    draw_page_text(p.app, 0);
    EXPECT_EQ(p.px(32, 569), kInk) << skin;  // row 32 spans 559..570
    EXPECT_EQ(p.px(32, 570), skin == 1 ? kBack : kInk) << skin;
    EXPECT_EQ(p.px(32, 571), kBack);
  }
}

TEST(PagePanel, ShortPageDrawsNothingBelowItsEnd) {
  Panel p;
  p.line(0, "#", "1");
  p.line(1, "#", "0");
  p.line(2, "#", "2");
  p.line(3, "<END>", "4");  // a stale rule left in the end-marker row
  p.line(4, "#", "");       // and stale text past it (load_page clears the rules there)
  p.app.grid.page_length = 3;
  p.draw(0);
  auto row_changed = [&](int i) {
    for (int y = 175 + 12 * i; y < 187 + 12 * i; ++y)
      for (int x = 0; x < kScreenW; ++x)
        if (p.px(x, y) != kBack) return true;
    return false;
  };
  EXPECT_TRUE(row_changed(1));
  EXPECT_TRUE(row_changed(2));
  for (int i = 3; i <= 32; ++i) EXPECT_FALSE(row_changed(i)) << "row " << i;
}

TEST(PagePanel, RulesSitBehindTheTextAcrossThePanel) {
  Panel p;
  p.line(0, "", "1");
  p.line(1, "#", "2");
  p.line(2, "", "08");
  p.line(3, "", "x");
  p.line(4, " ", "x");
  p.line(5, "", "2.6");
  p.app.grid.page_length = 40;
  p.draw(0);
  // Row 0's centre is 181 (outside 192 < y < 569): no rule.
  EXPECT_EQ(p.px(100, 181), kBack);
  // Row 1: red rule centred on 193, columns 20..769, the glyph on top.
  EXPECT_EQ(p.px(20, 193), 0xFF0000u);
  EXPECT_EQ(p.px(769, 194), 0x880000u);
  EXPECT_EQ(p.px(770, 193), kBack);
  EXPECT_EQ(p.px(19, 193), kBack);
  EXPECT_EQ(p.px(32, 193), kInk);
  // Row 2 ("08"): a rainbow rule reaching column 770.
  EXPECT_NE(p.px(770, 205), kBack);
  EXPECT_EQ(p.px(771, 205), kBack);
  // Row 3 ("x"): no rule; row 4 ("x") is not a plain line, so its space stays transparent.
  EXPECT_EQ(p.px(100, 217), kBack);
  EXPECT_EQ(p.px(32, 230), kBack);
  // Row 5 ("2.6" rounds to 3): green.
  EXPECT_EQ(p.px(100, 241), 0x00FF00u);
}

TEST(PagePanel, RowsPastTheLastGridRowAreSkipped) {
  // A page without an end marker is 4999 lines long; scrolled to its end,
  // the panel would reach rows past 5000, which do not exist.
  Panel p;
  for (int l = 4990; l <= 5000; ++l) p.line(l, "#", "1");
  p.app.grid.page_length = 4999;
  p.draw(4990);
  EXPECT_EQ(p.px(32, 193), kInk);       // row 1 shows line 4991
  EXPECT_EQ(p.px(32, 280), kInk);       // row 8 shows line 4998, the last
  EXPECT_EQ(p.px(100, 289), kBack);     // row 9 (line 4999, the length): no rule
  EXPECT_EQ(p.px(32, 296), kBack);      // row 10: no text past the page
  EXPECT_EQ(p.px(100, 301), 0xFFFFFFu);  // row 10 (line 5000) still has its rule
  EXPECT_EQ(p.px(100, 313), kBack);      // row 11 would be line 5001
}

TEST(PagePanel, RuleStyleStringsReadAsNumbers) {
  EXPECT_EQ(page_rule_style("0"), 0);
  EXPECT_EQ(page_rule_style(""), 0);
  EXPECT_EQ(page_rule_style("x"), 0);
  EXPECT_EQ(page_rule_style("08"), 8);
  EXPECT_EQ(page_rule_style("5abc"), 5);
  EXPECT_EQ(page_rule_style("2.5"), 2);  // ties to even
  EXPECT_EQ(page_rule_style("3.5"), 4);
}

TEST(PagePanel, RealPageOnTheGeneratedFontStaysInsideThePanel) {
  HeadlessPlatform platform;
  App app(platform);
  build_glyph_palette(app.font);
  load_page(app.grid, 11);
  app.fb.clear(kBack);
  draw_page_rules(app, 0);
  draw_page_text(app, 0);
  int inked = 0;
  for (int y = 0; y < kScreenH; ++y)
    for (int x = 0; x < kScreenW; ++x)
      if (app.fb.get(x, y) != kBack) {
        ++inked;
        ASSERT_TRUE(y >= 193 && y <= 569 && x >= 20 && x <= 770) << x << "," << y;
      }
  EXPECT_GT(inked, 1000);
}

}  // namespace
}  // namespace zel
