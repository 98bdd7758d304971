#include "core/app.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "content/content.h"
#include "core/frame.h"
#include "core/input.h"
#include "core/output.h"

namespace zel {

const char* phase_name(Phase p) {
  switch (p) {
    case Phase::Startup: return "startup";
    case Phase::WaitRelease: return "release";
    case Phase::Intro: return "intro";
    case Phase::Switch: return "switch";
    case Phase::Main: return "main";
    case Phase::Shutdown: return "shutdown";
    case Phase::Ended: return "ended";
  }
  return "?";
}

bool start_up(App& app, std::string* why) {
  Platform& p = app.platform;
  load_page(app.grid, kFirstPage);
  // MenuSelected (entry 11), ButtonLit, current_menu and skin start as NavState says.
  decode_skins(app.skins);
  build_glyph_palette(app.font);
  build_pointer_images(app.input);
  fill_visualiser_gradients(app.visualiser);
  app.input.wheel_prev = 0;
  app.input.wheel_now = 0;
  init_buttons(app.input);
  reset_visualiser(app.visualiser);

  p.display_set_close_allowed(0);
  p.display_configure(0, "THE ZELVORANT PREVIEW\rFULL SCREEN?", 0, 1);
  if (!p.display_open(window_title(), kScreenW, kScreenH, why)) return false;
  p.hide_pointer();
  load_big_font(app.intro);
  return true;
}

void init_starfield(App& app) {
  for (int n = 1; n <= IntroState::kStars; ++n) {
    app.intro.star_x[n] = app.rng.next() * 800.0;
    app.intro.star_y[n] = app.rng.next() * 470.0 + 22.0;
  }
}

namespace {

// Keeps the screen black while Escape or the left button is held.
void wait_for_release(App& app) {
  app.phase = Phase::WaitRelease;
  // Present first: key and mouse state arrive with the message pump.
  do {
    app.fb.clear(0);
    present(app);
  } while (!app.run_ended && release_awaited(app));
  app.fb.clear(0);
  present(app);
}

void intro_loop(App& app) {
  Platform& p = app.platform;
  app.phase = Phase::Intro;
  while (!app.run_ended) {
    IntroInput input = read_intro_input(app);
    if (input.leave) break;
    double t0 = p.clock();
    for (int k = 1; k <= kTuneCount; ++k) {
      if ((input.tune_keys >> k & 1) != 0 && app.nav.current_tune != k) {
        sid_tune_select(app.sid, k);
        app.nav.current_tune = k;
      }
    }
    Timing& t = app.timing;
    draw_raster_bars(app.fb, t.intro_phase);
    update_intro_tables(app.intro, t.intro_phase);
    draw_starfield(app.fb, app.intro);
    move_starfield(app.intro, t.intro_frame_scale);
    draw_intro_lines(app.fb, app.intro);
    advance_scroller(app.intro, scroller_text(), t.intro_frame_scale, p.clock());
    draw_scroller(app.fb, app.intro, scroller_text());
    present(app);
    if (app.run_ended) break;
    clear_intro_background(app.fb);
    p.sleep_ms(1);
    double dt = p.clock() - t0;
    app.timing.intro_frame_scale = dt * 250.0;
    app.timing.intro_phase += dt * 50.0;
  }
}

// Noise flashes one after the other, bands of 10 (coarse) or 2 (fine) rows;
// false when the run ended during them.
bool noise_flashes(App& app, std::initializer_list<int> bands) {
  for (int band : bands) {
    noise_flash(app, band);
    if (app.run_ended) return false;
  }
  return true;
}

void switch_to_main(App& app) {
  app.phase = Phase::Switch;
  sid_stream_stop(app.sid);
  if (!noise_flashes(app, {10, 10, 2, 10, 2, 2})) return;
  app.platform.sleep_ms(10);
  start_module_n(app, 1);
  app.fb.clear(0);
  render_skin_rect(app.skins, 0, 0, 799, 599, 0, 0);
}

void main_loop(App& app) {
  Platform& p = app.platform;
  app.phase = Phase::Main;
  while (!app.run_ended) {
    if (read_frame_keys(app) || app.nav.quit_requested) break;
    app.timing.frame_start = p.clock();
    keyboard_and_wheel_scrolling(app);
    handle_buttons(app);
    handle_menu_click(app);
    // Backdrop, buttons, centre menu, page rules and text, the visualiser
    // unless muted, the ticker: the same picture the wipes redraw.
    redraw_main_screen(app);
    if (app.grid.page_length > kScrollBarMinLines) {
      draw_scroll_thumb(app.fb, app.nav.skin, app.grid.page_length, app.grid.top_line, app.input.scrollbar_glow);
      handle_scrollbar(app);
    } else {
      app.grid.scroll_offset = kShortPageOffset;
    }
    draw_pointer(app.fb, app.input.pointer_image(), app.input.mouse_x, app.input.mouse_y);
    present(app);
    if (app.run_ended) break;
    end_of_frame_input(app);
    p.sleep_ms(1);
    app.timing.anim_clock += (p.clock() - app.timing.frame_start) * 250.0;
  }
}

}  // namespace

int run_program(App& app) {
  Platform& p = app.platform;
  app.phase = Phase::Startup;
  std::string why;
  if (!start_up(app, &why)) {
    std::fprintf(stderr, "zelvorant: cannot open the display: %s\n", why.c_str());
    app.phase = Phase::Ended;
    return -1;
  }
  wait_for_release(app);
  if (!app.run_ended) {
    init_starfield(app);
    p.sleep_ms(150);
  }
  if (!app.run_ended && noise_flashes(app, {10, 10, 2})) {
    // Everything random from here on depends on the seed.
    double now = p.clock();
    uint64_t seed = 0;
    static_assert(sizeof seed == sizeof now);
    __builtin_memcpy(&seed, &now, sizeof seed);
    app.rng.seed(seed);
    app.intro.scroller_pause_until = p.clock();
    int n = static_cast<int>(std::floor(app.rng.next() * kTuneCount)) + 1;
    app.nav.current_tune = std::clamp(n, 1, kTuneCount);
    sid_tune_select(app.sid, app.nav.current_tune);

    intro_loop(app);
    if (app.nav.quit_requested || app.run_ended) {  // the window was closed during the intro
      sid_stream_stop(app.sid);
    } else {
      switch_to_main(app);
      main_loop(app);
    }
  }

  app.phase = Phase::Shutdown;
  xm_stop(app.xm);
  xm_free(app.xm);
  p.display_close();
  app.phase = Phase::Ended;
  return 0;
}

}  // namespace zel
