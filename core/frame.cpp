#include "core/frame.h"

#include <algorithm>
#include <cmath>

#include "content/content.h"
#include "core/output.h"
#include "render/layout.h"
#include "render/page_panel.h"

namespace zel {

namespace {

// The visualiser's frame: kicks from the module player's cells, then the sink.
void update_visualiser(App& app) {
  uint32_t cells[kXmMaxChannels];
  int n = std::clamp(app.visualiser.channel_count, 0, kXmMaxChannels);
  for (int c = 0; c < n; ++c) cells[c] = xm_playing_cell(app.xm, c);
  kick_visualiser_bars(app.visualiser, std::span<const uint32_t>(cells, static_cast<size_t>(n)));
  settle_visualiser_bars(app.visualiser);
}

}  // namespace

void fade_button_glow(InputState& input) {
  for (int i = 1; i <= kButtonCount; ++i) input.button_glow[i] = std::max(input.button_glow[i] - 3, 0);
}

void update_hover(App& app) {
  InputState& in = app.input;
  const NavState& nav = app.nav;
  in.pointer_look = kLookNormal;
  for (int i = 1; i <= kButtonCount; ++i) {
    if (nav.button_lit[i] == 1 || !button_rect(nav.skin, i).contains(in.mouse_x, in.mouse_y)) continue;
    in.pointer_look = kLookHot;
    int& glow = in.button_glow[i];
    if (in.click_latch == 0) glow += 10;
    if (glow > kGlowMax) glow = kGlowMax;
  }
  if (in.click_latch != 0) return;
  for (int column = 0; column < 2; ++column)
    for (int r = 1; r <= kMenuRows; ++r)
      if (menu_bar_hovered(column, r, in.mouse_x, in.mouse_y)) in.pointer_look = kLookHot;
}

void kick_visualiser_bars(VisualiserState& vis, std::span<const uint32_t> cells) {
  for (uint32_t cell : cells) {
    int j = static_cast<int>(cell & 0xFF) - 45;
    if (0 < j && j < VisualiserState::kBars - 1) {
      vis.bars[j] -= 4;
      vis.bars[j - 1] -= 3;
      vis.bars[j + 1] -= 3;
    }
  }
}

void settle_visualiser_bars(VisualiserState& vis) {
  for (double& h : vis.bars) {
    if (h < VisualiserState::kTopLimit) h = VisualiserState::kTopLimit;
    if (h <= VisualiserState::kBaseline) h += 2;
  }
}

void advance_ticker(NavState& nav, WidgetState& ticker, int line_length) {
  ticker.ticker_offset += 1;
  if (ticker.ticker_offset > 9) {
    nav.ticker_pos += 1;
    if (nav.ticker_pos > line_length) nav.ticker_pos = 1;
    ticker.ticker_offset -= 9;
  }
}

void redraw_main_screen(App& app) {
  FrameBuffer& fb = app.fb;
  NavState& nav = app.nav;
  const InputState& in = app.input;
  const int skin = nav.skin;
  const double anim_clock = app.timing.anim_clock;
  draw_backdrop(fb, app.skins, skin);
  fade_button_glow(app.input);
  draw_buttons(fb, skin, nav.button_lit, in.button_glow);
  update_hover(app);
  draw_centre_menu(fb, app.font, nav.current_menu, nav.menu_selected, in.mouse_x, in.mouse_y, in.click_latch == 0,
                   anim_clock);
  draw_page_rules(fb, app.grid, app.grid.top_line, anim_clock);
  draw_page_text(fb, app.font, app.grid, app.grid.top_line, skin);
  if (nav.button_lit[kButtonMute] == 0) {
    update_visualiser(app);
    draw_visualiser_bars(fb, app.visualiser, skin);
  }
  std::string_view line = status_line(nav.selected_song);
  draw_ticker(fb, app.font, line, nav.ticker_pos, app.widgets.ticker_offset, skin);
  advance_ticker(nav, app.widgets, static_cast<int>(line.size()));
}

void wipe_step(App& app, int s) {
  Platform& p = app.platform;
  app.timing.frame_start = p.clock();
  redraw_main_screen(app);
  const int bottom = wipe_bottom(app.nav.skin);
  for (int j = 0; j <= s; j += 2) {
    for (int y = kWipeTop; y <= bottom; ++y) {
      app.fb.put(kWipeLeft + j, y, 0);
      app.fb.put(kWipeRight - j, y, 0);
    }
  }
  present(app);
  if (app.run_ended) return;
  p.sleep_ms(1);
  app.timing.anim_clock += 250.0 * (p.clock() - app.timing.frame_start);
}

void wipe_close(App& app) {
  for (int s = 0; s <= kWipeCloseLast && !app.run_ended; s += kWipeStep) wipe_step(app, s);
}

void wipe_open(App& app) {
  for (int s = kWipeOpenFirst; s >= kWipeOpenLast && !app.run_ended; s -= kWipeStep) wipe_step(app, s);
}

void noise_flash(App& app, int band) {
  Platform& p = app.platform;
  const double end = p.clock() + 0.5;
  while (p.clock() < end && !app.run_ended) {
    for (int y = 0; y < kScreenH; y += band) {
      // Red, green, blue in this order from the generator.
      auto channel = [&] { return static_cast<uint32_t>(std::nearbyint(app.rng.next() * 255.0)); };
      uint32_t r = channel();
      uint32_t g = channel();
      uint32_t b = channel();
      uint32_t colour = r << 16 | g << 8 | b;
      int last = std::min(y + band, kScreenH);
      std::fill(app.fb.px.begin() + static_cast<ptrdiff_t>(y) * kScreenW,
                app.fb.px.begin() + static_cast<ptrdiff_t>(last) * kScreenW, colour);
    }
    present(app);
    if (app.run_ended) return;
    p.sleep_ms(1);
  }
}

void noise_flash_coarse(App& app) { noise_flash(app, 10); }
void noise_flash_fine(App& app) { noise_flash(app, 2); }

}  // namespace zel
