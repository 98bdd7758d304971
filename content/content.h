// The content tables: pages, menu, ticker, intro and scroller texts,
// and the embedded tunes and modules.
//
// Everything here is constant data generated at build time from the sources
// in content/ (see README, "Content"). Tables are numbered as the reader sees
// them: pages and menu entries 1..20, tunes 1..12, modules 1..4, status lines
// 1..4; index 0 and anything out of range give an empty value.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace zel {

constexpr int kPageCount = 20;
constexpr int kPageLines = 5001;  // lines 0..5000 of every page table
constexpr int kTuneCount = 12;
constexpr int kModuleCount = 4;

// One line of a page, as the four page tables hold it: the text (code page
// 437, up to 80 shown characters), 80 colour attribute characters, 80 face
// characters ("1"/"2") and the rule style string.
struct PageLine {
  std::string_view text;
  std::string_view colour;
  std::string_view face;
  std::string_view rule;
};

// The four page tables, indexed [line][page]. Entries the issue does not fill
// are empty strings.
struct PageTables {
  static std::string_view text(int line, int page) { return line_of(line, page).text; }
  static std::string_view colour(int line, int page) { return line_of(line, page).colour; }
  static std::string_view face(int line, int page) { return line_of(line, page).face; }
  static std::string_view rule(int line, int page) { return line_of(line, page).rule; }
  static PageLine line_of(int line, int page);
  // Number of stored lines of a page, end marker included.
  static int stored_lines(int page);
};

// True where page line `line` goes on with the paragraph of the line before
// (pagec wrapped them from one paragraph), so a reader that reflows text can
// join them; false for every other line and out of range.
bool page_line_continues(int page, int line);

std::string_view menu_entry(int k);      // MenuEntries 1..20
int menu_enabled(int k);                  // MenuEnabled 1..20: 1, except 19 and 20
std::string_view menu_title();            // "THE ZELVORANT ISSUE 43"
std::string_view status_line(int song);   // StatusLines 1..4
std::string_view intro_line(int k);       // IntroLines 1..9
std::string_view scroller_text();         // ScrollerText
std::string_view window_title();          // the one-line credit of the window

// Embedded PSID images 1..12 and XM modules 1..4; the size of each is its
// element count. Empty spans for tunes or modules that are not built in.
std::span<const uint8_t> tune_image(int n);
std::span<const uint8_t> xm_module(int n);

// Colour attribute alphabet: "1".."9" -> 1..9, "A".."V" -> 10..31, anything
// else (and no character) -> 1.
inline int colour_attribute_value(char c) {
  if (c >= '1' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'V') return c - 'A' + 10;
  return 1;
}

}  // namespace zel
