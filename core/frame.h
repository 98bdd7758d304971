// One frame of the main screen and the blocking transitions between frames.
//
// redraw_main_screen draws the main-screen picture (without scroll thumb and
// pointer) and, in the order the drawing reaches them, updates what a frame
// changes besides pixels: button glow and the pointer look, the visualiser's
// kicks and sinking, the ticker's position. The main loop and every wipe
// frame run it, so glow fades and the ticker moves during a wipe as in
// normal frames.
//
// The wipes and noise flashes run their own loops of draw, present and a
// 1 ms pause, without reading input, and return when done (or at once when
// the run has ended from outside): wipes from page_change, flashes from the
// program's phases. Main thread only.
#pragma once

#include <cstdint>
#include <span>

namespace zel {

struct App;
struct InputState;
struct NavState;
struct VisualiserState;
struct WidgetState;

// One complete main-screen picture without scroll thumb and pointer; not presented.
void redraw_main_screen(App& app);

// ---- per-frame updates, in the order redraw_main_screen runs them ------------
// Every ButtonGlow above 0 sinks by 3 (before the tints are drawn).
void fade_button_glow(InputState& input);
// pointer_look from the buttons and the menu bars under the pointer; a
// hovered unlit button also brightens by 10 (up to 125) while no click is
// latched, seen from the next frame on.
void update_hover(App& app);
// Each channel's note on the row being heard kicks its bar by 4 and the
// neighbours by 3: note n drives bar n - 45, for bars 1..38.
void kick_visualiser_bars(VisualiserState& vis, std::span<const uint32_t> cells);
// Limits every bar top to row 131, then lets each bar above its rest sink 2 rows.
void settle_visualiser_bars(VisualiserState& vis);
// The ticker moves one pixel; every ninth pixel it moves on a character,
// back to the first after the line's end.
void advance_ticker(NavState& nav, WidgetState& ticker, int line_length);

// ---- transitions -------------------------------------------------------------
// One wipe frame with progress s: redraw, blacken the stripes, present,
// advance frame_start and anim_clock.
void wipe_step(App& app, int s);
void wipe_close(App& app);  // s = 0, 10, ..., 740: the panel closes into black, 75 frames
void wipe_open(App& app);   // s = 747, 737, ..., 7: the panel opens again, 75 frames
// Random bands of `band` rows for half a second of clock time.
void noise_flash(App& app, int band);
void noise_flash_coarse(App& app);  // bands of 10 rows
void noise_flash_fine(App& app);    // bands of 2 rows

}  // namespace zel
