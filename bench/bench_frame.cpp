// Cost of one frame against the cost of copying one: memcpy of an 800x600
// frame, a complete main-screen frame (everything the main loop draws, not
// presented) on every page with both skins, an intro frame and load_page,
// each with its ratio to the memcpy figure. Prints figures; not a test.
//
// Every figure is the fastest of several batches (the least disturbed by the
// other work on the machine), in microseconds per call.
//
// Usage: bench_frame [BATCHES]   (default 15)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "content/content.h"
#include "core/app.h"
#include "core/frame.h"
#include "platform/headless_platform.h"
#include "render/layout.h"

namespace {

using namespace zel;

int g_batches = 15;

// Fastest batch of `reps` calls, in microseconds per call.
template <typename F>
double best_micros(F&& f, int reps) {
  double best = 1e30;
  for (int b = 0; b < g_batches; ++b) {
    auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < reps; ++i) f();
    std::chrono::duration<double, std::micro> d = std::chrono::steady_clock::now() - t0;
    best = std::min(best, d.count() / reps);
  }
  return best;
}

// Keeps the compiler from dropping a copy nobody reads.
void touch(const void* p) { asm volatile("" : : "r"(p) : "memory"); }

// The main loop's drawing for one frame (redraw_main_screen, scroll thumb,
// pointer), with the visualiser's bars standing high and the animation clock
// moving as at 60 frames a second, so that every rainbow pixel is new.
void main_frame(App& app, unsigned& seed) {
  for (double& bar : app.visualiser.bars) {
    seed = seed * 1103515245u + 12345u;
    bar = 131.0 + (seed >> 16) % 17;
  }
  redraw_main_screen(app);
  if (app.grid.page_length > kScrollBarMinLines)
    draw_scroll_thumb(app.fb, app.nav.skin, app.grid.page_length, app.grid.top_line, app.input.scrollbar_glow);
  draw_pointer(app.fb, app.input.pointer_image(), app.input.mouse_x, app.input.mouse_y);
  app.timing.anim_clock += 250.0 / 60.0 + 0.25;
}

// One intro frame as the intro loop draws it, at 60 frames a second.
void intro_frame(App& app, double& now) {
  Timing& t = app.timing;
  t.intro_frame_scale = 250.0 / 60.0;
  draw_raster_bars(app.fb, t.intro_phase);
  update_intro_tables(app.intro, t.intro_phase);
  draw_starfield(app.fb, app.intro);
  move_starfield(app.intro, t.intro_frame_scale);
  draw_intro_lines(app.fb, app.intro);
  advance_scroller(app.intro, scroller_text(), t.intro_frame_scale, now);
  draw_scroller(app.fb, app.intro, scroller_text());
  clear_intro_background(app.fb);
  t.intro_phase += 50.0 / 60.0;
  now += 1.0 / 60.0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_batches = std::max(1, std::atoi(argv[1]));
  HeadlessPlatform platform;
  auto app_ptr = std::make_unique<App>(platform);
  App& app = *app_ptr;
  if (!start_up(app)) return 1;
  render_skin_rect(app.skins, 0, 0, 799, 599, 0, 0);
  init_starfield(app);

  // memcpy of one frame: from cache (the same two buffers again and again)
  // and from memory (a ring of buffers larger than the caches).
  const size_t frame_bytes = app.fb.px.size() * sizeof(uint32_t);
  std::vector<uint32_t> src(app.fb.px.size(), 0x123456);
  double copy_cached = best_micros(
      [&] {
        std::memcpy(app.fb.data(), src.data(), frame_bytes);
        touch(app.fb.data());
      },
      400);
  const int ring = 48;  // 92 MB of sources
  std::vector<std::vector<uint32_t>> sources(ring, src);
  int next = 0;
  double copy_memory = best_micros(
      [&] {
        std::memcpy(app.fb.data(), sources[static_cast<size_t>(next)].data(), frame_bytes);
        next = (next + 1) % ring;
        touch(app.fb.data());
      },
      ring);
  sources.clear();

  // load_page of every page; the slowest.
  double load_worst = 0;
  int load_page_no = 0;
  for (int p = 1; p <= kPageCount; ++p) {
    double us = best_micros([&] { load_page(app.grid, p); }, 20);
    if (us > load_worst) load_worst = us, load_page_no = p;
  }

  // A main-screen frame on every page, scrolled to the top and half a line
  // down, with both skins; the menu bar under the pointer lit, MUSIC 1 lit.
  app.input.mouse_x = 200, app.input.mouse_y = 66;
  app.nav.button_lit[kButtonMusic1] = 1;
  unsigned seed = 1;
  double worst[2] = {0, 0};
  int worst_page[2] = {0, 0};
  for (int skin = 1; skin <= 2; ++skin) {
    app.nav.skin = skin;
    for (int p = 1; p <= kPageCount; ++p) {
      load_page(app.grid, p);
      if (app.grid.page_length <= kScrollBarMinLines) app.grid.scroll_offset = kShortPageOffset;
      else app.grid.scroll_offset = 6;
      double us = best_micros([&] { main_frame(app, seed); }, 50);
      if (us > worst[skin - 1]) worst[skin - 1] = us, worst_page[skin - 1] = p;
    }
  }

  double now = HeadlessPlatform::kStartTime;
  app.intro.scroller_pause_until = now;
  clear_intro_background(app.fb);
  double intro = best_micros([&] { intro_frame(app, now); }, 100);

  std::printf("memcpy of a frame (%zu bytes), from cache:  %8.1f us\n", frame_bytes, copy_cached);
  std::printf("memcpy of a frame, from memory:              %8.1f us\n", copy_memory);
  for (int s = 0; s < 2; ++s)
    std::printf("main-screen frame, '%s', page %2d:        %8.1f us  %5.2f x memcpy\n", s == 0 ? "Grunge" : "Carbon",
                worst_page[s], worst[s], worst[s] / copy_cached);
  std::printf("intro frame:                                 %8.1f us  %5.2f x memcpy\n", intro, intro / copy_cached);
  std::printf("load_page, slowest (page %2d):               %8.1f us  %5.2f x memcpy\n", load_page_no, load_worst,
              load_worst / copy_cached);
  return 0;
}
