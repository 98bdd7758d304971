// XM loading: patterns, instruments and sample decoding, and images that
// lie about their contents. Modules are written with the XM writer, then
// the fields a test wants wrong are overwritten in the bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "xm/xm_writer.h"
#include "xm/xm_player.h"
#include "xm/xm_song.h"

namespace zel {
namespace {

using xmsynth::Module;

std::unique_ptr<XmSong> load(const std::vector<uint8_t>& bytes, std::string* why = nullptr) {
  return xm_load_song(bytes.data(), bytes.size(), why);
}
std::unique_ptr<XmSong> load(const Module& m, std::string* why = nullptr) { return load(xmsynth::write_xm(m), why); }

// Where the parts of a written module start. Song header fields: song length
// at 64, restart 66, channels 68, patterns 70, instruments 72, orders from 80.
size_t pattern_at(const Module& m, size_t p) {
  size_t at = 60 + 276;
  for (size_t q = 0; q < p; ++q) at += xmsynth::packed_pattern_size(m.patterns[q], m.channels);
  return at;
}
size_t instrument_at(const Module& m, size_t i) {
  size_t at = pattern_at(m, m.patterns.size());
  for (size_t j = 0; j < i; ++j) {
    const xmsynth::Instrument& ins = m.instruments[j];
    at += static_cast<size_t>(ins.samples.empty() ? xmsynth::kInstrumentHeaderEmpty
                                                  : xmsynth::kInstrumentHeaderWithSamples + ins.header_padding);
    for (const xmsynth::Sample& s : ins.samples) at += 40 + s.data.size() * (s.bits16 ? 2 : 1);
  }
  return at;
}
// Offsets inside an instrument header (with samples): the sample count and
// the first envelope byte (the volume point count) and the panning type.
enum : size_t { kSampleCount = 27, kVolumeCount = 225, kPanningType = 234 };

void put16(std::vector<uint8_t>& b, size_t at, unsigned v) {
  b[at] = static_cast<uint8_t>(v);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  put16(b, at, v & 0xFFFF);
  put16(b, at + 2, v >> 16);
}

// One channel, one pattern, one instrument whose one 16-bit sample holds `values`.
Module one_sample_module(std::vector<int16_t> values, int channels = 1, int rows = 64) {
  Module m;
  m.channels = channels;
  m.order = {0};
  m.patterns.push_back({rows, {}});
  xmsynth::Sample& s = m.instruments.emplace_back().samples.emplace_back();
  s.bits16 = true;
  s.data = std::move(values);
  return m;
}

std::tuple<int, int, int, int, int> fields(const XmCell& c) {
  return {c.note, c.instrument, c.volume, c.effect, c.param};
}

TEST(XmLoaderPatterns, UnpacksCellsAndKeyOff) {
  Module m;
  m.channels = 2;
  m.order = {0};
  m.patterns.push_back({4, {}});
  m.cell(0, 1, 0) = {49, 1, 0x40, 0xF, 3};   // full cell, unpacked form
  m.cell(0, 2, 1) = {0, 0, 0, 0xC, 0x20};    // packed form: effect and parameter only
  m.cell(0, 3, 0) = {97, 0, 0, 0, 0};        // key off
  m.cell(0, 3, 1) = {10, 200, 0, 0, 0};      // instrument beyond 128 dropped
  auto song = load(m);
  ASSERT_TRUE(song);
  const XmPattern& p = song->patterns[0];
  ASSERT_EQ(p.rows, 4);
  using F = std::tuple<int, int, int, int, int>;
  EXPECT_EQ((std::array{fields(p.cells[2]), fields(p.cells[5]), fields(p.cells[6]), fields(p.cells[7])}),
            (std::array{F(49, 1, 0x40, 0xF, 3), F(0, 0, 0, 0xC, 0x20), F(0xFF, 0, 0, 0, 0), F(10, 0, 0, 0, 0)}));
}

TEST(XmLoaderPatterns, PackedSizeZeroIsEmptyAndMissingPatternsGet64Rows) {
  Module m;
  m.order = {0, 0, 0};
  m.patterns.push_back({16, {}});
  m.cell(0, 0, 0) = {49, 1, 0, 0, 0};
  std::vector<uint8_t> bytes = xmsynth::write_xm(m);
  put16(bytes, pattern_at(m, 0) + 7, 0);  // the cells are in the file, the size says none
  bytes[81] = 3;                          // the order list names patterns 1..3 the file lacks
  auto song = load(bytes);
  ASSERT_TRUE(song);
  EXPECT_EQ(std::tuple(song->referenced_patterns, song->pattern_count, song->patterns[0].rows), std::tuple(4, 4, 16));
  for (const XmCell& c : song->patterns[0].cells) EXPECT_EQ(c.note, 0);
  for (size_t p = 1; p < 4; ++p)
    EXPECT_EQ(std::tuple(song->patterns[p].rows, song->patterns[p].cells.size()), std::tuple(64, 64u * 4u));
}

TEST(XmLoaderSamples, DeltaDecodingSixteenBitHalvingAndHeaderPadding) {
  Module m = one_sample_module({30000, -30000, 32767, -32768});  // 16-bit deltas wrap
  xmsynth::Instrument& ins = m.instruments[0];
  ins.samples[0].loop_type = 1;
  ins.samples[0].loop_start = 1;
  ins.samples[0].loop_length = 3;
  ins.samples.push_back({.name = "8-bit", .data = {1, 2, 0, -128, 127}});
  ins.note_map[10] = 1;
  ins.header_padding = 7;  // spare header bytes the loader must skip
  auto song = load(m);
  ASSERT_TRUE(song);
  const XmInstrument& i0 = song->instruments[0];
  ASSERT_EQ(i0.sample_count, 2);
  const XmSample& a = *i0.samples[0];
  ASSERT_EQ(a.length, 4u);  // 8 bytes
  EXPECT_EQ(std::vector<int16_t>(a.data.begin(), a.data.begin() + 4), (std::vector<int16_t>{30000, -30000, 32767, -32768}));
  EXPECT_EQ(std::tuple(a.loop_start, a.loop_length, a.data[4]), std::tuple(1u, 3u, int16_t{-30000}));  // guard: value[1]
  const XmSample& b = *i0.samples[1];
  ASSERT_EQ(b.length, 5u);
  EXPECT_EQ(std::vector<int16_t>(b.data.begin(), b.data.begin() + 5), (std::vector<int16_t>{256, 512, 0, -32768, 32512}));
  EXPECT_EQ(std::tuple(int{b.loop_mode}, b.loop_start, b.loop_length), std::tuple(int{kXmLoopNone}, 0u, 5u));
  // Entries beyond the sample count are the shared empty sample.
  EXPECT_EQ(std::tuple(int{i0.note_map[10]}, i0.samples[2], song->empty_sample.length),
            std::tuple(1, &song->empty_sample, 0u));
}

TEST(XmLoaderSamples, LoopsAreClampedToTheSampleAndGuarded) {
  // Name, loop type, start, length; the mode, start and length loaded, the value after the loop's end.
  const std::tuple<const char*, uint8_t, uint32_t, uint32_t, int, uint32_t, uint32_t, int> cases[] = {
      {"forward", 1, 10, 20, kXmLoopForward, 10, 20, 1100},        // value[10]
      {"ping-pong", 2, 10, 20, kXmLoopPingPong, 10, 20, 3000},     // value[29]
      {"both bits", 3, 10, 20, kXmLoopPingPong, 10, 20, 3000},     // both bits: ping-pong
      {"length zero", 1, 10, 0, kXmLoopNone, 0, 40, 0},
      {"runs past the end", 1, 30, 100, kXmLoopForward, 30, 10, 3100},  // cut to 10, value[30]
      {"starts past the end", 1, 60, 20, kXmLoopNone, 0, 40, 0},
  };
  std::vector<int16_t> v;
  for (int i = 0; i < 40; ++i) v.push_back(static_cast<int16_t>(100 * (i + 1)));
  const Module m = one_sample_module(v);
  const size_t header = instrument_at(m, 0) + xmsynth::kInstrumentHeaderWithSamples;
  for (const auto& [name, loop, start, length, mode, want_start, want_length, guard] : cases) {
    std::vector<uint8_t> bytes = xmsynth::write_xm(m);
    put32(bytes, header + 4, 2 * start);  // in bytes
    put32(bytes, header + 8, 2 * length);
    bytes[header + 14] |= loop;
    auto song = load(bytes);
    ASSERT_TRUE(song) << name;
    const XmSample& got = *song->instruments[0].samples[0];
    EXPECT_EQ(std::tuple(int{got.loop_mode}, got.loop_start, got.loop_length, int{got.data[got.loop_start + got.loop_length]}),
              std::tuple(mode, want_start, want_length, guard)) << name;
  }

  // A header that promises 4 GB of sample data gets what the file holds.
  std::vector<uint8_t> bytes = xmsynth::write_xm(one_sample_module({5, 6, 7}));
  put32(bytes, header, 0xFFFFFFF0u);
  auto song = load(bytes);
  ASSERT_TRUE(song);
  const XmSample& got = *song->instruments[0].samples[0];
  EXPECT_EQ(std::tuple(got.length, int{got.data[2]}), std::tuple(3u, 7));
}

TEST(XmLoaderInstruments, EnvelopesFadeoutAndVibrato) {
  Module m = one_sample_module({1, 2, 3});
  xmsynth::Instrument& ins = m.instruments[0];
  ins.volume_env.points = {{0, 64}, {10, 32}, {20, 0}};
  ins.volume_env.sustain = 1;
  ins.panning_env.points = {{0, 32}};
  ins.fadeout = 300;
  std::tie(ins.vibrato_type, ins.vibrato_sweep, ins.vibrato_depth, ins.vibrato_rate) = std::tuple(1, 2, 3, 4);
  m.instruments.emplace_back();  // no samples
  std::vector<uint8_t> bytes = xmsynth::write_xm(m);
  bytes[instrument_at(m, 0) + kPanningType] = kXmEnvOn;  // on with one point: switched off
  auto song = load(bytes);
  ASSERT_TRUE(song);
  const XmInstrument& a = song->instruments[0];
  EXPECT_EQ(std::tuple(a.volume_point_count, a.volume_points[1].x, a.volume_points[1].y), std::tuple(3, 10, 32));
  EXPECT_EQ(std::tuple(a.volume_type, a.volume_sustain, a.panning_type, a.fadeout),
            std::tuple(kXmEnvOn | kXmEnvSustain, 1, 0, 600));
  EXPECT_EQ(std::tuple(a.vibrato_type, a.vibrato_sweep, a.vibrato_depth, a.vibrato_rate), std::tuple(1, 2, 3, 4));
  EXPECT_EQ(song->instruments[1].sample_count, 0);
  for (XmSample* s : song->instruments[1].samples) EXPECT_EQ(s, &song->empty_sample);
}

// ---- images that promise more than they hold ------------------------------

// The magazine's version and sample limits: XmLoaderLayouts below.
TEST(XmLoaderRefuses, BadMagicTooManyChannelsPatternsOrInstruments) {
  std::string why;
  std::vector<uint8_t> junk(400, 'E');
  EXPECT_FALSE(xm_load_song(junk.data(), junk.size(), &why));
  EXPECT_FALSE(xm_load_song(nullptr, 0, &why));

  const Module m = one_sample_module({1});
  for (auto [at, value, reason] :
       {std::tuple{size_t{68}, 33u, "32 channels"}, {70, 257u, "256 patterns"}, {72, 129u, "128 instruments"}}) {
    SCOPED_TRACE(at);
    std::vector<uint8_t> bytes = xmsynth::write_xm(m);
    put16(bytes, at, value);
    EXPECT_FALSE(load(bytes, &why));
    EXPECT_NE(why.find(reason), std::string::npos);
  }
  Module widest = m;
  widest.channels = 32;
  EXPECT_TRUE(load(widest));
}

// Two channels, two patterns of 16 and 8 rows at speed 1, an instrument of
// 20 samples (8- and 16-bit, every third looped) whose notes pick one each,
// and an instrument of one sample: a module only the format's limits accept.
Module large_instrument_module(int version) {
  Module m;
  m.version = version;
  m.channels = 2;
  m.speed = 1;  // the whole order list within a quarter second
  m.order = {0, 1, 0};
  m.patterns = {{16, {}}, {8, {}}};
  xmsynth::Instrument& big = m.instruments.emplace_back();
  for (int k = 0; k < 20; ++k) {
    xmsynth::Sample& s = big.samples.emplace_back();
    s.bits16 = k % 2 == 1;
    for (int i = 0; i < 40 + k; ++i)
      s.data.push_back(static_cast<int16_t>((i * (k + 3) % 64 - 32) * (s.bits16 ? 500 : 3)));
    if (k % 3 == 0) s.loop_type = 1, s.loop_start = 4, s.loop_length = 30;
  }
  for (int n = 0; n < 96; ++n) big.note_map[static_cast<size_t>(n)] = static_cast<uint8_t>(n % 20);
  m.instruments.emplace_back().samples.emplace_back().data = {0, 60, -60, 0};
  for (int r = 0; r < 16; ++r) m.cell(0, r, r % 2) = {static_cast<uint8_t>(37 + r), 1, 0, 0, 0};
  m.cell(1, 0, 1) = {49, 2, 0, 0, 0};
  return m;
}

// The magazine refuses the older layouts and more than 16 samples; with the
// format's limits each layout reads as the same song and sounds the same.
TEST(XmLoaderLayouts, FormatLimitsReadOlderLayoutsAndLargeInstrumentsAsTheCurrentLayout) {
  const std::vector<uint8_t> current = xmsynth::write_xm(large_instrument_module(0x0104));
  auto reference = xm_load_song(current.data(), current.size(), nullptr, kXmFormatLimits);
  ASSERT_TRUE(reference);
  const XmInstrument& big = reference->instruments[0];
  EXPECT_EQ(std::tuple(big.sample_count, big.samples[19]->length, int{big.samples[19]->data[1]}),
            std::tuple(20, 59u, (1 * 22 % 64 - 32) * 500));
  const std::vector<int16_t> heard = xm_render_offline(*reference, 22050);
  EXPECT_GT(std::count_if(heard.begin(), heard.end(), [](int16_t v) { return std::abs(v) > 1000; }), 5000);
  for (auto [version, refusal] : {std::pair{0x0102, "XM version 1.02 is not supported"},
                                  {0x0103, "XM version 1.03 is not supported"},
                                  {0x0104, "an instrument with more than 16 samples"}}) {
    SCOPED_TRACE(version);
    const std::vector<uint8_t> bytes = xmsynth::write_xm(large_instrument_module(version));
    std::string why;
    EXPECT_FALSE(xm_load_song(bytes.data(), bytes.size(), &why));
    EXPECT_EQ(why, refusal);
    auto song = xm_load_song(bytes.data(), bytes.size(), &why, kXmFormatLimits);
    ASSERT_TRUE(song) << why;
    EXPECT_EQ(std::pair(song->patterns[0].rows, song->patterns[1].rows), std::pair(16, 8));
    EXPECT_EQ(xm_render_offline(*song, 22050), heard);
  }
  // Below 1.02, or beyond what a note map can name, even the format's limits refuse.
  for (auto [at, value, refusal] : {std::tuple{size_t{58}, 0x0101u, "XM version 1.01 is not supported"},
                                    {instrument_at(large_instrument_module(0x0104), 0) + kSampleCount, 257u,
                                     "an instrument with more than 256 samples"}}) {
    std::vector<uint8_t> bytes = current;
    std::string why;
    put16(bytes, at, value);
    EXPECT_FALSE(xm_load_song(bytes.data(), bytes.size(), &why, kXmFormatLimits));
    EXPECT_EQ(why, refusal);
  }
}

TEST(XmLoaderClamps, EnvelopePointsAndIndicesBeyondTheCount) {
  Module m = one_sample_module({1, 2});
  xmsynth::Instrument& ins = m.instruments[0];
  ins.volume_env.points = {{0, 64}, {4, 0}};
  ins.panning_env.points = {{0, 0}, {4, 900}, {2, 32}};  // a value above 64, a tick going back
  std::vector<uint8_t> bytes = xmsynth::write_xm(m);
  const size_t at = instrument_at(m, 0);
  // Volume: 200 points, sustain 11, loop 1..11; panning: sustain 3, loop 0..250.
  const uint8_t envelope_bytes[] = {200, 3, 11, 1, 11, 3, 0, 250, 7, 7};
  std::copy(std::begin(envelope_bytes), std::end(envelope_bytes), bytes.begin() + static_cast<std::ptrdiff_t>(at + kVolumeCount));
  auto song = load(bytes);
  ASSERT_TRUE(song);
  const XmInstrument& a = song->instruments[0];
  // Volume sustain and loop end 11 < 12 are real points; panning sustain 3 and loop end 250 do not exist.
  EXPECT_EQ(std::tuple(a.volume_point_count, a.volume_type, a.panning_point_count, a.panning_type),
            std::tuple(12, kXmEnvOn | kXmEnvSustain | kXmEnvLoop, 3, kXmEnvOn));
  EXPECT_EQ(std::tuple(a.panning_points[1].y, a.panning_points[2].x), std::tuple(64, 4));
}

TEST(XmLoaderClamps, RowsSongLengthAndRestart) {
  Module m = one_sample_module({1}, 1, 2);
  m.patterns.push_back({2, {}});
  m.order.assign(256, 1);
  m.order[0] = 0;
  std::vector<uint8_t> bytes = xmsynth::write_xm(m);
  put16(bytes, pattern_at(m, 0) + 5, 0);    // a pattern of 0 rows
  put16(bytes, pattern_at(m, 1) + 5, 300);  // and one of 300
  put16(bytes, 64, 400);                    // song length
  put16(bytes, 66, 300);                    // restart
  auto song = load(bytes);
  ASSERT_TRUE(song);
  EXPECT_EQ(std::tuple(song->patterns[0].rows, song->patterns[1].rows, song->patterns[1].cells.size()),
            std::tuple(1, 256, 256u));
  EXPECT_EQ(std::tuple(song->song_length, song->restart_position), std::tuple(256, 0));
  put16(bytes, 64, 0);
  song = load(bytes);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->song_length, 1);
}

TEST(XmLoaderClamps, EveryTruncationLoadsOrFailsCleanly) {
  Module m = one_sample_module({1, 2, 3, 4, 5, 6, 7, 8}, 4, 8);
  m.cell(0, 0, 0) = {49, 1, 0, 0, 0};
  m.instruments[0].volume_env.points = {{0, 64}, {4, 0}};
  std::vector<uint8_t> bytes = xmsynth::write_xm(m);
  for (size_t n = 0; n <= bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    auto song = xm_load_song(cut.data(), cut.size());
    EXPECT_EQ(song != nullptr, n >= 60) << n;  // from the format version on
  }
}

}  // namespace
}  // namespace zel
