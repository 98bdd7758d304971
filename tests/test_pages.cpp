// The pages and texts: the page table, the status, intro and scroller texts, block lettering.


#include "content/content.h"
#include "tools/pagec/block_letters.h"
#include "tests/support.h"

namespace zel {
namespace {

// Lengths and menu entries of pages 1..20.
const std::pair<int, const char*> kTable[21] = {
    {0, ""},
    {35, "> Monthly Chart"},         {36, "> Monthly Overview"},          {63, "> Group Of The Month"},
    {1439, "> Group Release Stats"}, {50, "> Yearly Stats"},              {33, "> Yearly Overview"},
    {23, "> Group Of The Year"},     {182, "> Alltime Stats"},            {65, "> Alltime Overview"},
    {117, "Help"},                   {49, "> This Issues Editorial"},     {411, "Rules"},
    {87, "> Credits For The Charts"}, {59, "> Letters To The Editor"},    {129, "> This Issues Music"},
    {7, "> Interview with you?"},    {257, "> Standard ISO Rules 2010!"}, {275, "> Interview with Quasar IX"},
    {3, "> New ISO/DOX rules Status!"}, {5, "> Article here"}};

// Wrapped paragraphs: a line that goes on with the paragraph before it follows
// a plain text line, and that line was filled: the next word would not have
// fitted in 78 columns, so no figure left a short line in the middle.
TEST(PageTable, WrappedParagraphsAreFilledAndMarkedForReflowing) {
  int continued = 0;
  for (int p = 1; p <= 20; ++p)
    for (int l = 0; l < PageTables::stored_lines(p); ++l) {
      if (!page_line_continues(p, l)) continue;
      ++continued;
      SCOPED_TRACE("page " + std::to_string(p) + " line " + std::to_string(l));
      std::string_view before = PageTables::text(l - 1, p), text = PageTables::text(l, p);
      ASSERT_FALSE(before.empty());
      EXPECT_EQ(PageTables::rule(l, p), "0");
      text.remove_prefix(std::min(text.find_first_not_of(' '), text.size()));
      EXPECT_GT(before.size() + 1 + text.substr(0, text.find(' ')).size(), 78u);
      EXPECT_LE(before.size(), 78u);
    }
  EXPECT_GT(continued, 50);
  EXPECT_FALSE(page_line_continues(2, -1) || page_line_continues(21, 1) || page_line_continues(2, 5000));
}

TEST(PageTable, LengthsEntriesAndEnabledFlags) {
  for (int p = 1; p <= 20; ++p) {
    SCOPED_TRACE("page " + std::to_string(p));
    EXPECT_EQ(menu_entry(p), kTable[p].second);
    EXPECT_EQ(menu_enabled(p), p >= 19 ? 0 : 1);
    // Exactly one end marker, and it is the last stored line.
    EXPECT_EQ(PageTables::stored_lines(p), kTable[p].first + 1);
    for (int l = 0; l <= kTable[p].first; ++l) EXPECT_EQ(PageTables::text(l, p).starts_with("<END>"), l == kTable[p].first) << l;
  }
  EXPECT_EQ(menu_entry(0).size() + menu_entry(21).size(), 0u);
  EXPECT_EQ(menu_title(), "THE ZELVORANT ISSUE 43");
  EXPECT_FALSE(window_title().empty() || window_title().find('\n') != std::string_view::npos);
}

// The group of the month (page 3) and of the year (page 7) are the leaders
// of the monthly and yearly charts (pages 1 and 5), written in block letters.
TEST(BlockLetters, HalfBlocksPairRowsAndTheBigOnesCastAShadow) {
  // "IT": I is ###/.#./.#./.#./###, T is #####/..#../..#../..#../..#..
  auto rows = blockletters::block_lines("it", false);
  const std::string F = "\xDB", U = "\xDF";
  EXPECT_EQ(rows, (std::vector<std::string>{U + F + U + " " + U + U + F + U + U,  // rows 0+1
                                            " " + F + "    " + F,                 // rows 2+3
                                            U + U + U + "   " + U}));             // row 4
  EXPECT_TRUE(blockletters::block_lines("a{", false).empty());
  auto big = blockletters::block_lines("I", true);
  ASSERT_EQ(big.size(), 6u);
  EXPECT_EQ(big[0], F + F + F);
  EXPECT_EQ(big[1], " " + F + "\xB0\xB0");
  EXPECT_EQ(big[5], " \xB0\xB0\xB0");
}

// ------------------------------------------------------------ texts

TEST(Texts, StatusLinesCreditTheFourModules) {
  const std::string head =
      std::string(65, ' ') + "F1 To select 'Grunge' skin    F2 To select 'Carbon' skin   Selected song: ";
  for (int k = 1; k <= 4; ++k) {
    std::string s(status_line(k));
    ASSERT_EQ(s.substr(0, head.size()), head) << k;
    // "TITLE composed by AUTHOR" and four or five dots.
    std::string credit = s.substr(head.size(), s.find('.') - head.size());
    EXPECT_TRUE(credit.find(" composed by ") != std::string::npos &&
                (s.ends_with(credit + "....") || s.ends_with(credit + "....."))) << s;
  }
}

TEST(Texts, ScrollerLengthMarkersAndAlphabet) {
  std::string s(scroller_text());
  EXPECT_EQ(s.size(), 948u);
  EXPECT_EQ(s.substr(0, 73), std::string(66, ' ') + "WELCOME");
  EXPECT_EQ(std::count(s.begin(), s.end(), 'a'), 5);
  for (char c : s) EXPECT_TRUE(c == 'a' || (c >= 32 && c <= 90)) << "'" << c << "' has no glyph in the big font";
  const std::string request =
      " PLEASE PRESS THE -LEFT MOUSE- BUTTON OR -ESCAPE- TO BEGIN   ----   WE HOPE YOU ENJOY IT   ";
  size_t at = s.find(request);
  ASSERT_NE(at, std::string::npos);
  // The request is followed only by the row of asterisks that closes the text.
  EXPECT_EQ(s.substr(at + request.size()), std::string(s.size() - at - request.size(), '*'));
  EXPECT_NE(s.find("19-06-2010"), std::string::npos);
}

}  // namespace
}  // namespace zel
