// The magazine's command line: option parsing, and the real program's exits
// for texts, wrong options and a missing display.
#include <chrono>

#include "core/options.h"
#include "tests/support.h"

namespace zel {
namespace {

TEST(Options, TableOfCommandLines) {
  using A = Options::Action;
  // Arguments, the scaling variable's value; the action, window, integer scaling.
  const std::tuple<std::vector<const char*>, const char*, A, bool, bool> cases[] = {
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
  for (const auto& [args, scale_env, action, window, integer] : cases) {
    std::vector<const char*> argv{"zelvorant"};
    argv.insert(argv.end(), args.begin(), args.end());
    Options o = parse_options(static_cast<int>(argv.size()), argv.data(), scale_env);
    EXPECT_EQ(std::tuple(o.action, o.window, o.integer_scaling, o.error.empty()),
              std::tuple(action, window, integer, action != A::Usage))
        << (args.empty() ? "(none)" : args[0]);
  }
}

// The real program with no display to reach (DISPLAY and WAYLAND_DISPLAY
// unset): texts and wrong options need none; anything else must fail fast
// with one line instead of running unseen.
TEST(Program, ExitsOfTheRealProgram) {
  // Arguments, exit status, the first line of stdout for status 0, of stderr otherwise.
  const std::tuple<const char*, int, const char*> cases[] = {
      {"--help", 0, "Usage: zelvorant [--window] [--integer-scale]"},
      {"--version", 0, "zelvorant "},
      {"--window --bogus", 2, "zelvorant: unknown option '--bogus'"},
      {"", 255, "zelvorant: cannot open the display: "},
      {"--window", 255, "zelvorant: cannot open the display: "},
  };
  for (const auto& [args, status, first_line] : cases) {
    SCOPED_TRACE(args);
    auto t0 = std::chrono::steady_clock::now();
    testing::Ran r = testing::run_command(std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") +
                                          "SDL_AUDIODRIVER=dummy " ZEL_BINARY_DIR "/zelvorant " + args);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), 2.0);
    EXPECT_EQ(r.status, status);
    const std::string& shown = status == 0 ? r.out : r.err;
    EXPECT_EQ(shown.rfind(first_line, 0), 0u) << shown;
    EXPECT_TRUE(status != 255 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;  // one line
  }
}

}  // namespace
}  // namespace zel
