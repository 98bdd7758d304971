// Timing of one main-screen frame's share of text and skin drawing: the
// backdrop copy, the page rules and the page text, on a full page (33 rows of
// 80 characters, half of them ruled) and on the editorial. Prints figures.
#include <chrono>
#include <cstdio>

#include "core/app.h"
#include "platform/headless_platform.h"
#include "render/page_panel.h"

namespace {

template <typename F>
double micros_per_call(F&& f, int reps) {
  auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < reps; ++i) f();
  std::chrono::duration<double, std::micro> d = std::chrono::steady_clock::now() - t0;
  return d.count() / reps;
}

}  // namespace

int main() {
  using namespace zel;
  HeadlessPlatform platform;
  App app(platform);
  build_glyph_palette(app.font);
  decode_skins(app.skins);
  render_skin_rect(app.skins, 0, 0, 799, 599, 0, 0);
  const int reps = 2000;

  double backdrop = micros_per_call([&] { draw_backdrop(app); }, reps);
  load_page(app.grid, 11);
  double editorial = micros_per_call(
      [&] {
        draw_page_rules(app, 0);
        draw_page_text(app, 0);
      },
      reps);
  // A full page: every cell inked, odd rows ruled with the rainbow, even rows plain.
  for (int l = 0; l < 40; ++l) {
    PageRow& row = app.grid.rows[static_cast<size_t>(l)];
    for (int k = 1; k <= 80; ++k) row.cells[k] = PageCell{static_cast<uint8_t>('A' + (k + l) % 26), 2, 1 + (k & 1)};
    row.rule.assign(1, l % 2 ? '8' : '0');
  }
  app.grid.page_length = 40;
  app.grid.scroll_offset = 6;
  double full = micros_per_call(
      [&] {
        app.timing.anim_clock += 4;
        draw_page_rules(app, 0);
        draw_page_text(app, 0);
      },
      reps);
  double rules = micros_per_call(
      [&] {
        app.timing.anim_clock += 4;
        draw_page_rules(app, 0);
      },
      reps);
  std::printf("draw_backdrop:                 %8.1f us per frame\n", backdrop);
  std::printf("page rules + text, editorial:  %8.1f us per frame\n", editorial);
  std::printf("page rules + text, full page:  %8.1f us per frame\n", full);
  std::printf("  of which the rules:          %8.1f us per frame\n", rules);
  return 0;
}
