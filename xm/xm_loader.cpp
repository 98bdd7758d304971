// XM loader: turns an XM image into an XmSong. Data that ends early is read
// as zeros; fields that would make the engine read or write outside its
// tables are clamped or refuse the load (see the notes at each check).
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "xm/xm_song.h"

namespace zel {
namespace {

// The byte source of the loader: reads never go past `size`.
struct MemoryReader {
  const uint8_t* data = nullptr;
  int64_t size = 0;
  int64_t position = 0;

  size_t read(void* dst, size_t count) {
    int64_t n = std::min<int64_t>(static_cast<int64_t>(count), size - position);
    if (n <= 0) return 0;
    std::memcpy(dst, data + position, static_cast<size_t>(n));
    position += n;
    return static_cast<size_t>(n);
  }
  // origin 0: from the start, 1: from here, 2: from the end.
  void seek(int64_t offset, int origin) {
    int64_t base = origin == 0 ? 0 : origin == 1 ? position : size;
    position = std::clamp<int64_t>(base + offset, 0, size);
  }
  int64_t tell() const { return position; }

  uint8_t u8() {
    uint8_t v = 0;
    read(&v, 1);
    return v;
  }
  uint16_t u16() {
    uint8_t b[2] = {};
    read(b, 2);
    return static_cast<uint16_t>(b[0] | b[1] << 8);
  }
  uint32_t u32() {
    uint8_t b[4] = {};
    read(b, 4);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 | static_cast<uint32_t>(b[2]) << 16 |
           static_cast<uint32_t>(b[3]) << 24;
  }
};

bool fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

// Envelope counts and indices that would step outside the 12 points are
// made harmless: the count is clamped, a loop or sustain point that does not
// exist switches that feature off.
// Values above 64 are outside the format and ticks that go backwards would
// let an envelope run past its next point for ever; values are clamped to
// 64 and ticks made non-decreasing.
void sanitise_envelope(uint8_t& count, uint8_t& type, uint8_t sustain, uint8_t loop_start, uint8_t loop_end,
                       std::array<XmEnvelopePoint, kXmMaxEnvelopePoints>& points) {
  for (size_t i = 0; i < points.size(); ++i) {
    if (points[i].y > 64) points[i].y = 64;
    if (i > 0 && points[i].x < points[i - 1].x) points[i].x = points[i - 1].x;
  }
  if (count > kXmMaxEnvelopePoints) count = kXmMaxEnvelopePoints;
  if (count < 2) type = 0;
  if (sustain >= count) type &= static_cast<uint8_t>(~kXmEnvSustain);
  if (loop_start >= count || loop_end >= count) type &= static_cast<uint8_t>(~kXmEnvLoop);
}

void unpack_pattern(const std::vector<uint8_t>& packed, XmPattern& pattern) {
  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < packed.size() ? packed[at++] : 0; };
  for (XmCell& c : pattern.cells) {
    uint8_t b = next();
    if (b & 0x80) {
      if (b & 0x01) c.note = next();
      if (b & 0x02) c.instrument = next();
      if (b & 0x04) c.volume = next();
      if (b & 0x08) c.effect = next();
      if (b & 0x10) c.param = next();
    } else {
      c.note = b;
      c.instrument = next();
      c.volume = next();
      c.effect = next();
      c.param = next();
    }
    if (c.note == 97) c.note = 0xFF;
    if (c.instrument > 128) c.instrument = 0;
  }
}

// Patterns follow the song header (from 1.04 on; before, the instrument
// headers); an order entry naming a pattern the file does not hold gets an
// empty one of 64 rows.
// In the 1.02 layout a pattern header is 8 bytes and stores rows - 1 in one
// byte; later ones have 9 bytes and a 2-byte row count.
void read_patterns(XmSong& song, MemoryReader& r, uint16_t version) {
  const bool short_header = version <= 0x0102;
  const int channels = song.channels;
  int referenced = 0;
  for (int i = 0; i < song.song_length; ++i)
    if (song.order_table[static_cast<size_t>(i)] >= referenced) referenced = song.order_table[static_cast<size_t>(i)] + 1;
  song.referenced_patterns = referenced;
  song.pattern_count = std::max(song.header_pattern_count, referenced);
  song.patterns.resize(static_cast<size_t>(song.pattern_count));

  for (int p = 0; p < song.header_pattern_count; ++p) {
    int64_t start = r.tell();
    r.seek(start + 5, 0);
    int rows = short_header ? r.u8() + 1 : r.u16();
    int packed_size = r.u16();
    // A pattern has 1..256 rows: the row counter and the position records
    // hold no more, and a pattern without rows has no row to play.
    rows = std::clamp(rows, 1, 256);
    XmPattern& pat = song.patterns[static_cast<size_t>(p)];
    pat.rows = rows;
    pat.cells.assign(static_cast<size_t>(rows) * static_cast<size_t>(channels), XmCell{});
    r.seek(start + (short_header ? 8 : 9), 0);
    if (packed_size != 0) {
      // Cells are decoded from the pattern's own packed bytes only, so a
      // pattern that promises more cells than it holds cannot eat the next one.
      std::vector<uint8_t> packed(static_cast<size_t>(packed_size));
      packed.resize(r.read(packed.data(), packed.size()));
      unpack_pattern(packed, pat);
    }
  }
  for (int p = song.header_pattern_count; p < song.pattern_count; ++p) {
    XmPattern& pat = song.patterns[static_cast<size_t>(p)];
    pat.rows = 64;
    pat.cells.assign(static_cast<size_t>(64) * static_cast<size_t>(channels), XmCell{});
  }
}

// The part of an instrument header that only instruments with samples have:
// note map, envelopes, auto-vibrato and fadeout.
void read_instrument_details(XmInstrument& ins, MemoryReader& r) {
  r.u32();  // sample header size: headers are always 40 bytes
  r.read(ins.note_map.data(), 96);
  uint8_t env[96] = {};
  r.read(env, sizeof env);
  for (int i = 0; i < kXmMaxEnvelopePoints; ++i) {
    ins.volume_points[static_cast<size_t>(i)] = {static_cast<uint16_t>(env[i * 4] | env[i * 4 + 1] << 8),
                                                 static_cast<uint16_t>(env[i * 4 + 2] | env[i * 4 + 3] << 8)};
    ins.panning_points[static_cast<size_t>(i)] = {
        static_cast<uint16_t>(env[48 + i * 4] | env[48 + i * 4 + 1] << 8),
        static_cast<uint16_t>(env[48 + i * 4 + 2] | env[48 + i * 4 + 3] << 8)};
  }
  uint8_t b[16] = {};
  r.read(b, sizeof b);
  ins.volume_point_count = b[0];
  ins.panning_point_count = b[1];
  ins.volume_sustain = b[2];
  ins.volume_loop_start = b[3];
  ins.volume_loop_end = b[4];
  ins.panning_sustain = b[5];
  ins.panning_loop_start = b[6];
  ins.panning_loop_end = b[7];
  ins.volume_type = b[8];
  ins.panning_type = b[9];
  ins.vibrato_type = b[10];
  ins.vibrato_sweep = b[11];
  ins.vibrato_depth = b[12];
  ins.vibrato_rate = b[13];
  ins.fadeout = static_cast<uint16_t>((b[14] | b[15] << 8) * 2);
  sanitise_envelope(ins.volume_point_count, ins.volume_type, ins.volume_sustain, ins.volume_loop_start,
                    ins.volume_loop_end, ins.volume_points);
  sanitise_envelope(ins.panning_point_count, ins.panning_type, ins.panning_sustain, ins.panning_loop_start,
                    ins.panning_loop_end, ins.panning_points);
}

// Sets the sample's length, cut to the bytes left in the image, keeps its
// loop inside it, and sizes its data (length + 8 values, zero).
void fit_sample(XmSample& smp, uint32_t length, const MemoryReader& r) {
  const uint64_t available = static_cast<uint64_t>(r.size - r.tell()) / (smp.bits / 8);
  if (length > available) length = static_cast<uint32_t>(available);
  uint32_t loop_start = smp.loop_start, loop_length = smp.loop_length;
  if (loop_start >= length) {
    loop_start = 0;
    loop_length = 0;
  } else if (loop_length > length - loop_start) {
    loop_length = length - loop_start;
  }
  if (loop_length == 0) {
    loop_start = 0;
    loop_length = length;
    smp.loop_mode = kXmLoopNone;
  }
  smp.length = length;
  smp.loop_start = loop_start;
  smp.loop_length = loop_length;
  smp.data.assign(static_cast<size_t>(length) + 8, 0);
}

// One 40-byte sample header. Lengths become sample values; the sample is cut
// to the bytes left in the image and its loop kept inside the sample.
std::unique_ptr<XmSample> read_sample_header(MemoryReader& r) {
  auto sample = std::make_unique<XmSample>();
  XmSample& smp = *sample;
  uint32_t length = r.u32();
  uint32_t loop_start = r.u32();
  uint32_t loop_length = r.u32();
  smp.volume = r.u8();
  smp.finetune = static_cast<int8_t>(r.u8());
  uint8_t type = r.u8();
  smp.panning = r.u8();
  smp.relative_note = static_cast<int8_t>(r.u8());
  r.seek(23, 1);
  smp.loop_mode = kXmLoopNone;
  if (type & 1) smp.loop_mode = kXmLoopForward;
  if (type & 2) smp.loop_mode = kXmLoopPingPong;
  smp.bits = (type & 0x10) ? 16 : 8;
  if (smp.loop_mode == kXmLoopNone) {
    loop_start = 0;
    loop_length = length;
  }
  if (smp.bits == 16) {
    length /= 2;
    loop_start /= 2;
    loop_length /= 2;
  }
  smp.loop_start = loop_start;
  smp.loop_length = loop_length;
  fit_sample(smp, length, r);
  return sample;
}

// A sample's delta-coded values, the guard value after its loop, and the
// mixer's interpolation pairs.
void read_sample_data(XmSample& smp, MemoryReader& r) {
  if (smp.length == 0) return;
  size_t bytes = static_cast<size_t>(smp.length) * smp.bits / 8;
  std::vector<uint8_t> raw(bytes, 0);
  r.read(raw.data(), bytes);
  int16_t prev = 0;
  for (uint32_t i = 0; i < smp.length; ++i) {
    uint16_t v = smp.bits == 8 ? static_cast<uint16_t>(raw[i] << 8)
                               : static_cast<uint16_t>(raw[i * 2] | raw[i * 2 + 1] << 8);
    prev = static_cast<int16_t>(static_cast<uint16_t>(v + static_cast<uint16_t>(prev)));
    smp.data[i] = prev;
  }
  size_t end = static_cast<size_t>(smp.loop_start) + smp.loop_length;
  if (smp.loop_mode == kXmLoopPingPong) smp.data[end] = smp.data[end - 1];
  if (smp.loop_mode == kXmLoopForward) smp.data[end] = smp.data[smp.loop_start];
  smp.pairs.resize(smp.data.size() * 2);
  for (size_t i = 0; i < smp.data.size(); ++i) {
    int next = i + 1 < smp.data.size() ? smp.data[i + 1] : 0;
    smp.pairs[2 * i] = static_cast<float>(smp.data[i]);
    smp.pairs[2 * i + 1] = static_cast<float>(next - smp.data[i]);
  }
}

// Instruments follow the patterns: each a header, then its sample headers,
// then its samples' data. In the layouts before 1.04 the instruments come
// first and hold no data: it follows the patterns (`with_data` false, then
// read_all_sample_data).
bool read_instruments(XmSong& song, MemoryReader& r, const XmLoadLimits& limits, bool with_data,
                      std::string* why) {
  song.empty_instrument.samples.assign(16, &song.empty_sample);
  song.instruments.resize(static_cast<size_t>(song.instrument_count));
  for (XmInstrument& ins : song.instruments) {
    int64_t start = r.tell();
    uint32_t ins_header_size = r.u32();
    r.seek(23, 1);
    int sample_count = r.u16();
    if (sample_count > limits.max_samples_per_instrument)
      return fail(why, "an instrument with more than " + std::to_string(limits.max_samples_per_instrument) +
                           " samples");
    ins.samples.assign(static_cast<size_t>(std::max(sample_count, 16)), &song.empty_sample);
    ins.sample_count = sample_count;
    if (sample_count == 0) {
      r.seek(start + ins_header_size, 0);
      continue;
    }
    read_instrument_details(ins, r);
    r.seek(start + ins_header_size, 0);

    for (int s = 0; s < sample_count; ++s) {
      std::unique_ptr<XmSample> sample = read_sample_header(r);
      ins.samples[static_cast<size_t>(s)] = sample.get();
      song.sample_store.push_back(std::move(sample));
    }
    if (with_data)
      for (int s = 0; s < sample_count; ++s) read_sample_data(*ins.samples[static_cast<size_t>(s)], r);
  }
  return true;
}

// The sample data of the older layouts, after the last pattern, instrument
// by instrument in sample order. A header's length was cut to the bytes left
// after that header; here it is cut to the bytes left where its data starts.
void read_all_sample_data(XmSong& song, MemoryReader& r) {
  for (const std::unique_ptr<XmSample>& sample : song.sample_store) {
    fit_sample(*sample, sample->length, r);
    read_sample_data(*sample, r);
  }
}

// The whole image: the song header, then patterns, then instruments (before
// 1.04: instrument headers, then patterns, then all sample data).
bool load(XmSong& song, MemoryReader& r, const XmLoadLimits& limits, std::string* why) {
  static constexpr char kMagic[] = "Extended Module: ";
  char magic[17] = {};
  r.read(magic, 17);
  if (std::memcmp(magic, kMagic, 17) != 0) return fail(why, "not an XM module");
  // Versions before 1.04 store the instruments before the patterns. The
  // magazine's limits refuse them; the format's read 1.02 and 1.03.
  r.seek(58, 0);
  const uint16_t version = r.u16();
  if (version < limits.oldest_version || version < kXmFormatLimits.oldest_version) {
    char text[48];
    std::snprintf(text, sizeof text, "XM version %X.%02X is not supported", version >> 8, version & 0xFF);
    return fail(why, text);
  }
  song.default_global_volume = 64;

  r.seek(60, 0);
  uint32_t header_size = r.u32();
  int song_length = r.u16();
  int restart = r.u16();
  int channels = r.u16();
  int header_patterns = r.u16();
  uint8_t rest[264] = {};
  r.read(rest, sizeof rest);
  int instruments = rest[0] | rest[1] << 8;
  song.flags = static_cast<uint16_t>(rest[2] | rest[3] << 8);
  song.default_speed = rest[4] | rest[5] << 8;
  song.default_bpm = rest[6] | rest[7] << 8;
  std::memcpy(song.order_table.data(), rest + 8, 256);

  if (channels > kXmMaxChannels) return fail(why, "more than 32 channels");
  if (header_patterns > 256) return fail(why, "more than 256 patterns");
  if (instruments > 128) return fail(why, "more than 128 instruments");
  // The order table has 256 entries; an empty song plays its first entry.
  song_length = std::clamp(song_length, 1, 256);
  if (restart >= song_length) restart = 0;
  song.song_length = song_length;
  song.restart_position = restart;
  song.channels = channels;
  song.header_pattern_count = header_patterns;
  song.instrument_count = instruments;
  r.seek(60 + static_cast<int64_t>(header_size), 0);

  if (version >= 0x0104) {
    read_patterns(song, r, version);
    return read_instruments(song, r, limits, true, why);
  }
  if (!read_instruments(song, r, limits, false, why)) return false;
  read_patterns(song, r, version);
  read_all_sample_data(song, r);
  return true;
}

}  // namespace

std::unique_ptr<XmSong> xm_load_song(const uint8_t* data, size_t size, std::string* why,
                                     const XmLoadLimits& limits) {
  if (why) why->clear();
  MemoryReader r;
  r.data = data;
  r.size = data ? static_cast<int64_t>(size) : 0;
  auto song = std::make_unique<XmSong>();
  if (!load(*song, r, limits, why)) return nullptr;
  return song;
}

}  // namespace zel
