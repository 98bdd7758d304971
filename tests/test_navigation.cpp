// Buttons, the centre menu, page changes and the main-loop flow.

#include "content/content.h"
#include "core/input.h"
#include "core/navigation.h"
#include "tests/support.h"

namespace zel {
namespace {

using namespace zel::testing;

// Points inside buttons with the 'Grunge' rectangles.
constexpr int kCharts[2] = {60, 75}, kArticles[2] = {60, 100}, kRules[2] = {700, 75}, kHelp[2] = {700, 100},
              kMute[2] = {700, 50}, kMusic3[2] = {690, 140};

// The current menu, buttons 1..10 lit or not, the selected menu entries and
// the frames presented so far.
std::string state(const Screen& s) {
  std::string out = "menu " + std::to_string(s.app.nav.current_menu) + " lit ";
  for (int k = 1; k <= 10; ++k) out += std::to_string(s.app.nav.button_lit[k]);
  out += " sel";
  for (int k = 1; k <= 21; ++k)
    if (s.app.nav.menu_selected[k]) out += " " + std::to_string(k);
  return out + " frames " + std::to_string(s.p.frames_presented());
}

// One frame of button and menu handling with the pointer at (x, y) and the
// left button held; `fresh` releases it first, so that it is a new click.
std::string click(Screen& s, int x, int y, bool fresh = true) {
  if (fresh) s.app.input.click_latch = 0;
  s.pointer(x, y, 1);
  handle_buttons(s.app);
  handle_menu_click(s.app);
  return state(s);
}
std::string click(Screen& s, const int (&at)[2], bool fresh = true) { return click(s, at[0], at[1], fresh); }

TEST(Buttons, APressIsUsedOnceAndAStrayClickIsUsedUpByTheMenu) {
  Screen s;
  EXPECT_EQ(click(s, 400, 400), "menu 2 lit 0010001000 sel 11 frames 0");
  EXPECT_EQ(s.app.input.click_latch, 1);
  // CHARTS keeps the page and entry 11 selected, though it belongs to the other menu now.
  EXPECT_EQ(click(s, kCharts), "menu 1 lit 0100001000 sel 11 frames 0");
  EXPECT_EQ(s.app.input.click_latch, 1);
  // Still held, now over ARTICLES; then released and pressed again.
  EXPECT_EQ(click(s, kArticles, /*fresh=*/false), "menu 1 lit 0100001000 sel 11 frames 0");
  EXPECT_EQ(click(s, kArticles), "menu 2 lit 0010001000 sel 11 frames 0");
}

TEST(Buttons, F1AndF2ChooseTheSkinAndTheRectanglesFollowIt) {
  Screen s;
  auto press = [&](int key) {
    s.p.post_key(key, true);
    s.p.pump_events();
    read_frame_keys(s.app);
    handle_buttons(s.app);
    s.app.input.keys = {};
    s.p.post_key(key, false);
    s.p.pump_events();
    return s.app.nav.skin;
  };
  auto quits = [&](int x, int y) { return click(s, x, y), s.app.nav.quit_requested; };
  EXPECT_EQ(press(kKeyF1 + 1), 2);
  EXPECT_EQ(press(kKeyF1 + 2), 2);  // F3 does nothing
  EXPECT_EQ(quits(110, 45), 0);     // inside QUIT of 'Grunge' only
  EXPECT_EQ(press(kKeyF1), 1);
  EXPECT_EQ(quits(123, 50), 0);  // the right edge is outside
  EXPECT_EQ(quits(110, 45), 1);
  EXPECT_EQ(state(s), "menu 2 lit 1010001000 sel 11 frames 0");  // QUIT lit, the menu's button lit again
}

TEST(Buttons, MuteTogglesOncePerClickAndMusicUnmutes) {
  Screen s;
  for (auto [fresh, want] : {std::pair{true, 1}, {false, 1}, {true, 0}, {true, 1}}) {
    click(s, kMute, fresh);
    EXPECT_EQ(s.app.nav.button_lit[kButtonMute], want);
  }
  s.app.nav.ticker_pos = 40;
  EXPECT_EQ(click(s, kMusic3), "menu 2 lit 0010000010 sel 11 frames 0");
  EXPECT_EQ(std::tuple(s.app.nav.selected_song, s.app.nav.ticker_pos), std::tuple(3, 1));
  s.app.nav.ticker_pos = 40;
  click(s, kMusic3);  // the selected song does nothing
  EXPECT_EQ(s.app.nav.ticker_pos, 40);
}

TEST(Menu, OverlapOfRowFourAndTheSwitchOpensTheEntryAndSwitches) {
  Screen s;
  s.app.nav.current_menu = 1;
  // Right row 4 of the Charts Menu is entry 9: both wipes, then the switch.
  EXPECT_EQ(click(s, 500, 106), "menu 2 lit 0000001000 sel 9 frames 150");
  EXPECT_EQ(s.app.grid.page_length, PageTables::stored_lines(9) - 1);
  s.app.input.mouse_button = 0;
  handle_buttons(s.app);  // the next frame lights the new menu's button
  EXPECT_EQ(state(s), "menu 2 lit 0010001000 sel 9 frames 150");
  // In the Articles Menu row 4 holds the disabled entry 20: only the switch.
  EXPECT_EQ(click(s, 500, 106), "menu 1 lit 0000001000 sel 9 frames 150");
}

// The hit areas' edges (strict on every side): left slots 146 < x < 391, right
// 400 < x < 645, row 1 60 < y < 72; the switch 104 < y < 120 in the right column.
TEST(Menu, HitAreaEdges) {
  const std::tuple<int, int, int, bool> slots[] = {  // column, x, y, hit in row 1
      {0, 146, 66, false}, {0, 147, 66, true}, {0, 390, 66, true}, {0, 391, 66, false}, {1, 400, 66, false},
      {1, 401, 66, true},  {1, 644, 66, true}, {1, 645, 66, false}, {0, 200, 60, false}, {0, 200, 61, true},
      {0, 200, 71, true},  {0, 200, 72, false}};
  for (auto [column, x, y, hit] : slots) EXPECT_EQ(menu_slot_hit(column, 1, x, y), hit) << column << " " << x << "," << y;
  const std::tuple<int, int, bool> switches[] = {{401, 104, false}, {401, 105, true}, {644, 119, true},
                                                 {644, 120, false}, {400, 110, false}, {645, 110, false}};
  for (auto [x, y, hit] : switches) EXPECT_EQ(menu_switch_hit(x, y), hit) << x << "," << y;
}

TEST(Menu, TheShownEntryDoesNothingUntilRulesClearsTheHighlight) {
  Screen s;
  EXPECT_EQ(click(s, 200, 66), "menu 2 lit 0010001000 sel 11 frames 0");  // entry 11, already shown
  s.app.grid.top_line = 7;
  s.app.grid.scroll_offset = 6;
  // A page change: two wipes of 75 frames, then the top of the new page; ARTICLES lit again.
  EXPECT_EQ(click(s, kRules), "menu 2 lit 0011001000 sel frames 150");
  EXPECT_EQ(std::tuple(s.app.grid.top_line, s.app.grid.scroll_offset, s.app.grid.page_length),
            std::tuple(0, 0, PageTables::stored_lines(12) - 1));
  EXPECT_EQ(click(s, kRules), "menu 2 lit 0011001000 sel frames 150");  // its page is shown
  EXPECT_EQ(click(s, 200, 66), "menu 2 lit 0010001000 sel 11 frames 300");
  EXPECT_EQ(s.app.grid.page_length, PageTables::stored_lines(11) - 1);
}

TEST(Menu, ChartsAndArticlesKeepThePageAndTheHighlight) {
  Screen s;
  click(s, kHelp);
  const int help_length = s.app.grid.page_length;
  EXPECT_EQ(help_length, PageTables::stored_lines(10) - 1);
  click(s, 500, 110);  // the menu switch leaves HELP lit
  handle_buttons(s.app);
  EXPECT_EQ(state(s), "menu 1 lit 0100101000 sel frames 150");
  EXPECT_EQ(click(s, kArticles), "menu 2 lit 0010001000 sel frames 150");
  EXPECT_EQ(s.app.grid.page_length, help_length);
}

TEST(Flow, QuitEndsTheLoopAtTheStartOfTheNextFrame) {
  // The click is sampled at the end of a frame and handled in the next,
  // which is still drawn and presented; the loop ends after it.
  ScriptRun r = run(
      "wait 2s\nkey press ESCAPE\nwait 4s\nmouse 60 50\nwait 2\nclick\n"
      "wait 1\nprint quit_requested\nwait 1\nprint quit_requested ButtonLit\nwait 5\n");
  EXPECT_EQ(r.out, "quit_requested=0\nquit_requested=1\nButtonLit=1 0 1 0 0 0 1 0 0 0\n");
  EXPECT_TRUE(r.result.program_ended);
  // A button held into the main screen ends the intro, then counts as a
  // click over QUIT in the main screen's second frame.
  r = run("wait 2s\nmouse 60 50\nbutton down\nwait 4s\nwait 3\n");
  EXPECT_TRUE(r.result.program_ended);
  EXPECT_EQ(r.result.exit_status, 0);
}

}  // namespace
}  // namespace zel
