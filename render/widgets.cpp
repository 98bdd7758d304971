#include "render/widgets.h"

#include <cmath>

#include "content/content.h"
#include "render/layout.h"

namespace zel {

namespace {

// 1-based substring of at most n characters; empty at position 0 or past the end.
std::string_view substr1(std::string_view s, int pos, size_t n) {
  if (pos < 1 || static_cast<size_t>(pos) > s.size()) return {};
  return s.substr(static_cast<size_t>(pos) - 1, n);
}

void menu_text(FrameBuffer& fb, const TextFont& font, std::string_view text, int x, int y, int face, int colour) {
  draw_text_clipped(fb, font, text, x, y, kMenuClipXMin, kMenuClipXMax, kMenuClipYMin, kMenuClipYMax, face, colour);
}

}  // namespace

void draw_buttons(FrameBuffer& fb, int skin, const int32_t (&lit)[11], const int32_t (&glow)[11]) {
  const bool grunge = is_grunge(skin);
  for (int i = 1; i <= kButtonCount; ++i) {
    const ButtonRect& b = button_rect(skin, i);
    if (lit[i] != 1) {
      if (grunge)
        blend_rect(fb, b.x, b.y, b.w, b.h, glow[i], 30, 50, 125);
      else
        blend_rect(fb, b.x, b.y, b.w, b.h, glow[i], 50, 100, 250);
    } else if (grunge) {
      blend_rect(fb, b.x, b.y, b.w, b.h, 125, 125, 70, 20);
    } else {
      blend_rect(fb, b.x, b.y, b.w, b.h, 95, 100, 150, 250);
    }
  }
}

void draw_centre_menu(FrameBuffer& fb, const TextFont& font, int current_menu, const int32_t (&menu_selected)[22],
                      int mouse_x, int mouse_y, bool hover_allowed, double anim_clock) {
  std::string_view title = menu_title();
  int tx = static_cast<int>(std::nearbyint(404.0 - 9.0 * static_cast<double>(title.size()) / 2.0));
  menu_text(fb, font, title, tx, 42, 1, 25);

  for (int column = 0; column < 2; ++column) {
    const int cx = kMenuColumnX[column];
    // Labels first, so that the bars tint them.
    for (int r = 1; r <= kMenuRows; ++r) {
      int k = menu_slot_entry(current_menu, column, r);
      if (column == 1 && r == kMenuRows) {
        menu_text(fb, font, current_menu == kMenuCharts ? "> Articles Menu" : "> Charts Menu", cx, menu_slot_y(r), 1, 1);
      } else if (k != 0 && menu_enabled(k) == 1) {
        menu_text(fb, font, menu_entry(k), cx, menu_slot_y(r), 1, 2);
      }
    }
    for (int r = 1; r <= kMenuRows; ++r) {
      int a = hover_allowed && menu_bar_hovered(column, r, mouse_x, mouse_y) ? 65 : 0;
      int blue = static_cast<int>(std::nearbyint(0.5 * a + 100));
      blend_rect(fb, cx, menu_slot_y(r) + 1, kMenuSlotW, 10, 60 + a, 100, 100, blue);
    }
    for (int r = 1; r <= kMenuRows; ++r) {
      int k = (column == 1 && r == kMenuRows) ? kMenuSwitchEntry : menu_slot_entry(current_menu, column, r);
      if (k != 0 && menu_selected[k] == 1) blend_rect(fb, cx, menu_slot_y(r), kMenuSlotW, 10, 90, 200, 100, 100);
    }
  }

  // The two rainbow rules share their colours.
  RainbowRow rainbow;
  fill_rainbow_row(rainbow, anim_clock, 0, 507);
  draw_rainbow_rule(fb, rainbow, 57, 144, 507);
  draw_rainbow_rule(fb, rainbow, 122, 144, 507);
}

void draw_ticker(FrameBuffer& fb, const TextFont& font, std::string_view line, int ticker_pos, double offset,
                 int skin) {
  int x = kTickerX - static_cast<int>(std::floor(offset));
  menu_text(fb, font, substr1(line, ticker_pos, kTickerChars), x, ticker_y(skin), 2, 2);
}

void draw_scroll_thumb(FrameBuffer& fb, int skin, int page_length, int top_line, int scrollbar_glow) {
  if (page_length <= kPanelRows) return;
  int y = static_cast<int>(std::nearbyint(static_cast<double>(kThumbTravel) / last_top_line(page_length) * top_line)) +
          kThumbTop;
  const int x = thumb_x(skin), w = thumb_w(skin);
  if (is_grunge(skin)) {
    blend_rect(fb, x, y, w, kThumbH, 80, 100, 150, 250);
    blend_rect(fb, x, y, w, kThumbH, scrollbar_glow, 100, 125, 200);
  } else {
    blend_rect(fb, x, y, w, kThumbH, 80, 50, 150, 250);
    blend_rect(fb, x, y, w, kThumbH, scrollbar_glow, 100, 150, 250);
  }
}

void draw_pointer(FrameBuffer& fb, const uint32_t (&image)[11][11], int x, int y) {
  if (!(0 < x && x < 792 && 0 < y && y < 592)) return;
  for (int r = 0; r < 11; ++r)
    for (int c = 0; c < 11; ++c)
      if (image[r][c] != 0) fb.put(x + c, y + r, image[r][c]);
}

}  // namespace zel
