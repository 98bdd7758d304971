// Asset writers for the text font and the two skins: PNG previews to look at
// and the raw bytes exactly as linked into the program.
#include <cstdio>
#include <iostream>
#include <span>
#include <vector>

#include "render/glyph.h"
#include "render/skin.h"
#include "tools/tool/png_io.h"
#include "tools/tool/registry.h"

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

AssetRegistrar font_reg({"font.png, font.bin", write_font});

}  // namespace
}  // namespace zel::tool
