// `export-html DIR` and `export-text DIR`: the issue as text, written as a new folder.
#include <iostream>

#include "cli/registry.h"
#include "cli/text_edition.h"

namespace zel::tool {
namespace {

int export_to(const std::vector<std::string>& args, const char* name, std::vector<EditionFile> (*make)()) {
  if (args.size() != 1 || args[0].empty()) {
    std::cerr << "usage: zelvorant-tool " << name << " DIR\n";
    return 2;
  }
  return write_edition(make(), args[0]) ? 0 : 1;
}

}  // namespace

int cmd_export_html(const ToolArgs& args) { return export_to(args, "export-html", html_edition); }
int cmd_export_text(const ToolArgs& args) { return export_to(args, "export-text", text_edition); }

}  // namespace zel::tool
