// Block lettering for page headings, built from code page 437 block characters.
//
// Used by the page compiler (the @block and @bigblock directives) and by the
// tests. Each letter is a bitmap five pixels high and 1..5 pixels wide, with
// one blank pixel column between letters.
//   block_lines(text, false): three text lines; two pixel rows share one line
//     through the half blocks (0xDF upper, 0xDC lower, 0xDB both).
//   block_lines(text, true): five text lines, one per pixel row, in full
//     blocks (0xDB) with a light-shade (0xB0) shadow one column to the right
//     and one line down, so the result is six lines high.
// Letters are upper-cased; characters without a bitmap are refused (empty
// result). Lines are returned unpadded and uncentred, as code page 437 bytes.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace zel::blockletters {

struct Glyph {
  char ch;
  const char* rows[5];  // '#' ink, '.' blank; all rows of one glyph are equally wide
};

inline constexpr Glyph kGlyphs[] = {
    {'A', {".##.", "#..#", "####", "#..#", "#..#"}},
    {'B', {"###.", "#..#", "###.", "#..#", "###."}},
    {'C', {".###", "#...", "#...", "#...", ".###"}},
    {'D', {"###.", "#..#", "#..#", "#..#", "###."}},
    {'E', {"####", "#...", "###.", "#...", "####"}},
    {'F', {"####", "#...", "###.", "#...", "#..."}},
    {'G', {".###", "#...", "#.##", "#..#", ".###"}},
    {'H', {"#..#", "#..#", "####", "#..#", "#..#"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {'J', {"..##", "...#", "...#", "#..#", ".##."}},
    {'K', {"#..#", "#.#.", "##..", "#.#.", "#..#"}},
    {'L', {"#...", "#...", "#...", "#...", "####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#"}},
    {'O', {".##.", "#..#", "#..#", "#..#", ".##."}},
    {'P', {"###.", "#..#", "###.", "#...", "#..."}},
    {'Q', {".##.", "#..#", "#..#", "#.##", ".###"}},
    {'R', {"###.", "#..#", "###.", "#.#.", "#..#"}},
    {'S', {".###", "#...", ".##.", "...#", "###."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#..#", "#..#", "#..#", "#..#", ".##."}},
    {'V', {"#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#.#.#", "##.##", "#...#"}},
    {'X', {"#...#", ".#.#.", "..#..", ".#.#.", "#...#"}},
    {'Y', {"#...#", ".#.#.", "..#..", "..#..", "..#.."}},
    {'Z', {"####", "...#", ".##.", "#...", "####"}},
    {'0', {".##.", "#.##", "##.#", "#..#", ".##."}},
    {'1', {".#.", "##.", ".#.", ".#.", "###"}},
    {'2', {"###.", "...#", ".##.", "#...", "####"}},
    {'3', {"###.", "...#", ".##.", "...#", "###."}},
    {'4', {"#..#", "#..#", "####", "...#", "...#"}},
    {'5', {"####", "#...", "###.", "...#", "###."}},
    {'6', {".##.", "#...", "###.", "#..#", ".##."}},
    {'7', {"####", "...#", "..#.", ".#..", ".#.."}},
    {'8', {".##.", "#..#", ".##.", "#..#", ".##."}},
    {'9', {".##.", "#..#", ".###", "...#", ".##."}},
    {' ', {"..", "..", "..", "..", ".."}},
    {'!', {"#", "#", "#", ".", "#"}},
    {'?', {"###.", "...#", ".##.", "....", ".#.."}},
    {'-', {"...", "...", "###", "...", "..."}},
    {'.', {".", ".", ".", ".", "#"}},
    {'\'', {"#", "#", ".", ".", "."}},
};

inline const Glyph* find_glyph(char c) {
  c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  for (const Glyph& g : kGlyphs)
    if (g.ch == c) return &g;
  return nullptr;
}

// The pixel rows of a text: five strings of '#' and '.', letters one column apart.
inline std::vector<std::string> block_pixels(const std::string& text) {
  std::vector<std::string> px(5);
  for (size_t i = 0; i < text.size(); ++i) {
    const Glyph* g = find_glyph(text[i]);
    if (!g) return {};
    for (int r = 0; r < 5; ++r) {
      if (i > 0) px[static_cast<size_t>(r)] += '.';
      px[static_cast<size_t>(r)] += g->rows[r];
    }
  }
  return px;
}

inline std::vector<std::string> block_lines(const std::string& text, bool big) {
  std::vector<std::string> px = block_pixels(text);
  if (px.empty() || px[0].empty()) return {};
  const char kFull = static_cast<char>(0xDB), kUpper = static_cast<char>(0xDF), kLower = static_cast<char>(0xDC),
             kShade = static_cast<char>(0xB0);
  std::vector<std::string> out;
  size_t w = px[0].size();
  if (!big) {
    for (int pair = 0; pair < 3; ++pair) {
      std::string line;
      for (size_t x = 0; x < w; ++x) {
        bool top = px[static_cast<size_t>(2 * pair)][x] == '#';
        bool bottom = 2 * pair + 1 < 5 && px[static_cast<size_t>(2 * pair + 1)][x] == '#';
        line += top && bottom ? kFull : top ? kUpper : bottom ? kLower : ' ';
      }
      out.push_back(line);
    }
  } else {
    auto ink = [&](int r, long x) { return r >= 0 && r < 5 && x >= 0 && x < static_cast<long>(w) &&
                                           px[static_cast<size_t>(r)][static_cast<size_t>(x)] == '#'; };
    for (int r = 0; r < 6; ++r) {
      std::string line;
      for (long x = 0; x <= static_cast<long>(w); ++x)
        line += ink(r, x) ? kFull : ink(r - 1, x - 1) ? kShade : ' ';
      out.push_back(line);
    }
  }
  for (std::string& l : out)
    while (!l.empty() && l.back() == ' ') l.pop_back();
  return out;
}

}  // namespace zel::blockletters
