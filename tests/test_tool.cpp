// zelvorant-tool as a developer uses it: real process, real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support.h"

namespace {

using zel::testing::read_text;

const std::string kTool = std::string(ZEL_BINARY_DIR) + "/zelvorant-tool";

struct Result {
  int status = -1;
  std::string out;
};

// A name of this test's own: ctest runs the cases of one binary in parallel.
std::string own(const std::string& name) {
  return ::testing::TempDir() + "/tool_" + ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" + name;
}

Result run_tool(const std::string& args) {
  std::string out = own("out.txt");
  int rc = std::system((kTool + " " + args + " > " + out + " 2>&1").c_str());
  Result r;
  r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  r.out = read_text(out);
  return r;
}

std::string write_script(const std::string& name, const std::string& text) {
  std::string path = own(name);
  std::ofstream(path) << text;
  return path;
}

// The listing of `pages` itself is checked against the page table in test_pages.
TEST(Tool, PageRejectsNumbersOutsideTheIssue) {
  for (auto [arg, status] : {std::pair{"0", 2}, {"21", 2}, {"x", 2}, {"11", 0}})
    EXPECT_EQ(run_tool(std::string("page ") + arg).status, status) << arg;
}

TEST(Tool, RunEndsWithTheProgramsStatusOrZeroWhenTheScriptRunsOut) {
  std::string dir = own("shots");
  std::string quit = write_script("quit.txt", "wait 2.5s\nkey press ESCAPE\nwait 4s\nkey press ESCAPE\nwait 30\n");
  EXPECT_EQ(run_tool("run " + quit + " " + dir).status, 0);
  std::string shots = write_script("shots.txt", "wait 2.5s\nshot a.png\nprint phase\n");
  Result r = run_tool("run " + shots + " " + dir);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "phase=intro\n");
  EXPECT_EQ(read_text(dir + "/a.png").substr(1, 3), "PNG");
}

TEST(Tool, BadScriptOrCommandIsAUsageError) {
  std::string bad = write_script("bad.txt", "wiat 3\n");
  Result r = run_tool("run " + bad + " " + ::testing::TempDir());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("line 1"), std::string::npos);
  EXPECT_EQ(run_tool("no-such-command").status, 2);
  EXPECT_EQ(run_tool("run /no/such/script.txt /tmp").status, 2);
}

}  // namespace
