// The magazine's command line: option parsing, and the real program's exits
// for texts, wrong options and a missing display.
#include <chrono>

#include "core/options.h"
#include "tests/support.h"

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
      {{"--integer-scale", "--window"}, nullptr, A::Run, true, true},
      {{}, "integer", A::Run, false, true},
      {{}, "Integer", A::Run, false, false},
      {{"-h", "--version"}, nullptr, A::Help, false, false},
      {{"--version"}, nullptr, A::Version, false, false},
      {{"--window", "--fullscreen"}, nullptr, A::Usage, true, false},
      {{"--help", "--bogus"}, nullptr, A::Usage, false, false},
      {{""}, nullptr, A::Usage, false, false},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"zelvorant"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    Options o = parse_options(static_cast<int>(argv.size()), argv.data(), c.scale_env);
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0]);
    EXPECT_EQ(o.action, c.action);
    EXPECT_EQ(std::pair(o.window, o.integer_scaling), std::pair(c.window, c.integer));
    EXPECT_EQ(o.error.empty(), c.action != A::Usage);
  }
}

// The real program with no display to reach (DISPLAY and WAYLAND_DISPLAY
// unset): texts and wrong options need none; anything else must fail fast
// with one line instead of running unseen.
TEST(Program, ExitsOfTheRealProgram) {
  struct Case {
    const char* args;
    int status;
    const char* first_line;  // of stdout for status 0, of stderr otherwise
  };
  const Case cases[] = {
      {"--help", 0, "Usage: zelvorant [--window] [--integer-scale]"},
      {"--version", 0, "zelvorant "},
      {"--window --bogus", 2, "zelvorant: unknown option '--bogus'"},
      {"", 255, "zelvorant: cannot open the display: "},
      {"--window", 255, "zelvorant: cannot open the display: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    auto t0 = std::chrono::steady_clock::now();
    testing::Ran r = testing::run_command(std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") +
                                          "SDL_AUDIODRIVER=dummy " ZEL_BINARY_DIR "/zelvorant " + c.args);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 2.0);
    EXPECT_EQ(r.status, c.status);
    const std::string& shown = c.status == 0 ? r.out : r.err;
    EXPECT_EQ(shown.rfind(c.first_line, 0), 0u) << shown;
    // A failure is one line on standard error.
    if (c.status == 255) {
      EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
  }
}

}  // namespace
}  // namespace zel
