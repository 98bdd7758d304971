// The magazine's command line. With no option it opens full screen; the few
// options only choose how the picture reaches the desktop or print a text.
// Used by the entry point (core/main.cpp) before anything else runs.
#pragma once

#include <string>

namespace zel {

struct Options {
  enum class Action { Run, Help, Version, Usage };  // Usage: a wrong command line
  Action action = Action::Run;
  bool window = false;           // --window: a resizable window instead of full screen
  bool integer_scaling = false;  // --integer-scale or ZELVORANT_SCALE=integer
  std::string error;             // what was wrong, for Action::Usage
};

// Parses argv[1..argc-1]. `scale_env` is the value of ZELVORANT_SCALE (or
// nullptr): "integer" asks for whole-factor scaling as --integer-scale does;
// any other value keeps sharp scaling.
Options parse_options(int argc, const char* const* argv, const char* scale_env);

// The text --help prints (ends with a newline).
std::string usage_text();

}  // namespace zel
