// zelvorant-tool: the developers' command-line tool. It runs on the headless
// backend and never opens a window; only the play commands open a sound device.
#include <iostream>

#include "cli/registry.h"

namespace {

using zel::tool::ToolCommand;

using Commands = std::span<const ToolCommand>;

void print_usage(std::ostream& out, Commands cmds) {
  out << "usage: zelvorant-tool COMMAND [ARGS]\n       zelvorant-tool help COMMAND\n\ncommands:\n";
  for (const ToolCommand& c : cmds) out << "  " << c.name << " " << c.usage << "\n      " << c.summary << "\n";
}

const ToolCommand* find(Commands cmds, const std::string& name) {
  for (const ToolCommand& c : cmds)
    if (name == c.name) return &c;
  return nullptr;
}

bool is_help(const std::string& s) { return s == "help" || s == "--help" || s == "-h"; }

int print_command_help(const ToolCommand& c) {
  std::cout << "usage: zelvorant-tool " << c.name << " " << c.usage << "\n  " << c.summary << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Commands cmds = zel::tool::commands();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && is_help(args[0])) {
    if (args.size() == 1) {
      print_usage(std::cout, cmds);
      return 0;
    }
    // `help COMMAND` (and `COMMAND --help` below).
    const ToolCommand* c = args.size() == 2 ? find(cmds, args[1]) : nullptr;
    if (!c) {
      std::cerr << "zelvorant-tool: no help for '" << args[1] << "'\n";
      return 2;
    }
    return print_command_help(*c);
  }
  if (!args.empty()) {
    if (const ToolCommand* c = find(cmds, args[0])) {
      if (args.size() == 2 && (args[1] == "--help" || args[1] == "-h")) return print_command_help(*c);
      return c->run(std::vector<std::string>(args.begin() + 1, args.end()));
    }
    std::cerr << "zelvorant-tool: unknown command '" << args[0] << "'\n";
  }
  print_usage(std::cerr, cmds);
  return 2;
}
