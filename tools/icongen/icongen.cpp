// icongen: the desktop icons, painted from the magazine's own artwork.
//
//   icongen SKINS.bin BIGFONT.bin OUTDIR SIZE...
//
// The 40x40 master is the intro's big-font "Z" with a dark outline, on rust
// from the 'Grunge' skin (the strip of rivets under the menu, repeated down
// the square). Each SIZE x SIZE icon is the master resampled with a 4x4
// supersampled box filter, so small icons stay smooth and large ones keep the
// pixel-art blocks. Writes OUTDIR/SIZE.png (8-bit RGBA).
#include <png.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kMaster = 40;
constexpr int kScreenW = 800;
constexpr int kSkinPalette = 256 * 3;
constexpr int kFontW = 1888;  // BigFont: 1888 x 32 indices, then 256 RGB palette entries
constexpr int kFontH = 32;

using Rgba = std::array<uint8_t, 4>;

std::vector<uint8_t> read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool write_png(const std::string& path, int size, const std::vector<Rgba>& px) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, static_cast<png_uint_32>(size), static_cast<png_uint_32>(size), 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < size; ++y)
    png_write_row(png, const_cast<png_bytep>(px[static_cast<size_t>(y) * static_cast<size_t>(size)].data()));
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return std::fclose(f) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: icongen SKINS.bin BIGFONT.bin OUTDIR SIZE...\n");
    return 2;
  }
  std::vector<uint8_t> skins = read_file(argv[1]);
  std::vector<uint8_t> font = read_file(argv[2]);
  if (skins.size() < static_cast<size_t>(kSkinPalette + kScreenW * 600)) {
    std::fprintf(stderr, "icongen: %s: too short for a skin picture\n", argv[1]);
    return 1;
  }
  if (font.size() < static_cast<size_t>(kFontW * kFontH + 768)) {
    std::fprintf(stderr, "icongen: %s: too short for the big font\n", argv[2]);
    return 1;
  }
  auto skin_rgb = [&](int x, int y) {
    size_t i = skins[kSkinPalette + static_cast<size_t>(y) * kScreenW + static_cast<size_t>(x)];
    return Rgba{skins[3 * i], skins[3 * i + 1], skins[3 * i + 2], 255};
  };
  const uint8_t* font_pal = font.data() + kFontW * kFontH;
  const int z_col = 32 * ('Z' - 32);
  auto ink = [&](int x, int y) -> int {  // palette index of the "Z" at (x, y), 0 outside or transparent
    if (x < 0 || y < 0 || x >= 32 || y >= kFontH) return 0;
    int i = font[static_cast<size_t>(y) * kFontW + static_cast<size_t>(z_col + x)];
    return (font_pal[3 * i] | font_pal[3 * i + 1] | font_pal[3 * i + 2]) ? i : 0;
  };

  // The master: rust (rows 158..185, columns 200..239 of 'Grunge'), a dark
  // outline around the glyph, then the glyph, 4 pixels in from the corner.
  std::vector<Rgba> master(kMaster * kMaster);
  for (int y = 0; y < kMaster; ++y)
    for (int x = 0; x < kMaster; ++x) {
      Rgba c = skin_rgb(200 + x, 158 + y % 28);
      int gx = x - 4, gy = y - 4;
      if (int i = ink(gx, gy)) {
        c = {font_pal[3 * i], font_pal[3 * i + 1], font_pal[3 * i + 2], 255};
      } else {
        bool edge = false;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) edge = edge || ink(gx + dx, gy + dy) != 0;
        if (edge) c = {16, 8, 4, 255};
      }
      master[static_cast<size_t>(y) * kMaster + static_cast<size_t>(x)] = c;
    }

  for (int a = 4; a < argc; ++a) {
    int size = std::atoi(argv[a]);
    if (size < 1 || size > 1024) {
      std::fprintf(stderr, "icongen: bad size '%s'\n", argv[a]);
      return 2;
    }
    std::vector<Rgba> out(static_cast<size_t>(size) * static_cast<size_t>(size));
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        int sum[4] = {};
        for (int sy = 0; sy < 4; ++sy)
          for (int sx = 0; sx < 4; ++sx) {
            int mx = (x * 4 + sx) * kMaster / (size * 4);
            int my = (y * 4 + sy) * kMaster / (size * 4);
            const Rgba& m = master[static_cast<size_t>(my) * kMaster + static_cast<size_t>(mx)];
            for (int c = 0; c < 4; ++c) sum[c] += m[c];
          }
        Rgba& o = out[static_cast<size_t>(y) * static_cast<size_t>(size) + static_cast<size_t>(x)];
        for (int c = 0; c < 4; ++c) o[static_cast<size_t>(c)] = static_cast<uint8_t>((sum[c] + 8) / 16);
      }
    std::string path = std::string(argv[3]) + "/" + std::to_string(size) + ".png";
    if (!write_png(path, size, out)) {
      std::fprintf(stderr, "icongen: cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
