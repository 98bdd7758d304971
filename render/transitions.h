// Full-screen transitions: the page wipes and the colour-noise flashes.
// Each runs its own little loop of draw, present and a 1 ms pause, without
// reading input, and returns when done. Called by page_change (wipes) and by
// the program's phases (flashes). Main thread only.
//
// Wipe rectangle: columns 20..767, rows 192..192 + H (H = 377 'Grunge',
// 378 otherwise); 75 presented frames per wipe. Flash: 0.5 s of clock time.
#pragma once

namespace zel {

struct App;

// One complete main-screen picture without scroll thumb and pointer; not presented.
void redraw_main_screen(App& app);
// One wipe frame with progress s: redraw, blacken the stripes, present,
// advance frame_start and anim_clock.
void wipe_step(App& app, int s);
void wipe_close(App& app);  // s = 0, 10, ..., 740
void wipe_open(App& app);   // s = 747, 737, ..., 7
// Random bands of `band` rows for half a second of clock time.
void noise_flash(App& app, int band);
void noise_flash_coarse(App& app);  // bands of 10 rows
void noise_flash_fine(App& app);    // bands of 2 rows

}  // namespace zel
