// The page panel: the 33 visible rows of the PageGrid with their rules,
// drawn every frame. Main thread only.
#pragma once

namespace zel {

struct App;

// Draws the rules of the 33 visible rows, row 0 showing line `first`.
void draw_page_rules(App& app, int first);
// Draws the characters of the 33 visible rows, row 0 showing line `first`.
void draw_page_text(App& app, int first);

}  // namespace zel
