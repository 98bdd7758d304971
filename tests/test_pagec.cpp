// The page compiler: page sources in, page tables out. Runs the real pagec
// binary on small sources and reads back the C++ it writes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace {

const std::string kPagec = ZEL_PAGEC;

struct Compiled {
  int status = -1;
  std::string cpp;     // the generated source
  std::string errors;  // what pagec said
};

// A folder of this test's own: ctest runs the cases of one binary in parallel.
std::string dir() {
  std::string d = ::testing::TempDir() + "/pagec_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
  std::filesystem::create_directories(d);
  return d;
}

void write(const std::string& name, const std::string& text) {
  std::ofstream(dir() + "/" + name, std::ios::binary) << text;
}

std::string read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Compiled compile(const std::string& page, const std::string& texts = "menu_title = T\n") {
  write("p.page", page);
  write("t.txt", texts);
  std::string out = dir() + "/out.cpp", err = dir() + "/err.txt";
  std::remove(out.c_str());
  std::string cmd = kPagec + " " + out + " " + dir() + "/t.txt " + dir() + "/p.page 2> " + err;
  Compiled c;
  int rc = std::system(cmd.c_str());
  c.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  c.cpp = read(out);
  c.errors = read(err);
  return c;
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
  // The rule style of the first line and the end marker after the last.
  EXPECT_NE(c.cpp.find("std::string_view{\"8\", 1}"), std::string::npos);
  EXPECT_NE(c.cpp.find("std::string_view{\"<END>\", 5}"), std::string::npos);
  EXPECT_NE(c.cpp.find("{kPage3, 3}"), std::string::npos);
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
  EXPECT_NE(bad.status, 0);
  EXPECT_NE(bad.errors.find("p.page:2"), std::string::npos) << bad.errors;
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

TEST(Pagec, TextsBuildStatusLinesAndScroller) {
  Compiled c = compile("@page 1\n|x\n",
                       "menu_title = M\nstatus 2 = Song composed by Someone....\nscroller = \"  AB \"\nscroller = C\n");
  ASSERT_EQ(c.status, 0) << c.errors;
  std::string status = std::string(65, ' ') +
                       "F1 To select 'Grunge' skin    F2 To select 'Carbon' skin   Selected song: Song composed by "
                       "Someone....";
  EXPECT_NE(c.cpp.find(status), std::string::npos);
  EXPECT_NE(c.cpp.find(std::string(66, ' ') + "  AB C\", 72}"), std::string::npos);
}

}  // namespace
