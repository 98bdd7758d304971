// The open page expanded for drawing, and load_page, which fills it.
//
// Rows 0..5000, cells 0..80 per row; cell 0 is always blank, so a line's
// first character stands in cell 1. Written by load_page on every page change
// (main thread), read by the page renderer every frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/content.h"

namespace zel {

struct PageCell {
  uint8_t ch = 0;      // code page 437 character; 0 = no character (empty string)
  uint8_t colour = 1;  // colour index 1..31
  int32_t face = 0;    // 1 plain face, 2 second face, anything else invisible
  bool has_char() const { return ch != 0; }
};

struct PageRow {
  PageCell cells[81];
  std::string rule;  // the line's rule style string, read as a number by the renderer
};

struct PageGrid {
  static constexpr int kRows = kPageLines;  // a row for every line of a page table
  static constexpr int kCells = 81;
  std::vector<PageRow> rows = std::vector<PageRow>(kRows);
  int32_t page_length = 0;
  int32_t top_line = 0;
  int32_t scroll_offset = 0;
};

// Rebuilds the grid and page_length from page p (1..20), then sets top_line
// and scroll_offset to 0. Rows past the end marker come out blank; a page
// without an end marker has length 4999.
void load_page(PageGrid& grid, int p);

}  // namespace zel
