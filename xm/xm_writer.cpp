// XM module writer: header, packed patterns, instruments, delta-coded samples.
#include "xm/xm_writer.h"

#include <algorithm>
#include <stdexcept>

namespace zel::xmsynth {

namespace {

struct Out {
  std::vector<uint8_t> b;
  void u8(int v) { b.push_back(static_cast<uint8_t>(v)); }
  void u16(int v) {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void u32(uint32_t v) {
    u16(static_cast<int>(v & 0xFFFF));
    u16(static_cast<int>(v >> 16));
  }
  void text(const std::string& s, size_t n, char fill = ' ') {
    for (size_t i = 0; i < n; ++i) u8(i < s.size() ? s[i] : fill);
  }
  void zeros(size_t n) { b.insert(b.end(), n, 0); }
};

void pack_cell(std::vector<uint8_t>& out, const Cell& c) {
  const uint8_t mask = (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) | (c.effect ? 8 : 0) |
                       (c.param ? 16 : 0);
  if (mask == 31) {
    out.insert(out.end(), {c.note, c.instrument, c.volume, c.effect, c.param});
    return;
  }
  out.push_back(0x80 | mask);
  if (c.note) out.push_back(c.note);
  if (c.instrument) out.push_back(c.instrument);
  if (c.volume) out.push_back(c.volume);
  if (c.effect) out.push_back(c.effect);
  if (c.param) out.push_back(c.param);
}

std::vector<uint8_t> pack_pattern(const Pattern& p, int channels) {
  if (p.rows < 1 || p.rows > 256) throw std::runtime_error("pattern rows must be 1..256");
  std::vector<uint8_t> out;
  if (p.cells.empty()) {  // a pattern of empty rows
    out.assign(static_cast<size_t>(p.rows * channels), 0x80);
    return out;
  }
  if (p.cells.size() != static_cast<size_t>(p.rows * channels)) throw std::runtime_error("pattern cell count does not match rows x channels");
  for (const Cell& c : p.cells) pack_cell(out, c);
  return out;
}

void write_pattern(Out& o, const Pattern& p, int channels, int version) {
  std::vector<uint8_t> packed = pack_pattern(p, channels);
  if (packed.size() > 0xFFFF) throw std::runtime_error("a packed pattern is larger than 65535 bytes");
  if (version <= 0x0102) {
    o.u32(8);
    o.u8(0);
    o.u8(p.rows - 1);
  } else {
    o.u32(9);
    o.u8(0);
    o.u16(p.rows);
  }
  o.u16(static_cast<int>(packed.size()));
  o.b.insert(o.b.end(), packed.begin(), packed.end());
}

void write_envelope_points(Out& o, const Envelope& e) {
  if (e.points.size() > 12) throw std::runtime_error("an envelope has more than 12 points");
  for (size_t i = 0; i < 12; ++i) {
    if (i < e.points.size()) {
      o.u16(e.points[i].x);
      o.u16(e.points[i].y);
    } else {
      o.u32(0);
    }
  }
}

// The instrument's samples, delta-coded, in sample order.
void write_sample_data(Out& o, const Instrument& ins) {
  for (const Sample& s : ins.samples) {
    int prev = 0;
    for (int16_t v : s.data) {
      const int d = v - prev;
      prev = v;
      if (s.bits16) o.u16(d & 0xFFFF);
      else o.u8(d & 0xFF);
    }
  }
}

}  // namespace

uint8_t Envelope::type() const {
  if (!on()) return 0;
  uint8_t t = 1;
  if (sustain >= 0) t |= 2;
  if (loop_start >= 0 && loop_end >= loop_start) t |= 4;
  return t;
}

Cell& Module::cell(int pattern, int row, int channel) {
  Pattern& p = patterns.at(static_cast<size_t>(pattern));
  if (p.cells.empty()) p.cells.resize(static_cast<size_t>(p.rows) * static_cast<size_t>(channels));
  return p.cells.at(static_cast<size_t>(row) * static_cast<size_t>(channels) + static_cast<size_t>(channel));
}

size_t packed_pattern_size(const Pattern& p, int channels) { return 9 + pack_pattern(p, channels).size(); }

std::vector<uint8_t> write_xm(const Module& m) {
  if (m.channels < 1 || m.channels > 32) throw std::runtime_error("channel count must be 1..32");
  if (m.order.empty() || m.order.size() > 256) throw std::runtime_error("order list must have 1..256 entries");
  if (m.instruments.size() > 128) throw std::runtime_error("more than 128 instruments");
  if (m.restart < 0 || m.restart >= static_cast<int>(m.order.size())) throw std::runtime_error("restart position outside the order list");
  for (uint8_t o : m.order) {
    if (o >= m.patterns.size()) throw std::runtime_error("order list names a missing pattern");
  }
  Out o;
  o.text("Extended Module: ", 17);
  o.text(m.name, 20);
  o.u8(0x1A);
  o.text(m.tracker, 20);
  if (m.version < 0x0102 || m.version > 0x0104) throw std::runtime_error("version must be 0x0102..0x0104");
  o.u16(m.version);
  o.u32(276);
  o.u16(static_cast<int>(m.order.size()));
  o.u16(m.restart);
  o.u16(m.channels);
  o.u16(static_cast<int>(m.patterns.size()));
  o.u16(static_cast<int>(m.instruments.size()));
  o.u16(m.flags);
  o.u16(m.speed);
  o.u16(m.bpm);
  for (int i = 0; i < 256; ++i) o.u8(i < static_cast<int>(m.order.size()) ? m.order[i] : 0);

  const bool old_layout = m.version < 0x0104;
  if (!old_layout)
    for (const Pattern& p : m.patterns) write_pattern(o, p, m.channels, m.version);

  for (const Instrument& ins : m.instruments) {
    if (ins.samples.size() > 256) throw std::runtime_error("instrument " + ins.name + " has more than 256 samples");
    const size_t start = o.b.size();
    const int base = ins.samples.empty() ? kInstrumentHeaderEmpty : kInstrumentHeaderWithSamples;
    o.u32(static_cast<uint32_t>(base + ins.header_padding));
    o.text(ins.name, 22);
    o.u8(0);
    o.u16(static_cast<int>(ins.samples.size()));
    if (!ins.samples.empty()) {
      o.u32(40);
      for (uint8_t s : ins.note_map) {
        if (s >= ins.samples.size()) throw std::runtime_error("instrument " + ins.name + " maps a note to a missing sample");
        o.u8(s);
      }
      write_envelope_points(o, ins.volume_env);
      write_envelope_points(o, ins.panning_env);
      o.u8(static_cast<int>(ins.volume_env.points.size()));
      o.u8(static_cast<int>(ins.panning_env.points.size()));
      o.u8(std::max(ins.volume_env.sustain, 0));
      o.u8(std::max(ins.volume_env.loop_start, 0));
      o.u8(std::max(ins.volume_env.loop_end, 0));
      o.u8(std::max(ins.panning_env.sustain, 0));
      o.u8(std::max(ins.panning_env.loop_start, 0));
      o.u8(std::max(ins.panning_env.loop_end, 0));
      o.u8(ins.volume_env.type());
      o.u8(ins.panning_env.type());
      o.u8(ins.vibrato_type);
      o.u8(ins.vibrato_sweep);
      o.u8(ins.vibrato_depth);
      o.u8(ins.vibrato_rate);
      o.u16(ins.fadeout);
      o.u16(0);  // reserved
    }
    o.zeros(start + base + ins.header_padding - o.b.size());
    for (const Sample& s : ins.samples) {
      const int k = s.bits16 ? 2 : 1;
      if (s.loop_type != 0 && (s.loop_start < 0 || s.loop_length <= 0 ||
                               s.loop_start + s.loop_length > static_cast<int>(s.data.size()))) {
        throw std::runtime_error("sample " + s.name + " has its loop outside the data");
      }
      o.u32(static_cast<uint32_t>(s.data.size() * k));
      o.u32(static_cast<uint32_t>(s.loop_type ? s.loop_start * k : 0));
      o.u32(static_cast<uint32_t>(s.loop_type ? s.loop_length * k : 0));
      o.u8(s.volume);
      o.u8(s.finetune & 0xFF);
      o.u8(s.loop_type | (s.bits16 ? 16 : 0));
      o.u8(s.panning);
      o.u8(s.relative_note & 0xFF);
      o.u8(0);
      o.text(s.name, 22);
    }
    if (!old_layout) write_sample_data(o, ins);
  }
  if (old_layout) {
    for (const Pattern& p : m.patterns) write_pattern(o, p, m.channels, m.version);
    for (const Instrument& ins : m.instruments) write_sample_data(o, ins);
  }
  return o.b;
}

}  // namespace zel::xmsynth
