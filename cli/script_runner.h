// Script runner: drives the whole program on the headless backend from a
// script of one command per line (see README, "Scripts"). Used by
// `zelvorant-tool run` and by the tests of whole flows.
//
//   wait N | wait 2.5s          N presented frames, or virtual seconds
//   key down K | key up K | key press K
//   mouse X Y | button down | button up | click | wheel N
//   shot NAME.png               the last presented frame, into OUTDIR
//   framelog NAME.txt           from now on, "FRAME HASH" per presented frame into OUTDIR
//   print NAME...               NAME=VALUE lines of state values
//
// Commands run between presented frames: those before the first wait run
// before start-up; a `key press` or `click` releases after the next present.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/app.h"
#include "platform/headless_platform.h"

namespace zel::tool {

struct ScriptCommand {
  int line = 0;
  std::string op;                  // wait, waits, key, mouse, button, click, wheel, shot, framelog, print
  std::vector<std::string> args;
  double number = 0;               // frames / seconds / wheel steps
  int a = 0, b = 0;                // key code and down flag, or mouse x and y
};

// Parses a script; on error returns false with "line N: reason" in `error`.
bool parse_script(const std::string& text, std::vector<ScriptCommand>& out, std::string& error);

// The value of a state name for `print` ("" when the name is unknown).
std::string state_value(const App& app, const HeadlessPlatform& p, const std::string& name);
bool known_state_name(const std::string& name);

struct ScriptResult {
  bool program_ended = false;  // the program quit before the script ran out
  int exit_status = 0;         // its status, when it did
  std::string error;           // a failed screenshot, for example
};

// Runs the program with the script. Output of `print` goes to `out`;
// screenshots into `outdir`. `on_frame`, if set, sees every presented frame.
ScriptResult run_script(const std::vector<ScriptCommand>& script, const std::string& outdir, std::ostream& out,
                        const std::function<void(App&, HeadlessPlatform&)>& setup = {});

}  // namespace zel::tool
