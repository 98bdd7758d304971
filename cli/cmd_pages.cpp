// `pages`: the page table; `page N`: one page as it is drawn.
#include <iostream>
#include <memory>

#include "content/content.h"
#include "content/cp437.h"
#include "content/page_grid.h"
#include "cli/registry.h"
#include "cli/text_edition.h"

namespace zel::tool {
int cmd_pages(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::cerr << "usage: zelvorant-tool pages\n";
    return 2;
  }
  auto grid = std::make_unique<PageGrid>();
  for (int p = 1; p <= kPageCount; ++p) {
    load_page(*grid, p);
    std::string entry;
    for (char c : menu_entry(p)) entry += cp437_to_utf8(static_cast<uint8_t>(c));
    std::cout << p << "\t" << grid->page_length << "\t" << entry << "\n";
  }
  return 0;
}

int cmd_page(const std::vector<std::string>& args) {
  long p = 0;
  if (args.size() != 1 || !parse_int(args[0], p) || p < 1 || p > kPageCount) {
    std::cerr << "usage: zelvorant-tool page N   (N = 1..20)\n";
    return 2;
  }
  for (const std::string& line : page_lines(static_cast<int>(p))) std::cout << line << "\n";
  return 0;
}

}  // namespace zel::tool
