#include "render/transitions.h"

#include "core/app.h"

namespace zel {

void redraw_main_screen(App&) {}
void wipe_close(App&) {}
void wipe_open(App&) {}
void noise_flash_coarse(App&) {}
void noise_flash_fine(App&) {}

}  // namespace zel
