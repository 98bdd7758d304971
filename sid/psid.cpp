// PSID images and the init/play driver. Header fields are big-endian; the
// C64 data starts at the data offset with its load address (little-endian).
// The play routine is called once per chunk of 882 samples (50 Hz).
#include <algorithm>
#include <cstring>

#include "sid/sid_machine.h"

namespace zel {

namespace {
// The header fields read here end with the play address at offset 13.
constexpr size_t kHeaderFieldsEnd = 14;
}  // namespace

uint16_t psid_load(SidPlayerState& s, const uint8_t* image, size_t size) {
  std::memset(s.ram, 0, sizeof s.ram);
  s.load_address = s.init_address = s.play_address = 0;
  if (image == nullptr || size < kHeaderFieldsEnd) return 0;
  const size_t d = image[7];
  if (size < d + 2) return 0;
  s.init_address = static_cast<uint16_t>(image[10] << 8 | image[11]);
  s.play_address = static_cast<uint16_t>(image[12] << 8 | image[13]);
  s.load_address = static_cast<uint16_t>(image[d] | image[d + 1] << 8);
  // Data that would run past $FFFF is dropped.
  const size_t length = std::min(size - d - 2, size_t{0x10000} - s.load_address);
  std::memcpy(s.ram + s.load_address, image + d + 2, length);
  if (s.play_address == 0) {
    cpu_call(s, s.init_address, 0);
    s.play_address = static_cast<uint16_t>(s.ram[0x0314] | s.ram[0x0315] << 8);
  }
  return s.load_address;
}

void tune_init(SidPlayerState& s, uint8_t sub_song) { cpu_call(s, s.init_address, sub_song); }

void tune_render_chunk(SidPlayerState& s, int16_t* buffer, size_t count) {
  cpu_call(s, s.play_address, 0);
  sid_render(s, buffer, count);
}

}  // namespace zel
