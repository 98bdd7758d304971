// `assets OUTDIR`: writes every generated piece of artwork for inspection.
#include <filesystem>
#include <iostream>

#include "cli/registry.h"

namespace zel::tool {
int cmd_assets(const std::vector<std::string>& args) {
  if (args.size() != 1) {
    std::cerr << "usage: zelvorant-tool assets OUTDIR\n";
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(args[0], ec);
  int failures = 0;
  for (const AssetWriter& w : asset_writers()) {
    if (w.write(args[0]))
      std::cout << "wrote " << w.name << "\n";
    else
      ++failures;
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace zel::tool
