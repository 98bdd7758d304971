// Navigation state of the main screen (what is shown and heard) and the page
// change. The input handlers (core/input.cpp) change it; the drawing reads
// it. The open page's page_length, top_line and scroll_offset live in the
// PageGrid. Main thread only.
#pragma once

#include <cstdint>

#include "render/layout.h"

namespace zel {

struct App;

constexpr int kFirstPage = 11;  // the editorial, shown first and selected in the menu
constexpr int kHelpPage = 10;
constexpr int kRulesPage = 12;

struct NavState {
  int32_t current_menu = kMenuArticles;  // kMenuCharts or kMenuArticles
  int32_t skin = kSkinGrunge;            // kSkinGrunge, anything else 'Carbon'
  int32_t menu_selected[22] = {};        // MenuSelected 1..21
  int32_t button_lit[kButtonCount + 1] = {};  // ButtonLit 1..10
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

// wipe_close, load_page(p), wipe_open.
void page_change(App& app, int p);
void clear_menu_selection(NavState& nav);

}  // namespace zel
