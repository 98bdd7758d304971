// The page compiler: page sources in, page tables out. Runs the real pagec
// binary on small sources and reads back the C++ it writes.
#include "tests/support.h"

namespace {

const std::string kPagec = ZEL_PAGEC;
using zel::testing::own_path;

struct Compiled {
  int status = -1;
  std::string cpp;     // the generated source
  std::string errors;  // what pagec said
};

Compiled compile(const std::string& page, const std::string& texts = "menu_title = T\n",
                  const std::string& figures = "") {
  std::ofstream(own_path("p.page"), std::ios::binary) << page;
  std::ofstream(own_path("t.txt"), std::ios::binary) << texts;
  std::ofstream(own_path("f.txt"), std::ios::binary) << figures;
  std::remove(own_path("out.cpp").c_str());
  zel::testing::Ran r = zel::testing::run_command(kPagec + " " + own_path("out.cpp") +
                                                  " " + own_path("t.txt") + " --figures " + own_path("f.txt") + " " +
                                                  own_path("p.page"));
  return {r.status, zel::testing::read_text(own_path("out.cpp")), r.err};
}

TEST(Pagec, MarkupBecomesAttributeStringsOf80) {
  Compiled c = compile("@page 3\n8|\n|ab{M}cd{f2}e{}f\n");
  ASSERT_EQ(c.status, 0) << c.errors;
  // Line 1: text "abcdef", colours 11MMM1 then padding, faces 11112 1 then padding.
  std::string colour = "11MMM1" + std::string(74, '1');
  std::string face = "111121" + std::string(74, '1');
  EXPECT_NE(c.cpp.find("std::string_view{\"abcdef\", 6}, std::string_view{\"" + colour + "\", 80}, std::string_view{\"" +
                       face + "\", 80}, std::string_view{\"0\", 1}"),
            std::string::npos)
      << c.cpp;
  // The rule style of the first line, the end marker after the last, the page's entry.
  for (const char* part : {"std::string_view{\"8\", 1}", "std::string_view{\"<END>\", 5}", "{kPage3, 3}"})
    EXPECT_NE(c.cpp.find(part), std::string::npos) << part;
}

TEST(Pagec, BoxCharactersBecomeCodePage437AndBracesEscape) {
  Compiled c = compile("@page 1\n|█▀▄░│─·■{{x}\n");
  ASSERT_EQ(c.status, 0) << c.errors;
  EXPECT_NE(c.cpp.find("\"\\333\\337\\334\\260\\263\\304\\372\\376{x}\", 11}"), std::string::npos) << c.cpp;
}

TEST(Pagec, TrailingBlankBeforeResetIsKeptAs81stCharacter) {
  std::string line(80, 'x');
  Compiled ok = compile("@page 2\n|" + line + " {}\n");
  EXPECT_EQ(ok.status, 0) << ok.errors;
  EXPECT_NE(ok.cpp.find(line + " \", 81}"), std::string::npos);
  Compiled bad = compile("@page 2\n|" + line + "y\n");
  EXPECT_TRUE(bad.status != 0 && bad.errors.find("p.page:2") != std::string::npos) << bad.errors;
}

TEST(Pagec, RefusesWhatThePagesCannotShow) {
  EXPECT_NE(compile("@page 1\n|caf\xC3\xA9\n").status, 0);      // é is code page 437 but not a page character
  EXPECT_NE(compile("|no page number\n").status, 0);             // missing @page
  EXPECT_NE(compile("@page 21\n|x\n").status, 0);                // outside 1..20
  EXPECT_NE(compile("@page 1\nno bar here\n").status, 0);        // not a page line
  EXPECT_NE(compile("@page 1\n|{Q\n").status, 0);                // unclosed markup
  EXPECT_NE(compile("@page 1\n|{zz}\n").status, 0);              // unknown markup
  EXPECT_NE(compile("@page 1\n|\xFF\xFE\n").status, 0);          // not UTF-8
}

TEST(Pagec, FiguresAreFilledInTheCurrentColourAndChecked) {
  const std::string figures = "# made by chartgen\nmay.flood.X Y = 13\nlong = " + std::string(70, '9') + "\n";
  Compiled c = compile("@page 2\n|ab {P}{=may.flood.X Y}{} cd\n", "menu_title = T\n", figures);
  ASSERT_EQ(c.status, 0) << c.errors;
  EXPECT_NE(c.cpp.find("{\"ab 13 cd\", 8}, std::string_view{\"111PP111"), std::string::npos) << c.cpp;
  Compiled unknown = compile("@page 2\n|\n|{=may.flood.Z}\n", "menu_title = T\n", figures);
  EXPECT_TRUE(unknown.status != 0 && unknown.errors.find("p.page:3") != std::string::npos) << unknown.errors;
  EXPECT_NE(compile("@page 2\n|0123456789 0123456789 {=long}\n", "menu_title = T\n", figures).status, 0);
  // In a table: right-aligned in a given width, and never wider.
  Compiled table = compile("@page 2\n|[{=may.flood.X Y:4}]\n", "menu_title = T\n", figures);
  EXPECT_NE(table.cpp.find("{\"[  13]\", 6}"), std::string::npos) << table.errors;
  EXPECT_NE(compile("@page 2\n|{=may.flood.X Y:1}\n", "menu_title = T\n", figures).status, 0);
}

TEST(Pagec, MenuEntriesFitAMenuColumn) {
  EXPECT_EQ(compile("@page 1\n|x\n", "entry 18 = > Interview with Quasar IX\n").status, 0);
  Compiled wide = compile("@page 1\n|x\n", "\nentry 18 = > Interview with Quasar Nine\n");
  EXPECT_TRUE(wide.status != 0 && wide.errors.find("t.txt:2") != std::string::npos) << wide.errors;
}

}  // namespace
