#include "render/page_panel.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "render/layout.h"

namespace zel {

int page_rule_style(std::string_view rule) {
  size_t i = 0;
  while (i < rule.size() && (rule[i] == ' ' || rule[i] == '\t')) ++i;
  bool negative = false;
  if (i < rule.size() && (rule[i] == '+' || rule[i] == '-')) negative = rule[i++] == '-';
  double v = 0;
  bool any = false;
  for (; i < rule.size() && std::isdigit(static_cast<unsigned char>(rule[i])); ++i, any = true)
    v = std::min(v * 10 + (rule[i] - '0'), 1e6);
  if (i < rule.size() && rule[i] == '.') {
    double scale = 0.1;
    for (++i; i < rule.size() && std::isdigit(static_cast<unsigned char>(rule[i])); ++i, any = true, scale /= 10)
      v += (rule[i] - '0') * scale;
  }
  if (!any) return 0;
  return static_cast<int>(std::nearbyint(negative ? -v : v));
}

void draw_page_rules(FrameBuffer& fb, const PageGrid& grid, int first, double anim_clock) {
  // Every rainbow rule of the panel shows the same colours (they depend on
  // the column and the clock only): computed once, when one is visible.
  RainbowRow rainbow;
  bool rainbow_ready = false;
  for (int i = 0; i < kPanelRows; ++i) {
    int y = kPanelRowTop + grid.scroll_offset + kRowPitch * i + 6;
    int line = first + i;
    if (y < kPanelBandTop || y >= 569 || line < 0 || line >= PageGrid::kRows) continue;
    // The end-marker row keeps whatever an earlier page left there; it shows no rule.
    if (line == grid.page_length) continue;
    int style = page_rule_style(grid.rows[static_cast<size_t>(line)].rule);
    if (style != 8) {
      draw_rule(fb, anim_clock, y, 20, 750, style);
      continue;
    }
    if (!rainbow_ready) fill_rainbow_row(rainbow, anim_clock, 0, 750), rainbow_ready = true;
    draw_rainbow_rule(fb, rainbow, y, 20, 750);
  }
}

void draw_page_text(FrameBuffer& fb, const TextFont& font, const PageGrid& grid, int first, int skin) {
  const int band_bottom = panel_band_bottom(skin);
  // Cells of a row neither overlap each other nor other rows, so a row is
  // drawn pixel row by pixel row across all its cells (long runs of writes),
  // each cell as draw_glyph_opaque or draw_glyph_clipped would draw it.
  const GlyphImage* images[PageGrid::kCells];
  for (int i = 0; i < kPanelRows; ++i) {
    int line = first + i;
    if (line < 0 || line >= grid.page_length || line >= PageGrid::kRows) continue;
    const PageRow& row = grid.rows[static_cast<size_t>(line)];
    int y = kPanelRowTop + grid.scroll_offset + kRowPitch * i;
    bool opaque = i > 0 && i < 31 && row.rule == "0";
    // Rows 193..569 for opaque cells; the band for transparent ones.
    int r0 = std::max(0, kPanelBandTop - y), r1 = std::min(kGlyphH - 1, (opaque ? 569 : band_bottom) - y);
    if (r0 > r1) continue;
    for (int k = 0; k < PageGrid::kCells; ++k) {
      const PageCell& cell = row.cells[k];
      images[k] = cell.has_char() ? find_glyph_image(font, cell.ch, cell.face, cell.colour) : nullptr;
    }
    for (int r = r0; r <= r1; ++r)
      put_glyph_images_row(&fb.px[static_cast<size_t>(y + r) * kScreenW + kPanelCellLeft], images, PageGrid::kCells, r,
                           opaque);
  }
}

}  // namespace zel
