// Page changes and the menu selection of the main screen. The navigation
// state itself (NavState) stands beside the input state in core/state.h: the
// input handlers (core/input.cpp) change it; the drawing reads it. Main
// thread only.
#pragma once

#include "core/state.h"

namespace zel {

// wipe_close, load_page(p), wipe_open. A run ended from outside during the
// closing wipe stops there.
void page_change(App& app, int p);
void clear_menu_selection(NavState& nav);

}  // namespace zel
