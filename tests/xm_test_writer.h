// Writes small XM images in memory for the module tests, the fuzzer's seed
// and the benchmark: a description in plain structs, the bytes out.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace zel::xmtest {

struct Cell {
  uint8_t note = 0, instrument = 0, volume = 0, effect = 0, param = 0;
};

struct Sample {
  std::vector<int16_t> values;  // decoded values (16-bit) or value >> 8 for 8-bit samples
  std::vector<uint8_t> raw;     // when not empty: the data bytes as stored (already delta-coded)
  bool sixteen = false;
  uint8_t loop = 0;  // type bits 0..1: 1 forward, 2 ping-pong
  uint32_t loop_start = 0, loop_length = 0;  // in values (converted to bytes for 16-bit)
  uint8_t volume = 64;
  int8_t finetune = 0;
  uint8_t panning = 128;
  int8_t relative_note = 0;
  uint32_t length_override = 0xFFFFFFFF;  // header length in bytes, when set
};

struct Envelope {
  std::vector<std::pair<uint16_t, uint16_t>> points;
  uint8_t count_override = 0xFF;
  uint8_t sustain = 0, loop_start = 0, loop_end = 0;
  uint8_t type = 0;
};

struct Instrument {
  std::vector<Sample> samples;
  uint8_t note_map[96] = {};
  Envelope volume, panning;
  uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
  uint16_t fadeout = 0;
  int sample_count_override = -1;
};

struct Pattern {
  int rows = 64;
  std::vector<Cell> cells;  // rows x channels; missing cells are empty
  bool zero_packed_size = false;  // write packed size 0 (cells are still written)
  int rows_override = -1;
};

struct Module {
  int channels = 4;
  int song_length = -1;  // -1: the size of `orders`
  int restart = 0;
  int flags = 0;
  int speed = 6, bpm = 125;
  std::vector<uint8_t> orders = {0};
  std::vector<Pattern> patterns;
  std::vector<Instrument> instruments;
  int pattern_count_override = -1;
  int instrument_count_override = -1;
  int channels_override = -1;

  Cell& cell(int pattern, int row, int channel) {
    Pattern& p = patterns[static_cast<size_t>(pattern)];
    p.cells.resize(static_cast<size_t>(p.rows) * static_cast<size_t>(channels));
    return p.cells[static_cast<size_t>(row) * static_cast<size_t>(channels) + static_cast<size_t>(channel)];
  }
};

class Bytes {
 public:
  std::vector<uint8_t> v;
  void u8(int x) { v.push_back(static_cast<uint8_t>(x)); }
  void u16(int x) { u8(x); u8(x >> 8); }
  void u32(uint32_t x) { u16(static_cast<int>(x & 0xFFFF)); u16(static_cast<int>(x >> 16)); }
  void text(const std::string& s, size_t n) {
    for (size_t i = 0; i < n; ++i) u8(i < s.size() ? s[i] : 0);
  }
  void put32_at(size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + static_cast<size_t>(i)] = static_cast<uint8_t>(x >> (8 * i));
  }
};

inline std::vector<uint8_t> write(const Module& m) {
  Bytes b;
  b.text("Extended Module: ", 17);
  b.text("test", 20);
  b.u8(0x1A);
  b.text("writer", 20);
  b.u16(0x0104);
  b.u32(276);
  int song_length = m.song_length >= 0 ? m.song_length : static_cast<int>(m.orders.size());
  auto given = [](int override, size_t actual) { return override >= 0 ? override : static_cast<int>(actual); };
  for (int x : {song_length, m.restart, given(m.channels_override, static_cast<size_t>(m.channels)),
                given(m.pattern_count_override, m.patterns.size()),
                given(m.instrument_count_override, m.instruments.size()), m.flags, m.speed, m.bpm})
    b.u16(x);
  for (int i = 0; i < 256; ++i) b.u8(i < static_cast<int>(m.orders.size()) ? m.orders[static_cast<size_t>(i)] : 0);

  for (const Pattern& p : m.patterns) {
    Bytes data;
    size_t cells = static_cast<size_t>(p.rows) * static_cast<size_t>(m.channels);
    for (size_t i = 0; i < cells; ++i) {
      Cell c = i < p.cells.size() ? p.cells[i] : Cell{};
      if (c.note == 0 && c.instrument == 0 && c.volume == 0 && c.effect == 0 && c.param == 0) {
        data.u8(0x80);
      } else {
        // A cell with a note is written whole, any other one packed.
        const uint8_t fields[5] = {c.note, c.instrument, c.volume, c.effect, c.param};
        bool whole = c.note != 0 && c.note < 0x80;
        int mask = 0x80;
        for (int f = 0; f < 5; ++f) mask |= fields[f] ? 1 << f : 0;
        if (!whole) data.u8(mask);
        for (uint8_t f : fields)
          if (whole || f) data.u8(f);
      }
    }
    b.u32(9);
    b.u8(0);
    b.u16(p.rows_override >= 0 ? p.rows_override : p.rows);
    b.u16(p.zero_packed_size ? 0 : static_cast<int>(data.v.size()));
    if (!p.zero_packed_size) b.v.insert(b.v.end(), data.v.begin(), data.v.end());
  }

  for (const Instrument& ins : m.instruments) {
    size_t start = b.v.size();
    b.u32(0);  // header size, patched below
    b.text("instrument", 22);
    b.u8(0);
    int count = ins.sample_count_override >= 0 ? ins.sample_count_override : static_cast<int>(ins.samples.size());
    b.u16(count);
    if (count == 0) {
      b.put32_at(start, static_cast<uint32_t>(b.v.size() - start));
      continue;
    }
    b.u32(40);
    for (int i = 0; i < 96; ++i) b.u8(ins.note_map[i]);
    for (const Envelope* e : {&ins.volume, &ins.panning})
      for (int i = 0; i < 12; ++i) {
        auto pt = i < static_cast<int>(e->points.size()) ? e->points[static_cast<size_t>(i)]
                                                          : std::pair<uint16_t, uint16_t>{0, 0};
        b.u16(pt.first);
        b.u16(pt.second);
      }
    auto count_of = [](const Envelope& e) {
      return e.count_override != 0xFF ? e.count_override : static_cast<int>(e.points.size());
    };
    for (int x : {count_of(ins.volume), count_of(ins.panning), int{ins.volume.sustain}, int{ins.volume.loop_start},
                  int{ins.volume.loop_end}, int{ins.panning.sustain}, int{ins.panning.loop_start},
                  int{ins.panning.loop_end}, int{ins.volume.type}, int{ins.panning.type}, int{ins.vibrato_type},
                  int{ins.vibrato_sweep}, int{ins.vibrato_depth}, int{ins.vibrato_rate}})
      b.u8(x);
    b.u16(ins.fadeout);
    b.text("", 22);
    b.put32_at(start, static_cast<uint32_t>(b.v.size() - start));
    std::vector<std::vector<uint8_t>> datas;
    for (const Sample& s : ins.samples) {
      std::vector<uint8_t> d = s.raw;
      if (d.empty()) {
        int prev = 0;
        for (int16_t x : s.values) {
          d.push_back(static_cast<uint8_t>(x - prev));
          if (s.sixteen) d.push_back(static_cast<uint8_t>((x - prev) >> 8));
          prev = x;
        }
      }
      int unit = s.sixteen ? 2 : 1;
      b.u32(s.length_override != 0xFFFFFFFF ? s.length_override : static_cast<uint32_t>(d.size()));
      b.u32(s.loop_start * static_cast<uint32_t>(unit));
      b.u32(s.loop_length * static_cast<uint32_t>(unit));
      for (int x : {int{s.volume}, s.finetune & 0xFF, s.loop | (s.sixteen ? 0x10 : 0), int{s.panning},
                    s.relative_note & 0xFF, 0})
        b.u8(x);
      b.text("sample", 22);
      datas.push_back(std::move(d));
    }
    for (const auto& d : datas) b.v.insert(b.v.end(), d.begin(), d.end());
  }
  return b.v;
}

// A module with one instrument whose single sample holds `values` (16-bit)
// and `rows` empty rows in one pattern of `channels` channels.
inline Module one_sample_module(std::vector<int16_t> values, int channels = 1, int rows = 64) {
  Module m;
  m.channels = channels;
  m.patterns.resize(1);
  m.patterns[0].rows = rows;
  Sample& s = m.instruments.emplace_back().samples.emplace_back();
  s.sixteen = true;
  s.values = std::move(values);
  return m;
}

}  // namespace zel::xmtest
