// The web page's entry point. The page (web/shell.html) calls zel_web_run on
// the reader's start click and awaits it: it runs every phase of the program
// on the web platform and returns the exit status once the reader has quit,
// after the players and the display have closed. Calling it again starts the
// magazine anew.
//
// After every present it publishes a small read-out of the program's state
// into the page (ZelWeb.state), which the browser tests read.
#include <emscripten.h>

#include <memory>

#include "core/app.h"
#include "render/layout.h"
#include "platform/web_platform.h"

// clang-format off
EM_JS(void, zel_js_publish_state, (const char* phase, int current_menu, int skin, int top_line, int page_length,
                                   int current_tune, int selected_song, double intro_phase, int muted), {
  ZelWeb.state = {
    phase: UTF8ToString(phase), current_menu: current_menu, skin: skin, top_line: top_line,
    page_length: page_length, current_tune: current_tune, selected_song: selected_song,
    intro_phase: intro_phase, muted: muted
  };
});
EM_JS(void, zel_js_layout, (int bar_x0, int bar_x1, int bar_y0, int bar_y1, int panel_top), {
  ZelWeb.layout([bar_x0, bar_x1, bar_y0, bar_y1], panel_top);
});
// clang-format on

namespace {

void publish_state(const zel::App& app) {
  zel_js_publish_state(zel::phase_name(app.phase), app.nav.current_menu, app.nav.skin, app.grid.top_line,
                       app.grid.page_length, app.nav.current_tune, app.nav.selected_song, app.timing.intro_phase,
                       app.nav.button_lit[zel::kButtonMute]);
}

// Where the page's touch handling finds the scroll bar and the page panel:
// the scroll bar's hit area in either skin, widened for a finger (from a
// finger's slack left of and above it to the picture's right edge and the
// thumb's lowest pixel), and the panel's top.
void publish_layout() {
  constexpr int kSlack = 10;
  zel_js_layout(zel::kScrollBarLeft - kSlack, zel::kScreenW, zel::kScrollBarTop - kSlack,
                zel::kThumbTop + zel::kThumbTravel + zel::kThumbH, zel::kPanelRowTop);
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE int zel_web_run() {
  publish_layout();
  zel::App* running = nullptr;
  std::unique_ptr<zel::Platform> platform = zel::make_web_platform([&running] {
    if (running) publish_state(*running);
  });
  auto app = std::make_unique<zel::App>(*platform);
  running = app.get();
  int status = zel::run_program(*app);
  running = nullptr;
  app.reset();
  platform.reset();
  return status;
}
