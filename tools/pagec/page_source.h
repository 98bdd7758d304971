// The page compiler's reader of page sources (the format is described at the
// top of pagec.cpp). Used by pagec itself and by the page-source fuzz target.
#pragma once

#include <istream>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zel::pagec {

// A source the compiler refuses; what() is "file:line: error: reason".
struct PageSourceError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One page line as stored: text in code page 437, 80 colour attributes, 80
// faces, the rule style.
struct Line {
  std::string text, colour, face, rule;
  bool continues = false;  // goes on with the paragraph of the line before
};

// Page number to its lines, the end marker last.
using Pages = std::map<int, std::vector<Line>>;

// Figures computed from the chart data, by name, for `{=name}` in page text.
using Figures = std::map<std::string, std::string>;

// Reads one page source (named `path` in errors) into `pages`, filling in
// `figures`; throws PageSourceError for anything the pages cannot show.
void read_page(std::istream& in, const std::string& path, const Figures& figures, Pages& pages);

}  // namespace zel::pagec
