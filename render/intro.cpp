#include "render/intro.h"

#include "core/app.h"

namespace zel {

void load_big_font(App&) {}
void init_starfield(App&) {}
void draw_raster_bars(App&) {}
void update_intro_tables(App&) {}
void draw_starfield(App&) {}
void draw_intro_lines(App&) {}
void draw_scroller(App&) {}
void clear_intro_background(App& app) { app.fb.clear(0); }

}  // namespace zel
