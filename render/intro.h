// The intro screen: raster bars, star field, title lines and the big-font
// sine scroller. Main thread only.
#pragma once

namespace zel {

struct App;

struct IntroState {
  double scroller_pause_until = 0;  // clock time until which the scroller holds still
};

void load_big_font(App& app);
void init_starfield(App& app);
void draw_raster_bars(App& app);
void update_intro_tables(App& app);
void draw_starfield(App& app);
void draw_intro_lines(App& app);
void draw_scroller(App& app);
void clear_intro_background(App& app);

}  // namespace zel
