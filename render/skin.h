// Skins and backdrops: the two 800x600 palette pictures ('Grunge' and
// 'Carbon'), decoded once at start-up into full-colour backdrops, and the
// per-frame copy of the current one into the FrameBuffer.
//
// Called on the main thread: decode_skins and render_skin_rect at start-up,
// draw_backdrop as the first step of every main-screen frame and every
// full-screen redraw. Skin 1 is 'Grunge'; every other value is 'Carbon'.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "render/frame_buffer.h"

namespace zel {

// One picture: 256 RGB palette entries, then 800 x 600 index bytes, row-major.
constexpr int kSkinPaletteBytes = 256 * 3;
constexpr int kSkinPictureBytes = kSkinPaletteBytes + kScreenW * kScreenH;  // 480,768

struct Skins {
  int picture_w = kScreenW;
  int picture_h = kScreenH;
  std::vector<uint32_t> palette[2];   // 256 decoded colours 0x00RRGGBB per skin
  std::vector<uint8_t> index[2];      // 800 * 600 palette indices per skin
  std::vector<uint32_t> backdrop[2];  // 800 * 600 pixels per skin, FrameBuffer format
};

// The embedded pictures as linked: 'Grunge' then 'Carbon'.
std::span<const uint8_t> skin_pictures();

// Decodes both embedded pictures (palette to 0x00RRGGBB, indices as they are)
// and clears both backdrops. Call once at start-up.
void decode_skins(Skins& skins);
// Same from explicit data: two pictures one after the other; missing bytes
// decode as 0.
void decode_skins(Skins& skins, std::span<const uint8_t> pictures);
// For rows sy..sy+h and columns sx..sx+w (inclusive) of both pictures, writes
// the palette colour of each index into both backdrops at the same offset
// from (dx, dy). Parts outside 800 x 600 are skipped.
void render_skin_rect(Skins& skins, int sx, int sy, int w, int h, int dx, int dy);
// Copies the backdrop of `skin` into the FrameBuffer: one straight copy.
void draw_backdrop(FrameBuffer& fb, const Skins& skins, int skin);

}  // namespace zel
