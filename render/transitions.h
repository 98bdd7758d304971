// Full-screen transitions: the page wipes and the colour-noise flashes.
// Each presents its own frames. Main thread only.
#pragma once

namespace zel {

struct App;

void redraw_main_screen(App& app);
void wipe_close(App& app);
void wipe_open(App& app);
void noise_flash_coarse(App& app);
void noise_flash_fine(App& app);

}  // namespace zel
