// The program's phases, run whole on the headless backend through scripts.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "cli/script_runner.h"

namespace zel {
namespace {

// The intro begins about 1.7 s after start-up (150 ms and three 0.5 s noise
// flashes); the main screen about 3 s after the intro ends (six flashes). The
// scripts below wait 2.5 s and 4 s for them.

struct ScriptRun {
  tool::ScriptResult result;
  std::vector<std::map<std::string, std::string>> prints;  // one map per print command
};

ScriptRun run(const std::string& script, const std::function<void(App&, HeadlessPlatform&)>& setup = {}) {
  std::vector<tool::ScriptCommand> cmds;
  std::string error;
  EXPECT_TRUE(tool::parse_script(script, cmds, error)) << error;
  std::ostringstream out;
  ScriptRun r;
  r.result = tool::run_script(cmds, ::testing::TempDir(), out, setup);
  // Group NAME=VALUE lines by print command: each print starts a new map.
  std::istringstream in(out.str());
  std::string line;
  size_t print_index = 0;
  std::vector<size_t> sizes;
  for (const auto& c : cmds)
    if (c.op == "print") sizes.push_back(c.args.size());
  size_t left = 0;
  while (std::getline(in, line)) {
    if (left == 0) {
      r.prints.emplace_back();
      left = print_index < sizes.size() ? sizes[print_index++] : 1;
    }
    size_t eq = line.find('=');
    r.prints.back()[line.substr(0, eq)] = line.substr(eq + 1);
    --left;
  }
  return r;
}

TEST(Phases, HeldEscapeKeepsTheScreenBlackUntilReleased) {
  ScriptRun r = run(
      "key down ESCAPE\n"
      "wait 40\nprint phase frames\nshot held.png\n"
      "key up ESCAPE\nwait 2.5s\nprint phase\n");
  ASSERT_EQ(r.prints.size(), 2u);
  EXPECT_EQ(r.prints[0]["phase"], "release");
  EXPECT_EQ(r.prints[1]["phase"], "intro");
  EXPECT_FALSE(r.result.program_ended);
}

TEST(Phases, HeldLeftButtonKeepsTheScreenBlackUntilReleased) {
  ScriptRun r = run("button down\nwait 20\nprint phase\nbutton up\nwait 2.5s\nprint phase\n");
  ASSERT_EQ(r.prints.size(), 2u);
  EXPECT_EQ(r.prints[0]["phase"], "release");
  EXPECT_EQ(r.prints[1]["phase"], "intro");
}

TEST(Phases, FreshEscapeEndsTheIntroAndASecondOneQuits) {
  ScriptRun r = run(
      "wait 2.5s\nprint phase\n"
      "key press ESCAPE\nwait 4s\nprint phase\n"
      "key press ESCAPE\nwait 30\nprint phase\n");
  ASSERT_EQ(r.prints.size(), 2u);
  EXPECT_EQ(r.prints[0]["phase"], "intro");
  EXPECT_EQ(r.prints[1]["phase"], "main");
  EXPECT_TRUE(r.result.program_ended);
  EXPECT_EQ(r.result.exit_status, 0);
}

TEST(Phases, EscapeStillHeldFromTheIntroDoesNotEndTheMainLoop) {
  ScriptRun r = run("wait 2.5s\nkey down ESCAPE\nwait 4s\nprint phase\nkey up ESCAPE\nwait 5\nprint phase\n");
  ASSERT_EQ(r.prints.size(), 2u);
  EXPECT_EQ(r.prints[0]["phase"], "main");
  EXPECT_EQ(r.prints[1]["phase"], "main");
  EXPECT_FALSE(r.result.program_ended);
}

TEST(Phases, ClickEndsTheIntro) {
  ScriptRun r = run("wait 2.5s\nmouse 400 300\nclick\nwait 4s\nprint phase\n");
  ASSERT_EQ(r.prints.size(), 1u);
  EXPECT_EQ(r.prints[0]["phase"], "main");
}

TEST(Phases, DisplayThatCannotOpenGivesMinusOne) {
  ScriptRun r = run("wait 10\n", [](App&, HeadlessPlatform& p) { p.set_fail_open(true); });
  EXPECT_TRUE(r.result.program_ended);
  EXPECT_EQ(r.result.exit_status, -1);
}

TEST(Phases, WindowCloseQuitsOnlyWhereTheReaderChoseAWindow) {
  struct Case {
    bool close_quits;
    const char* script;
    bool ended;
  };
  const Case cases[] = {
      {true, "wait 2.5s\nkey press ESCAPE\nwait 4s\nclose\nwait 2\n", true},  // main screen
      {true, "wait 2.5s\nclose\nwait 2\n", true},                              // intro
      {false, "wait 2.5s\nkey press ESCAPE\nwait 4s\nclose\nwait 2\nprint phase\n", false},
  };
  for (const Case& c : cases) {
    ScriptRun r = run(c.script, [&](App&, HeadlessPlatform& p) { p.set_close_quits(c.close_quits); });
    EXPECT_EQ(r.result.program_ended, c.ended) << c.script;
    if (c.ended) {
      EXPECT_EQ(r.result.exit_status, 0) << c.script;
    }
  }
}

TEST(Phases, StartStateIsTheEditorialWithArticlesAndMusicOneLit) {
  ScriptRun r = run("wait 2.5s\nkey press ESCAPE\nwait 4s\nprint page_length ButtonLit MenuSelected current_menu skin selected_song current_tune\n");
  ASSERT_EQ(r.prints.size(), 1u);
  auto& v = r.prints[0];
  EXPECT_EQ(v["ButtonLit"], "0 0 1 0 0 0 1 0 0 0");
  EXPECT_EQ(v["MenuSelected"], "0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0");
  EXPECT_EQ(v["current_menu"], "2");
  EXPECT_EQ(v["skin"], "1");
  EXPECT_EQ(v["selected_song"], "1");
  int tune = std::stoi(v["current_tune"]);
  EXPECT_GE(tune, 1);
  EXPECT_LE(tune, 12);
}

TEST(Timing, AnimClockGrows250PerSecond) {
  ScriptRun r = run("wait 2.5s\nkey press ESCAPE\nwait 4s\nprint anim_clock time\nwait 120\nprint anim_clock time\n");
  ASSERT_EQ(r.prints.size(), 2u);
  double a0 = std::stod(r.prints[0]["anim_clock"]), t0 = std::stod(r.prints[0]["time"]);
  double a1 = std::stod(r.prints[1]["anim_clock"]), t1 = std::stod(r.prints[1]["time"]);
  EXPECT_NEAR((a1 - a0) / (t1 - t0), 250.0, 1e-6);
}

TEST(Timing, IntroPhaseGrows50PerSecond) {
  ScriptRun r = run("wait 2.5s\nprint intro_phase time\nwait 60\nprint intro_phase time\n");
  ASSERT_EQ(r.prints.size(), 2u);
  double a0 = std::stod(r.prints[0]["intro_phase"]), t0 = std::stod(r.prints[0]["time"]);
  double a1 = std::stod(r.prints[1]["intro_phase"]), t1 = std::stod(r.prints[1]["time"]);
  EXPECT_NEAR((a1 - a0) / (t1 - t0), 50.0, 1e-6);
}

TEST(Script, SameScriptGivesSameFramesAndState) {
  auto read = [](const std::string& name) {
    std::ifstream in(::testing::TempDir() + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  ScriptRun a = run("wait 2.5s\nshot same_a1.png\nkey press ESCAPE\nwait 4s\nshot same_a2.png\nprint anim_clock frames\n");
  ScriptRun b = run("wait 2.5s\nshot same_b1.png\nkey press ESCAPE\nwait 4s\nshot same_b2.png\nprint anim_clock frames\n");
  EXPECT_EQ(a.prints, b.prints);
  EXPECT_FALSE(read("same_a1.png").empty());
  EXPECT_EQ(read("same_a1.png"), read("same_b1.png"));
  EXPECT_EQ(read("same_a2.png"), read("same_b2.png"));
}

TEST(Script, ParseErrorsNameTheLine) {
  std::vector<tool::ScriptCommand> cmds;
  std::string error;
  EXPECT_FALSE(tool::parse_script("wait 3\nkey hold F1\n", cmds, error));
  EXPECT_EQ(error.substr(0, 7), "line 2:");
  EXPECT_FALSE(tool::parse_script("print nonsense\n", cmds, error));
  EXPECT_FALSE(tool::parse_script("key down F13\n", cmds, error));
  EXPECT_FALSE(tool::parse_script("shot ../x.png\n", cmds, error));
  EXPECT_TRUE(tool::parse_script("# comment\n\nwait 2.5s # trailing\nwheel -2\n", cmds, error)) << error;
}

}  // namespace
}  // namespace zel
