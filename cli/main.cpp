// zelvorant-tool: the developers' command-line tool. It runs on the headless
// backend and never opens a window or a sound device.
#include <algorithm>
#include <iostream>

#include "cli/registry.h"


int main(int argc, char** argv) {
  using namespace zel::tool;
  auto& cmds = commands();
  std::sort(cmds.begin(), cmds.end(), [](const ToolCommand& a, const ToolCommand& b) {
    return std::string(a.name) < std::string(b.name);
  });
  if (argc >= 2) {
    std::string name = argv[1];
    for (const ToolCommand& c : cmds)
      if (name == c.name) return c.run(std::vector<std::string>(argv + 2, argv + argc));
    if (name != "help" && name != "--help" && name != "-h") std::cerr << "zelvorant-tool: unknown command '" << name << "'\n";
  }
  std::cerr << "usage: zelvorant-tool COMMAND [ARGS]\n\ncommands:\n";
  for (const ToolCommand& c : cmds)
    std::cerr << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
  return 2;
}
