// The issue as text: the HTML edition and the text export, checked against
// what `zelvorant-tool page N` prints, and the exporters' refusals.
#include <numeric>
#include <regex>

#include "cli/text_edition.h"
#include "content/content.h"
#include "content/cp437.h"
#include "tests/support.h"
#include "tools/pagec/block_letters.h"

namespace {

using zel::testing::own_path;
using zel::testing::read_text;
using zel::testing::Ran;
namespace fs = std::filesystem;

Ran run_tool(const std::string& args, const std::string& prefix = "") {
  return zel::testing::run_command(prefix + " " + ZEL_BINARY_DIR + "/zelvorant-tool " + args);
}

std::string page_file(int p, const char* ext) { return (p < 10 ? "p0" : "p") + std::to_string(p) + "." + ext; }

// Drops every element whose start tag holds `marker` (they never nest in an element of their own name).
std::string drop_elements(std::string html, const std::string& marker) {
  for (size_t at = html.find(marker); at != std::string::npos; at = html.find(marker)) {
    size_t open = html.rfind('<', at);
    std::string name = html.substr(open + 1, html.find_first_of(" >", open) - open - 1);
    size_t close = html.find("</" + name + ">", at);
    html.erase(open, close + name.size() + 3 - open);
  }
  return html;
}

// The text a reader sees: screen-reader additions dropped, tags stripped, entities decoded.
std::string text_of(const std::string& html) {
  std::string s = drop_elements(html, "class=\"sr\""), out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '<') i = s.find('>', i);
    else out += s[i];
  }
  for (auto [entity, c] : std::vector<std::pair<std::string, std::string>>{
           {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&amp;", "&"}})
    for (size_t at = out.find(entity); at != std::string::npos; at = out.find(entity, at + 1)) out.replace(at, entity.size(), c);
  return out;
}

std::string between(const std::string& s, const std::string& from, const std::string& to, size_t& at) {
  size_t a = s.find(from, at);
  if (a == std::string::npos) return at = std::string::npos, "";
  size_t b = s.find(to, a + from.size());
  at = b;
  return s.substr(a + from.size(), b - a - from.size());
}

std::vector<std::string> split_lines(const std::string& s) {
  std::vector<std::string> v;
  std::istringstream in(s);
  for (std::string l; std::getline(in, l);) v.push_back(l);
  return v;
}

std::string trim(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// Runs of blanks as one space, none at either end.
std::string normalise(const std::string& s) { return trim(std::regex_replace(s, std::regex("[ \n\t]+"), " ")); }

// The fields of a chart line as the page tables lay them out (by column), or
// nothing when the line is not one.
std::vector<std::string> chart_fields(const std::string& t) {
  static const std::set<std::string> words{"SAME", "UP", "DOWN", "NEW", "BACK"};
  if (t.size() < 71 || t[7] != '.' || !words.count(t.substr(69))) return {};
  std::string group = t.substr(9, 24);
  group.erase(group.find_last_not_of('.') + 1);
  return {trim(t.substr(0, 7)), group, trim(t.substr(33, 8)), trim(t.substr(48, 11)), trim(t.substr(66))};
}

// Both editions. Every page: the HTML document's text and the text file hold
// exactly what `page N` prints; chart rows hold the chart lines' fields; block
// lettering carries its words in a heading that redraws to the very same lines.
// Every link and reference stays inside the edition, which fits in 1 MB.
TEST(TextEdition, EveryPageHoldsWhatPageNPrintsAndEveryLinkResolvesInside) {
  const std::string dir = own_path("edition");
  fs::remove_all(dir);
  fs::create_directories(dir);
  ASSERT_EQ(run_tool("export-html " + dir + "/html").status + run_tool("export-text " + dir + "/text").status, 0);
  for (int p = 1; p <= zel::kPageCount; ++p) {
    SCOPED_TRACE("page " + std::to_string(p));
    Ran page = run_tool("page " + std::to_string(p));
    ASSERT_EQ(page.status, 0);
    EXPECT_EQ(read_text(dir + "/text/" + page_file(p, "txt")), page.out);
    const std::string html = read_text(dir + "/html/" + page_file(p, "html"));
    size_t at = 0;
    const std::string body = between(html, "<div class=\"page\">", "</main>", at);
    EXPECT_EQ(normalise(text_of(body)), normalise(page.out));

    std::vector<std::vector<std::string>> charts;
    for (const std::string& l : split_lines(page.out))
      if (auto f = chart_fields(l); !f.empty()) charts.push_back(f);
    size_t rows = 0;
    at = 0;
    const std::string shown = drop_elements(body, "class=\"sr\"");
    for (std::string tr = between(shown, "<tr>", "</tr>", at); at != std::string::npos; tr = between(shown, "<tr>", "</tr>", at)) {
      tr = drop_elements(tr, "aria-hidden");
      std::vector<std::string> cells;
      size_t c = 0;
      for (std::string cell = between(tr, ">", "</t", c); c != std::string::npos; cell = between(tr, ">", "</t", c)) {
        cells.push_back(trim(text_of(cell)));
        c = tr.find("<t", c + 1);
      }
      ASSERT_LT(rows, charts.size());
      EXPECT_EQ(cells, charts[rows++]);
    }
    EXPECT_EQ(rows, charts.size());

    at = 0;
    for (std::string words = between(body, "<h2 class=\"sr\">", "</h2>", at); at != std::string::npos;
         words = between(body, "<h2 class=\"sr\">", "</h2>", at)) {
      std::vector<std::string> drawn;
      size_t b = at;
      const std::string box = between(body, "aria-hidden=\"true\">", "</div>\n</div>", b);
      for (const std::string& l : split_lines(text_of(box))) drawn.push_back(trim(l));
      std::vector<std::string> again = zel::blockletters::block_lines(words, drawn.size() == 6);
      for (std::string& l : again)
        l = trim(std::accumulate(l.begin(), l.end(), std::string(),
                                 [](const std::string& u, char c) { return u + zel::cp437_to_utf8(static_cast<uint8_t>(c)); }));
      EXPECT_EQ(drawn, again) << words;
    }
  }
  uintmax_t bytes = 0;
  size_t files = 0;
  for (const auto& entry : fs::directory_iterator(dir + "/html")) {
    ++files;
    bytes += entry.file_size();
    const std::string doc = read_text(entry.path().string()), name = entry.path().filename().string();
    EXPECT_EQ(doc.find("url("), std::string::npos) << name;
    EXPECT_EQ(doc.find("//"), std::string::npos) << name;
    for (const char* attr : {"href=\"", "src=\""}) {
      size_t at = 0;
      for (std::string ref = between(doc, attr, "\"", at); at != std::string::npos; ref = between(doc, attr, "\"", at)) {
        std::string file = ref.substr(0, ref.find('#')), frag = ref.find('#') == std::string::npos ? "" : ref.substr(ref.find('#') + 1);
        const std::string target = file.empty() ? doc : read_text(dir + "/html/" + file);
        EXPECT_FALSE(target.empty()) << name << " -> " << ref;
        EXPECT_TRUE(frag.empty() || target.find("id=\"" + frag + "\"") != std::string::npos) << name << " -> " << ref;
      }
    }
  }
  EXPECT_EQ(files, static_cast<size_t>(zel::kPageCount) + 2);
  EXPECT_LE(bytes, 1024u * 1024u);
  fs::remove_all(dir);
}

// The exporters write a new folder or fill an empty one; anything else is
// refused with one line and status 1, and a failure while writing leaves
// nothing behind (the files go to a temporary folder that is renamed at the end).
TEST(TextExport, RefusesATargetItCannotUseAndLeavesNothingHalfWritten) {
  const std::string base = own_path("out");
  fs::remove_all(base);
  fs::create_directories(base + "/full");
  std::ofstream(base + "/full/keep.txt") << "mine";
  std::ofstream(base + "/file") << "mine";
  fs::create_directories(base + "/empty");
  struct Case { std::string args, prefix; int status; } cases[] = {
      {"export-html " + base + "/full", "", 1},
      {"export-text " + base + "/file", "", 1},
      {"export-html " + base + "/file/new", "", 1},  // a folder that cannot be made
      // A file size limit makes the larger pages fail half-way.
      {"export-html " + base + "/limited", "trap '' XFSZ; ulimit -f 40;", 1},
      {"export-text " + base + "/empty", "", 0},
      {"export-html", "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    Ran r = run_tool(c.args, c.prefix);
    EXPECT_EQ(r.status, c.status);
    EXPECT_TRUE(c.status != 1 || std::count(r.err.begin(), r.err.end(), '\n') == 1) << r.err;
  }
  EXPECT_EQ(read_text(base + "/full/keep.txt"), "mine");
  EXPECT_EQ(read_text(base + "/file"), "mine");
  EXPECT_FALSE(fs::exists(base + "/limited"));
  EXPECT_EQ(read_text(base + "/empty/p01.txt"), run_tool("page 1").out);
  std::vector<std::string> left;
  for (const auto& e : fs::directory_iterator(base)) left.push_back(e.path().filename().string());
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"empty", "file", "full"}));  // no temporary folder left
}

// Colours: each text colour as the program draws it, lightened only where it
// falls short of 4.5:1 on the black background, and then only as far as needed.
TEST(TextLayout, ColoursKeepTheirHueAndReachTheContrast) {
  const zel::tool::EditionColours c = zel::tool::edition_colours();
  for (int i = 1; i <= 31; ++i) {
    SCOPED_TRACE(i);
    EXPECT_GE(zel::tool::contrast_ratio(c.shown[i], 0), 4.5);
    if (zel::tool::contrast_ratio(c.drawn[i], 0) >= 4.55) EXPECT_EQ(c.shown[i], c.drawn[i]);
    else EXPECT_LT(zel::tool::contrast_ratio(c.shown[i], 0), 5.0);
    for (int ch : {16, 8, 0})  // lightening never darkens a channel
      EXPECT_GE((c.shown[i] >> ch) & 0xFF, (c.drawn[i] >> ch) & 0xFF);
  }
  EXPECT_NE(c.drawn[4], c.drawn[7]);  // red is not green
}

// Paragraphs: which lines of a page continue the one above, decided from the lines alone.
TEST(TextLayout, ParagraphsJoinWrappedRunningTextOnly) {
  struct Row { const char* text; const char* rule; int face; bool continues; } rows[] = {
      {"A paragraph of running text is wrapped where the next word would not fit in", "0", 1, false},
      {"the width of the page, and its lines are joined.", "0", 1, true},
      {"A new paragraph after a short line stands on its own.", "0", 1, false},
      {"- a list item", "0", 1, false},
      {"- the next item starts its own paragraph even after a line as long as this", "0", 1, false},
      {"one, which it continues, and it goes on into the following year to mid", "0", 1, true},
      {"2008. A year that ends a sentence does not open an item.", "0", 1, true},
      {"12) But a numbered item does.", "0", 1, false},
      {"   Aligned   columns of a table", "0", 1, false},
      {"A heading in the second face", "0", 2, false},
      {"", "5", 1, false},
      {"\xDA\xC4\xC4 a box line", "0", 1, false},
  };
  auto grid = std::make_unique<zel::PageGrid>();
  for (size_t l = 0; l < std::size(rows); ++l) {
    zel::PageRow& row = grid->rows[l];
    row.rule = rows[l].rule;
    for (size_t i = 0; rows[l].text[i]; ++i) row.cells[i + 1] = {static_cast<uint8_t>(rows[l].text[i]), 1, rows[l].face};
  }
  grid->page_length = static_cast<int32_t>(std::size(rows));
  std::vector<bool> cont = zel::tool::page_paragraphs(*grid);
  for (size_t l = 0; l < std::size(rows); ++l) EXPECT_EQ(cont[l], rows[l].continues) << rows[l].text;
}

}  // namespace
