#include "render/widgets.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "content/content.h"
#include "core/app.h"

namespace zel {

namespace {

// Clip band shared by the menu, its title and the ticker.
constexpr int kMenuXMin = 146, kMenuXMax = 649, kMenuYMin = 40, kMenuYMax = 145;
constexpr int kColumnX[2] = {148, 402};

// 1-based substring of at most n characters; empty at position 0 or past the end.
std::string_view substr1(std::string_view s, int pos, size_t n) {
  if (pos < 1 || static_cast<size_t>(pos) > s.size()) return {};
  return s.substr(static_cast<size_t>(pos) - 1, n);
}

}  // namespace

void draw_buttons(App& app) {
  InputState& in = app.input;
  const NavState& nav = app.nav;
  bool grunge = nav.skin == 1;
  in.pointer_look = 1;
  for (int i = 1; i <= 10; ++i) {
    const ButtonRect& b = button_rect(app, i);
    int& glow = in.button_glow[i];
    if (glow > 0) glow = std::max(glow - 3, 0);
    if (nav.button_lit[i] != 1) {
      if (grunge)
        blend_rect(app.fb, b.x, b.y, b.w, b.h, glow, 30, 50, 125);
      else
        blend_rect(app.fb, b.x, b.y, b.w, b.h, glow, 50, 100, 250);
      if (b.contains(in.mouse_x, in.mouse_y)) {
        in.pointer_look = 2;
        if (in.click_latch == 0) glow += 10;
        if (glow > 125) glow = 125;
      }
    } else if (grunge) {
      blend_rect(app.fb, b.x, b.y, b.w, b.h, 125, 125, 70, 20);
    } else {
      blend_rect(app.fb, b.x, b.y, b.w, b.h, 95, 100, 150, 250);
    }
  }
}

void draw_centre_menu(App& app) {
  InputState& in = app.input;
  const NavState& nav = app.nav;
  FrameBuffer& fb = app.fb;

  std::string_view title = menu_title();
  int tx = static_cast<int>(std::nearbyint(404.0 - 9.0 * static_cast<double>(title.size()) / 2.0));
  draw_text_clipped(fb, app.font, title, tx, 42, kMenuXMin, kMenuXMax, kMenuYMin, kMenuYMax, 1, 25);

  for (int column = 0; column < 2; ++column) {
    int cx = kColumnX[column];
    // Labels first, so that the bars tint them.
    for (int r = 1; r <= 5; ++r) {
      int y = 60 + 12 * (r - 1);
      int k = menu_slot_entry(nav.current_menu, column, r);
      if (column == 1 && r == 5) {
        std::string_view link = nav.current_menu == 1 ? "> Articles Menu" : "> Charts Menu";
        draw_text_clipped(fb, app.font, link, cx, y, kMenuXMin, kMenuXMax, kMenuYMin, kMenuYMax, 1, 1);
      } else if (k != 0 && menu_enabled(k) == 1) {
        draw_text_clipped(fb, app.font, menu_entry(k), cx, y, kMenuXMin, kMenuXMax, kMenuYMin, kMenuYMax, 1, 2);
      }
    }
    // Hover bars react in every slot, entry or not.
    for (int k = 0; k <= 4; ++k) {
      int y0 = 61 + 12 * k;
      int a = 0;
      if (in.click_latch == 0 && cx < in.mouse_x && in.mouse_x < cx + 245 && y0 < in.mouse_y && in.mouse_y < y0 + 10) {
        in.pointer_look = 2;
        a = 65;
      }
      int blue = static_cast<int>(std::nearbyint(0.5 * a + 100));
      blend_rect(fb, cx, y0, 245, 10, 60 + a, 100, 100, blue);
    }
    for (int r = 1; r <= 5; ++r) {
      int k = (column == 1 && r == 5) ? 21 : menu_slot_entry(nav.current_menu, column, r);
      if (k != 0 && nav.menu_selected[k] == 1) blend_rect(fb, cx, 60 + 12 * (r - 1), 245, 10, 90, 200, 100, 100);
    }
  }

  draw_rule(fb, app.timing.anim_clock, 57, 144, 507, 8);
  draw_rule(fb, app.timing.anim_clock, 122, 144, 507, 8);
}

void draw_ticker(App& app) {
  NavState& nav = app.nav;
  double& offset = app.widgets.ticker_offset;
  int y = nav.skin == 1 ? 123 : 124;
  int x = 146 - static_cast<int>(std::floor(offset));
  std::string_view line = status_line(nav.selected_song);
  draw_text_clipped(app.fb, app.font, substr1(line, nav.ticker_pos, 58), x, y, kMenuXMin, kMenuXMax, kMenuYMin,
                    kMenuYMax, 2, 2);
  offset += 1;
  if (offset > 9) {
    nav.ticker_pos += 1;
    if (static_cast<size_t>(nav.ticker_pos) > line.size()) nav.ticker_pos = 1;
    offset -= 9;
  }
}

void draw_scroll_thumb(App& app) {
  const PageGrid& g = app.grid;
  if (g.page_length <= 33) return;
  int y = static_cast<int>(std::nearbyint(361.0 / (g.page_length - 33) * g.top_line)) + 195;
  int glow = app.input.scrollbar_glow;
  if (app.nav.skin == 1) {
    blend_rect(app.fb, 779, y, 8, 19, 80, 100, 150, 250);
    blend_rect(app.fb, 779, y, 8, 19, glow, 100, 125, 200);
  } else {
    blend_rect(app.fb, 783, y, 9, 19, 80, 50, 150, 250);
    blend_rect(app.fb, 783, y, 9, 19, glow, 100, 150, 250);
  }
}

}  // namespace zel
