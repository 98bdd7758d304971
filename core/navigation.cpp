#include "core/navigation.h"

#include "core/frame.h"

namespace zel {

void page_change(App& app, int p) {
  wipe_close(app);
  if (app.run_ended) return;
  load_page(app.grid, p);
  wipe_open(app);
}

void clear_menu_selection(NavState& nav) {
  for (int k = 1; k <= kMenuSwitchEntry; ++k) nav.menu_selected[k] = 0;
}

}  // namespace zel
