// libFuzzer target: any byte string as a page source for the page compiler.
// It must be compiled or refused with a reason; anything else (an uncaught
// exception, a bad access) is a finding, and so is a compiled page that the
// program could not show: a text longer than 81 bytes, attribute strings
// that are not 80 long, more than 5000 lines, a page number outside 1..20.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "tools/pagec/page_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  // Two figures, so that the fuzzer can reach both the found and the unknown case.
  static const zel::pagec::Figures figures = {{"points", "484.0"}, {"groups", "24"}};
  zel::pagec::Pages pages;
  try {
    zel::pagec::read_page(in, "fuzz.page", figures, pages);
  } catch (const zel::pagec::PageSourceError&) {
    return 0;
  }
  for (const auto& [page, lines] : pages) {
    if (page < 1 || page > 20 || lines.size() > 5000) __builtin_trap();
    for (const zel::pagec::Line& l : lines)
      if (l.text.size() > 81 || l.colour.size() != 80 || l.face.size() != 80) __builtin_trap();
  }
  return 0;
}
