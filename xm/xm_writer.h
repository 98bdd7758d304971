// XM module writer: turns a song model (patterns of cells, instruments with
// envelopes and samples, order list) into the bytes of an XM file (format
// version 0x0104 by default, or the older 1.02/1.03 layouts; packed
// patterns, delta-coded samples).
//
// Called by the song compiler at build time, and by the tests, benchmarks
// and fuzz seeds that need modules of their own; single-threaded. Not part
// of the program. Sample values
// are signed 8- or 16-bit; lengths and loop points in sample values (the
// writer converts to bytes). Panning 0..255, volumes 0..64.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zel::xmsynth {

struct Cell {
  uint8_t note = 0;        // 0 none, 1..96 C-0..B-7, 97 key off
  uint8_t instrument = 0;  // 0 none, 1..128
  uint8_t volume = 0;      // raw volume-column byte
  uint8_t effect = 0;      // 0..35
  uint8_t param = 0;
  bool operator==(const Cell&) const = default;
};

struct Pattern {
  int rows = 64;
  std::vector<Cell> cells;  // rows x channels, row by row; none: all rows empty
};

struct EnvPoint {
  uint16_t x = 0, y = 0;
};

struct Envelope {
  std::vector<EnvPoint> points;  // at most 12
  int sustain = -1;              // point index, -1 none
  int loop_start = -1, loop_end = -1;
  bool on() const { return points.size() >= 2; }
  uint8_t type() const;          // bit 0 on, bit 1 sustain, bit 2 loop
};

struct Sample {
  std::string name;
  std::vector<int16_t> data;  // values; 8-bit samples use -128..127
  bool bits16 = false;
  int loop_type = 0;          // 0 none, 1 forward, 2 ping-pong
  int loop_start = 0, loop_length = 0;
  int volume = 64;
  int finetune = 0;           // -128..127
  int panning = 128;
  int relative_note = 0;
};

struct Instrument {
  std::string name;                    // up to 22 characters
  std::vector<Sample> samples;         // 0..256 (the magazine reads 0..16)
  std::array<uint8_t, 96> note_map{};  // sample per note
  Envelope volume_env, panning_env;
  int vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
  int fadeout = 0;                     // as stored in the file
  int header_padding = 0;              // extra bytes in the declared header size
};

struct Module {
  std::string name;      // up to 20 characters
  std::string tracker = "xmsynth";
  int channels = 4;
  int flags = 0;         // bit 0 linear frequency table
  int speed = 6, bpm = 125;
  int restart = 0;
  // 0x0104; 0x0103 and 0x0102 write the instrument headers before the
  // patterns and all sample data after them, 0x0102 with 8-byte pattern
  // headers that store rows - 1 in one byte.
  int version = 0x0104;
  std::vector<uint8_t> order;
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;

  // The cell at `row` of `channel` in pattern `pattern`, giving the pattern
  // its rows x channels cells first if it has none yet.
  Cell& cell(int pattern, int row, int channel);
};

// Standard instrument header sizes written by the writer (before padding).
constexpr int kInstrumentHeaderWithSamples = 263;
constexpr int kInstrumentHeaderEmpty = 29;

// Throws std::runtime_error naming what is out of range (too many samples,
// envelope points, rows, a pattern of the wrong size, ...).
std::vector<uint8_t> write_xm(const Module& m);

// Bytes one pattern takes in the file, header included.
size_t packed_pattern_size(const Pattern& p, int channels);

}  // namespace zel::xmsynth
