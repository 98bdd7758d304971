// The magazine's command line: option parsing, and the real program's exits
// for texts, wrong options and a missing display.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "core/options.h"

namespace zel {
namespace {

TEST(Options, TableOfCommandLines) {
  using A = Options::Action;
  struct Case {
    std::vector<const char*> args;
    const char* scale_env;
    A action;
    bool window;
    bool integer;
  };
  const Case cases[] = {
      {{}, nullptr, A::Run, false, false},
      {{"--window"}, nullptr, A::Run, true, false},
      {{"--integer-scale", "--window"}, nullptr, A::Run, true, true},
      {{}, "integer", A::Run, false, true},
      {{}, "sharp", A::Run, false, false},
      {{}, "Integer", A::Run, false, false},
      {{"--help"}, nullptr, A::Help, false, false},
      {{"-h", "--version"}, nullptr, A::Help, false, false},
      {{"--version"}, nullptr, A::Version, false, false},
      {{"--window", "--fullscreen"}, nullptr, A::Usage, true, false},
      {{"--help", "--bogus"}, nullptr, A::Usage, false, false},
      {{"page"}, nullptr, A::Usage, false, false},
      {{""}, nullptr, A::Usage, false, false},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"zelvorant"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Options o = parse_options(static_cast<int>(argv.size()), argv.data(), c.scale_env);
    std::string line = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(o.action, c.action) << line;
    EXPECT_EQ(o.window, c.window) << line;
    EXPECT_EQ(o.integer_scaling, c.integer) << line;
    EXPECT_EQ(o.error.empty(), c.action != A::Usage) << line;
  }
}

std::vector<std::string> lines_of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> v;
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// The real program with no display to reach (DISPLAY and WAYLAND_DISPLAY
// unset): texts and wrong options need none; anything else must fail fast
// with one line instead of running unseen.
TEST(Program, ExitsOfTheRealProgram) {
  struct Case {
    const char* args;
    int status;
    const char* first_line;  // of stdout for status 0, of stderr otherwise
    size_t stderr_lines;
  };
  const Case cases[] = {
      {"--help", 0, "Usage: zelvorant [--window] [--integer-scale]", 0},
      {"--version", 0, "zelvorant ", 0},
      {"--window --bogus", 2, "zelvorant: unknown option '--bogus'", 0},
      {"", 255, "zelvorant: cannot open the display: ", 1},
      {"--window", 255, "zelvorant: cannot open the display: ", 1},
  };
  const std::string dir = ::testing::TempDir();
  for (const Case& c : cases) {
    std::string cmd = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy ") +
                      ZEL_BINARY_DIR "/zelvorant " + c.args + " >" + dir + "/out.txt 2>" + dir + "/err.txt";
    auto t0 = std::chrono::steady_clock::now();
    int raw = std::system(cmd.c_str());
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    ASSERT_TRUE(WIFEXITED(raw)) << c.args;
    EXPECT_EQ(WEXITSTATUS(raw), c.status) << c.args;
    EXPECT_LT(seconds, 2.0) << c.args;
    auto out = lines_of(dir + "/out.txt");
    auto err = lines_of(dir + "/err.txt");
    const auto& shown = c.status == 0 ? out : err;
    ASSERT_FALSE(shown.empty()) << c.args;
    EXPECT_EQ(shown[0].rfind(c.first_line, 0), 0u) << c.args << ": " << shown[0];
    if (c.stderr_lines) {
      EXPECT_EQ(err.size(), c.stderr_lines) << c.args;
    }
  }
}

}  // namespace
}  // namespace zel
