// PSID images and the init/play driver. Header fields are big-endian; the
// C64 data starts at the data offset with its load address (little-endian).
// The play routine is called once per chunk of 882 samples (50 Hz).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "sid/psid_header.h"
#include "sid/sid_machine.h"

namespace zel {

namespace {
// The header fields the player reads end with the play address at offset 13.
constexpr size_t kHeaderFieldsEnd = 14;
}  // namespace

PsidHeader psid_parse(std::span<const uint8_t> image) {
  PsidHeader h;
  const size_t size = image.size();
  auto be16 = [&](size_t at) { return static_cast<uint16_t>(image[at] << 8 | image[at + 1]); };
  if (size >= 8) {
    h.header_size = be16(6);
    h.data_offset = image[7];
  }
  h.readable = size >= kHeaderFieldsEnd && size >= size_t{h.data_offset} + 2u;
  if (h.readable) {
    h.init_address = be16(10);
    h.play_address = be16(12);
    if (size >= 16) h.songs = be16(14);
    if (size >= 18) h.start_song = be16(16);
    const size_t d = h.data_offset;
    h.load_address = static_cast<uint16_t>(image[d] | image[d + 1] << 8);
    const size_t length = size - d - 2;
    // Data that would run past $FFFF is clipped; the problem says so.
    h.data_length = static_cast<uint32_t>(std::min(length, size_t{0x10000} - h.load_address));
    h.load_end = h.data_length ? h.load_address + h.data_length - 1 : h.load_address;
    if (h.data_length < length) h.problem = PsidProblem::kOutsideMemory;
    else h.problem = PsidProblem::kNone;
  }
  // The first problem in reading order wins.
  const bool magic = size >= 4 && (std::memcmp(image.data(), "PSID", 4) == 0 ||
                                   std::memcmp(image.data(), "RSID", 4) == 0);
  if (!magic) h.problem = PsidProblem::kNoMagic;
  else if (size < 8) h.problem = PsidProblem::kCutInHeader;
  else if (h.header_size != 0x76 && h.header_size != 0x7C) h.problem = PsidProblem::kHeaderSize;
  else if (size < size_t{h.header_size} + 2u) h.problem = PsidProblem::kCutInHeader;
  return h;
}

std::string psid_problem_text(const PsidHeader& h) {
  char text[96];
  switch (h.problem) {
    case PsidProblem::kNone: return "";
    case PsidProblem::kNoMagic: return "not a PSID or RSID tune";
    case PsidProblem::kHeaderSize:
      std::snprintf(text, sizeof text, "header size $%04X is not that of a PSID or RSID tune", h.header_size);
      return text;
    case PsidProblem::kCutInHeader: return "ends inside its header";
    case PsidProblem::kOutsideMemory:
      std::snprintf(text, sizeof text, "data from $%04X runs past $FFFF", h.load_address);
      return text;
  }
  return "";
}

uint16_t psid_load(SidPlayerState& s, const uint8_t* image, size_t size) {
  std::memset(s.ram, 0, sizeof s.ram);
  s.load_address = s.init_address = s.play_address = 0;
  if (image == nullptr) return 0;
  // The magazine's images are its own: only what loading needs is checked.
  const PsidHeader h = psid_parse({image, size});
  if (!h.readable) return 0;
  s.init_address = h.init_address;
  s.play_address = h.play_address;
  s.load_address = h.load_address;
  std::memcpy(s.ram + h.load_address, image + h.data_offset + 2, h.data_length);
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
