#include "core/input.h"

#include <algorithm>
#include <cmath>

#include "content/content.h"
#include "core/app.h"

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

// ButtonRects per skin, buttons 1..10 (x, y, w, h).
constexpr ButtonRect kButtonRects[2][11] = {
    {{}, {35, 40, 88, 19}, {35, 65, 88, 19}, {35, 90, 88, 19}, {672, 65, 88, 19}, {672, 90, 88, 19},
     {672, 40, 88, 19}, {9, 132, 57, 19}, {73, 132, 57, 19}, {665, 132, 57, 19}, {729, 132, 57, 19}},
    {{}, {25, 49, 76, 19}, {25, 73, 76, 19}, {25, 97, 76, 19}, {698, 73, 76, 19}, {698, 97, 76, 19},
     {698, 49, 76, 19}, {18, 137, 43, 8}, {79, 137, 44, 8}, {669, 137, 44, 8}, {733, 137, 43, 8}},
};

int skin_slot(const NavState& nav) { return nav.skin == 1 ? 0 : 1; }

int max_top_line(const PageGrid& g) { return std::max(0, g.page_length - 33); }

void smooth_scroll_down(PageGrid& g) {
  g.scroll_offset -= 6;
  if (g.scroll_offset <= 0) {
    g.top_line = std::min(g.top_line + 1, g.page_length - 33);
    g.scroll_offset += 12;
  }
}

void smooth_scroll_up(PageGrid& g) {
  g.scroll_offset += 6;
  if (g.scroll_offset >= 11) {
    g.top_line = std::max(g.top_line - 1, 0);
    g.scroll_offset -= 12;
  }
}

}  // namespace

int menu_slot_entry(int current_menu, int column, int row) {
  static constexpr int kSlots[2][2][6] = {
      {{0, 1, 2, 3, 4, 5}, {0, 6, 7, 8, 9, 0}},
      {{0, 11, 13, 14, 15, 16}, {0, 17, 18, 19, 20, 0}},
  };
  if (column < 0 || column > 1 || row < 1 || row > 5) return 0;
  return kSlots[current_menu == 1 ? 0 : 1][column][row];
}

void build_pointer_images(InputState& input) {
  for (int look = 1; look <= 2; ++look)
    for (int r = 0; r < 11; ++r)
      for (int c = 0; c < 11; ++c) input.pointer_images[look][r][c] = kPointerColours[look][kPointerShape[r][c]];
}

void init_buttons(InputState& input) {
  for (int s = 0; s < 2; ++s)
    for (int k = 0; k <= 10; ++k) input.button_rects[s][k] = kButtonRects[s][k];
  for (int k = 0; k <= 10; ++k) input.button_glow[k] = 0;
}

const ButtonRect& button_rect(const App& app, int k) { return app.input.button_rects[skin_slot(app.nav)][k]; }

void keyboard_and_wheel_scrolling(App& app) {
  Platform& p = app.platform;
  PageGrid& g = app.grid;
  // Down is polled and applied before Up.
  if (key_active(p.key_state(kKeyDown)) && g.top_line < g.page_length - 33) smooth_scroll_down(g);
  if (key_active(p.key_state(kKeyUp)) && g.top_line > 0) smooth_scroll_up(g);

  InputState& in = app.input;
  in.wheel_prev = in.wheel_now;
  in.wheel_now = p.display_mouse_wheel();
  if (in.wheel_now < in.wheel_prev && g.top_line < g.page_length - 33) {
    int lines = static_cast<int>(std::floor((in.wheel_prev - in.wheel_now) * 4));
    g.top_line = std::min(g.top_line + lines, g.page_length - 33);
  } else if (in.wheel_now > in.wheel_prev && g.top_line > 0) {
    int lines = static_cast<int>(std::floor((in.wheel_now - in.wheel_prev) * 4));
    g.top_line = std::max(g.top_line - lines, 0);
  }
}

void handle_buttons(App& app) {
  Platform& p = app.platform;
  NavState& nav = app.nav;
  InputState& in = app.input;
  if (key_fresh_press(p.key_state(kKeyF1))) nav.skin = 1;
  if (key_fresh_press(p.key_state(kKeyF1 + 1))) nav.skin = 2;

  auto over = [&](int k) { return button_rect(app, k).contains(in.mouse_x, in.mouse_y); };

  // QUIT, CHARTS, ARTICLES, RULES, HELP: one of the five is lit at a time.
  for (int k = 1; k <= 5; ++k) {
    if (!in.click() || nav.button_lit[k] != 0 || !over(k)) continue;
    in.click_latch = 1;
    for (int i = 1; i <= 5; ++i) nav.button_lit[i] = 0;
    nav.button_lit[k] = 1;
    switch (k) {
      case 1: nav.quit_requested = 1; break;
      case 2: nav.current_menu = 1; break;
      case 3: nav.current_menu = 2; break;
      case 4:
        page_change(app, 12);
        clear_menu_selection(nav);
        break;
      case 5:
        page_change(app, 10);
        clear_menu_selection(nav);
        break;
    }
  }

  // MUTE reacts in both states; the latch set by the first test keeps one
  // click from doing both.
  if (in.click() && nav.button_lit[6] == 0 && over(6)) {
    in.click_latch = 1;
    xm_stop(app.xm);
    nav.button_lit[6] = 1;
  }
  if (in.click() && nav.button_lit[6] == 1 && over(6)) {
    in.click_latch = 1;
    xm_play(app.xm);
    nav.button_lit[6] = 0;
  }

  // MUSIC 1..4 (buttons 7..10) also clear MUTE.
  for (int k = 7; k <= 10; ++k) {
    if (!in.click() || nav.button_lit[k] != 0 || !over(k)) continue;
    in.click_latch = 1;
    for (int i = 6; i <= 10; ++i) nav.button_lit[i] = 0;
    nav.button_lit[k] = 1;
    nav.ticker_pos = 1;
    nav.selected_song = k - 6;
    start_module_n(app, k - 6);
  }

  if (nav.current_menu == 1) nav.button_lit[2] = 1;
  if (nav.current_menu == 2) nav.button_lit[3] = 1;
}

void handle_menu_click(App& app) {
  InputState& in = app.input;
  NavState& nav = app.nav;
  if (!in.click()) return;
  in.click_latch = 1;  // used up wherever it lands

  static constexpr int kColumnLeft[2] = {146, 400};
  for (int column = 0; column < 2; ++column) {
    int rows = column == 0 ? 5 : 4;
    int x0 = kColumnLeft[column];
    for (int r = 1; r <= rows; ++r) {
      int y0 = 60 + 12 * (r - 1);
      if (!(x0 < in.mouse_x && in.mouse_x < x0 + 245 && y0 < in.mouse_y && in.mouse_y < y0 + 12)) continue;
      int k = menu_slot_entry(nav.current_menu, column, r);
      if (k == 0 || menu_enabled(k) != 1 || nav.menu_selected[k] != 0) continue;
      clear_menu_selection(nav);
      nav.menu_selected[k] = 1;
      nav.button_lit[4] = 0;
      nav.button_lit[5] = 0;
      page_change(app, k);
    }
  }

  // The menu switch in right row 5 (overlapping row 4 for 104 < y < 108).
  if (104 < in.mouse_y && in.mouse_y < 120 && 400 < in.mouse_x && in.mouse_x < 645) {
    nav.button_lit[2] = 0;
    nav.button_lit[3] = 0;
    nav.current_menu = nav.current_menu == 1 ? 2 : 1;
  }
}

void handle_scrollbar(App& app) {
  InputState& in = app.input;
  PageGrid& g = app.grid;
  if (in.mouse_button == 0) in.scrollbar_drag = 0;
  int s = app.nav.skin == 1 ? 0 : 5;
  bool inside = 775 + s < in.mouse_x && in.mouse_x < 791 + s && 200 < in.mouse_y && in.mouse_y < 561;
  if (inside || in.scrollbar_drag == 1) {
    in.pointer_look = 2;
    if (in.mouse_button == 1 || in.scrollbar_drag == 1) in.pointer_look = 1;
    if (in.mouse_button == 1) {
      in.scrollbar_drag = 1;
      // Real division, then round half to even (the default rounding mode).
      double t = std::nearbyint(static_cast<double>(in.mouse_y - 200) * (g.page_length - 32) / 352.0);
      g.top_line = static_cast<int>(std::clamp(t, 0.0, static_cast<double>(max_top_line(g))));
    }
    if (in.scrollbar_glow < 125) in.scrollbar_glow += 5;
  } else if (in.scrollbar_glow > 0) {
    in.scrollbar_glow -= 5;
  }
}

void draw_pointer(App& app, int x, int y) {
  if (!(0 < x && x < 792 && 0 < y && y < 592)) return;
  int look = app.input.pointer_look == 2 ? 2 : 1;
  for (int r = 0; r < 11; ++r)
    for (int c = 0; c < 11; ++c) {
      uint32_t v = app.input.pointer_images[look][r][c];
      if (v != 0) app.fb.put(x + c, y + r, v);
    }
}

void end_of_frame_input(App& app) {
  Platform& p = app.platform;
  InputState& in = app.input;
  if (p.display_mouse_left() == 0 && in.click_latch == 1) in.click_latch = 0;
  in.mouse_x = std::clamp(p.display_mouse_x(), 1, 789);
  in.mouse_y = std::clamp(p.display_mouse_y(), 1, 589);
  in.mouse_button = p.display_mouse_left();

  PageGrid& g = app.grid;
  if (key_fresh_press(p.key_state(kKeyPageUp)) && g.top_line >= 1) g.top_line = std::max(g.top_line - 33, 0);
  if (key_fresh_press(p.key_state(kKeyPageDown)) && g.top_line < g.page_length - 33)
    g.top_line = std::min(g.top_line + 33, g.page_length - 33);
  if (key_fresh_press(p.key_state(kKeyEnd))) g.top_line = max_top_line(g);
  if (key_fresh_press(p.key_state(kKeyHome))) g.top_line = 0;
}

}  // namespace zel
