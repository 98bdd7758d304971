// Fuzzes the script parser of zelvorant-tool run: any bytes must parse or be
// refused with a line number, never crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/script_runner.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<zel::tool::ScriptCommand> cmds;
  std::string error;
  if (!zel::tool::parse_script(text, cmds, error) && error.rfind("line ", 0) != 0) __builtin_trap();
  return 0;
}
