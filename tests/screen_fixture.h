// A main screen on the headless backend for the screen tests: the App with
// its tables built as start-up builds them, the display open, no music.
#pragma once

#include <memory>

#include "content/page_grid.h"
#include "core/app.h"
#include "platform/headless_platform.h"

namespace zel::testing {

struct Screen {
  HeadlessPlatform p;
  std::unique_ptr<App> app_ptr = std::make_unique<App>(p);
  App& app = *app_ptr;

  Screen() {
    load_page(app.grid, 11);
    decode_skins(app.skins);
    build_glyph_palette(app.font);
    build_pointer_images(app.input);
    fill_visualiser_gradients(app);
    init_buttons(app.input);
    reset_visualiser(app);
    load_big_font(app);
    p.display_open("test", kScreenW, kScreenH);
  }

  // The mouse as end_of_frame_input would have sampled it.
  void pointer(int x, int y, int button = 0) {
    app.input.mouse_x = x;
    app.input.mouse_y = y;
    app.input.mouse_button = button;
  }
  // A page of n lines (contents do not matter to scrolling).
  void page_of(int n) {
    app.grid.page_length = n;
    app.grid.top_line = 0;
    app.grid.scroll_offset = 0;
  }
  uint32_t px(int x, int y) const { return app.fb.get(x, y); }
};

// blend_rect's arithmetic, channel by channel, as an independent reference.
inline uint32_t blend(uint32_t dst, int alpha, int r, int g, int b) {
  auto ch = [&](int s, int shift) {
    int d = static_cast<int>((dst >> shift) & 0xFF);
    return static_cast<uint32_t>((s * alpha + d * (256 - alpha)) / 256) << shift;
  };
  return ch(r, 16) | ch(g, 8) | ch(b, 0);
}

}  // namespace zel::testing
