// The magazine's entry point: no options, no files; runs every phase on the
// SDL2 platform and ends with the program's exit status.
#include <memory>

#include "core/app.h"

int main() {
  std::unique_ptr<zel::Platform> platform = zel::make_sdl_platform();
  auto app = std::make_unique<zel::App>(*platform);
  int status = zel::run_program(*app);
  app.reset();
  platform.reset();
  return status;
}
