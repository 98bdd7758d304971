#include "cli/text_edition.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>

#include "content/content.h"
#include "content/cp437.h"
#include "core/navigation.h"
#include "render/frame_buffer.h"
#include "render/glyph.h"
#include "render/layout.h"
#include "tools/pagec/block_letters.h"

namespace zel::tool {
namespace {

constexpr int kCols = 80;
constexpr uint32_t kBackground = 0x000000;  // the page panel's black
constexpr double kMinContrast = 4.55;       // 4.5:1, with a little room for rounding
constexpr size_t kNarrowColumns = 40;       // what a 390-pixel screen shows of a line kept as laid out

// The shown bytes of one row (cells 1.. up to the first empty one), trailing blanks dropped.
std::string row_bytes(const PageRow& row) {
  std::string s;
  for (int i = 1; i <= kCols && row.cells[i].has_char(); ++i) s += static_cast<char>(row.cells[i].ch);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

std::string utf8(std::string_view bytes) {
  std::string s;
  for (char c : bytes) s += cp437_to_utf8(static_cast<uint8_t>(c));
  return s;
}

std::string html_escape(std::string_view utf8_text) {
  std::string s;
  for (char c : utf8_text) {
    if (c == '&') s += "&amp;";
    else if (c == '<') s += "&lt;";
    else if (c == '>') s += "&gt;";
    else if (c == '"') s += "&quot;";
    else s += c;
  }
  return s;
}

std::string hex(uint32_t c) {
  char b[8];
  std::snprintf(b, sizeof b, "#%06x", c & 0xFFFFFFu);
  return b;
}

std::unique_ptr<PageGrid> loaded(int p) {
  auto g = std::make_unique<PageGrid>();
  load_page(*g, p);
  return g;
}

std::string page_file(int p, const char* ext) {
  char b[16];
  std::snprintf(b, sizeof b, "p%02d.%s", p, ext);
  return b;
}

// A menu entry without its "> " marker: the page's title.
std::string page_title(int p) {
  std::string_view e = menu_entry(p);
  if (e.starts_with("> ")) e.remove_prefix(2);
  return utf8(e);
}

bool is_drawing_char(uint8_t c) { return c >= 0xB0 && c <= 0xDF; }

// ---- what the lines are -------------------------------------------------------

struct LineInfo {
  std::string text;  // shown bytes, trailing blanks dropped
  bool plain = false;  // rule style "0"
  int rule = 0;        // rule style drawn behind the line
};

std::vector<LineInfo> line_infos(const PageGrid& g) {
  std::vector<LineInfo> v(static_cast<size_t>(std::max(0, g.page_length)));
  for (size_t l = 0; l < v.size(); ++l) {
    const PageRow& row = g.rows[l];
    v[l].text = row_bytes(row);
    v[l].plain = row.rule == "0";
    v[l].rule = std::atoi(row.rule.c_str());
    if (v[l].rule < 1 || v[l].rule > 8) v[l].rule = 0;
  }
  return v;
}

// Every shown non-blank character in the second face: a heading line.
bool all_second_face(const PageRow& row, const std::string& text) {
  bool any = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') continue;
    if (row.cells[i + 1].face != 2) return false;
    any = true;
  }
  return any;
}

// A line of running text: a plain line that starts in column 1, holds no box
// or block characters and no run of three blanks (which would mean aligned
// columns), and is not a heading.
bool is_prose(const PageRow& row, const LineInfo& li) {
  const std::string& t = li.text;
  if (!li.plain || t.empty() || t[0] == ' ' || t.find("   ") != std::string::npos) return false;
  for (char c : t)
    if (is_drawing_char(static_cast<uint8_t>(c))) return false;
  return !all_second_face(row, t);
}

// A line that opens an item of its own (a dash, bullet or "1." / "12)" list mark;
// a year that ends a sentence, "2008.", is no list mark).
bool starts_item(const std::string& t) {
  if (t.size() >= 2 && (t[0] == '-' || t[0] == '*' || t[0] == '\xFE' || t[0] == '\xF9' || t[0] == '\xFA') &&
      t[1] == ' ')
    return true;
  size_t i = 0;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
  return i > 0 && i <= 2 && i + 1 < t.size() && (t[i] == '.' || t[i] == ')') && t[i + 1] == ' ';
}

// ---- block lettering ----------------------------------------------------------

// The words that a run of block-lettered lines spells, or nothing when the
// lines are not exactly what the lettering of some text would draw.
std::optional<std::string> read_lettering(const std::vector<LineInfo>& lines, size_t first, bool big) {
  const size_t n = big ? 6 : 3;
  if (first + n > lines.size()) return std::nullopt;
  size_t width = 0, indent = std::string::npos;
  for (size_t k = 0; k < n; ++k) {
    const std::string& t = lines[first + k].text;
    width = std::max(width, t.size());
    size_t lead = t.find_first_not_of(' ');
    if (lead != std::string::npos) indent = std::min(indent, lead);
  }
  if (indent == std::string::npos) return std::nullopt;
  // Pixel rows 0..4, from the half blocks or from the full blocks.
  std::vector<std::string> px(5, std::string(width, '.'));
  for (size_t x = 0; x < width; ++x) {
    auto at = [&](size_t k) {
      const std::string& t = lines[first + k].text;
      return x < t.size() ? static_cast<uint8_t>(t[x]) : uint8_t{' '};
    };
    for (int r = 0; r < 5; ++r) {
      bool ink = big ? at(static_cast<size_t>(r)) == 0xDB
                     : (r % 2 == 0 ? (at(static_cast<size_t>(r / 2)) == 0xDB || at(static_cast<size_t>(r / 2)) == 0xDF)
                                   : (at(static_cast<size_t>(r / 2)) == 0xDB || at(static_cast<size_t>(r / 2)) == 0xDC));
      if (ink) px[static_cast<size_t>(r)][x] = '#';
    }
  }
  auto blank_column = [&](size_t x) {
    for (const std::string& row : px)
      if (row[x] == '#') return false;
    return true;
  };
  std::string text;
  size_t x = indent;
  while (x < width) {
    size_t gap = x;
    while (x < width && blank_column(x)) ++x;
    if (x == width) break;
    if (!text.empty()) text += std::string((x - gap - 1) / 3, ' ');
    size_t end = x;
    while (end < width && !blank_column(end)) ++end;
    const blockletters::Glyph* found = nullptr;
    for (const blockletters::Glyph& g : blockletters::kGlyphs) {
      if (g.ch == ' ' || std::strlen(g.rows[0]) != end - x) continue;
      bool same = true;
      for (int r = 0; r < 5 && same; ++r) same = px[static_cast<size_t>(r)].compare(x, end - x, g.rows[r]) == 0;
      if (same) found = &g;
    }
    if (!found) return std::nullopt;
    text += found->ch;
    x = end;
  }
  // Accept only what redraws to the very same lines.
  std::vector<std::string> again = blockletters::block_lines(text, big);
  if (again.size() != n) return std::nullopt;
  for (size_t k = 0; k < n; ++k) {
    std::string expect = again[k].empty() ? "" : std::string(indent, ' ') + again[k];
    if (lines[first + k].text != expect) return std::nullopt;
  }
  return text;
}

bool is_lettering_line(const LineInfo& li) {
  if (!li.plain || li.text.empty()) return false;
  for (char c : li.text) {
    uint8_t b = static_cast<uint8_t>(c);
    if (b != ' ' && b != 0xDB && b != 0xDF && b != 0xDC && b != 0xB0) return false;
  }
  return true;
}

// ---- charts -------------------------------------------------------------------

// A chart line's cells by column (0-based, end exclusive): position, group,
// points, releases, movement; and where each cell's own field ends (the rest
// of the cell is leader dots and blanks).
constexpr int kChartCellStart[6] = {0, 9, 33, 48, 66, kCols};

bool is_chart_line(const std::string& t) {
  if (t.size() < 71 || t[7] != '.' || t[8] != ' ') return false;
  if (t.compare(41, 7, " ......") != 0 || t.compare(59, 7, " ......") != 0) return false;
  std::string word = t.substr(69);
  return word == "SAME" || word == "UP" || word == "DOWN" || word == "NEW" || word == "BACK";
}

// Where the field of chart cell k ends in line t (the leader after it is not read out).
size_t chart_field_end(const std::string& t, int k) {
  size_t a = static_cast<size_t>(kChartCellStart[k]), b = std::min(t.size(), static_cast<size_t>(kChartCellStart[k + 1]));
  if (k == 0) return 7;                   // the position; "." and a blank follow
  if (k == 2 || k == 3) return b - 7;     // points / releases; " ......" follows
  if (k == 1) {                           // the group, then "." up to column 33
    size_t e = b;
    while (e > a && t[e - 1] == '.') --e;
    return e;
  }
  return b;
}

// ---- links --------------------------------------------------------------------

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; }

// Per column of `t`, the page a link there leads to (0: none): "page N", the
// menu titles of two words or more in any case, and the one-word titles in
// capitals (the buttons HELP and RULES), wherever the text names them.
std::vector<int> find_links(const std::string& t, int self) {
  std::vector<int> to(t.size(), 0);
  std::string low = t;
  for (char& c : low) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto mark = [&](size_t at, size_t len, int page) {
    if (page == self || page < 1 || page > kPageCount) return;
    if ((at > 0 && word_char(low[at - 1])) || (at + len < low.size() && word_char(low[at + len]))) return;
    for (size_t i = at; i < at + len; ++i)
      if (to[i] != 0) return;
    std::fill(to.begin() + static_cast<long>(at), to.begin() + static_cast<long>(at + len), page);
  };
  for (int p = 1; p <= kPageCount; ++p) {
    std::string name = page_title(p);
    if (name.find(' ') == std::string::npos) {
      // A one-word title ("Rules") is a common word; in capitals it names the button that opens the page.
      for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      for (size_t at = t.find(name); at != std::string::npos; at = t.find(name, at + 1)) mark(at, name.size(), p);
      continue;
    }
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (size_t at = low.find(name); at != std::string::npos; at = low.find(name, at + 1)) mark(at, name.size(), p);
  }
  for (size_t at = low.find("page "); at != std::string::npos; at = low.find("page ", at + 1)) {
    size_t e = at + 5;
    while (e < low.size() && std::isdigit(static_cast<unsigned char>(low[e]))) ++e;
    if (e > at + 5 && e - at - 5 <= 2) mark(at, e - at, std::atoi(low.c_str() + at + 5));
  }
  return to;
}

// ---- HTML of one page -----------------------------------------------------------

class PageHtml {
 public:
  PageHtml(const PageGrid& g, int page) : g_(g), page_(page), lines_(line_infos(g)), cont_(page_paragraphs(g, page)) {}

  std::string body() {
    for (size_t l = 0; l < lines_.size();) l = block_at(l);
    close_box();
    return main_.str();
  }

 private:
  // Writes the block that starts at line l; returns the line after it.
  size_t block_at(size_t l) {
    const LineInfo& li = lines_[l];
    if (is_lettering_line(li)) {
      for (bool big : {false, true}) {
        auto words = read_lettering(lines_, l, big);
        if (!words) continue;
        size_t n = big ? 6 : 3;
        close_box();
        heading(2);
        o() << "<h2 class=\"sr\">" << html_escape(*words) << "</h2>\n<div class=\"box blk\" aria-hidden=\"true\">";
        for (size_t k = 0; k < n; ++k) line(l + k, "div", "ln", false);
        o() << "</div>\n";
        return l + n;
      }
    }
    if (li.plain && is_chart_line(li.text)) return chart(l);
    if (is_framed_title(l)) {
      // A title in a frame of its own (the groups of the release list): the
      // frame stays as drawn, its middle line is a heading whose frame
      // characters are not read out.
      close_box();
      const std::string& t = lines_[l + 1].text;
      const char* tag = heading(3) == 2 ? "h2" : "h3";
      o() << "<div class=\"box\">";
      line(l, "div", "ln", false);
      o() << "<" << tag << " class=\"ln\"><span aria-hidden=\"true\">";
      columns(l + 1, 0, 1, {});
      o() << "</span>";
      columns(l + 1, 1, t.size() - 1, {});
      o() << "<span aria-hidden=\"true\">";
      columns(l + 1, t.size() - 1, t.size(), {});
      o() << "</span></" << tag << ">\n";
      line(l + 2, "div", "ln", false);
      o() << "</div>\n";
      return l + 3;
    }
    if (li.plain && !li.text.empty() && all_second_face(g_.rows[l], li.text)) {
      close_box();
      bool centred = li.text[0] == ' ';
      int level = heading(centred ? 2 : 3);
      line(l, level == 2 ? "h2" : "h3", "ln hd", false);
      return l + 1;
    }
    if (is_prose(g_.rows[l], li)) {
      close_box();
      o() << "<p class=\"para\">";
      size_t e = l;
      do {
        if (e > l) o() << "\n";
        line(e, "span", "ln", true);
        ++e;
      } while (e < lines_.size() && cont_[e]);
      o() << "</p>\n";
      return e;
    }
    open_box(l);
    if (li.rule != 0 && li.text.empty()) o() << "<hr class=\"r r" << li.rule << "\">";
    else line(l, "div", li.rule ? "ln r r" + std::to_string(li.rule) : "ln", true);
    return l + 1;
  }

  // Three lines that frame one line of text: top corners, sides, bottom corners.
  bool is_framed_title(size_t l) const {
    if (l + 2 >= lines_.size()) return false;
    const std::string &top = lines_[l].text, &mid = lines_[l + 1].text, &bottom = lines_[l + 2].text;
    auto ends = [](const std::string& t, char a, char b) { return t.size() >= 3 && t.front() == a && t.back() == b; };
    return lines_[l + 1].plain && ends(top, '\xDA', '\xBF') && ends(mid, '\xB3', '\xB3') && ends(bottom, '\xC0', '\xD9') &&
           top.size() == mid.size() && mid.find_first_not_of(" \xB3") != std::string::npos;
  }

  // The level a heading may take here: headings go down one level at a time.
  int heading(int wanted) {
    int level = std::min(wanted, last_heading_ + 1);
    last_heading_ = level;
    return level;
  }

  // Lines that keep their layout go together in a box that scrolls sideways
  // on a narrow screen (and then takes the keyboard's focus, so that it can
  // be scrolled without a pointer). Written when the box closes.
  void open_box(size_t l) {
    if (!box_open_) box_.str("");
    box_open_ = true;
    box_widest_ = std::max(box_widest_, lines_[l].text.size());
  }
  void close_box() {
    if (!box_open_) return;
    box_open_ = false;
    main_ << (box_widest_ > kNarrowColumns ? "<div class=\"box\" tabindex=\"0\">" : "<div class=\"box\">")
          << box_.str() << "</div>\n";
    box_widest_ = 0;
  }
  std::ostringstream& o() { return box_open_ ? box_ : main_; }

  // Columns [a, b) of line l in its colours and faces, with its links.
  void columns(size_t l, size_t a, size_t b, const std::vector<int>& links) {
    const PageRow& row = g_.rows[l];
    const std::string& t = lines_[l].text;
    int cur_colour = 1, cur_face = 1, cur_link = 0;
    bool span = false;
    for (size_t i = a; i < b; ++i) {
      const PageCell& c = row.cells[i + 1];
      int colour = c.colour, face = c.face == 2 ? 2 : 1;
      if (t[i] == ' ') colour = cur_colour, face = cur_face;  // a blank shows no ink: keep the run going
      int link = links.empty() ? 0 : links[i];
      const bool link_change = i == a || link != cur_link;
      if (link_change || colour != cur_colour || face != cur_face) {
        if (span) o() << "</span>";
        if (link_change) {
          if (i != a && cur_link) o() << "</a>";
          if (link) o() << "<a href=\"" << page_file(link, "html") << "\">";
        }
        span = colour != 1 || face != 1;
        if (span) {
          o() << "<span class=\"";
          if (colour != 1) o() << "c" << colour << (face == 2 ? " " : "");
          if (face == 2) o() << "b";
          o() << "\">";
        }
        cur_colour = colour, cur_face = face, cur_link = link;
      }
      o() << html_escape(cp437_to_utf8(static_cast<uint8_t>(t[i])));
    }
    if (span) o() << "</span>";
    if (b > a && cur_link) o() << "</a>";
  }

  void line(size_t l, const std::string& tag, const std::string& cls, bool with_links) {
    const std::string& t = lines_[l].text;
    o() << "<" << tag << " class=\"" << cls << "\">";
    columns(l, 0, t.size(), with_links ? find_links(t, page_) : std::vector<int>{});
    o() << "</" << tag << ">";
    if (tag != "span") o() << "\n";
  }

  // A run of chart lines, as a table. The column heading line above stays a
  // line as drawn; the table carries its own headers for screen readers.
  size_t chart(size_t l) {
    close_box();
    const std::string title = html_escape(page_title(page_));
    o() << "<div class=\"box tbl\" tabindex=\"0\" role=\"region\" aria-label=\"" << title << ", the chart\">"
         << "<table>\n<caption class=\"sr\">" << title << "</caption>\n"
         << "<thead class=\"sr\"><tr><th scope=\"col\">Position</th><th scope=\"col\">Group</th>"
            "<th scope=\"col\">Points</th><th scope=\"col\">Releases</th><th scope=\"col\">Movement</th></tr></thead>\n"
            "<tbody>\n";
    size_t e = l;
    for (; e < lines_.size() && lines_[e].plain && is_chart_line(lines_[e].text); ++e) {
      const std::string& t = lines_[e].text;
      o() << "<tr>";
      for (int k = 0; k < 5; ++k) {
        size_t a = static_cast<size_t>(kChartCellStart[k]);
        size_t b = std::min(t.size(), static_cast<size_t>(kChartCellStart[k + 1]));
        size_t f = chart_field_end(t, k);
        o() << (k == 1 ? "<th scope=\"row\">" : "<td>");
        columns(e, a, f, {});
        if (f < b) {
          o() << "<span aria-hidden=\"true\">";
          columns(e, f, b, {});
          o() << "</span>";
        }
        o() << (k == 1 ? "</th>" : "</td>");
      }
      o() << "</tr>\n";
    }
    o() << "</tbody></table></div>\n";
    return e;
  }

  const PageGrid& g_;
  int page_;
  std::vector<LineInfo> lines_;
  std::vector<bool> cont_;
  std::ostringstream main_, box_;  // the page, and the box being filled
  bool box_open_ = false;
  size_t box_widest_ = 0;
  int last_heading_ = 1;  // the page's own title is the h1
};

// ---- documents ----------------------------------------------------------------

std::string document(const std::string& title, const std::string& nav, const std::string& main_html) {
  std::ostringstream o;
  o << "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
       "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>"
    << html_escape(title) << "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n<body>\n"
    << "<a class=\"skip\" href=\"#main\">Skip to the text</a>\n<header>\n" << nav << "</header>\n<main id=\"main\">\n"
    << main_html << "</main>\n</body>\n</html>\n";
  return o.str();
}

std::string issue_title() { return utf8(menu_title()); }

std::string page_document(int p) {
  auto g = loaded(p);
  std::ostringstream nav;
  nav << "<nav aria-label=\"Pages\"><ul>\n";
  if (p > 1)
    nav << "<li><a href=\"" << page_file(p - 1, "html") << "\" rel=\"prev\">previous: " << html_escape(page_title(p - 1))
        << "</a></li>\n";
  nav << "<li><a href=\"index.html\">menu</a></li>\n";
  if (p < kPageCount)
    nav << "<li><a href=\"" << page_file(p + 1, "html") << "\" rel=\"next\">next: " << html_escape(page_title(p + 1))
        << "</a></li>\n";
  nav << "</ul></nav>\n";
  std::string main_html = "<h1>" + html_escape(page_title(p)) + "</h1>\n<div class=\"page\">\n" +
                          PageHtml(*g, p).body() + "</div>\n";
  return document(page_title(p) + " - " + issue_title(), nav.str(), main_html);
}

// The song credit of a status line: what follows "Selected song: ".
std::string song_credit(int song) {
  std::string_view s = status_line(song);
  size_t at = s.find("song: ");
  return utf8(at == std::string_view::npos ? s : s.substr(at + 6));
}

// The intro scroller as read: leading blanks gone, pause marks shown as the blank they draw.
std::string scroller_words() {
  std::string s(scroller_text());
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = ' ';
  size_t a = s.find_first_not_of(' ');
  return a == std::string::npos ? "" : utf8(std::string_view(s).substr(a));
}

std::string index_document() {
  std::ostringstream m;
  m << "<h1>" << html_escape(issue_title()) << "</h1>\n";
  const char* menus[2] = {"Charts", "Articles"};
  for (int menu : {kMenuCharts, kMenuArticles}) {
    m << "<nav aria-labelledby=\"menu" << menu << "\"><h2 id=\"menu" << menu << "\">" << menus[menu - 1]
      << "</h2>\n<ul class=\"menu\">\n";
    for (int column = 0; column < 2; ++column)
      for (int row = 1; row <= kMenuRows; ++row) {
        int p = menu_slot_entry(menu, column, row);
        if (p >= 1 && p <= kPageCount && menu_enabled(p))
          m << "<li><a href=\"" << page_file(p, "html") << "\">" << html_escape(page_title(p)) << "</a></li>\n";
      }
    m << "</ul></nav>\n";
  }
  m << "<nav aria-labelledby=\"menu3\"><h2 id=\"menu3\">Buttons</h2>\n<ul class=\"menu\">\n";
  for (int p : {kRulesPage, kHelpPage})
    m << "<li><a href=\"" << page_file(p, "html") << "\">" << html_escape(page_title(p)) << "</a></li>\n";
  m << "</ul></nav>\n<h2>Credits</h2>\n<div class=\"box intro\">\n";
  for (int k = 1; k <= 9; ++k) m << "<div class=\"ln\">" << html_escape(utf8(intro_line(k))) << "</div>\n";
  m << "</div>\n<p>" << html_escape(utf8(window_title())) << "</p>\n<p>" << html_escape(scroller_words())
    << "</p>\n<h3>Music of the main screen</h3>\n<ul>\n";
  for (int song = 1; song <= kModuleCount; ++song) m << "<li>" << html_escape(song_credit(song)) << "</li>\n";
  m << "</ul>\n";
  std::string nav = "<nav aria-label=\"Pages\"><ul>\n<li><a href=\"" + page_file(1, "html") +
                    "\" rel=\"next\">first page: " + html_escape(page_title(1)) + "</a></li>\n</ul></nav>\n";
  return document(issue_title(), nav, m.str());
}

// The style sheet: the program's text colours and rules, read from the font's
// colour table and from the rules it draws.
std::string style_sheet() {
  std::ostringstream s;
  const EditionColours colours = edition_colours();
  s << ":root{color-scheme:dark}\n"
       "html{background:" << hex(kBackground) << ";color:" << hex(colours.shown[1]) << "}\n"
       "body{margin:0 auto;padding:8px;max-width:calc(81ch + 16px);"
       "font:15px/1.25 \"DejaVu Sans Mono\",\"Liberation Mono\",monospace}\n"
       "a{color:inherit}\na:focus{outline:2px solid " << hex(colours.shown[1]) << "}\n"
       ".skip{position:absolute;left:-9999px}\n.skip:focus{left:8px;top:8px;background:#000;padding:4px}\n"
       ".sr{position:absolute;width:1px;height:1px;overflow:hidden;clip:rect(0 0 0 0);white-space:nowrap}\n"
       "header ul,.menu{list-style:none;padding:0;display:flex;flex-wrap:wrap;gap:0 3ch}\n"
       "h1,h2,h3{font-size:1em;margin:1em 0 .5em}\n"
       ".page h2,.page h3{margin:0;font-weight:inherit}\n"
       ".ln{display:block;white-space:pre;min-height:1.25em}\n"
       ".para{margin:0}\n.box{overflow-x:auto}\n"
       ".blk{line-height:1}\n.blk .ln{min-height:1em}\n"
       ".b{font-weight:bold}\n"
       "table{border-collapse:collapse}\ncaption{text-align:left}\n"
       "td,th{padding:0;white-space:pre;font-weight:inherit;text-align:left}\n"
       "hr.r,.ln.r{border:0;margin:0;height:1.25em;background-repeat:no-repeat;background-position:0 50%;"
       "background-size:100% 3px}\n";
  for (int c = 2; c <= 31; ++c) s << ".c" << c << "{color:" << hex(colours.shown[c]) << "}\n";
  // The rules as the program draws them: rows above, centre and below.
  auto fb = std::make_unique<FrameBuffer>();
  for (int style = 1; style <= 8; ++style) {
    fb->clear();
    draw_rule(*fb, 0.0, 10, 0, 750, style);
    s << ".r" << style << "{background-image:";
    if (style < 8) {
      s << "linear-gradient(" << hex(fb->get(0, 9)) << " 0 33%," << hex(fb->get(0, 10)) << " 33% 67%,"
        << hex(fb->get(0, 11)) << " 67%)}\n";
    } else {
      s << "linear-gradient(to right";
      for (int x = 0; x <= 750; x += 75) s << "," << hex(fb->get(x, 10));
      s << ")}\n";
    }
  }
  // A narrow screen: prose reflows into paragraphs, headings wrap, block
  // lettering shrinks to fit, everything else scrolls inside its box.
  s << "@media (max-width:760px){\n"
       ".para .ln{display:inline;white-space:normal}\n"
       ".hd{white-space:normal}\n.blk{font-size:calc((100vw - 24px) / 49)}\n}\n";
  return s.str();
}

std::string text_index() {
  std::ostringstream o;
  o << issue_title() << "\n\n";
  for (int p = 1; p <= kPageCount; ++p) {
    char b[16];
    std::snprintf(b, sizeof b, "%2d  ", p);
    o << b << page_file(p, "txt") << "  " << utf8(menu_entry(p)) << "\n";
  }
  o << "\n";
  for (int k = 1; k <= 9; ++k) o << utf8(intro_line(k)) << "\n";
  o << "\n" << utf8(window_title()) << "\n\n" << scroller_words() << "\n\n";
  for (int song = 1; song <= kModuleCount; ++song) o << song_credit(song) << "\n";
  return o.str();
}

bool write_file(const std::filesystem::path& path, const std::string& data) {
  std::ofstream f(path, std::ios::binary);
  f.write(data.data(), static_cast<std::streamsize>(data.size()));
  f.close();
  return static_cast<bool>(f);
}

}  // namespace

std::vector<std::string> page_lines(int p) {
  auto g = loaded(p);
  std::vector<std::string> v;
  for (int l = 0; l < g->page_length; ++l) v.push_back(utf8(row_bytes(g->rows[static_cast<size_t>(l)])));
  return v;
}

// Paragraphs. Where the page source wrote a paragraph for pagec to wrap, the
// build's own flag says which lines continue it (page_line_continues). Lines
// the source lays out by hand are decided from the lines: a line continues the one
// above when both are running text (see is_prose), the line does not open an
// item of a list, and the line above ends near the margin: its length, a blank
// and this line's first word reach past three quarters of the widest running
// text line of the page (the width the text was wrapped at), so a short line
// (a greeting, a signature, the end of a verse) is never run on.
std::vector<bool> page_paragraphs(const PageGrid& g, int page) {
  std::vector<LineInfo> lines = line_infos(g);
  std::vector<bool> prose(lines.size()), cont(lines.size(), false);
  size_t wrap = 0;
  for (size_t l = 0; l < lines.size(); ++l) {
    prose[l] = is_prose(g.rows[l], lines[l]);
    if (prose[l]) wrap = std::max(wrap, lines[l].text.size());
  }
  for (size_t l = 1; l < lines.size(); ++l) {
    if (!prose[l] || !prose[l - 1] || starts_item(lines[l].text)) continue;
    size_t first_word = lines[l].text.find(' ');
    if (first_word == std::string::npos) first_word = lines[l].text.size();
    cont[l] = lines[l - 1].text.size() + 1 + first_word > wrap - wrap / 4;
  }
  for (size_t l = 0; l < lines.size(); ++l)
    if (page_line_continues(page, static_cast<int>(l))) cont[l] = true;
  return cont;
}

double contrast_ratio(uint32_t a, uint32_t b) {
  auto lum = [](uint32_t c) {
    auto ch = [](uint32_t v) {
      double s = static_cast<double>(v & 0xFF) / 255.0;
      return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * ch(c >> 16) + 0.7152 * ch(c >> 8) + 0.0722 * ch(c);
  };
  double la = lum(a), lb = lum(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

EditionColours edition_colours() {
  auto font = std::make_unique<TextFont>();
  build_glyph_palette(*font);
  // The font's main ink: the shade most of the plain face's printable glyphs are drawn in.
  std::map<int, long> count;
  for (int code = 33; code < 127; ++code)
    for (int r = 0; r < kGlyphH; ++r)
      for (int i = 0; i < kGlyphW; ++i) {
        int s = font->atlas[static_cast<size_t>(r) * kFontAtlasW + static_cast<size_t>((code - 32) * 9 + 1 + i)];
        if (s != 0) ++count[s];
      }
  int ink = 0;
  long best = 0;
  for (auto [shade, n] : count)
    if (n > best) ink = shade, best = n;
  EditionColours c;
  for (int i = 1; i <= 31; ++i) {
    c.drawn[i] = font->colour_of(ink, i);
    // Mix towards white in small steps until the contrast is enough.
    uint32_t shown = c.drawn[i];
    for (int t = 0; t <= 256 && contrast_ratio(shown, kBackground) < kMinContrast; ++t) {
      auto mix = [&](int shift) {
        int v = static_cast<int>((c.drawn[i] >> shift) & 0xFF);
        return static_cast<uint32_t>(v + (255 - v) * t / 256) << shift;
      };
      shown = mix(16) | mix(8) | mix(0);
    }
    c.shown[i] = shown;
  }
  return c;
}

std::vector<EditionFile> html_edition() {
  std::vector<EditionFile> v{{"index.html", index_document()}, {"style.css", style_sheet()}};
  for (int p = 1; p <= kPageCount; ++p) v.push_back({page_file(p, "html"), page_document(p)});
  return v;
}

std::vector<EditionFile> text_edition() {
  std::vector<EditionFile> v{{"index.txt", text_index()}};
  for (int p = 1; p <= kPageCount; ++p) {
    std::string s;
    for (const std::string& l : page_lines(p)) s += l + "\n";
    v.push_back({page_file(p, "txt"), s});
  }
  return v;
}

bool write_edition(const std::vector<EditionFile>& files, const std::string& dir) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path target = fs::path(dir).lexically_normal();
  if (target.has_filename() == false) target = target.parent_path();
  if (fs::exists(target, ec) && !(fs::is_directory(target, ec) && fs::is_empty(target, ec))) {
    std::cerr << "zelvorant-tool: " << dir << " exists and is not an empty folder\n";
    return false;
  }
  fs::path parent = target.parent_path().empty() ? fs::path(".") : target.parent_path();
  std::string pattern = (parent / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (!mkdtemp(buf.data())) {
    std::cerr << "zelvorant-tool: cannot write in " << parent.string() << ": " << std::strerror(errno) << "\n";
    return false;
  }
  fs::path tmp(buf.data());
  fs::permissions(tmp, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec, ec);
  for (const EditionFile& f : files) {
    if (!write_file(tmp / f.name, f.data)) {
      std::cerr << "zelvorant-tool: cannot write " << (tmp / f.name).string() << "\n";
      fs::remove_all(tmp, ec);
      return false;
    }
  }
  // Renaming onto an empty folder replaces it; onto anything else it fails.
  if (std::rename(tmp.c_str(), target.c_str()) != 0) {
    std::cerr << "zelvorant-tool: cannot make " << dir << ": " << std::strerror(errno) << "\n";
    fs::remove_all(tmp, ec);
    return false;
  }
  return true;
}

}  // namespace zel::tool
