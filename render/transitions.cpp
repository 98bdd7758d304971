#include "render/transitions.h"

#include <algorithm>
#include <cmath>

#include "core/app.h"
#include "render/page_panel.h"

namespace zel {

void redraw_main_screen(App& app) {
  draw_backdrop(app);
  draw_buttons(app);
  draw_centre_menu(app);
  draw_page_rules(app, app.grid.top_line);
  draw_page_text(app, app.grid.top_line);
  if (app.nav.button_lit[6] == 0) draw_visualiser(app);
  draw_ticker(app);
}

void wipe_step(App& app, int s) {
  Platform& p = app.platform;
  app.timing.frame_start = p.clock();
  redraw_main_screen(app);
  int bottom = 192 + (app.nav.skin == 1 ? 377 : 378);
  for (int j = 0; j <= s; j += 2) {
    for (int y = 192; y <= bottom; ++y) {
      app.fb.put(20 + j, y, 0);
      app.fb.put(767 - j, y, 0);
    }
  }
  present(app);
  p.sleep_ms(1);
  app.timing.anim_clock += 250.0 * (p.clock() - app.timing.frame_start);
}

void wipe_close(App& app) {
  for (int s = 0; s <= 740; s += 10) wipe_step(app, s);
}

void wipe_open(App& app) {
  for (int s = 747; s >= 7; s -= 10) wipe_step(app, s);
}

void noise_flash(App& app, int band) {
  Platform& p = app.platform;
  double end = p.clock() + 0.5;
  while (p.clock() < end) {
    for (int y = 0; y < kScreenH; y += band) {
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
    p.sleep_ms(1);
  }
}

void noise_flash_coarse(App& app) { noise_flash(app, 10); }
void noise_flash_fine(App& app) { noise_flash(app, 2); }

}  // namespace zel
