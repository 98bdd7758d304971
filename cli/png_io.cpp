#include "cli/png_io.h"

#include <png.h>

#include <cstdio>

namespace zel::tool {

bool write_png(const std::string& path, const uint32_t* pixels, int width, int height) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  std::vector<uint8_t> row(static_cast<size_t>(width) * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y) {
    const uint32_t* src = pixels + static_cast<size_t>(y) * static_cast<size_t>(width);
    for (int x = 0; x < width; ++x) {
      row[static_cast<size_t>(x) * 3 + 0] = static_cast<uint8_t>(src[x] >> 16);
      row[static_cast<size_t>(x) * 3 + 1] = static_cast<uint8_t>(src[x] >> 8);
      row[static_cast<size_t>(x) * 3 + 2] = static_cast<uint8_t>(src[x]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

bool write_png_scaled(const std::string& path, const uint32_t* pixels, int width, int height, int scale) {
  if (scale <= 1) return write_png(path, pixels, width, height);
  std::vector<uint32_t> big(static_cast<size_t>(width) * scale * static_cast<size_t>(height) * scale);
  for (int y = 0; y < height * scale; ++y)
    for (int x = 0; x < width * scale; ++x)
      big[static_cast<size_t>(y) * static_cast<size_t>(width * scale) + static_cast<size_t>(x)] =
          pixels[static_cast<size_t>(y / scale) * static_cast<size_t>(width) + static_cast<size_t>(x / scale)];
  return write_png(path, big.data(), width * scale, height * scale);
}

}  // namespace zel::tool
