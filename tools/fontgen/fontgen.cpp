// fontgen: builds the text font (FontAtlas followed by FontShadeColours)
// from the ASCII-art glyph sources in content/font/.
//
//   fontgen OUT.bin GLYPHS.txt...
//
// Source format: a line ": X" (a printable character) or ": 0xB0" (any code
// in hex, the space included) starts a glyph, followed by 12 rows of 9 characters:
//   '.' no ink, '#' ink, '+' a soft edge pixel placed by hand.
// A glyph given twice (a later file, or a "face 2" section) replaces the
// earlier one. Lines starting with "//" and blank lines between glyphs are
// ignored. A line "face 2" switches the rest of the file to face 2 overrides.
//
// Face 1 is drawn as written, with edge smoothing added in the inner corners
// of diagonal steps. Face 2 is the bold face: every ink pixel is repeated one
// column to the right, unless a face-2 override gives the glyph explicitly.
// Block and box-drawing characters (0xB0..0xDF) are copied exactly into both
// faces and never smoothed, so that they join across cells and lines.
//
// Output: 2048 x 28 shade bytes (face 1 rows 0..11, face 2 rows 14..25,
// code c at column (c - 32) * 9 + 1) then 256 RGB shade colours.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kW = 2048, kH = 28, kGW = 9, kGH = 12;
using Grid = std::array<std::string, kGH>;

// Shades used for ink. Shade numbers are fixed by the colour table below.
constexpr uint8_t kInkTop = 6;     // (252,254,252) full white
constexpr uint8_t kInkLow = 10;    // (212,210,212) lower rows, a faint vertical sheen
constexpr uint8_t kEdge = 11;      // (84,82,84) inner corners of diagonal steps
constexpr uint8_t kHandEdge = 1;   // (132,130,132) '+' pixels
constexpr uint8_t kBoldInk = 6;
constexpr uint8_t kBoldSheen = 3;  // (196,194,196)

// FontShadeColours entries 0..11; the rest stay black.
constexpr uint8_t kShades[12][3] = {{0, 0, 0},       {132, 130, 132}, {252, 2, 252},   {196, 194, 196},
                                    {68, 66, 68},    {188, 190, 188}, {252, 254, 252}, {100, 98, 68},
                                    {28, 30, 28},    {132, 134, 132}, {212, 210, 212}, {84, 82, 84}};

bool is_block(int code) { return code >= 0xB0 && code <= 0xDF; }

bool parse_file(const char* path, std::map<int, Grid> faces[2]) {
  std::ifstream in(path);
  if (!in) {
    std::cerr << path << ": cannot read\n";
    return false;
  }
  std::string line;
  int lineno = 0, face = 0;
  while (std::getline(in, line)) {
    ++lineno;
    if (line.empty() || line.rfind("//", 0) == 0) continue;
    if (line == "face 2") {
      face = 1;
      continue;
    }
    if (line.size() < 3 || line[0] != ':' || line[1] != ' ') {
      std::cerr << path << ":" << lineno << ": expected ': CHAR' or ': 0xNN'\n";
      return false;
    }
    std::string key = line.substr(2);
    int code = 0;
    if (key.size() == 1)
      code = static_cast<unsigned char>(key[0]);
    else if (key.size() == 4 && key.rfind("0x", 0) == 0)
      code = std::stoi(key.substr(2), nullptr, 16);
    else {
      std::cerr << path << ":" << lineno << ": bad glyph name '" << key << "'\n";
      return false;
    }
    if (code < 32 || code > 255) {
      std::cerr << path << ":" << lineno << ": code " << code << " outside 32..255\n";
      return false;
    }
    Grid g;
    for (int r = 0; r < kGH; ++r) {
      if (!std::getline(in, g[r])) {
        std::cerr << path << ": glyph " << key << " has fewer than 12 rows\n";
        return false;
      }
      ++lineno;
      if (g[r].size() != kGW || g[r].find_first_not_of(".#+") != std::string::npos) {
        std::cerr << path << ":" << lineno << ": a row is 9 characters of '.', '#' or '+'\n";
        return false;
      }
    }
    faces[face][code] = g;
  }
  return true;
}

// Face 1: ink with a slight sheen toward the baseline, soft pixels in the
// inner corners of diagonal steps (an empty pixel with ink on two
// perpendicular sides but not on the pixel diagonally between them).
std::array<std::array<uint8_t, kGW>, kGH> render_plain(const Grid& g, int code) {
  std::array<std::array<uint8_t, kGW>, kGH> out{};
  auto ink = [&](int r, int c) { return r >= 0 && r < kGH && c >= 0 && c < kGW && g[r][c] == '#'; };
  for (int r = 0; r < kGH; ++r)
    for (int c = 0; c < kGW; ++c) {
      if (g[r][c] == '#')
        out[r][c] = is_block(code) ? kInkTop : (r >= 8 ? kInkLow : kInkTop);
      else if (g[r][c] == '+')
        out[r][c] = kHandEdge;
      else if (!is_block(code)) {
        bool corner = false;
        for (int dr : {-1, 1})
          for (int dc : {-1, 1})
            if (ink(r + dr, c) && ink(r, c + dc) && !ink(r + dr, c + dc) && !ink(r - dr, c) && !ink(r, c - dc))
              corner = true;
        if (corner) out[r][c] = kEdge;
      }
    }
  return out;
}

// Face 2: the plain glyph thickened one column to the right.
std::array<std::array<uint8_t, kGW>, kGH> render_bold(const Grid& g, int code) {
  if (is_block(code)) return render_plain(g, code);
  std::array<std::array<uint8_t, kGW>, kGH> out{};
  for (int r = 0; r < kGH; ++r)
    for (int c = 0; c < kGW; ++c) {
      bool on = g[r][c] == '#' || (c > 0 && g[r][c - 1] == '#');
      if (on)
        out[r][c] = r >= 8 ? kBoldSheen : kBoldInk;
      else if (g[r][c] == '+' || (c > 0 && g[r][c - 1] == '+'))
        out[r][c] = kHandEdge;
    }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::cerr << "usage: fontgen OUT.bin GLYPHS.txt...\n";
    return 2;
  }
  std::map<int, Grid> faces[2];
  for (int i = 2; i < argc; ++i)
    if (!parse_file(argv[i], faces)) return 1;

  std::vector<uint8_t> bytes(kW * kH + 768, 0);
  auto put = [&](int row0, int code, const std::array<std::array<uint8_t, kGW>, kGH>& cell) {
    int col = (code - 32) * kGW + 1;
    for (int r = 0; r < kGH; ++r)
      for (int c = 0; c < kGW; ++c)
        if (col + c < kW) bytes[static_cast<size_t>(row0 + r) * kW + col + c] = cell[r][c];
  };
  for (const auto& [code, g] : faces[0]) {
    put(0, code, render_plain(g, code));
    put(14, code, render_bold(g, code));
  }
  for (const auto& [code, g] : faces[1]) put(14, code, render_plain(g, code));
  for (int s = 0; s < 12; ++s)
    for (int ch = 0; ch < 3; ++ch) bytes[kW * kH + s * 3 + ch] = kShades[s][ch];

  std::FILE* out = std::fopen(argv[1], "wb");
  if (!out || std::fwrite(bytes.data(), 1, bytes.size(), out) != bytes.size() || std::fclose(out) != 0) {
    std::cerr << argv[1] << ": cannot write\n";
    return 1;
  }
  return 0;
}
