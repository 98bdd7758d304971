// Skins and backdrops: the two 800x600 palette pictures ('Grunge' and
// 'Carbon'), decoded once at start-up into full-colour backdrops, and the
// per-frame copy of the current one. Main thread only.
#pragma once

#include <cstdint>
#include <vector>

#include "render/frame_buffer.h"

namespace zel {

struct App;

struct Skins {
  std::vector<uint32_t> palette[2];   // 256 decoded colours per skin
  std::vector<uint8_t> index[2];      // 800 * 600 palette indices per skin
  std::vector<uint32_t> backdrop[2];  // 800 * 600 pixels per skin
};

void decode_skins(Skins& skins);
void render_skin_rect(Skins& skins, int sx, int sy, int w, int h, int dx, int dy);
void draw_backdrop(App& app);

}  // namespace zel
