// Page tables and load_page.
#include <gtest/gtest.h>

#include <memory>

#include "content/content.h"
#include "content/page_grid.h"
#include "render/skin.h"

namespace zel {
namespace {

std::unique_ptr<PageGrid> fresh_grid() { return std::make_unique<PageGrid>(); }

TEST(LoadPage, LengthIsTheEndMarkerLineAndScrollIsReset) {
  auto g = fresh_grid();
  g->top_line = 17;
  g->scroll_offset = 6;
  load_page(*g, 11);
  EXPECT_EQ(g->page_length, PageTables::stored_lines(11) - 1);
  EXPECT_EQ(PageTables::text(g->page_length, 11).substr(0, 5), "<END>");
  EXPECT_EQ(g->top_line, 0);
  EXPECT_EQ(g->scroll_offset, 0);
}

TEST(LoadPage, PageWithoutEndMarkerHasLength4999) {
  auto g = fresh_grid();
  // Page numbers outside the issue have no lines at all, so no marker either.
  load_page(*g, 0);
  EXPECT_EQ(g->page_length, 4999);
  for (int p = 1; p <= kPageCount; ++p) {
    if (PageTables::stored_lines(p) == 0) {
      load_page(*g, p);
      EXPECT_EQ(g->page_length, 4999) << "page " << p;
    }
  }
}

TEST(LoadPage, CellZeroIsBlankAndTextStartsInCellOne) {
  auto g = fresh_grid();
  load_page(*g, 11);
  for (int l = 0; l < g->page_length; ++l) {
    const PageRow& row = g->rows[static_cast<size_t>(l)];
    EXPECT_FALSE(row.cells[0].has_char());
    EXPECT_EQ(row.cells[0].colour, 1);
    EXPECT_EQ(row.cells[0].face, 0);
    std::string_view text = PageTables::text(l, 11);
    for (int i = 1; i <= 80; ++i) {
      if (static_cast<size_t>(i) <= text.size())
        EXPECT_EQ(row.cells[i].ch, static_cast<uint8_t>(text[static_cast<size_t>(i) - 1]));
      else
        EXPECT_FALSE(row.cells[i].has_char());
    }
    EXPECT_EQ(row.rule, std::string(PageTables::rule(l, 11)));
  }
}

TEST(LoadPage, AttributesFollowTheColourAlphabet) {
  EXPECT_EQ(colour_attribute_value('1'), 1);
  EXPECT_EQ(colour_attribute_value('9'), 9);
  EXPECT_EQ(colour_attribute_value('A'), 10);
  EXPECT_EQ(colour_attribute_value('M'), 22);
  EXPECT_EQ(colour_attribute_value('V'), 31);
  EXPECT_EQ(colour_attribute_value('W'), 1);
  EXPECT_EQ(colour_attribute_value('0'), 1);
  EXPECT_EQ(colour_attribute_value('a'), 1);
  EXPECT_EQ(colour_attribute_value(' '), 1);
  auto g = fresh_grid();
  load_page(*g, 11);
  for (int l = 0; l < g->page_length; ++l) {
    std::string_view colour = PageTables::colour(l, 11);
    std::string_view face = PageTables::face(l, 11);
    for (int i = 1; i <= 80; ++i) {
      EXPECT_EQ(g->rows[static_cast<size_t>(l)].cells[i].colour, colour_attribute_value(colour[static_cast<size_t>(i) - 1]));
      EXPECT_EQ(g->rows[static_cast<size_t>(l)].cells[i].face, face[static_cast<size_t>(i) - 1] - '0');
    }
  }
}

TEST(LoadPage, ShortPageAfterLongPageLeavesNoTextBelowItsEnd) {
  auto g = fresh_grid();
  // Fill every row with leftovers, as a long page would.
  for (auto& row : g->rows) {
    for (auto& c : row.cells) {
      c.ch = 'X';
      c.colour = 5;
      c.face = 2;
    }
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

TEST(RuleStyle, ReadAsANumber) {
  EXPECT_EQ(rule_style_number("8"), 8);
  EXPECT_EQ(rule_style_number("08"), 8);
  EXPECT_EQ(rule_style_number(""), 0);
  EXPECT_EQ(rule_style_number("x"), 0);
  EXPECT_EQ(rule_style_number("0"), 0);
}

TEST(Texts, MenuTablesAndStatusLines) {
  EXPECT_EQ(menu_title(), "THE ZELVORANT ISSUE 43");
  EXPECT_EQ(menu_entry(11), "> This Issues Editorial");
  EXPECT_EQ(menu_entry(10), "Help");
  EXPECT_EQ(menu_entry(12), "Rules");
  EXPECT_EQ(menu_entry(0), "");
  EXPECT_EQ(menu_entry(21), "");
  for (int k = 1; k <= 18; ++k) EXPECT_EQ(menu_enabled(k), 1) << k;
  EXPECT_EQ(menu_enabled(19), 0);
  EXPECT_EQ(menu_enabled(20), 0);
  for (int s = 1; s <= 4; ++s) {
    std::string_view line = status_line(s);
    ASSERT_GT(line.size(), 65u);
    EXPECT_EQ(line.substr(0, 65), std::string(65, ' '));
    EXPECT_EQ(line.substr(65, 74), "F1 To select 'Grunge' skin    F2 To select 'Carbon' skin   Selected song: ");
    EXPECT_NE(line.find(" composed by "), std::string_view::npos);
  }
  EXPECT_EQ(intro_line(2), "*THE ZELVORANT*");
  EXPECT_EQ(intro_line(1).size(), intro_line(2).size());
  EXPECT_EQ(scroller_text().substr(0, 66), std::string(66, ' '));
  EXPECT_FALSE(window_title().empty());
}

// The skins' button art against the fixed tints: a lit button (orange on
// 'Grunge', light blue on 'Carbon') must come out brighter than it is unlit,
// and a fully hovered one no darker, or lit buttons look disabled.
TEST(SkinArt, LitAndHoveredButtonsReadBrighterThanIdle) {
  Skins skins;
  decode_skins(skins);
  render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  const int rects[2][10][4] = {
      {{35, 40, 88, 19}, {35, 65, 88, 19}, {35, 90, 88, 19}, {672, 65, 88, 19}, {672, 90, 88, 19},
       {672, 40, 88, 19}, {9, 132, 57, 19}, {73, 132, 57, 19}, {665, 132, 57, 19}, {729, 132, 57, 19}},
      {{25, 49, 76, 19}, {25, 73, 76, 19}, {25, 97, 76, 19}, {698, 73, 76, 19}, {698, 97, 76, 19},
       {698, 49, 76, 19}, {18, 137, 43, 8}, {79, 137, 44, 8}, {669, 137, 44, 8}, {733, 137, 43, 8}}};
  // Lit tint (alpha, r, g, b) and the full hover glow, per skin.
  const double kLit[2][4] = {{125, 125, 70, 20}, {95, 100, 150, 250}};
  const double kHover[2][4] = {{125, 30, 50, 125}, {125, 50, 100, 250}};
  for (int s = 0; s < 2; ++s)
    for (int k = 0; k < 10; ++k) {
      const int* r = rects[s][k];
      // Mean luma of the button rectangle (inclusive) under a tint of alpha/256.
      auto luma = [&](const double* t) {
        double sum = 0, a = t[0] / 256;
        for (int y = r[1]; y <= r[1] + r[3]; ++y)
          for (int x = r[0]; x <= r[0] + r[2]; ++x) {
            uint32_t c = skins.backdrop[s][static_cast<size_t>(y) * kScreenW + x];
            double ch[3] = {double(c >> 16 & 0xFF), double(c >> 8 & 0xFF), double(c & 0xFF)};
            for (int i = 0; i < 3; ++i) ch[i] = ch[i] * (1 - a) + t[i + 1] * a;
            sum += 0.299 * ch[0] + 0.587 * ch[1] + 0.114 * ch[2];
          }
        return sum / ((r[2] + 1) * (r[3] + 1));
      };
      const double idle[4] = {0, 0, 0, 0};
      EXPECT_GT(luma(kLit[s]), luma(idle) * 1.1) << "skin " << s + 1 << " button " << k + 1;
      EXPECT_GE(luma(kHover[s]), luma(idle)) << "skin " << s + 1 << " button " << k + 1;
    }
}

}  // namespace
}  // namespace zel
