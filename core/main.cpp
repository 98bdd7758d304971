// The magazine's entry point: reads the few options, then runs every phase on
// the SDL2 platform and ends with the program's exit status (0 after a normal
// quit, -1 when the display cannot be opened, 2 for a wrong command line).
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "core/app.h"
#include "core/options.h"

int main(int argc, char** argv) {
  zel::Options opt = zel::parse_options(argc, argv, std::getenv("ZELVORANT_SCALE"));
  switch (opt.action) {
    case zel::Options::Action::Help:
      std::fputs(zel::usage_text().c_str(), stdout);
      return 0;
    case zel::Options::Action::Version:
      std::printf("zelvorant %s (issue 43)\n", ZEL_VERSION);
      return 0;
    case zel::Options::Action::Usage:
      std::fprintf(stderr, "zelvorant: %s\n%s", opt.error.c_str(), zel::usage_text().c_str());
      return 2;
    case zel::Options::Action::Run: break;
  }
  zel::SdlDisplayOptions display;
  display.window = opt.window;
  display.scale = opt.integer_scaling ? zel::ScaleMode::Integer : zel::ScaleMode::Sharp;
  std::unique_ptr<zel::Platform> platform = zel::make_sdl_platform(display);
  auto app = std::make_unique<zel::App>(*platform);
  int status = zel::run_program(*app);
  app.reset();
  platform.reset();
  return status;
}
