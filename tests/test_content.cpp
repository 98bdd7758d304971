// load_page: the PageGrid expanded from the page tables.
#include <gtest/gtest.h>

#include <memory>

#include "content/content.h"
#include "content/page_grid.h"
#include "render/layout.h"
#include "render/skin.h"

namespace zel {
namespace {

TEST(LoadPage, LengthIsTheEndMarkerLineAndScrollIsReset) {
  auto g = std::make_unique<PageGrid>();
  g->top_line = 17;
  g->scroll_offset = 6;
  load_page(*g, 11);
  EXPECT_EQ(g->page_length, PageTables::stored_lines(11) - 1);
  EXPECT_EQ(PageTables::text(g->page_length, 11).substr(0, 5), "<END>");
  EXPECT_EQ(g->top_line, 0);
  EXPECT_EQ(g->scroll_offset, 0);
  // Page numbers outside the issue have no lines at all, so no marker either.
  load_page(*g, 0);
  EXPECT_EQ(g->page_length, 4999);
}

TEST(LoadPage, CellsCarryTextColourAndFaceFromCellOne) {
  // The colour alphabet: "1".."9" and "A".."V" are 1..31, anything else 1.
  for (auto [c, want] : {std::pair{'1', 1}, {'9', 9}, {'A', 10}, {'M', 22}, {'V', 31}, {'W', 1}, {'0', 1}, {'a', 1}})
    EXPECT_EQ(colour_attribute_value(c), want) << c;
  auto g = std::make_unique<PageGrid>();
  load_page(*g, 11);
  for (int l = 0; l < g->page_length; ++l) {
    SCOPED_TRACE(l);
    const PageRow& row = g->rows[static_cast<size_t>(l)];
    EXPECT_FALSE(row.cells[0].has_char());
    EXPECT_EQ(row.cells[0].face, 0);
    PageLine line = PageTables::line_of(l, 11);
    for (size_t i = 1; i <= 80; ++i) {
      const PageCell& cell = row.cells[i];
      EXPECT_EQ(cell.ch, i <= line.text.size() ? static_cast<uint8_t>(line.text[i - 1]) : 0);
      EXPECT_EQ(cell.colour, colour_attribute_value(line.colour[i - 1]));
      EXPECT_EQ(cell.face, line.face[i - 1] - '0');
    }
    EXPECT_EQ(row.rule, std::string(line.rule));
  }
}

TEST(LoadPage, ShortPageAfterLongPageLeavesNoTextBelowItsEnd) {
  auto g = std::make_unique<PageGrid>();
  // Fill every row with leftovers, as a long page would.
  for (auto& row : g->rows) {
    for (auto& c : row.cells) c = {'X', 5, 2};
    row.rule = "8";
  }
  load_page(*g, 10);
  int end = g->page_length;
  ASSERT_GT(end, 0);
  for (int l = end + 1; l <= 4999; ++l) {
    const PageRow& row = g->rows[static_cast<size_t>(l)];
    for (const PageCell& c : row.cells) {
      ASSERT_FALSE(c.has_char()) << "row " << l;
      ASSERT_EQ(c.colour, 1);
      ASSERT_EQ(c.face, 0);
    }
    ASSERT_EQ(row.rule, "");
  }
  // The marker's own row is not rewritten; row 5000 is never loaded.
  EXPECT_EQ(g->rows[static_cast<size_t>(end)].cells[1].ch, 'X');
  EXPECT_EQ(g->rows[5000].cells[1].ch, 'X');
}

// The skins' button art against the fixed tints: a lit button (orange on
// 'Grunge', light blue on 'Carbon') must come out brighter than it is unlit,
// and a fully hovered one no darker, or lit buttons look disabled.
TEST(SkinArt, LitAndHoveredButtonsReadBrighterThanIdle) {
  Skins skins;
  decode_skins(skins);
  render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  // Lit tint (alpha, r, g, b) and the full hover glow, per skin.
  const double kLit[2][4] = {{125, 125, 70, 20}, {95, 100, 150, 250}};
  const double kHover[2][4] = {{125, 30, 50, 125}, {125, 50, 100, 250}};
  for (int s = 0; s < 2; ++s)
    for (int k = 1; k <= kButtonCount; ++k) {
      const ButtonRect& r = kButtonRects[s][k];
      // Mean luma of the button rectangle (inclusive) under a tint of alpha/256.
      auto luma = [&](const double* t) {
        double sum = 0, a = t[0] / 256;
        for (int y = r.y; y <= r.y + r.h; ++y)
          for (int x = r.x; x <= r.x + r.w; ++x) {
            uint32_t c = skins.backdrop[s][static_cast<size_t>(y) * kScreenW + x];
            double ch[3] = {double(c >> 16 & 0xFF), double(c >> 8 & 0xFF), double(c & 0xFF)};
            for (int i = 0; i < 3; ++i) ch[i] = ch[i] * (1 - a) + t[i + 1] * a;
            sum += 0.299 * ch[0] + 0.587 * ch[1] + 0.114 * ch[2];
          }
        return sum / ((r.w + 1) * (r.h + 1));
      };
      const double idle[4] = {0, 0, 0, 0};
      EXPECT_GT(luma(kLit[s]), luma(idle) * 1.1) << "skin " << s + 1 << " button " << k;
      EXPECT_GE(luma(kHover[s]), luma(idle)) << "skin " << s + 1 << " button " << k;
    }
}

}  // namespace
}  // namespace zel
