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

int cmd_export_html(const std::vector<std::string>& args) { return export_to(args, "export-html", html_edition); }
int cmd_export_text(const std::vector<std::string>& args) { return export_to(args, "export-text", text_edition); }

ToolRegistrar reg_html({"export-html", "DIR",
                        "the issue as a self-contained HTML edition in the new (or empty) folder DIR", cmd_export_html});
ToolRegistrar reg_text({"export-text", "DIR",
                        "the issue as UTF-8 text, one file per page and an index, in the new (or empty) folder DIR",
                        cmd_export_text});

}  // namespace
}  // namespace zel::tool
