#include "core/options.h"

#include <string_view>

namespace zel {

Options parse_options(int argc, const char* const* argv, const char* scale_env) {
  Options o;
  if (scale_env && std::string_view(scale_env) == "integer") o.integer_scaling = true;
  for (int i = 1; i < argc; ++i) {
    std::string_view a = argv[i] ? argv[i] : "";
    if (a == "--window") {
      o.window = true;
    } else if (a == "--integer-scale") {
      o.integer_scaling = true;
    } else if (a == "--help" || a == "-h") {
      // The first text request wins; a wrong option anywhere still wins over both.
      if (o.action == Options::Action::Run) o.action = Options::Action::Help;
    } else if (a == "--version") {
      if (o.action == Options::Action::Run) o.action = Options::Action::Version;
    } else {
      o.action = Options::Action::Usage;
      o.error = a.empty() || a[0] != '-' ? "unexpected argument '" + std::string(a) + "'"
                                         : "unknown option '" + std::string(a) + "'";
      return o;
    }
  }
  return o;
}

std::string usage_text() {
  return "Usage: zelvorant [--window] [--integer-scale]\n"
         "       zelvorant --help | --version\n"
         "\n"
         "Issue 43 of the monthly ZELVORANT chart magazine: an intro with a C64 tune, then\n"
         "twenty pages of charts and articles with tracker music. Starts full screen.\n"
         "\n"
         "  --window         a resizable window at the largest whole scale that fits the\n"
         "                   desktop; its close button ends the magazine\n"
         "  --integer-scale  enlarge by whole factors only (crisp pixels, wider black bars);\n"
         "                   the same as ZELVORANT_SCALE=integer in the environment\n"
         "  --help           print this text and exit\n"
         "  --version        print the version and exit\n"
         "\n"
         "Keys: Escape or a click leaves the intro, F1..F12 pick its tune; on the main screen\n"
         "Escape or QUIT ends, F1/F2 switch skins, arrows, Page Up/Down, Home, End and the\n"
         "wheel scroll the page. See zelvorant(6).\n";
}

}  // namespace zel
