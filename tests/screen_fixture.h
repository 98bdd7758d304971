// A main screen on the headless backend for the screen tests: the App with
// its tables built as start-up builds them, the display open, no music.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <initializer_list>
#include <memory>
#include <vector>

#include "content/page_grid.h"
#include "core/app.h"
#include "platform/headless_platform.h"

namespace zel::testing {

constexpr uint32_t kBg = 0x406080;

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
    app.input.mouse_x = x, app.input.mouse_y = y, app.input.mouse_button = button;
  }
  // A page of n lines (contents do not matter to scrolling).
  void page_of(int n) {
    app.grid.page_length = n;
    app.grid.top_line = app.grid.scroll_offset = 0;
  }
  uint32_t px(int x, int y) const { return app.fb.get(x, y); }
};

// Expected pixels of an 800 x 600 image, checked one by one.
struct Px {
  int x, y;
  uint32_t want;
};
inline void expect_pixels(const std::vector<uint32_t>& img, std::initializer_list<Px> cases) {
  for (const Px& c : cases)
    EXPECT_EQ(img[static_cast<size_t>(c.y) * kScreenW + c.x], c.want) << "at " << c.x << "," << c.y;
}
inline void expect_pixels(const FrameBuffer& fb, std::initializer_list<Px> cases) { expect_pixels(fb.px, cases); }
inline bool all_are(const FrameBuffer& fb, uint32_t v) {
  return std::ranges::all_of(fb.px, [v](uint32_t p) { return p == v; });
}

}  // namespace zel::testing
