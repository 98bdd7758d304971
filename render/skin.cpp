#include "render/skin.h"

#include "core/app.h"

namespace zel {

void decode_skins(Skins& skins) {
  for (int s = 0; s < 2; ++s) {
    skins.palette[s].assign(256, 0);
    skins.index[s].assign(static_cast<size_t>(kScreenW) * kScreenH, 0);
    skins.backdrop[s].assign(static_cast<size_t>(kScreenW) * kScreenH, 0);
  }
}
void render_skin_rect(Skins&, int, int, int, int, int, int) {}
void draw_backdrop(App& app) {
  const auto& b = app.skins.backdrop[app.nav.skin == 1 ? 0 : 1];
  if (b.size() == app.fb.px.size()) app.fb.px = b;
}

}  // namespace zel
