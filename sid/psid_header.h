// The PSID header reader: one checking parser for every place that reads a
// tune image (the player's psid_load, zelvorant-tool, the tests).
//
// A PSID image starts with "PSID" (or "RSID"), a big-endian header whose
// size stands at offset 6 ($76 for version 1, $7C for later ones), then the
// load address (little-endian) and the C64 data, which runs to the end of
// the image. psid_parse reads the fields the player uses, the way it uses
// them, and says what, if anything, is wrong with the image. No state;
// callable from any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zel {

enum class PsidProblem : uint8_t {
  kNone,
  kNoMagic,        // does not start with "PSID" or "RSID"
  kHeaderSize,     // a header size other than $76 or $7C
  kCutInHeader,    // ends before the header and the load address are complete
  kOutsideMemory,  // the data would run past $FFFF
};

struct PsidHeader {
  PsidProblem problem = PsidProblem::kCutInHeader;
  // The fields psid_load needs are there: the header up to the play address
  // and the two load-address bytes at the data offset. The player loads any
  // readable image, whatever `problem` says; the tool refuses every problem.
  bool readable = false;
  uint16_t header_size = 0;  // the 16-bit field at offset 6
  uint16_t data_offset = 0;  // its low byte, where the player finds the load address
  uint16_t load_address = 0;   // from the data's first two bytes, not the header
  uint32_t data_length = 0;    // bytes the player copies into RAM (clipped at $FFFF)
  uint32_t load_end = 0;       // last address loaded
  uint16_t init_address = 0;
  uint16_t play_address = 0;  // 0: taken from $0314/$0315 after init
  uint16_t songs = 0;
  uint16_t start_song = 0;
};

PsidHeader psid_parse(std::span<const uint8_t> image);

// One line for the header's problem ("" for none), with the numbers that
// show it.
std::string psid_problem_text(const PsidHeader& header);

}  // namespace zel
