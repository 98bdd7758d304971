#include "render/page_panel.h"

#include "core/app.h"

namespace zel {

void draw_page_rules(App&, int) {}
void draw_page_text(App&, int) {}

}  // namespace zel
