// Asset writers for the text font and the two skins: PNG previews to look at
// and the raw bytes exactly as linked into the program.
#include <cstdio>
#include <iostream>
#include <span>
#include <vector>

#include "render/glyph.h"
#include "render/skin.h"
#include "cli/png_io.h"
#include "cli/registry.h"

namespace zel::tool {
namespace {

bool write_bytes(const std::string& path, std::span<const uint8_t> bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok) std::cerr << path << ": cannot write\n";
  return ok;
}

// font.png: the atlas in its shade colours, cut into eight strips of 256
// columns (32 glyphs each) stacked top to bottom, enlarged three times.
}  // namespace

bool write_font(const std::string& outdir) {
  std::span<const uint8_t> data = font_data();
  if (data.size() != kFontAtlasBytes + kFontShadeBytes) {
    std::cerr << "font: embedded data has " << data.size() << " bytes\n";
    return false;
  }
  constexpr int kStripW = 256, kStripH = kFontAtlasH + 4, kStrips = kFontAtlasW / kStripW;
  std::vector<uint32_t> img(static_cast<size_t>(kStripW) * kStripH * kStrips, 0x202830);
  for (int s = 0; s < kStrips; ++s)
    for (int y = 0; y < kFontAtlasH; ++y)
      for (int x = 0; x < kStripW; ++x) {
        int shade = data[static_cast<size_t>(y) * kFontAtlasW + s * kStripW + x];
        const uint8_t* rgb = &data[kFontAtlasBytes + shade * 3];
        img[static_cast<size_t>(s * kStripH + y) * kStripW + x] =
            static_cast<uint32_t>(rgb[0]) << 16 | static_cast<uint32_t>(rgb[1]) << 8 | rgb[2];
      }
  std::string png = outdir + "/font.png";
  if (!write_png_scaled(png, img.data(), kStripW, kStripH * kStrips, 3)) {
    std::cerr << png << ": cannot write\n";
    return false;
  }
  return write_bytes(outdir + "/font.bin", data);
}

// skinN.png: the backdrop exactly as decode_skins and render_skin_rect build
// it; skinN.bin: the picture bytes (palette, then indices) as linked.
bool write_skin(const std::string& outdir, int n) {
  std::span<const uint8_t> data = skin_pictures();
  if (data.size() != 2u * kSkinPictureBytes) {
    std::cerr << "skins: embedded data has " << data.size() << " bytes\n";
    return false;
  }
  Skins skins;
  decode_skins(skins, data);
  render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  std::string name = outdir + "/skin" + std::to_string(n);
  if (!write_png(name + ".png", skins.backdrop[n - 1].data(), kScreenW, kScreenH)) {
    std::cerr << name << ".png: cannot write\n";
    return false;
  }
  return write_bytes(name + ".bin", data.subspan(static_cast<size_t>(n - 1) * kSkinPictureBytes, kSkinPictureBytes));
}

}  // namespace zel::tool

