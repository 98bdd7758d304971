// PNG output for screenshots and artwork previews (libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zel::tool {

// Writes width x height pixels of 0x00RRGGBB as an RGB PNG; false on failure.
bool write_png(const std::string& path, const uint32_t* pixels, int width, int height);

// Same, each pixel enlarged to a scale x scale block.
bool write_png_scaled(const std::string& path, const uint32_t* pixels, int width, int height, int scale);

}  // namespace zel::tool
