// `run SCRIPT OUTDIR`: the whole program on the headless backend, driven by a script.
#include <filesystem>
#include <iostream>

#include "cli/input_file.h"
#include "cli/registry.h"
#include "cli/script_runner.h"

namespace zel::tool {
int cmd_run(const std::vector<std::string>& args) {
  if (args.size() != 2) {
    std::cerr << "usage: zelvorant-tool run SCRIPT OUTDIR\n";
    return 2;
  }
  std::vector<uint8_t> bytes;
  std::string error;
  if (!read_input_file(args[0], bytes, error)) {
    std::cerr << "run: " << args[0] << ": " << error << "\n";
    return 1;
  }
  std::vector<ScriptCommand> script;
  if (!parse_script(std::string(bytes.begin(), bytes.end()), script, error)) {
    std::cerr << args[0] << ": " << error << "\n";
    return 2;
  }
  std::error_code ec;
  std::filesystem::create_directories(args[1], ec);
  ScriptResult r = run_script(script, args[1], std::cout);
  if (!r.error.empty()) {
    std::cerr << "zelvorant-tool: " << r.error << "\n";
    return 1;
  }
  return r.program_ended ? r.exit_status : 0;
}

}  // namespace zel::tool
