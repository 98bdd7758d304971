// The program's state: one instance of every subsystem's state in the App,
// and the core's own records (timing, navigation, input). Plain data only:
// the operations on it live in the other core/ headers, which include this
// one, never the other way round.
//
// Main thread only, except the players, which render their sound on their own
// threads behind their control operations.
#pragma once

#include <cstdint>

#include "content/page_grid.h"
#include "platform/platform.h"
#include "platform/random.h"
#include "render/frame_buffer.h"
#include "render/glyph.h"
#include "render/intro.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/visualiser.h"
#include "render/widgets.h"
#include "sid/sid_player.h"
#include "xm/xm_player.h"

namespace zel {

enum class Phase { Startup, WaitRelease, Intro, Switch, Main, Shutdown, Ended };

// Timing values of the loops (seconds and scaled seconds).
struct Timing {
  double frame_start = 0;        // clock at the start of the current main-screen or wipe frame
  double anim_clock = 0;         // 1/250 s; += frame time x 250 after every main-screen and wipe frame
  double intro_frame_scale = 0;  // 1/250 s; the last intro frame's duration x 250
  double intro_phase = 0;        // 1/50 s; += frame time x 50 after every intro frame
};

// ---- navigation: what the main screen shows and plays ------------------------
constexpr int kFirstPage = 11;  // the editorial, shown first and selected in the menu
constexpr int kHelpPage = 10;
constexpr int kRulesPage = 12;

// The open page's page_length, top_line and scroll_offset live in the PageGrid.
struct NavState {
  int32_t current_menu = kMenuArticles;  // kMenuCharts or kMenuArticles
  int32_t skin = kSkinGrunge;            // kSkinGrunge, anything else 'Carbon'
  int32_t menu_selected[kMenuSwitchEntry + 1] = {};  // MenuSelected 1..21
  int32_t button_lit[kButtonCount + 1] = {};          // ButtonLit 1..10
  int32_t selected_song = 1;             // module 1..4
  int32_t ticker_pos = 1;                // first character the ticker shows
  int32_t quit_requested = 0;
  int32_t current_tune = 0;              // intro SID tune 1..12

  NavState() {
    menu_selected[kFirstPage] = 1;
    button_lit[kButtonArticles] = 1;
    button_lit[kButtonMusic1] = 1;
  }
};

// ---- input: the mouse as sampled once per frame, and the keys --------------
// pointer_look values: the image drawn for the pointer.
constexpr int32_t kLookNormal = 1;
constexpr int32_t kLookHot = 2;

// The main screen's keys as read at the start of a frame (Escape, the arrows,
// the skin keys); the page keys are read after the present.
struct FrameKeys {
  bool escape = false;  // fresh press
  bool down = false;    // active
  bool up = false;      // active
  bool skin_grunge = false;  // F1, fresh press
  bool skin_carbon = false;  // F2, fresh press
};

// Units: FrameBuffer pixels; glow levels 0..125. The mouse values change
// only in end_of_frame_input.
struct InputState {
  int32_t mouse_x = 0;
  int32_t mouse_y = 0;
  int32_t mouse_button = 0;
  int32_t click_latch = 0;
  double wheel_prev = 0;
  double wheel_now = 0;
  int32_t scrollbar_drag = 0;
  int32_t scrollbar_glow = 0;
  int32_t pointer_look = kLookNormal;
  int32_t button_glow[kButtonCount + 1] = {};  // ButtonGlow 1..10, 0..125
  uint32_t pointer_images[3][11][11] = {};     // PointerImages [look 1..2][row][column]; 0 = transparent
  FrameKeys keys;                              // this frame's keys

  bool click() const { return mouse_button != 0 && click_latch != 1; }
  // The pointer image of the current look.
  const uint32_t (&pointer_image() const)[11][11] { return pointer_images[pointer_look == kLookHot ? 2 : 1]; }
};

// ---- the application object ----------------------------------------------------
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
  // Set by whoever drives the run from outside (a script that has run out)
  // during a present: nothing more is presented, every loop returns at once
  // and the program shuts down as after a quit.
  bool run_ended = false;
};

}  // namespace zel
