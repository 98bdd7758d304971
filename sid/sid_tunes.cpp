#include "sid/sid_tunes.h"

#include <algorithm>

namespace zel {

PsidInfo psid_info(std::span<const uint8_t> image) {
  PsidInfo info;
  if (image.size() < 14) return info;
  info.data_offset = image[7];
  if (image.size() < size_t{info.data_offset} + 2u) return info;
  auto be16 = [&](size_t at) { return static_cast<uint16_t>(image[at] << 8 | image[at + 1]); };
  info.valid = true;
  info.init_address = be16(10);
  info.play_address = be16(12);
  if (image.size() >= 16) info.songs = be16(14);
  if (image.size() >= 18) info.start_song = be16(16);
  info.load_address = static_cast<uint16_t>(image[info.data_offset] | image[info.data_offset + 1] << 8);
  info.data_length = static_cast<uint32_t>(
      std::min<size_t>(image.size() - info.data_offset - 2, 0x10000 - size_t{info.load_address}));
  info.load_end = info.data_length ? info.load_address + info.data_length - 1 : info.load_address;
  return info;
}

}  // namespace zel
