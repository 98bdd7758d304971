// The music visualiser: 40 bars kicked by the notes of the module being
// heard. Main thread only.
#pragma once

namespace zel {

struct App;

struct VisualiserState {
  int channel_count = 0;  // channels of the current module, set by start_module_n
};

void fill_visualiser_gradients(App& app);
void reset_visualiser(App& app);
void draw_visualiser(App& app);

}  // namespace zel
