#include "core/input.h"

#include <algorithm>
#include <cmath>

#include "content/content.h"
#include "core/navigation.h"
#include "core/output.h"

namespace zel {

namespace {

// The pointer's shape: digit 0 is transparent, 1..4 pick a colour of the look.
constexpr uint8_t kPointerShape[11][11] = {
    {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0}, {1, 2, 3, 3, 3, 3, 3, 1, 0, 0, 0}, {1, 4, 2, 2, 2, 2, 1, 0, 0, 0, 0},
    {1, 4, 2, 2, 2, 2, 3, 1, 0, 0, 0}, {1, 4, 2, 2, 2, 2, 2, 3, 1, 0, 0}, {1, 4, 2, 2, 2, 2, 2, 2, 3, 1, 0},
    {1, 4, 1, 4, 2, 2, 2, 2, 2, 3, 1}, {1, 1, 0, 1, 4, 2, 2, 2, 2, 1, 0}, {1, 0, 0, 0, 1, 4, 2, 2, 1, 0, 0},
    {0, 0, 0, 0, 0, 1, 4, 1, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0},
};
// [look 1 normal / 2 hot][digit]
constexpr uint32_t kPointerColours[3][5] = {
    {0, 0, 0, 0, 0},
    {0, 0x111133, 0x8888AA, 0xCCCCEE, 0x555577},
    {0, 0x221100, 0xDDBB77, 0xFFEEAA, 0x995522},
};

// First line shown at the page's end; 0 for pages that fit the panel.
int max_top_line(const PageGrid& g) { return std::max(0, last_top_line(g.page_length)); }
// The page reaches below the panel, so the text can move up.
bool can_scroll_down(const PageGrid& g) { return g.top_line < last_top_line(g.page_length); }

// Lines a wheel step scrolls.
constexpr int kWheelLines = 4;
// Keyboard scrolling moves the text half a row a frame.
constexpr int kHalfRow = kRowPitch / 2;

void smooth_scroll_down(PageGrid& g) {
  g.scroll_offset -= kHalfRow;
  if (g.scroll_offset <= 0) {
    g.top_line = std::min(g.top_line + 1, last_top_line(g.page_length));
    g.scroll_offset += kRowPitch;
  }
}

void smooth_scroll_up(PageGrid& g) {
  g.scroll_offset += kHalfRow;
  if (g.scroll_offset >= kScrollUpWrap) {
    g.top_line = std::max(g.top_line - 1, 0);
    g.scroll_offset -= kRowPitch;
  }
}

}  // namespace

void build_pointer_images(InputState& input) {
  for (int look = 1; look <= 2; ++look)
    for (int r = 0; r < 11; ++r)
      for (int c = 0; c < 11; ++c) input.pointer_images[look][r][c] = kPointerColours[look][kPointerShape[r][c]];
}

void init_buttons(InputState& input) {
  for (int32_t& glow : input.button_glow) glow = 0;
}

bool release_awaited(App& app) {
  return key_active(app.platform.key_state(kKeyEscape)) || app.platform.display_mouse_left() != 0;
}

IntroInput read_intro_input(App& app) {
  Platform& p = app.platform;
  IntroInput in;
  in.leave = key_fresh_press(p.key_state(kKeyEscape)) || p.display_mouse_left() != 0 || app.nav.quit_requested;
  if (in.leave) return in;  // the F-keys stay unread for the main screen
  for (int k = 1; k <= kTuneCount; ++k)
    if (key_fresh_press(p.key_state(kKeyF1 + k - 1))) in.tune_keys |= static_cast<uint16_t>(1u << k);
  return in;
}

bool read_frame_keys(App& app) {
  Platform& p = app.platform;
  FrameKeys& k = app.input.keys;
  k = FrameKeys{};
  k.escape = key_fresh_press(p.key_state(kKeyEscape));
  if (k.escape) return true;
  // Down is read and applied before Up.
  k.down = key_active(p.key_state(kKeyDown));
  k.up = key_active(p.key_state(kKeyUp));
  k.skin_grunge = key_fresh_press(p.key_state(kKeyF1));
  k.skin_carbon = key_fresh_press(p.key_state(kKeyF1 + 1));
  return false;
}

void keyboard_and_wheel_scrolling(App& app) {
  Platform& p = app.platform;
  PageGrid& g = app.grid;
  if (app.input.keys.down && can_scroll_down(g)) smooth_scroll_down(g);
  if (app.input.keys.up && g.top_line > 0) smooth_scroll_up(g);

  InputState& in = app.input;
  in.wheel_prev = in.wheel_now;
  in.wheel_now = p.display_mouse_wheel();
  if (in.wheel_now < in.wheel_prev && can_scroll_down(g)) {
    int lines = static_cast<int>(std::floor((in.wheel_prev - in.wheel_now) * kWheelLines));
    g.top_line = std::min(g.top_line + lines, last_top_line(g.page_length));
  } else if (in.wheel_now > in.wheel_prev && g.top_line > 0) {
    int lines = static_cast<int>(std::floor((in.wheel_now - in.wheel_prev) * kWheelLines));
    g.top_line = std::max(g.top_line - lines, 0);
  }
}

void handle_buttons(App& app) {
  NavState& nav = app.nav;
  InputState& in = app.input;
  if (in.keys.skin_grunge) nav.skin = kSkinGrunge;
  if (in.keys.skin_carbon) nav.skin = kSkinCarbon;

  auto over = [&](int k) { return button_rect(nav.skin, k).contains(in.mouse_x, in.mouse_y); };

  // QUIT, CHARTS, ARTICLES, RULES, HELP: one of the five is lit at a time.
  for (int k = kButtonQuit; k <= kButtonHelp; ++k) {
    if (!in.click() || nav.button_lit[k] != 0 || !over(k)) continue;
    in.click_latch = 1;
    for (int i = kButtonQuit; i <= kButtonHelp; ++i) nav.button_lit[i] = 0;
    nav.button_lit[k] = 1;
    switch (k) {
      case kButtonQuit: nav.quit_requested = 1; break;
      case kButtonCharts: nav.current_menu = kMenuCharts; break;
      case kButtonArticles: nav.current_menu = kMenuArticles; break;
      case kButtonRules:
        page_change(app, kRulesPage);
        clear_menu_selection(nav);
        break;
      case kButtonHelp:
        page_change(app, kHelpPage);
        clear_menu_selection(nav);
        break;
    }
  }

  // MUTE reacts in both states; the latch set by the first test keeps one
  // click from doing both.
  if (in.click() && nav.button_lit[kButtonMute] == 0 && over(kButtonMute)) {
    in.click_latch = 1;
    xm_stop(app.xm);
    nav.button_lit[kButtonMute] = 1;
  }
  if (in.click() && nav.button_lit[kButtonMute] == 1 && over(kButtonMute)) {
    in.click_latch = 1;
    xm_play(app.xm);
    nav.button_lit[kButtonMute] = 0;
  }

  // MUSIC 1..4 also clear MUTE.
  for (int k = kButtonMusic1; k <= kButtonMusic4; ++k) {
    if (!in.click() || nav.button_lit[k] != 0 || !over(k)) continue;
    in.click_latch = 1;
    for (int i = kButtonMute; i <= kButtonMusic4; ++i) nav.button_lit[i] = 0;
    nav.button_lit[k] = 1;
    nav.ticker_pos = 1;
    nav.selected_song = k - kButtonMusic1 + 1;
    start_module_n(app, nav.selected_song);
  }

  if (nav.current_menu == kMenuCharts) nav.button_lit[kButtonCharts] = 1;
  if (nav.current_menu == kMenuArticles) nav.button_lit[kButtonArticles] = 1;
}

void handle_menu_click(App& app) {
  InputState& in = app.input;
  NavState& nav = app.nav;
  if (!in.click()) return;
  in.click_latch = 1;  // used up wherever it lands

  for (int column = 0; column < 2; ++column) {
    int rows = column == 0 ? kMenuRows : kMenuRows - 1;
    for (int r = 1; r <= rows; ++r) {
      if (!menu_slot_hit(column, r, in.mouse_x, in.mouse_y)) continue;
      int k = menu_slot_entry(nav.current_menu, column, r);
      if (k == 0 || menu_enabled(k) != 1 || nav.menu_selected[k] != 0) continue;
      clear_menu_selection(nav);
      nav.menu_selected[k] = 1;
      nav.button_lit[kButtonRules] = 0;
      nav.button_lit[kButtonHelp] = 0;
      page_change(app, k);
    }
  }

  if (menu_switch_hit(in.mouse_x, in.mouse_y)) {
    nav.button_lit[kButtonCharts] = 0;
    nav.button_lit[kButtonArticles] = 0;
    nav.current_menu = nav.current_menu == kMenuCharts ? kMenuArticles : kMenuCharts;
  }
}

void handle_scrollbar(App& app) {
  InputState& in = app.input;
  PageGrid& g = app.grid;
  if (in.mouse_button == 0) in.scrollbar_drag = 0;
  const int s = scroll_bar_shift(app.nav.skin);
  bool inside = kScrollBarLeft + s < in.mouse_x && in.mouse_x < kScrollBarRight + s && kScrollBarTop < in.mouse_y &&
                in.mouse_y < kScrollBarBottom;
  if (inside || in.scrollbar_drag == 1) {
    in.pointer_look = kLookHot;
    if (in.mouse_button == 1 || in.scrollbar_drag == 1) in.pointer_look = kLookNormal;
    if (in.mouse_button == 1) {
      in.scrollbar_drag = 1;
      // Real division, then round half to even (the default rounding mode).
      double t = std::nearbyint(static_cast<double>(in.mouse_y - kScrollBarTop) *
                                (g.page_length - kScrollBarMinLines) / static_cast<double>(kScrollBarTravel));
      g.top_line = static_cast<int>(std::clamp(t, 0.0, static_cast<double>(max_top_line(g))));
    }
    if (in.scrollbar_glow < kGlowMax) in.scrollbar_glow += 5;
  } else if (in.scrollbar_glow > 0) {
    in.scrollbar_glow -= 5;
  }
}

void end_of_frame_input(App& app) {
  Platform& p = app.platform;
  InputState& in = app.input;
  if (p.display_mouse_left() == 0 && in.click_latch == 1) in.click_latch = 0;
  in.mouse_x = std::clamp(p.display_mouse_x(), kPointerMinX, kPointerMaxX);
  in.mouse_y = std::clamp(p.display_mouse_y(), kPointerMinY, kPointerMaxY);
  in.mouse_button = p.display_mouse_left();

  // The page keys, after the present, in this order.
  PageGrid& g = app.grid;
  if (key_fresh_press(p.key_state(kKeyPageUp)) && g.top_line >= 1) g.top_line = std::max(g.top_line - kPanelRows, 0);
  if (key_fresh_press(p.key_state(kKeyPageDown)) && can_scroll_down(g))
    g.top_line = std::min(g.top_line + kPanelRows, last_top_line(g.page_length));
  if (key_fresh_press(p.key_state(kKeyEnd))) g.top_line = max_top_line(g);
  if (key_fresh_press(p.key_state(kKeyHome))) g.top_line = 0;
}

}  // namespace zel
