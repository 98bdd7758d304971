// pagec: the page compiler. Turns the readable sources into the page
// tables and texts that the program links in.
//
//   pagec OUT.cpp TEXTS.txt [--figures FIGURES.txt] PAGE.page...
//
// Page source format (UTF-8), one directive or page line per source line:
//
//   # comment                   ignored
//   @page 11                    which page this file holds (1..20), required
//   @colour M                   default colour attribute for the lines below
//   @face 2                     default face ("1" or "2") for the lines below
//   |text                       a page line with rule style "0" (a plain line)
//   8|text                      a page line over rule style "8" (any string
//                               before the first "|" is the rule style)
//
//   >text                       a line of a paragraph: consecutive '>' lines
//                               are joined with blanks, figures filled in,
//                               and wrapped at blanks into plain lines
//   @wrap 78 / @indent 5        width of wrapped paragraphs; blanks in front
//                               of a paragraph's second and later lines
//   @length 36                  the page's fixed length; any other count of
//                               lines stops the build
//
// Inside the text, markup switches attributes for the characters after it:
//   {M}  colour attribute M (any single character: "1".."9", "A".."V")
//   {f2} face 2, {f1} face 1
//   {}   back to the line defaults (also keeps trailing blanks visible)
//   {{   a literal "{"
//   {_}  one more column of the current colour and face past the end of the
//        text (attributes of blank columns; no text may follow it)
//   {=name}  a figure computed from the chart data (FIGURES.txt, written by
//        tools/chartgen: "name = value" lines), in the current colour and
//        face; an unknown name stops the build, and so does a line that the
//        figure makes longer than 80 columns
//   {=name:W}  the same, right-aligned in W columns (for tables); a longer
//        value stops the build
// Box and block characters are written as themselves (░ ▒ ▓ │ ┐ └ ─ ┘ ┌ █ ▄ ▌
// ▐ ▀ · ■) and stored as code page 437 bytes. The end marker line "<END>" is
// added after the last line, so a page's length is its number of lines.
//
// Block-lettered headings (see block_letters.h), centred on the 80 columns:
//   @block DMN TEXT             three lines of half-block letters; the three
//                               characters are the colours of the three lines
//   @bigblock DDMMNN TEXT       six lines of full-block letters with a shadow
//                               (shadow cells in colour "3")
//   @heading D TEXT             one line: TEXT centred in the second face and
//                               colour D, padded to 81 characters (the last
//                               one a blank that is never shown)
//
// Claims an article makes in words ("only", "never", "the first", "all of
// them") are checked against the figures where they stand:
//   @check NAME OP VALUE        OP is one of = != < <= > >=; numbers compare
//                               as numbers (thousands commas ignored), other
//                               values only with = and !=. A claim that does
//                               not hold, or an unknown figure, stops the build.
//                               VALUE may be another figure, as {=name}.
//
// Texts file: "key = value" lines (value verbatim; surround it with double
// quotes to keep leading or trailing blanks):
//   menu_title, window_title, entry N (at most 27 characters: the width of
//   a menu column), enabled N, status N (the song credit:
//   title, " composed by ", composer, dots), intro N, scroller (repeated:
//   pieces appended in order; 66 leading blanks are added).
//
// Errors (a line longer than 80 shown characters, a character outside the
// page alphabet, a missing @page, an unknown figure, a menu entry wider than
// its column) stop the build with file:line and reason. They are thrown as
// PageSourceError, so the parser also runs inside a process that goes on (the
// fuzz target of fuzz/fuzz_page.cpp).
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "content/cp437.h"
#include "tools/pagec/block_letters.h"
#include "tools/pagec/page_source.h"

namespace {

using zel::pagec::Line;

// A menu column is 245 pixels wide and ends where the next begins (or at the
// menu's clip edge): 27 characters of 9 pixels fit.
[[maybe_unused]] constexpr size_t kMenuEntryWidth = 27;

using zel::pagec::Figures;

[[noreturn]] void fail(const std::string& where, const std::string& why) {
  throw zel::pagec::PageSourceError(where + ": error: " + why);
}

bool page_byte_allowed(int b) {
  if (b >= 0x20 && b <= 0x7E) return true;
  switch (b) {
    case 0xB0: case 0xB1: case 0xB2: case 0xB3: case 0xBF: case 0xC0: case 0xC4: case 0xD9:
    case 0xDA: case 0xDB: case 0xDC: case 0xDD: case 0xDE: case 0xDF: case 0xFA: case 0xFE:
      return true;
    default: return false;
  }
}

// Decodes UTF-8 into code points; fails on malformed input.
std::u32string decode_utf8(const std::string& s, const std::string& where) {
  std::u32string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    char32_t cp;
    int n;
    if (c < 0x80) { cp = c; n = 1; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; n = 2; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; n = 3; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; n = 4; }
    else fail(where, "malformed UTF-8");
    if (i + static_cast<size_t>(n) > s.size()) fail(where, "truncated UTF-8");
    for (int k = 1; k < n; ++k) {
      unsigned char d = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
      if ((d & 0xC0) != 0x80) fail(where, "malformed UTF-8");
      cp = (cp << 6) | (d & 0x3F);
    }
    out += cp;
    i += static_cast<size_t>(n);
  }
  return out;
}

Line parse_page_line(const std::string& rule, const std::string& body, char def_colour, char def_face,
                     const Figures& figures, const std::string& where, bool unlimited = false) {
  Line line;
  line.rule = rule.empty() ? "0" : rule;
  std::u32string cps = decode_utf8(body, where);
  char colour = def_colour, face = def_face;
  std::string extra_colour, extra_face;  // attributes of blank columns after the text
  for (size_t i = 0; i < cps.size(); ++i) {
    char32_t cp = cps[i];
    if (cp == U'{') {
      if (i + 1 < cps.size() && cps[i + 1] == U'{') {
        ++i;
      } else {
        size_t close = cps.find(U'}', i);
        if (close == std::u32string::npos) fail(where, "unclosed '{' markup");
        std::u32string tag = cps.substr(i + 1, close - i - 1);
        if (tag == U"_") {
          extra_colour += colour;
          extra_face += face;
        } else if (tag.empty()) {
          colour = def_colour;
          face = def_face;
        } else if (tag.size() == 1 && tag[0] < 0x80) {
          colour = static_cast<char>(tag[0]);
        } else if (tag.size() == 2 && tag[0] == U'f' && (tag[1] == U'1' || tag[1] == U'2')) {
          face = static_cast<char>(tag[1]);
        } else if (tag.size() > 1 && tag[0] == U'=') {
          std::string name;
          for (char32_t c : tag.substr(1)) name += c < 0x80 ? static_cast<char>(c) : '?';
          size_t width = 0, colon = name.rfind(':');
          if (colon != std::string::npos && colon + 1 < name.size() &&
              name.find_first_not_of("0123456789", colon + 1) == std::string::npos) {
            width = static_cast<size_t>(std::atoi(name.c_str() + colon + 1));
            name.resize(colon);
          }
          auto it = figures.find(name);
          if (it == figures.end()) fail(where, "unknown figure '" + name + "'");
          if (!extra_colour.empty()) fail(where, "text after '{_}'");
          if (it->second.size() > width && width > 0)
            fail(where, "figure '" + name + "' (" + it->second + ") is wider than " + std::to_string(width) + " columns");
          std::string value = std::string(width > it->second.size() ? width - it->second.size() : 0, ' ') + it->second;
          for (unsigned char b : value) {
            if (!page_byte_allowed(b)) fail(where, "figure '" + name + "' is not page text");
            line.text += static_cast<char>(b);
            line.colour += colour;
            line.face += face;
          }
        } else {
          fail(where, "unknown markup '{" + std::string(tag.begin(), tag.end()) + "}'");
        }
        i = close;
        continue;
      }
    }
    if (!extra_colour.empty()) fail(where, "text after '{_}'");
    int b = zel::cp437_from_unicode(cp);
    if (b < 0 || !page_byte_allowed(b)) {
      std::ostringstream os;
      os << "character U+" << std::hex << static_cast<unsigned>(cp) << " is not in the page alphabet";
      fail(where, os.str());
    }
    line.text += static_cast<char>(b);
    line.colour += colour;
    line.face += face;
  }
  if (unlimited) return line;
  if (line.text.size() > 81 || (line.text.size() == 81 && line.text[80] != ' '))
    fail(where, "line has " + std::to_string(line.text.size()) + " characters; at most 80 are shown");
  line.colour += extra_colour;
  line.face += extra_face;
  line.colour.resize(80, def_colour);
  line.face.resize(80, def_face);
  line.colour.resize(80);
  line.face.resize(80);
  return line;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r");
  return s.substr(a, b - a + 1);
}

// Expands a block-lettering directive ("@block COLOURS TEXT") into page lines.
void add_block(std::vector<Line>& lines, bool big, const std::string& colours, const std::string& directive,
               const std::string& where) {
  if (colours.empty()) fail(where, "block lettering needs its colour characters and a text");
  size_t at = directive.find(colours, directive.find(' '));
  std::string text = trim(directive.substr(at + colours.size()));
  std::vector<std::string> rows = zel::blockletters::block_lines(text, big);
  if (rows.empty()) fail(where, "no block letters for '" + text + "'");
  if (colours.size() != rows.size())
    fail(where, "block lettering needs " + std::to_string(rows.size()) + " colour characters");
  size_t width = 0;
  for (auto& r : rows) width = std::max(width, r.size());
  if (width > 80) fail(where, "block lettering is " + std::to_string(width) + " columns wide; at most 80 fit");
  std::string pad((80 - width) / 2, ' ');
  for (size_t i = 0; i < rows.size(); ++i) {
    Line line;
    line.rule = "0";
    line.text = rows[i].empty() ? "" : pad + rows[i];
    line.colour.assign(80, colours[i]);
    for (size_t c = 0; c < line.text.size(); ++c)
      if (static_cast<unsigned char>(line.text[c]) == 0xB0) line.colour[c] = '3';
    line.face.assign(80, '1');
    lines.push_back(line);
  }
}

// Breaks a paragraph, already parsed into characters with their attributes,
// into page lines of at most `width` columns at blanks; a word longer than the
// width stops the build. Lines after the first start with `indent` blanks.
void wrap_paragraph(std::vector<Line>& lines, const Line& para, size_t width, size_t indent, char def_colour,
                    char def_face, const std::string& where) {
  const std::string& t = para.text;
  size_t at = 0;
  bool first = true;
  while (at < t.size()) {
    size_t room = width - (first ? 0 : indent);
    size_t end = t.size();
    if (t.size() - at > room) {
      end = t.rfind(' ', at + room);
      if (end == std::string::npos || end <= at) fail(where, "a word is wider than the paragraph");
    }
    Line l;
    l.rule = "0";
    std::string pad(first ? 0 : indent, ' ');
    l.text = pad + t.substr(at, end - at);
    l.colour = std::string(pad.size(), def_colour) + para.colour.substr(at, end - at);
    l.face = std::string(pad.size(), def_face) + para.face.substr(at, end - at);
    l.colour.resize(80, def_colour);
    l.face.resize(80, def_face);
    l.continues = !first;
    lines.push_back(l);
    at = end;
    while (at < t.size() && t[at] == ' ') ++at;
    first = false;
  }
}

// "1,234.5" -> 1234.5; false if the text is not a plain decimal number.
bool as_number(std::string s, double& out) {
  s.erase(std::remove(s.begin(), s.end(), ','), s.end());
  if (s.empty() || s.find_first_not_of("-0123456789.") != std::string::npos) return false;
  char* end = nullptr;
  out = std::strtod(s.c_str(), &end);
  return end == s.c_str() + s.size();
}

// "@check NAME OP VALUE": stops the build unless figure NAME compares as stated.
void check_claim(const std::string& directive, const Figures& figures, const std::string& where) {
  static const char* const kOps[] = {" != ", " <= ", " >= ", " = ", " < ", " > "};
  std::string body = trim(directive.substr(directive.find(' ') + 1));
  for (const char* op : kOps) {
    size_t at = body.find(op);
    if (at == std::string::npos) continue;
    std::string name = trim(body.substr(0, at)), want = trim(body.substr(at + std::string(op).size()));
    std::string o = trim(op);
    if (want.size() > 3 && want.compare(0, 2, "{=") == 0 && want.back() == '}') {
      auto other = figures.find(want.substr(2, want.size() - 3));
      if (other == figures.end()) fail(where, "unknown figure '" + want + "'");
      want = other->second;
    }
    auto it = figures.find(name);
    if (it == figures.end()) fail(where, "unknown figure '" + name + "'");
    double a = 0, b = 0;
    bool holds;
    if (as_number(it->second, a) && as_number(want, b))
      holds = o == "=" ? a == b : o == "!=" ? a != b : o == "<" ? a < b : o == "<=" ? a <= b : o == ">" ? a > b : a >= b;
    else if (o == "=" || o == "!=")
      holds = (it->second == want) == (o == "=");
    else
      fail(where, "'" + o + "' needs numbers");
    if (!holds) fail(where, "claim does not hold: " + name + " is " + it->second + ", not " + o + " " + want);
    return;
  }
  fail(where, "a check needs NAME OP VALUE");
}

// Expands "@heading D TEXT" into one centred line in face 2.
void add_heading(std::vector<Line>& lines, char colour, const std::string& directive, const std::string& where) {
  size_t at = directive.find(' ', directive.find(' ') + 1);
  std::string text = at == std::string::npos ? "" : trim(directive.substr(at));
  if (text.empty() || text.size() > 80) fail(where, "a heading needs 1..80 characters");
  for (unsigned char c : text)
    if (c < 0x20 || c > 0x7E) fail(where, "headings are plain ASCII");
  Line line;
  line.rule = "0";
  line.text = std::string((80 - text.size()) / 2, ' ') + text;
  line.text.resize(81, ' ');
  line.colour.assign(80, colour);
  line.face.assign(80, '2');
  lines.push_back(line);
}

}  // namespace

void zel::pagec::read_page(std::istream& in, const std::string& path, const Figures& figures, Pages& pages) {
  std::string raw;
  int lineno = 0, page = 0;
  char def_colour = '1', def_face = '1';
  size_t wrap_width = 78, indent = 0;
  int length = -1;
  std::vector<Line> lines;
  std::string para, para_where;  // the paragraph being collected from '>' lines
  auto end_paragraph = [&] {
    if (para.empty()) return;
    Line parsed = parse_page_line("0", para, def_colour, def_face, figures, para_where, true);
    wrap_paragraph(lines, parsed, wrap_width, indent, def_colour, def_face, para_where);
    para.clear();
  };
  while (std::getline(in, raw)) {
    ++lineno;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    std::string where = path + ":" + std::to_string(lineno);
    std::string t = trim(raw);
    if (t.empty() || t[0] == '#') continue;
    if (t[0] == '>') {
      if (para.empty()) para_where = where;
      para += (para.empty() ? "" : " ") + trim(t.substr(1));
      continue;
    }
    end_paragraph();
    if (t[0] == '@') {
      std::istringstream is(t.substr(1));
      std::string key, value;
      is >> key >> value;
      if (key == "page") page = std::atoi(value.c_str());
      else if (key == "colour" && value.size() == 1) def_colour = value[0];
      else if (key == "face" && (value == "1" || value == "2")) def_face = value[0];
      else if (key == "block" || key == "bigblock") add_block(lines, key == "bigblock", value, t, where);
      else if (key == "heading" && value.size() == 1) add_heading(lines, value[0], t, where);
      else if (key == "check") check_claim(t, figures, where);
      else if (key == "wrap" && std::atoi(value.c_str()) >= 20 && std::atoi(value.c_str()) <= 80)
        wrap_width = static_cast<size_t>(std::atoi(value.c_str()));
      else if (key == "indent" && std::atoi(value.c_str()) >= 0 && std::atoi(value.c_str()) < 20)
        indent = static_cast<size_t>(std::atoi(value.c_str()));
      else if (key == "length") length = std::atoi(value.c_str());
      else fail(where, "unknown directive '" + t + "'");
      continue;
    }
    size_t bar = raw.find('|');
    if (bar == std::string::npos) fail(where, "a page line needs '|' before its text");
    std::string rule = trim(raw.substr(0, bar));
    if (rule.find(' ') != std::string::npos) fail(where, "rule style must be one word");
    lines.push_back(parse_page_line(rule, raw.substr(bar + 1), def_colour, def_face, figures, where));
  }
  end_paragraph();
  if (page < 1 || page > 20) fail(path, "missing or bad @page (1..20)");
  if (length >= 0 && static_cast<int>(lines.size()) != length)
    fail(path, "page has " + std::to_string(lines.size()) + " lines; its length is " + std::to_string(length));
  if (pages.count(page)) fail(path, "page " + std::to_string(page) + " is defined twice");
  if (lines.size() > 4999) fail(path, "page is longer than 4999 lines");
  lines.push_back(Line{"<END>", std::string(80, '1'), std::string(80, '1'), "0", false});
  pages[page] = std::move(lines);
}

#ifndef ZEL_PAGEC_NO_MAIN  // the fuzz target links the parser without the command
namespace {

void read_page(const std::string& path, const Figures& figures, zel::pagec::Pages& pages) {
  std::ifstream in(path);
  if (!in) fail(path, "cannot read");
  zel::pagec::read_page(in, path, figures, pages);
}

std::string cpp_string(const std::string& s) {
  std::string out = "std::string_view{\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') { out += '\\'; out += static_cast<char>(c); }
    else if (c == '?') out += "\\?";  // no trigraphs
    else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\%03o", c);
      out += buf;
    }
  }
  out += "\", " + std::to_string(s.size()) + "}";
  return out;
}

}  // namespace

int main(int argc, char** argv) try {
  if (argc < 3) {
    std::cerr << "usage: pagec OUT.cpp TEXTS.txt [--figures FIGURES.txt] PAGE.page...\n";
    return 2;
  }
  int first_page = 3;
  Figures figures;
  if (argc > 4 && std::string(argv[3]) == "--figures") {
    first_page = 5;
    std::ifstream in(argv[4]);
    if (!in) fail(argv[4], "cannot read");
    std::string raw;
    for (int lineno = 1; std::getline(in, raw); ++lineno) {
      if (raw.empty() || raw[0] == '#') continue;
      size_t eq = raw.find(" = ");
      if (eq == std::string::npos) fail(std::string(argv[4]) + ":" + std::to_string(lineno), "expected 'name = value'");
      figures[raw.substr(0, eq)] = raw.substr(eq + 3);
    }
  }
  zel::pagec::Pages pages;
  for (int i = first_page; i < argc; ++i) read_page(argv[i], figures, pages);

  std::map<std::string, std::string> texts;
  std::string scroller(66, ' ');
  {
    std::ifstream in(argv[2]);
    if (!in) fail(argv[2], "cannot read");
    std::string raw;
    int lineno = 0;
    while (std::getline(in, raw)) {
      ++lineno;
      if (!raw.empty() && raw.back() == '\r') raw.pop_back();
      std::string t = trim(raw);
      if (t.empty() || t[0] == '#') continue;
      size_t eq = raw.find('=');
      if (eq == std::string::npos) fail(std::string(argv[2]) + ":" + std::to_string(lineno), "expected 'key = value'");
      std::string key = trim(raw.substr(0, eq));
      std::string value = raw.substr(eq + 1);
      if (!value.empty() && value[0] == ' ') value.erase(0, 1);
      std::string tv = trim(value);
      if (tv.size() >= 2 && tv.front() == '"' && tv.back() == '"') value = tv.substr(1, tv.size() - 2);
      else value = tv;
      // Texts shown by the program are code page 437 too.
      std::u32string cps = decode_utf8(value, argv[2]);
      std::string bytes;
      for (char32_t cp : cps) {
        int b = zel::cp437_from_unicode(cp);
        if (b < 0) fail(std::string(argv[2]) + ":" + std::to_string(lineno), "character outside code page 437");
        bytes += static_cast<char>(b);
      }
      if (key.compare(0, 6, "entry ") == 0 && bytes.size() > kMenuEntryWidth)
        fail(std::string(argv[2]) + ":" + std::to_string(lineno),
             "menu entry has " + std::to_string(bytes.size()) + " characters; a menu column shows " +
                 std::to_string(kMenuEntryWidth));
      if (key == "scroller") scroller += bytes;
      else texts[key] = bytes;
    }
  }

  std::ofstream out(argv[1]);
  out << "// Generated by tools/pagec from content/pages/*.page and content/texts.txt. Do not edit.\n";
  out << "#include <string_view>\n#include \"content/content.h\"\n\nnamespace zel {\nnamespace {\n";
  for (auto& [p, lines] : pages) {
    out << "const PageLine kPage" << p << "[] = {\n";
    for (auto& l : lines)
      out << "  {" << cpp_string(l.text) << ", " << cpp_string(l.colour) << ", " << cpp_string(l.face) << ", "
          << cpp_string(l.rule) << "},\n";
    out << "};\n";
  }
  // Per page line, '1' where the line goes on with the paragraph of the line
  // before (a wrapped paragraph's second and later lines), for reflowing.
  for (auto& [p, lines] : pages) {
    std::string flags;
    for (auto& l : lines) flags += l.continues ? '1' : '0';
    out << "const char kContinues" << p << "[] = \"" << flags << "\";\n";
  }
  out << "struct PageRef { const PageLine* lines; int count; };\n";
  out << "const PageRef kPages[21] = {\n  {nullptr, 0},\n";
  for (int p = 1; p <= 20; ++p) {
    if (pages.count(p)) out << "  {kPage" << p << ", " << pages[p].size() << "},\n";
    else out << "  {nullptr, 0},\n";
  }
  out << "};\n";
  auto table = [&](const char* name, const char* prefix, int n) {
    out << "const std::string_view " << name << "[" << n + 1 << "] = {\n  {},\n";
    for (int k = 1; k <= n; ++k) {
      auto it = texts.find(std::string(prefix) + " " + std::to_string(k));
      out << "  " << cpp_string(it == texts.end() ? "" : it->second) << ",\n";
    }
    out << "};\n";
  };
  table("kEntries", "entry", 20);
  table("kIntro", "intro", 9);
  // Status lines: 65 blanks, the skin keys, then the song's credit.
  out << "const std::string_view kStatus[5] = {\n  {},\n";
  for (int k = 1; k <= 4; ++k) {
    auto it = texts.find("status " + std::to_string(k));
    std::string credit = it == texts.end() ? "" : it->second;
    out << "  " << cpp_string(std::string(65, ' ') +
                              "F1 To select 'Grunge' skin    F2 To select 'Carbon' skin   Selected song: " + credit)
        << ",\n";
  }
  out << "};\n";
  out << "int kEnabled[21] = {0";
  for (int k = 1; k <= 20; ++k) {
    auto it = texts.find("enabled " + std::to_string(k));
    out << ", " << (it == texts.end() ? 1 : std::atoi(it->second.c_str()));
  }
  out << "};\n";
  out << "}  // namespace\n\n";
  out << "PageLine PageTables::line_of(int line, int page) {\n"
         "  if (page < 1 || page > 20 || line < 0 || line >= kPages[page].count) return {};\n"
         "  return kPages[page].lines[line];\n}\n";
  out << "const char* const kContinues[21] = {nullptr";
  for (int p = 1; p <= 20; ++p) out << ", " << (pages.count(p) ? "kContinues" + std::to_string(p) : std::string("nullptr"));
  out << "};\n";
  out << "bool page_line_continues(int page, int line) {\n"
         "  if (page < 1 || page > 20 || line < 0 || line >= kPages[page].count) return false;\n"
         "  return kContinues[page][line] == '1';\n}\n";
  out << "int PageTables::stored_lines(int page) { return page < 1 || page > 20 ? 0 : kPages[page].count; }\n";
  out << "std::string_view menu_entry(int k) { return k < 1 || k > 20 ? std::string_view{} : kEntries[k]; }\n";
  out << "int menu_enabled(int k) { return k < 1 || k > 20 ? 0 : kEnabled[k]; }\n";
  out << "std::string_view intro_line(int k) { return k < 1 || k > 9 ? std::string_view{} : kIntro[k]; }\n";
  out << "std::string_view status_line(int k) { return k < 1 || k > 4 ? std::string_view{} : kStatus[k]; }\n";
  out << "std::string_view menu_title() { return " << cpp_string(texts["menu_title"]) << "; }\n";
  out << "std::string_view window_title() { return " << cpp_string(texts["window_title"]) << "; }\n";
  out << "std::string_view scroller_text() { return " << cpp_string(scroller) << "; }\n";
  out << "}  // namespace zel\n";
  return out ? 0 : 1;
} catch (const zel::pagec::PageSourceError& e) {
  std::cerr << e.what() << "\n";
  return 1;
}
#endif
