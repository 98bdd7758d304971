// bigfontgen: draws the intro's 32x32 big font from its shapes.
//
//   bigfontgen GLYPHS.txt OUT.bin
//
// GLYPHS.txt holds one 8x8 shape per character code 32..90 (see the comment
// at its top). Each cell becomes a 4x4 block; outer corners are rounded off,
// inner corners and diagonal joints are filled, and the ink is shaded: a
// vertical gradient face, a light top/left edge and a dark bottom/right edge.
// Only whether a pixel is ink matters to the intro (it colours the passes
// itself); the palette gives the previews their look.
//
// OUT.bin: 1888 x 32 palette indices, row-major (glyph of code c at column
// 32 * (c - 32)), then 256 palette entries of R, G, B. Index 0 is black and
// means no ink; no other used index is black.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kFirst = 32, kLast = 90, kCount = kLast - kFirst + 1;
constexpr int kWidth = 32 * kCount, kHeight = 32;
constexpr int kCells = 8, kScale = 4;
constexpr uint8_t kHighlight = 40, kEdge = 41;  // face gradient uses 1..32

using Shape = std::array<std::string, kCells>;

bool fail(const std::string& path, int line, const std::string& why) {
  std::cerr << path << ":" << line << ": " << why << "\n";
  return false;
}

bool read_shapes(const std::string& path, std::array<Shape, kCount>& shapes, std::array<bool, kCount>& seen) {
  std::ifstream in(path);
  if (!in) return fail(path, 0, "cannot read");
  std::string line;
  int lineno = 0, current = -1, rows = kCells;
  while (std::getline(in, line)) {
    ++lineno;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || (line[0] == '#' && line.size() > 1 && line[1] == ' ')) continue;
    if (line.rfind("char ", 0) == 0) {
      if (rows != kCells) return fail(path, lineno, "previous glyph has fewer than 8 rows");
      std::string name = line.substr(5);
      int code = name == "space" ? ' ' : (name.size() == 1 ? static_cast<unsigned char>(name[0]) : -1);
      if (code < kFirst || code > kLast) return fail(path, lineno, "character outside 32..90: '" + name + "'");
      current = code - kFirst;
      if (seen[current]) return fail(path, lineno, "character defined twice: '" + name + "'");
      seen[current] = true;
      rows = 0;
      continue;
    }
    if (current < 0 || rows >= kCells) return fail(path, lineno, "shape row outside a glyph");
    if (line.size() != kCells || line.find_first_not_of("#.") != std::string::npos)
      return fail(path, lineno, "a shape row is 8 cells of '#' or '.'");
    shapes[current][rows++] = line;
  }
  if (rows != kCells) return fail(path, lineno, "last glyph has fewer than 8 rows");
  for (int i = 0; i < kCount; ++i)
    if (!seen[i]) return fail(path, lineno, "no shape for code " + std::to_string(i + kFirst));
  return true;
}

// Ink of one 32x32 glyph from its 8x8 shape.
void draw_glyph(const Shape& s, std::vector<uint8_t>& ink, int x0) {
  auto cell = [&](int x, int y) { return x >= 0 && y >= 0 && x < kCells && y < kCells && s[y][x] == '#'; };
  for (int cy = 0; cy < kCells; ++cy)
    for (int cx = 0; cx < kCells; ++cx)
      for (int j = 0; j < kScale; ++j)
        for (int i = 0; i < kScale; ++i) {
          bool on = cell(cx, cy);
          for (int dy = -1; dy <= 1; dy += 2)
            for (int dx = -1; dx <= 1; dx += 2) {
              // Distance of (i, j) from the block's corner towards (dx, dy).
              int di = dx < 0 ? i : kScale - 1 - i;
              int dj = dy < 0 ? j : kScale - 1 - j;
              if (di + dj >= 2) continue;
              bool side_x = cell(cx + dx, cy), side_y = cell(cx, cy + dy), diag = cell(cx + dx, cy + dy);
              if (on && !side_x && !side_y && !diag) on = false;      // round an outer corner
              else if (!cell(cx, cy) && side_x && side_y) on = true;  // fill an inner corner or joint
            }
          ink[static_cast<size_t>(cy * kScale + j) * kWidth + x0 + cx * kScale + i] = on ? 1 : 0;
        }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: bigfontgen GLYPHS.txt OUT.bin\n";
    return 2;
  }
  std::array<Shape, kCount> shapes;
  std::array<bool, kCount> seen{};
  if (!read_shapes(argv[1], shapes, seen)) return 1;

  std::vector<uint8_t> ink(static_cast<size_t>(kWidth) * kHeight, 0);
  for (int g = 0; g < kCount; ++g) draw_glyph(shapes[g], ink, 32 * g);

  auto at = [&](int x, int y) { return x >= 0 && y >= 0 && x < kWidth && y < kHeight && ink[y * kWidth + x] != 0; };
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight + 768, 0);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      if (!at(x, y)) continue;
      uint8_t v = static_cast<uint8_t>(1 + y);  // face gradient by row
      if (!at(x - 1, y) || !at(x, y - 1)) v = kHighlight;
      if (!at(x + 1, y) || !at(x, y + 1)) v = kEdge;
      out[static_cast<size_t>(y) * kWidth + x] = v;
    }

  uint8_t* pal = out.data() + static_cast<size_t>(kWidth) * kHeight;
  auto set = [&](int i, int r, int g, int b) {
    pal[3 * i] = static_cast<uint8_t>(r);
    pal[3 * i + 1] = static_cast<uint8_t>(g);
    pal[3 * i + 2] = static_cast<uint8_t>(b);
  };
  for (int y = 0; y < 32; ++y)  // pale gold at the top to deep orange at the bottom
    set(1 + y, 255 - y * 2, 236 - y * 5, 150 - y * 4);
  set(kHighlight, 255, 252, 230);
  set(kEdge, 96, 40, 12);

  std::ofstream f(argv[2], std::ios::binary);
  f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!f) {
    std::cerr << argv[2] << ": cannot write\n";
    return 1;
  }
  return 0;
}
