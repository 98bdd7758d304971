// The pages and texts: the page table, the page alphabet and
// attribute lines, the status, intro and scroller texts, block lettering.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <sstream>
#include <string>

#include "content/content.h"
#include "tools/pagec/block_letters.h"
#include "tools/tool/registry.h"

namespace zel {
namespace {

struct PageRowSpec {
  int length;
  const char* entry;
};

// Lengths and menu entries of pages 1..20.
const PageRowSpec kTable[21] = {
    {0, ""},
    {35, "> Monthly Chart"},
    {36, "> Monthly Overview"},
    {63, "> Group Of The Month"},
    {1439, "> Group Release Stats"},
    {50, "> Yearly Stats"},
    {33, "> Yearly Overview"},
    {23, "> Group Of The Year"},
    {182, "> Alltime Stats"},
    {65, "> Alltime Overview"},
    {117, "Help"},
    {49, "> This Issues Editorial"},
    {411, "Rules"},
    {87, "> Credits For The Charts"},
    {59, "> Letters To The Editor"},
    {129, "> This Issues Music"},
    {7, "> Interview with you?"},
    {257, "> Standard ISO Rules 2010!"},
    {275, "> Interview with Quasar Nine"},
    {3, "> New ISO/DOX rules Status!"},
    {5, "> Article here"},
};

int page_length(int p) {
  for (int l = 0; l < PageTables::stored_lines(p); ++l)
    if (PageTables::text(l, p).substr(0, 5) == "<END>") return l;
  return 4999;
}

TEST(PageTable, LengthsEntriesAndEnabledFlags) {
  for (int p = 1; p <= 20; ++p) {
    EXPECT_EQ(page_length(p), kTable[p].length) << "page " << p;
    EXPECT_EQ(menu_entry(p), kTable[p].entry) << "page " << p;
    EXPECT_EQ(menu_enabled(p), p >= 19 ? 0 : 1) << "page " << p;
    // Exactly one end marker, and it is the last stored line.
    EXPECT_EQ(PageTables::stored_lines(p), kTable[p].length + 1) << "page " << p;
  }
  EXPECT_EQ(menu_title(), "THE ZELVORANT ISSUE 43");
  EXPECT_FALSE(window_title().empty());
  EXPECT_EQ(window_title().find('\n'), std::string_view::npos);
}

TEST(PageTable, ToolPrintsTheTable) {
  const tool::ToolCommand* pages = nullptr;
  for (auto& c : tool::commands())
    if (std::string(c.name) == "pages") pages = &c;
  ASSERT_NE(pages, nullptr);
  std::ostringstream out;
  auto* old = std::cout.rdbuf(out.rdbuf());
  int rc = pages->run({});
  std::cout.rdbuf(old);
  EXPECT_EQ(rc, 0);
  std::ostringstream want;
  for (int p = 1; p <= 20; ++p) want << p << "\t" << kTable[p].length << "\t" << kTable[p].entry << "\n";
  EXPECT_EQ(out.str(), want.str());
}

bool page_byte(unsigned char b) {
  if (b >= 0x20 && b <= 0x7E) return true;
  for (int ok : {0xB0, 0xB1, 0xB2, 0xB3, 0xBF, 0xC0, 0xC4, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF, 0xFA, 0xFE})
    if (b == ok) return true;
  return false;
}

TEST(PageLines, AlphabetLengthsAttributesAndRules) {
  for (int p = 1; p <= 20; ++p) {
    for (int l = 0; l < page_length(p); ++l) {
      PageLine line = PageTables::line_of(l, p);
      std::string where = "page " + std::to_string(p) + " line " + std::to_string(l);
      // At most 80 shown characters; an 81st only as a trailing blank.
      ASSERT_LE(line.text.size(), 81u) << where;
      if (line.text.size() == 81) {
        EXPECT_EQ(line.text[80], ' ') << where;
      }
      for (unsigned char b : line.text) EXPECT_TRUE(page_byte(b)) << where << " byte " << int(b);
      ASSERT_EQ(line.colour.size(), 80u) << where;
      ASSERT_EQ(line.face.size(), 80u) << where;
      for (char c : line.colour) EXPECT_TRUE((c >= '1' && c <= '9') || (c >= 'A' && c <= 'V')) << where;
      for (char c : line.face) EXPECT_TRUE(c == '1' || c == '2') << where;
      ASSERT_EQ(line.rule.size(), 1u) << where;
      EXPECT_NE(std::string("0124568").find(line.rule[0]), std::string::npos) << where << " rule " << line.rule;
      // A rule line carries no text of its own.
      if (line.rule != "0") {
        EXPECT_TRUE(line.text.empty()) << where;
      }
    }
  }
}

TEST(PageLines, SomeCentredHeadingsCarryTheTrailingBlank) {
  int with_81 = 0;
  for (int p = 1; p <= 20; ++p)
    for (int l = 0; l < page_length(p); ++l) with_81 += PageTables::text(l, p).size() == 81;
  EXPECT_GE(with_81, 3);
}

// The group of the month (page 3) and of the year (page 7) are the leaders
// of the monthly and yearly charts, written in block letters.
std::string chart_leader(int page) {
  for (int l = 0; l < page_length(page); ++l) {
    std::string_view t = PageTables::text(l, page);
    if (t.size() > 40 && t.substr(0, 8) == "      1.") {
      std::string name(t.substr(9, 24));
      return name.substr(0, name.find(".."));
    }
  }
  return {};
}

bool page_has_block_text(int page, const std::string& text, bool big) {
  std::vector<std::string> rows = blockletters::block_lines(text, big);
  for (int l = 0; l + static_cast<int>(rows.size()) <= page_length(page); ++l) {
    bool all = true;
    for (size_t r = 0; r < rows.size() && all; ++r) {
      std::string_view t = PageTables::text(l + static_cast<int>(r), page);
      size_t lead = t.find_first_not_of(' ');
      all = !rows[r].empty() && lead != std::string_view::npos && t.substr(lead) == rows[r].substr(rows[r].find_first_not_of(' '));
    }
    if (all) return true;
  }
  return false;
}

TEST(BlockLetters, GroupPagesCarryTheChartLeadersNames) {
  std::string month = chart_leader(1), year = chart_leader(5);
  ASSERT_FALSE(month.empty());
  ASSERT_FALSE(year.empty());
  EXPECT_TRUE(page_has_block_text(3, month, true)) << month;
  EXPECT_TRUE(page_has_block_text(7, year, true)) << year;
}

TEST(BlockLetters, GlyphsAreRectangularAndHalfBlocksPairRows) {
  for (const auto& g : blockletters::kGlyphs)
    for (int r = 1; r < 5; ++r) EXPECT_EQ(std::string(g.rows[r]).size(), std::string(g.rows[0]).size()) << g.ch;
  // "IT": I is ###/.#./.#./.#./###, T is #####/..#../..#../..#../..#..
  auto rows = blockletters::block_lines("it", false);
  ASSERT_EQ(rows.size(), 3u);
  const std::string F = "\xDB", U = "\xDF", L = "\xDC";
  EXPECT_EQ(rows[0], U + F + U + " " + U + U + F + U + U);    // rows 0+1
  EXPECT_EQ(rows[1], " " + F + "    " + F);                      // rows 2+3
  EXPECT_EQ(rows[2], U + U + U + "   " + U);                     // row 4
  EXPECT_TRUE(blockletters::block_lines("a{", false).empty());
  auto big = blockletters::block_lines("I", true);
  ASSERT_EQ(big.size(), 6u);
  EXPECT_EQ(big[0], F + F + F);
  EXPECT_EQ(big[1], " " + F + "\xB0\xB0");
  EXPECT_EQ(big[5], " \xB0\xB0\xB0");
  (void)L;
}

// ------------------------------------------------------------ texts

struct Credit {
  const char* title;
  const char* composer;
};
const Credit kSongs[5] = {{"", ""},
                          {"Neon Harbour", "Vektor Lane"},
                          {"Slow Tide", "Mira Solberg"},
                          {"Prism Gate", "Datacrest"},
                          {"Brass Alley", "Juno Okafor"}};

TEST(Texts, StatusLinesCreditTheFourModules) {
  const std::string fixed = "F1 To select 'Grunge' skin    F2 To select 'Carbon' skin   Selected song: ";
  for (int k = 1; k <= 4; ++k) {
    std::string s(status_line(k));
    std::string credit = std::string(kSongs[k].title) + " composed by " + kSongs[k].composer;
    ASSERT_GE(s.size(), 65 + fixed.size() + credit.size() + 4) << k;
    EXPECT_EQ(s.substr(0, 65), std::string(65, ' '));
    EXPECT_EQ(s.substr(65, fixed.size()), fixed);
    EXPECT_EQ(s.substr(65 + fixed.size(), credit.size()), credit);
    std::string dots = s.substr(65 + fixed.size() + credit.size());
    EXPECT_TRUE(dots == "...." || dots == ".....") << k << ": '" << dots << "'";
  }
}

TEST(Texts, IntroLines) {
  const char* want[10] = {"", "***************", "*THE ZELVORANT*", "***************", "", "issue number 43",
                          "Released on", "19-06-2010", "", "= TRY F1 TO F12 ="};
  for (int k = 1; k <= 9; ++k) EXPECT_EQ(intro_line(k), want[k]) << k;
}

TEST(Texts, ScrollerLengthMarkersAndAlphabet) {
  std::string s(scroller_text());
  EXPECT_EQ(s.size(), 948u);
  EXPECT_EQ(s.substr(0, 66), std::string(66, ' '));
  EXPECT_NE(s[66], ' ');
  EXPECT_EQ(std::count(s.begin(), s.end(), 'a'), 5);
  for (char c : s) {
    if (c == 'a') continue;
    EXPECT_TRUE(c >= 32 && c <= 90) << "'" << c << "' has no glyph in the big font";
  }
  const std::string request =
      " PLEASE PRESS THE -LEFT MOUSE- BUTTON OR -ESCAPE- TO BEGIN   ----   WE HOPE YOU ENJOY IT   ";
  size_t at = s.find(request);
  ASSERT_NE(at, std::string::npos);
  // The request is followed only by the row of asterisks that closes the text.
  std::string tail = s.substr(at + request.size());
  EXPECT_FALSE(tail.empty());
  EXPECT_EQ(tail.find_first_not_of('*'), std::string::npos);
  EXPECT_EQ(s.substr(66, 7), "WELCOME");
  EXPECT_NE(s.find("19-06-2010"), std::string::npos);
}

}  // namespace
}  // namespace zel
