#include "render/visualiser.h"

#include "core/app.h"

namespace zel {

void fill_visualiser_gradients(App&) {}
void reset_visualiser(App&) {}
void draw_visualiser(App&) {}

}  // namespace zel
