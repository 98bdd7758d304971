#include "render/skin.h"

#include <algorithm>
#include <cstring>

#include "render/layout.h"

namespace zel {

namespace embedded {
extern const unsigned char skins_bin[];
extern const std::size_t skins_bin_size;
}  // namespace embedded

std::span<const uint8_t> skin_pictures() { return {embedded::skins_bin, embedded::skins_bin_size}; }

void decode_skins(Skins& skins, std::span<const uint8_t> pictures) {
  const size_t pixels = static_cast<size_t>(kScreenW) * kScreenH;
  auto byte = [&](size_t i) -> uint32_t { return i < pictures.size() ? pictures[i] : 0; };
  skins.picture_w = kScreenW;
  skins.picture_h = kScreenH;
  for (int s = 0; s < 2; ++s) {
    const size_t base = static_cast<size_t>(s) * kSkinPictureBytes;
    skins.palette[s].resize(256);
    for (size_t k = 0; k < 256; ++k)
      skins.palette[s][k] = byte(base + k * 3) << 16 | byte(base + k * 3 + 1) << 8 | byte(base + k * 3 + 2);
    skins.index[s].assign(pixels, 0);
    size_t avail = pictures.size() > base + kSkinPaletteBytes ? pictures.size() - base - kSkinPaletteBytes : 0;
    std::copy_n(pictures.begin() + static_cast<std::ptrdiff_t>(std::min(pictures.size(), base + kSkinPaletteBytes)),
                std::min(avail, pixels), skins.index[s].begin());
    skins.backdrop[s].assign(pixels, 0);
  }
}

void decode_skins(Skins& skins) { decode_skins(skins, skin_pictures()); }

void render_skin_rect(Skins& skins, int sx, int sy, int w, int h, int dx, int dy) {
  for (int s = 0; s < 2; ++s) {
    if (skins.palette[s].size() != 256 || skins.index[s].size() != skins.backdrop[s].size()) continue;
    for (int y = sy; y <= sy + h; ++y) {
      int ty = dy + (y - sy);
      if (y < 0 || y >= kScreenH || ty < 0 || ty >= kScreenH) continue;
      for (int x = sx; x <= sx + w; ++x) {
        int tx = dx + (x - sx);
        if (x < 0 || x >= kScreenW || tx < 0 || tx >= kScreenW) continue;
        skins.backdrop[s][static_cast<size_t>(ty) * kScreenW + tx] =
            skins.palette[s][skins.index[s][static_cast<size_t>(y) * kScreenW + x]];
      }
    }
  }
}

void draw_backdrop(FrameBuffer& fb, const Skins& skins, int skin) {
  const auto& b = skins.backdrop[skin_index(skin)];
  if (b.size() == fb.px.size()) std::memcpy(fb.px.data(), b.data(), b.size() * sizeof(uint32_t));
}

}  // namespace zel
