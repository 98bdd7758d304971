// Cost of one frame against the cost of copying one: memcpy of an 800x600
// frame, a complete main-screen frame (everything the main loop draws, not
// presented) on every page with both skins, an intro frame and load_page,
// each with its ratio to the memcpy figure. Prints figures; not a test.
//
// Every figure is the fastest of many short batches of calls (the least
// disturbed by other work on the machine), in microseconds of this thread's
// CPU time per call. The batches of all cases take turns, so that a burst of
// load elsewhere slows one batch of each case rather than every batch of one.
//
// Usage: bench_frame [ROUNDS]   (default 40)
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "content/content.h"
#include "core/app.h"
#include "core/frame.h"
#include "platform/headless_platform.h"
#include "render/layout.h"

namespace {

using namespace zel;

int g_rounds = 40;

double thread_micros() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

// Cases measured in turns: each round runs one batch of every case in order
// (with its set-up first, untimed); a case's figure is its fastest batch.
struct Case {
  std::string name;
  std::function<void()> setup;
  std::function<void()> call;
  int reps;
  double best = 1e30;
};

void measure(std::vector<Case>& cases) {
  for (int round = 0; round < g_rounds; ++round)
    for (Case& c : cases) {
      if (c.setup) c.setup();
      double t0 = thread_micros();
      for (int i = 0; i < c.reps; ++i) c.call();
      c.best = std::min(c.best, (thread_micros() - t0) / c.reps);
    }
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
  if (argc > 1) g_rounds = std::max(1, std::atoi(argv[1]));
  HeadlessPlatform platform;
  auto app_ptr = std::make_unique<App>(platform);
  App& app = *app_ptr;
  if (!start_up(app)) return 1;
  render_skin_rect(app.skins, 0, 0, 799, 599, 0, 0);
  init_starfield(app);
  std::vector<Case> cases;

  // memcpy of one frame: from cache (the same two buffers again and again)
  // and from memory (a ring of buffers larger than the caches).
  const size_t frame_bytes = app.fb.px.size() * sizeof(uint32_t);
  std::vector<uint32_t> src(app.fb.px.size(), 0x123456);
  cases.push_back({"memcpy of a frame, from cache", {},
                   [&] {
                     std::memcpy(app.fb.data(), src.data(), frame_bytes);
                     touch(app.fb.data());
                   },
                   20});
  const int ring = 48;  // 92 MB of sources
  std::vector<std::vector<uint32_t>> sources(ring, src);
  int next = 0;
  cases.push_back({"memcpy of a frame, from memory", {},
                   [&] {
                     std::memcpy(app.fb.data(), sources[static_cast<size_t>(next)].data(), frame_bytes);
                     next = (next + 1) % ring;
                     touch(app.fb.data());
                   },
                   8});

  // A main-screen frame on every page with both skins, scrolled half a line
  // (short pages as the main loop keeps them); the menu bar under the
  // pointer lit, MUSIC 1 lit.
  app.input.mouse_x = 200, app.input.mouse_y = 66;
  app.nav.button_lit[kButtonMusic1] = 1;
  unsigned seed = 1;
  for (int skin = 1; skin <= 2; ++skin)
    for (int p = 1; p <= kPageCount; ++p)
      cases.push_back({"main " + std::to_string(skin) + " " + std::to_string(p),
                       [&app, skin, p] {
                         app.nav.skin = skin;
                         load_page(app.grid, p);
                         app.grid.scroll_offset = app.grid.page_length <= kScrollBarMinLines ? kShortPageOffset : 6;
                       },
                       [&] { main_frame(app, seed); }, 10});
  const size_t first_main = 2;

  double now = HeadlessPlatform::kStartTime;
  app.intro.scroller_pause_until = now;
  cases.push_back({"intro frame", [&] { clear_intro_background(app.fb); }, [&] { intro_frame(app, now); }, 10});
  const size_t intro_case = cases.size() - 1;
  for (int p = 1; p <= kPageCount; ++p)
    cases.push_back({"load_page " + std::to_string(p), {}, [&app, p] { load_page(app.grid, p); }, 2});
  const size_t first_load = intro_case + 1;

  measure(cases);

  const double copy = cases[0].best;
  std::printf("memcpy of a frame (%zu bytes), from cache:  %8.1f us\n", frame_bytes, copy);
  std::printf("memcpy of a frame, from memory:              %8.1f us\n", cases[1].best);
  for (int s = 0; s < 2; ++s) {
    size_t worst = first_main + static_cast<size_t>(s) * kPageCount;
    for (size_t i = worst; i < first_main + static_cast<size_t>(s + 1) * kPageCount; ++i)
      if (cases[i].best > cases[worst].best) worst = i;
    std::printf("main-screen frame, '%s', page %2zu:        %8.1f us  %5.2f x memcpy\n", s == 0 ? "Grunge" : "Carbon",
                worst - first_main - static_cast<size_t>(s) * kPageCount + 1, cases[worst].best,
                cases[worst].best / copy);
  }
  std::printf("intro frame:                                 %8.1f us  %5.2f x memcpy\n", cases[intro_case].best,
              cases[intro_case].best / copy);
  size_t slow = first_load;
  for (size_t i = first_load; i < cases.size(); ++i)
    if (cases[i].best > cases[slow].best) slow = i;
  std::printf("load_page, slowest (page %2zu):               %8.1f us  %5.2f x memcpy\n", slow - first_load + 1,
              cases[slow].best, cases[slow].best / copy);
  return 0;
}
