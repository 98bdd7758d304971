#include "content/page_grid.h"

#include "content/content.h"

namespace zel {

void load_page(PageGrid& grid, int p) {
  grid.page_length = 4999;
  for (int l = 0; l <= 4999; ++l) {
    PageLine line = PageTables::line_of(l, p);
    if (line.text.substr(0, 5) == "<END>") {
      grid.page_length = l;
      continue;  // the marker's row keeps what it had
    }
    PageRow& row = grid.rows[static_cast<size_t>(l)];
    for (int i = 0; i <= 80; ++i) {
      PageCell& cell = row.cells[i];
      size_t pos = static_cast<size_t>(i) - 1;  // 1-based text position i
      cell.ch = (i >= 1 && pos < line.text.size()) ? static_cast<uint8_t>(line.text[pos]) : 0;
      cell.colour = static_cast<uint8_t>(
          (i >= 1 && pos < line.colour.size()) ? colour_attribute_value(line.colour[pos]) : 1);
      int face = 0;
      if (i >= 1 && pos < line.face.size()) {
        char f = line.face[pos];
        face = (f >= '0' && f <= '9') ? f - '0' : 0;
      }
      cell.face = face;
    }
    row.rule.assign(line.rule);
  }
  grid.scroll_offset = 0;
  grid.top_line = 0;
}

}  // namespace zel
