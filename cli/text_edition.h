// The issue as text: a self-contained HTML edition and a plain-text export,
// both made from the compiled page tables, menu, credits and the font's colour
// table that the program itself draws from, so they never disagree with it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/page_grid.h"

namespace zel::tool {

// Page p's lines as the program lays them out: cells 1..80 up to the first
// empty cell, code page 437 as UTF-8, trailing blanks dropped (`page N`).
std::vector<std::string> page_lines(int p);

// Per line of the loaded page: true when the line continues the paragraph of
// the line above, so that a narrow screen may reflow the two into one: page
// `page`'s own flags from its paragraph sources (none for page 0), then the
// lines themselves for what the source lays out by hand. The one
// place that decides paragraphs (see the definition for what it looks at).
std::vector<bool> page_paragraphs(const PageGrid& grid, int page = 0);

// The colour of text colour index 1..31 as drawn (the font's main ink shade
// through GlyphPalette) and as the HTML edition shows it on its black
// background: the same colour, lightened towards white only as far as a
// contrast of 4.5:1 needs. Index 0 is unused.
struct EditionColours {
  uint32_t drawn[32] = {};
  uint32_t shown[32] = {};
};
EditionColours edition_colours();
// WCAG contrast ratio of two 0x00RRGGBB colours (1..21).
double contrast_ratio(uint32_t a, uint32_t b);

// One file of an edition: its name inside the edition's folder and its bytes.
struct EditionFile {
  std::string name;
  std::string data;
};
// index.html, style.css and p01.html .. p20.html.
std::vector<EditionFile> html_edition();
// index.txt and p01.txt .. p20.txt (UTF-8).
std::vector<EditionFile> text_edition();

// Writes `files` as the new folder `dir`: refused (one line on standard error,
// false) when dir exists and is not an empty folder, or cannot be written.
// The files go to a temporary folder beside dir first, which is renamed to dir
// at the end, so a failure never leaves a half-written edition behind.
bool write_edition(const std::vector<EditionFile>& files, const std::string& dir);

}  // namespace zel::tool
