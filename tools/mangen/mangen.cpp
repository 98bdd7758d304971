// mangen: manual pages written from the README's own text.
//
//   mangen README.md TEMPLATE OUT VERSION
//
// Copies TEMPLATE (troff) to OUT, replacing
//   @VERSION@            with VERSION,
//   @TABLE Heading@      with the first table under "## Heading" (or "###"),
//                        one tagged paragraph (.TP) per row: the tag is every
//                        cell but the last, joined by ": ", the body the last,
//   @TEXT Heading@       with the paragraphs under that heading (up to the
//                        next heading, table or code block),
// so that the pages and the README can never tell different stories. The
// README's Markdown (`code`, **bold**, [links](url), \|) becomes troff.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> read_lines(const char* path, bool* ok) {
  std::ifstream in(path);
  *ok = static_cast<bool>(in);
  std::vector<std::string> v;
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

// Markdown inline text to troff.
std::string troff(const std::string& md) {
  std::string out;
  bool code = false;
  bool bold = false;
  for (size_t i = 0; i < md.size(); ++i) {
    char c = md[i];
    if (c == '\\' && i + 1 < md.size() && (md[i + 1] == '|' || md[i + 1] == '*' || md[i + 1] == '`')) {
      out += md[++i];
    } else if (c == '`') {
      code = !code;
      out += code ? "\\fB" : "\\fR";
    } else if (!code && c == '*' && i + 1 < md.size() && md[i + 1] == '*') {
      bold = !bold;
      out += bold ? "\\fB" : "\\fR";
      ++i;
    } else if (!code && c == '[') {
      size_t close = md.find("](", i);
      size_t end = close == std::string::npos ? close : md.find(')', close);
      if (end == std::string::npos) {
        out += c;
      } else {
        out += troff(md.substr(i + 1, close - i - 1));
        i = end;
      }
    } else if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
  }
  if (code || bold) out += "\\fR";
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
  return out;
}

std::string trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t");
  size_t b = s.find_last_not_of(" \t");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// The cells of one table row; "\|" stays inside a cell.
std::vector<std::string> cells(const std::string& row) {
  std::vector<std::string> v;
  std::string cur;
  for (size_t i = 1; i < row.size(); ++i) {
    if (row[i] == '\\' && i + 1 < row.size() && row[i + 1] == '|') {
      cur += "\\|";
      ++i;
    } else if (row[i] == '|') {
      v.push_back(trim(cur));
      cur.clear();
    } else {
      cur += row[i];
    }
  }
  return v;
}

bool is_heading(const std::string& l) { return l.rfind("#", 0) == 0; }

// Index of the line after the heading named `name`, or npos.
size_t section(const std::vector<std::string>& md, const std::string& name) {
  for (size_t i = 0; i < md.size(); ++i)
    if (is_heading(md[i]) && trim(md[i].substr(md[i].find_first_not_of('#'))) == name) return i + 1;
  return std::string::npos;
}

bool table(const std::vector<std::string>& md, const std::string& name, std::string* out) {
  size_t i = section(md, name);
  if (i == std::string::npos) return false;
  while (i < md.size() && !is_heading(md[i]) && md[i].rfind("|", 0) != 0) ++i;
  if (i >= md.size() || is_heading(md[i])) return false;
  i += 2;  // header row and the separator under it
  for (; i < md.size() && md[i].rfind("|", 0) == 0; ++i) {
    std::vector<std::string> c = cells(md[i]);
    if (c.size() < 2) continue;
    std::string tag;
    for (size_t k = 0; k + 1 < c.size(); ++k) tag += (k ? ": " : "") + c[k];
    *out += ".TP\n" + troff(tag) + "\n" + troff(c.back()) + "\n";
  }
  return true;
}

bool text(const std::vector<std::string>& md, const std::string& name, std::string* out) {
  size_t i = section(md, name);
  if (i == std::string::npos) return false;
  bool para = false;
  for (; i < md.size() && !is_heading(md[i]) && md[i].rfind("|", 0) != 0 && md[i].rfind("```", 0) != 0; ++i) {
    std::string l = trim(md[i]);
    if (l.empty()) {
      para = false;
      continue;
    }
    if (!para) *out += ".PP\n";
    para = true;
    *out += troff(l) + "\n";
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: mangen README.md TEMPLATE OUT VERSION\n");
    return 2;
  }
  bool ok_md = false, ok_tpl = false;
  std::vector<std::string> md = read_lines(argv[1], &ok_md);
  std::vector<std::string> tpl = read_lines(argv[2], &ok_tpl);
  if (!ok_md || !ok_tpl) {
    std::fprintf(stderr, "mangen: cannot read %s\n", ok_md ? argv[2] : argv[1]);
    return 1;
  }
  std::string out;
  for (const std::string& line : tpl) {
    std::string l = line;
    for (size_t at; (at = l.find("@VERSION@")) != std::string::npos;) l.replace(at, 9, argv[4]);
    bool is_table = l.rfind("@TABLE ", 0) == 0;
    if ((is_table || l.rfind("@TEXT ", 0) == 0) && l.back() == '@') {
      std::string name = l.substr(is_table ? 7 : 6, l.size() - (is_table ? 8 : 7));
      if (!(is_table ? table(md, name, &out) : text(md, name, &out))) {
        std::fprintf(stderr, "mangen: %s has no %s under '%s'\n", argv[1], is_table ? "table" : "text", name.c_str());
        return 1;
      }
      continue;
    }
    out += l + "\n";
  }
  std::ofstream o(argv[3]);
  o << out;
  return o ? 0 : 1;
}
