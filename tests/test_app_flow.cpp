// The program's phases, run whole on the headless backend through scripts.

#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

// The intro begins about 1.7 s after start-up (150 ms and three 0.5 s noise
// flashes); the main screen about 3 s after the intro ends (six flashes). The
// scripts below wait 2.5 s and 4 s for them.

TEST(Phases, HeldEscapeOrLeftButtonKeepsTheScreenBlackUntilReleased) {
  for (auto [down, up] : {std::pair{"key down ESCAPE", "key up ESCAPE"}, {"button down", "button up"}}) {
    ScriptRun r = run(std::string(down) + "\nwait 40\nprint phase\nshot held.png\n" + up + "\nwait 2.5s\nprint phase\n");
    EXPECT_EQ(r.out, "phase=release\nphase=intro\n") << down;
    EXPECT_FALSE(r.result.program_ended);
  }
}

TEST(Phases, FreshEscapeEndsTheIntroAndASecondOneQuits) {
  ScriptRun r = run("wait 2.5s\nprint phase\nkey press ESCAPE\nwait 4s\nprint phase\nkey press ESCAPE\nwait 30\n");
  EXPECT_EQ(r.out, "phase=intro\nphase=main\n");
  EXPECT_TRUE(r.result.program_ended);
  EXPECT_EQ(r.result.exit_status, 0);
  // A click ends the intro too; Escape still held from the intro does not end the main loop.
  EXPECT_EQ(run("wait 2.5s\nmouse 400 300\nclick\nwait 4s\nprint phase\n").out, "phase=main\n");
  r = run("wait 2.5s\nkey down ESCAPE\nwait 4s\nprint phase\nkey up ESCAPE\nwait 5\nprint phase\n");
  EXPECT_EQ(r.out, "phase=main\nphase=main\n");
  EXPECT_FALSE(r.result.program_ended);
}

TEST(Phases, WindowCloseQuitsOnlyWhereTheReaderChoseAWindow) {
  // In the main screen and in the intro with a window; not in full screen.
  for (auto [quits, script] : {std::pair{true, "wait 2.5s\nkey press ESCAPE\nwait 4s\nclose\nwait 2\n"},
                               {true, "wait 2.5s\nclose\nwait 2\n"},
                               {false, "wait 2.5s\nkey press ESCAPE\nwait 4s\nclose\nwait 2\n"}}) {
    const bool close_quits = quits;  // a copy: a lambda cannot capture a structured binding
    ScriptRun r = run(script, [&](App&, HeadlessPlatform& p) { p.set_close_quits(close_quits); });
    EXPECT_EQ(r.result.program_ended, close_quits) << script;
    EXPECT_EQ(r.result.exit_status, 0) << script;
  }
}

// F-key k, pressed for one frame in the intro, switches to tune k (closing
// the previous tune's device); on the main screen F3..F12 choose no tune. The
// run is ended from outside at the last frame, as a script that runs out does.
TEST(Phases, FunctionKeysChooseTheIntroTune) {
  HeadlessPlatform p;
  auto app = std::make_unique<App>(p);
  const int keys[] = {3, 1, 12, 5, 9, 2, 11, 4, 6, 10, 8, 7, 0, 5};  // 0: Escape to the main screen
  size_t step = 0;
  int frame = 0;
  std::vector<std::array<int, 3>> seen;  // key, current_tune, open sound devices
  p.set_present_hook([&](const std::vector<uint32_t>&) {
    if (app->phase != Phase::Intro && app->phase != Phase::Main) return;
    if (step == std::size(keys)) {
      app->run_ended = true;
      return;
    }
    const int vk = keys[step] == 0 ? kKeyEscape : kKeyF1 + keys[step] - 1;
    // Down, up, then a frame later the effect; after Escape, time for the switch.
    switch (frame++ % 3) {
      case 0: p.post_key(vk, true); break;
      case 1: p.post_key(vk, false); break;
      case 2:
        if (keys[step] == 0 && app->phase != Phase::Main) return void(--frame);
        seen.push_back({keys[step], app->nav.current_tune, p.open_audio_devices()});
        ++step;
    }
  });
  EXPECT_EQ(run_program(*app), 0);
  ASSERT_EQ(seen.size(), std::size(keys));
  for (size_t i = 0; i + 2 < seen.size(); ++i) EXPECT_EQ(seen[i], (std::array{keys[i], keys[i], 1})) << i;
  // F5 on the main screen left the intro's last tune.
  EXPECT_EQ(std::tuple(seen.back()[1], app->phase), std::tuple(7, Phase::Ended));
}

TEST(Phases, StartStateIsTheEditorialWithArticlesAndMusicOneLit) {
  ScriptRun r = run("wait 2.5s\nkey press ESCAPE\nwait 4s\nprint ButtonLit MenuSelected current_menu skin selected_song current_tune\n");
  EXPECT_EQ(r.out.substr(0, r.out.find("current_tune")),
            "ButtonLit=0 0 1 0 0 0 1 0 0 0\nMenuSelected=0 0 0 0 0 0 0 0 0 0 1 0 0 0 0 0 0 0 0 0 0\n"
            "current_menu=2\nskin=1\nselected_song=1\n");
  const int tune = std::stoi(r.value("current_tune"));
  EXPECT_TRUE(tune >= 1 && tune <= 12) << tune;
}

// A press and its release posted within one frame (a touchpad or touch
// tap): the program sees the button or key down for exactly that frame.
TEST(ShortPress, APressReleasedWithinAFrameCountsOnce) {
  const std::string tap = "button down\nbutton up\n", main = "wait 2.5s\nkey press ESCAPE\nwait 4s\n";
  const std::pair<std::string, std::string> cases[] = {
      {"wait 2.5s\nmouse 400 300\n" + tap + "wait 4s\nprint phase\n", "phase=main\n"},
      {"wait 2.5s\nkey down ESCAPE\nkey up ESCAPE\nwait 4s\nprint phase\n", "phase=main\n"},
      // MUTE toggles once per tap, and a second tap toggles it back.
      {main + "mouse 700 50\n" + tap + "wait 3\nprint ButtonLit click_latch\n" + tap + "wait 3\nprint ButtonLit\n",
       "ButtonLit=0 0 1 0 0 1 1 0 0 0\nclick_latch=0\nButtonLit=0 0 1 0 0 0 1 0 0 0\n"},
      // CHARTS, then the menu's first entry: opened once, the latch free again.
      {main + "mouse 79 74\n" + tap + "wait 3\nprint current_menu\nmouse 200 66\n" + tap +
           "wait 200\nprint MenuSelected click_latch\n",
       "current_menu=1\nMenuSelected=1 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\nclick_latch=0\n"},
      // Down tapped: one step of half a row; Page Down tapped: a page (as far as the page goes).
      {main + "key down DOWN\nkey up DOWN\nwait 3\nprint scroll_offset top_line\nkey down PAGEDOWN\nkey up PAGEDOWN\n"
              "wait 3\nprint top_line page_length\n",
       "scroll_offset=6\ntop_line=1\ntop_line=16\npage_length=49\n"},
  };
  for (const auto& [script, want] : cases) EXPECT_EQ(run(script).out, want) << script;
}

TEST(Script, SameScriptGivesSameFramesAndState) {
  std::string runs[2];
  for (std::string& got : runs) {
    got = run("wait 2.5s\nshot same_a.png\nkey press ESCAPE\nwait 4s\nshot same_b.png\nprint anim_clock frames\n").out;
    for (const char* shot : {"/same_a.png", "/same_b.png"}) got += read_text(::testing::TempDir() + shot);
  }
  EXPECT_GT(runs[0].size(), 1000u);
  EXPECT_EQ(runs[0], runs[1]);
}

TEST(Script, ParseErrorsNameTheLine) {
  std::vector<tool::ScriptCommand> cmds;
  std::string error;
  EXPECT_FALSE(tool::parse_script("wait 3\nkey hold F1\n", cmds, error));
  EXPECT_EQ(error.substr(0, 7), "line 2:");
  for (const char* bad : {"print nonsense\n", "key down F13\n", "shot ../x.png\n"})
    EXPECT_FALSE(tool::parse_script(bad, cmds, error)) << bad;
  EXPECT_TRUE(tool::parse_script("# comment\n\nwait 2.5s # trailing\nwheel -2\n", cmds, error)) << error;
}

}  // namespace
}  // namespace zel
