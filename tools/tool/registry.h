// zelvorant-tool's sub-command registry. Each sub-command lives in its own
// tools/tool/cmd_*.cpp and registers itself with a static ToolRegistrar, so a
// new command needs no change anywhere else.
#pragma once

#include <string>
#include <vector>

namespace zel::tool {

struct ToolCommand {
  const char* name;
  const char* usage;    // arguments, e.g. "SCRIPT OUTDIR"
  const char* summary;  // one line
  int (*run)(const std::vector<std::string>& args);  // args after the command name
};

std::vector<ToolCommand>& commands();

struct ToolRegistrar {
  explicit ToolRegistrar(const ToolCommand& c) { commands().push_back(c); }
};

// Parses a decimal integer; false when `s` is not one.
bool parse_int(const std::string& s, long& out);

}  // namespace zel::tool
