// The program's phases: start-up, waiting for release, intro, switch to the
// main screen, main loop, shutdown. The state they run on is the App
// (core/state.h); the main screen's input, frames and page changes are in
// core/input.h, core/frame.h and core/navigation.h; presenting and the music
// in core/output.h. Main thread only.
#pragma once

#include "core/state.h"

namespace zel {

const char* phase_name(Phase p);

// Runs every phase of the program on `app`; returns the exit status: 0 after
// a normal quit (or a run ended from outside), -1 when the display cannot be
// opened, after one line on standard error that says why.
int run_program(App& app);

// Start-up up to the intro: builds every table and picture (the first page,
// skins, font colours, pointer images, visualiser, buttons), opens the
// display, hides the system pointer and loads the big font. False when the
// display cannot be opened, with the reason in `why`. run_program starts with
// it; tests use it to get the screen start-up builds.
bool start_up(App& app, std::string* why = nullptr);

// The intro's stars at random places (drawn before the generator is seeded,
// so they are the same on every run).
void init_starfield(App& app);

}  // namespace zel
