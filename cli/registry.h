// zelvorant-tool's sub-commands and asset writers, each in one constant
// table (registry.cpp). A command lives in its own cli/cmd_*.cpp; adding
// one means declaring its function here and giving it a row in the table.
#pragma once

#include <span>
#include <string>
#include <vector>

namespace zel::tool {

using ToolArgs = std::vector<std::string>;

struct ToolCommand {
  const char* name;
  const char* usage;    // arguments, e.g. "SCRIPT OUTDIR"
  const char* summary;  // one line
  int (*run)(const ToolArgs& args);  // args after the command name
};

// Every command, sorted by name.
std::span<const ToolCommand> commands();

// `zelvorant-tool assets OUTDIR` runs every asset writer: each writes its
// generated artwork (a PNG to look at, the raw bytes as linked) into OUTDIR.
struct AssetWriter {
  const char* name;
  bool (*write)(const std::string& outdir);  // false on failure (after printing why)
};

std::span<const AssetWriter> asset_writers();

// The commands (cli/cmd_*.cpp).
int cmd_assets(const ToolArgs& args);
int cmd_captions(const ToolArgs& args);
int cmd_export_html(const ToolArgs& args);
int cmd_export_text(const ToolArgs& args);
int cmd_measure_xm(const ToolArgs& args);
int cmd_modules(const ToolArgs& args);
int cmd_page(const ToolArgs& args);
int cmd_pages(const ToolArgs& args);
int cmd_play_sid(const ToolArgs& args);
int cmd_play_xm(const ToolArgs& args);
int cmd_render_sid(const ToolArgs& args);
int cmd_render_xm(const ToolArgs& args);
int cmd_run(const ToolArgs& args);
int cmd_run6502(const ToolArgs& args);
int cmd_tunes(const ToolArgs& args);

// The asset writers (cli/assets_*.cpp); write_skin takes the skin 1 or 2.
bool write_bigfont(const std::string& outdir);
bool write_font(const std::string& outdir);
bool write_skin(const std::string& outdir, int n);

// Parses a decimal integer; false when `s` is not one.
bool parse_int(const std::string& s, long& out);

}  // namespace zel::tool
