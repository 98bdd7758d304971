// load_page: the PageGrid expanded from the page tables.

#include "content/content.h"
#include "content/page_grid.h"
#include "tests/support.h"

namespace zel {
namespace {

// A short page loaded over a long one: the length is the end-marker line, the
// scroll is reset, and nothing of the long page is left below the end.
TEST(LoadPage, ShortPageAfterLongPageLeavesNoTextBelowItsEndAndResetsTheScroll) {
  auto g = std::make_unique<PageGrid>();
  for (auto& row : g->rows) {
    for (auto& c : row.cells) c = {'X', 5, 2};
    row.rule = "8";
  }
  g->top_line = 17;
  g->scroll_offset = 6;
  load_page(*g, 10);
  const int end = g->page_length;
  EXPECT_EQ(end, PageTables::stored_lines(10) - 1);
  EXPECT_EQ(PageTables::text(end, 10).substr(0, 5), "<END>");
  EXPECT_EQ(std::pair(g->top_line, g->scroll_offset), std::pair(0, 0));
  for (int l = end + 1; l <= 4999; ++l) {
    const PageRow& row = g->rows[static_cast<size_t>(l)];
    for (const PageCell& c : row.cells) {
      ASSERT_FALSE(c.has_char()) << "row " << l;
      ASSERT_TRUE(c.colour == 1 && c.face == 0) << "row " << l;
    }
    ASSERT_EQ(row.rule, "");
  }
  // The marker's own row is not rewritten; row 5000 is never loaded.
  EXPECT_EQ(g->rows[static_cast<size_t>(end)].cells[1].ch, 'X');
  EXPECT_EQ(g->rows[5000].cells[1].ch, 'X');
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
    EXPECT_FALSE(row.cells[0].has_char() || row.cells[0].face);
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

}  // namespace
}  // namespace zel
