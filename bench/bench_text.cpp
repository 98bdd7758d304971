// Timing of one main-screen frame's share of text and skin drawing: the
// backdrop copy, the page rules and the page text, on a full page (33 rows of
// 80 characters, half of them ruled) and on the editorial. Prints figures.
#include <chrono>
#include <cstdio>

#include <memory>

#include "render/page_panel.h"
#include "render/skin.h"

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
  FrameBuffer fb;
  TextFont font;
  Skins skins;
  auto grid = std::make_unique<PageGrid>();
  double anim_clock = 0;
  build_glyph_palette(font);
  decode_skins(skins);
  render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  const int reps = 2000;
  auto page = [&] {
    draw_page_rules(fb, *grid, 0, anim_clock);
    draw_page_text(fb, font, *grid, 0, 1);
  };

  double backdrop = micros_per_call([&] { draw_backdrop(fb, skins, 1); }, reps);
  load_page(*grid, 11);
  double editorial = micros_per_call(page, reps);
  // A full page: every cell inked, odd rows ruled with the rainbow, even rows plain.
  for (int l = 0; l < 40; ++l) {
    PageRow& row = grid->rows[static_cast<size_t>(l)];
    for (int k = 1; k <= 80; ++k) row.cells[k] = PageCell{static_cast<uint8_t>('A' + (k + l) % 26), 2, 1 + (k & 1)};
    row.rule.assign(1, l % 2 ? '8' : '0');
  }
  grid->page_length = 40;
  grid->scroll_offset = 6;
  double full = micros_per_call(
      [&] {
        anim_clock += 4;
        page();
      },
      reps);
  double rules = micros_per_call(
      [&] {
        anim_clock += 4;
        draw_page_rules(fb, *grid, 0, anim_clock);
      },
      reps);
  std::printf("draw_backdrop:                 %8.1f us per frame\n", backdrop);
  std::printf("page rules + text, editorial:  %8.1f us per frame\n", editorial);
  std::printf("page rules + text, full page:  %8.1f us per frame\n", full);
  std::printf("  of which the rules:          %8.1f us per frame\n", rules);
  return 0;
}
