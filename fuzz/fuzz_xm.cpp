// libFuzzer target: any byte string as an XM image, loaded and, when it
// loads, rendered for two seconds with the player's block renderer.
#include <cstddef>
#include <cstdint>

#include "xm/xm_player.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto song = zel::xm_load_song(data, size);
  if (song) zel::xm_render_offline(*song, 2 * zel::kXmRate);
  return 0;
}
