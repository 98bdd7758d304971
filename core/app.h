// The application object: one instance of every subsystem's state, and the
// program's phases (start-up, waiting for release, intro, switch to the main
// screen, main loop, shutdown).
//
// Operations receive what they touch: the drawing (render/) gets the frame
// buffer and the state it reads; the core's input handling, per-frame updates
// and transitions receive the App. Main thread only, except the players,
// which render their sound on their own threads.
#pragma once

#include "content/page_grid.h"
#include "core/input.h"
#include "core/navigation.h"
#include "platform/platform.h"
#include "platform/random.h"
#include "render/frame_buffer.h"
#include "render/glyph.h"
#include "render/intro.h"
#include "render/skin.h"
#include "render/visualiser.h"
#include "render/widgets.h"
#include "sid/sid_player.h"
#include "xm/xm_player.h"

namespace zel {

enum class Phase { Startup, WaitRelease, Intro, Switch, Main, Shutdown, Ended };
const char* phase_name(Phase p);

// Timing values of the loops (seconds and scaled seconds).
struct Timing {
  double frame_start = 0;        // clock at the start of the current main-screen or wipe frame
  double anim_clock = 0;         // 1/250 s; += frame time x 250 after every main-screen and wipe frame
  double intro_frame_scale = 0;  // 1/250 s; the last intro frame's duration x 250
  double intro_phase = 0;        // 1/50 s; += frame time x 50 after every intro frame
};

struct App {
  explicit App(Platform& p) : platform(p), sid(p), xm(p) {}

  Platform& platform;
  FrameBuffer fb;
  PageGrid grid;
  NavState nav;
  InputState input;
  Timing timing;
  TextFont font;
  Skins skins;
  WidgetState widgets;
  IntroState intro;
  VisualiserState visualiser;
  SidPlayer sid;
  XmPlayer xm;
  UniformRandom rng;
  Phase phase = Phase::Startup;
};

// Runs every phase of the program on `app`; returns the exit status: 0 after
// a normal quit, -1 when the display cannot be opened.
int run_program(App& app);

// Start-up up to the intro: builds every table and picture (the first page,
// skins, font colours, pointer images, visualiser, buttons), opens the
// display, hides the system pointer and loads the big font. False when the
// display cannot be opened (the platform has said why). run_program starts
// with it; tests use it to get the screen start-up builds.
bool start_up(App& app);

// The intro's stars at random places (drawn before the generator is seeded,
// so they are the same on every run).
void init_starfield(App& app);

// Presents the FrameBuffer (failures are ignored: the next frame tries again).
void present(App& app);

// start_module_1 .. start_module_4: switch to module n and tell the
// visualiser how many channels it has.
void start_module_n(App& app, int n);

}  // namespace zel
