// zelvorant-tool's sub-command registry. Each sub-command lives in its own
// cli/cmd_*.cpp and registers itself with a static ToolRegistrar, so a
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

// `zelvorant-tool assets OUTDIR` runs every registered asset writer: each
// writes its generated artwork (a PNG to look at, the raw bytes as linked)
// into OUTDIR. Register one with a static AssetRegistrar in its own file.
struct AssetWriter {
  const char* name;
  bool (*write)(const std::string& outdir);  // false on failure (after printing why)
};

std::vector<AssetWriter>& asset_writers();

struct AssetRegistrar {
  explicit AssetRegistrar(const AssetWriter& w) { asset_writers().push_back(w); }
};

// Parses a decimal integer; false when `s` is not one.
bool parse_int(const std::string& s, long& out);

}  // namespace zel::tool
