#include "cli/registry.h"

#include <cerrno>
#include <cstdlib>

namespace zel::tool {

std::vector<ToolCommand>& commands() {
  static std::vector<ToolCommand> list;
  return list;
}

std::vector<AssetWriter>& asset_writers() {
  static std::vector<AssetWriter> list;
  return list;
}

bool parse_int(const std::string& s, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  long v = std::strtol(s.c_str(), &end, 10);
  if (errno != 0 || *end != '\0') return false;
  out = v;
  return true;
}

}  // namespace zel::tool
