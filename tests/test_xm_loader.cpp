// XM loading: patterns, instruments and sample decoding, and images that
// lie about their contents.
#include <gtest/gtest.h>

#include <tuple>

#include "tests/xm_test_writer.h"
#include "xm/xm_song.h"

namespace zel {
namespace {

using xmtest::Module;

std::unique_ptr<XmSong> load(const Module& m, std::string* why = nullptr) {
  std::vector<uint8_t> bytes = xmtest::write(m);
  return xm_load_song(bytes.data(), bytes.size(), why);
}

std::tuple<int, int, int, int, int> fields(const XmCell& c) {
  return {c.note, c.instrument, c.volume, c.effect, c.param};
}

TEST(XmLoaderPatterns, UnpacksCellsAndKeyOff) {
  Module m;
  m.channels = 2;
  m.patterns.resize(1);
  m.patterns[0].rows = 4;
  m.cell(0, 1, 0) = {49, 1, 0x40, 0xF, 3};   // full cell, unpacked form
  m.cell(0, 2, 1) = {0, 0, 0, 0xC, 0x20};    // packed form: effect and parameter only
  m.cell(0, 3, 0) = {97, 0, 0, 0, 0};        // key off
  m.cell(0, 3, 1) = {10, 200, 0, 0, 0};      // instrument beyond 128 dropped
  auto song = load(m);
  ASSERT_TRUE(song);
  const XmPattern& p = song->patterns[0];
  ASSERT_EQ(p.rows, 4);
  EXPECT_EQ(fields(p.cells[1 * 2 + 0]), std::tuple(49, 1, 0x40, 0xF, 3));
  EXPECT_EQ(fields(p.cells[2 * 2 + 1]), std::tuple(0, 0, 0, 0xC, 0x20));
  EXPECT_EQ(fields(p.cells[3 * 2 + 0]), std::tuple(0xFF, 0, 0, 0, 0));
  EXPECT_EQ(fields(p.cells[3 * 2 + 1]), std::tuple(10, 0, 0, 0, 0));
}

TEST(XmLoaderPatterns, PackedSizeZeroIsEmptyAndMissingPatternsGet64Rows) {
  Module m;
  m.patterns.resize(1);
  m.patterns[0].rows = 16;
  m.cell(0, 0, 0) = {49, 1, 0, 0, 0};
  m.patterns[0].zero_packed_size = true;
  m.orders = {0, 3, 0};
  auto song = load(m);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->referenced_patterns, 4);
  EXPECT_EQ(song->pattern_count, 4);
  EXPECT_EQ(song->patterns[0].rows, 16);
  for (const XmCell& c : song->patterns[0].cells) EXPECT_EQ(c.note, 0);
  for (int p = 1; p < 4; ++p) {
    EXPECT_EQ(song->patterns[static_cast<size_t>(p)].rows, 64);
    EXPECT_EQ(song->patterns[static_cast<size_t>(p)].cells.size(), 64u * 4u);
  }
}

TEST(XmLoaderSamples, EightBitDeltasAndSixteenBitHalving) {
  Module m;
  m.patterns.resize(1);
  xmtest::Instrument ins;
  ins.samples.emplace_back().raw = {1, 1, 0xFE};
  xmtest::Sample s16;
  s16.sixteen = true;
  for (int i = 0; i < 1000; ++i) s16.values.push_back(static_cast<int16_t>(i * 60 - 30000));
  s16.loop = 1;
  s16.loop_start = 100;
  s16.loop_length = 300;
  ins.samples.push_back(s16);
  ins.note_map[10] = 1;
  m.instruments.push_back(ins);
  auto song = load(m);
  ASSERT_TRUE(song);
  const XmInstrument& i0 = song->instruments[0];
  ASSERT_EQ(i0.sample_count, 2);
  const XmSample& a = *i0.samples[0];
  ASSERT_EQ(a.length, 3u);
  EXPECT_EQ(std::vector<int16_t>(a.data.begin(), a.data.begin() + 3), (std::vector<int16_t>{256, 512, 0}));
  EXPECT_EQ(a.loop_mode, kXmLoopNone);
  EXPECT_EQ(a.loop_start, 0u);
  EXPECT_EQ(a.loop_length, 3u);
  EXPECT_EQ(a.data.size(), 3u + 8u);
  const XmSample& b = *i0.samples[1];
  EXPECT_EQ(b.length, 1000u);  // 2000 bytes
  EXPECT_EQ(b.loop_start, 100u);
  EXPECT_EQ(b.loop_length, 300u);
  EXPECT_EQ(b.data[999], 999 * 60 - 30000);
  EXPECT_EQ(i0.note_map[10], 1);
  // Entries beyond the sample count are the shared empty sample.
  EXPECT_EQ(i0.samples[2], &song->empty_sample);
  EXPECT_EQ(song->empty_sample.length, 0u);
}

TEST(XmLoaderSamples, SixteenBitDeltasWrap) {
  auto song = load(xmtest::one_sample_module({30000, -30000, 32767, -32768}));
  ASSERT_TRUE(song);
  const std::vector<int16_t>& d = song->instruments[0].samples[0]->data;
  EXPECT_EQ(std::vector<int16_t>(d.begin(), d.begin() + 4), (std::vector<int16_t>{30000, -30000, 32767, -32768}));
}

TEST(XmLoaderSamples, LoopsAreClampedToTheSampleAndGuarded) {
  struct Case {
    const char* name;
    uint8_t loop;
    uint32_t start, length;
    int mode;
    uint32_t want_start, want_length;
    int guard;  // the value after the loop's end
  };
  const Case cases[] = {
      {"forward", 1, 10, 20, kXmLoopForward, 10, 20, 1100},        // value[10]
      {"ping-pong", 2, 10, 20, kXmLoopPingPong, 10, 20, 3000},     // value[29]
      {"both bits", 3, 10, 20, kXmLoopPingPong, 10, 20, 3000},     // both bits: ping-pong
      {"length zero", 1, 10, 0, kXmLoopNone, 0, 40, 0},
      {"runs past the end", 1, 30, 100, kXmLoopForward, 30, 10, 3100},  // cut to 10, value[30]
      {"starts past the end", 1, 60, 20, kXmLoopNone, 0, 40, 0},
  };
  std::vector<int16_t> v;
  for (int i = 0; i < 40; ++i) v.push_back(static_cast<int16_t>(100 * (i + 1)));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Module m = xmtest::one_sample_module(v);
    xmtest::Sample& s = m.instruments[0].samples[0];
    std::tie(s.loop, s.loop_start, s.loop_length) = std::tuple(c.loop, c.start, c.length);
    auto song = load(m);
    ASSERT_TRUE(song);
    const XmSample& got = *song->instruments[0].samples[0];
    EXPECT_EQ(std::tuple(int{got.loop_mode}, got.loop_start, got.loop_length),
              std::tuple(c.mode, c.want_start, c.want_length));
    EXPECT_EQ(got.data[got.loop_start + got.loop_length], c.guard);
  }

  // A header that promises 4 GB of sample data gets what the file holds.
  Module big = xmtest::one_sample_module({5, 6, 7});
  big.instruments[0].samples[0].length_override = 0xFFFFFFF0u;
  auto song = load(big);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->instruments[0].samples[0]->length, 3u);
  EXPECT_EQ(song->instruments[0].samples[0]->data[2], 7);
}

TEST(XmLoaderInstruments, EnvelopesFadeoutAndVibrato) {
  Module m = xmtest::one_sample_module({1, 2, 3});
  xmtest::Instrument& ins = m.instruments[0];
  ins.volume.points = {{0, 64}, {10, 32}, {20, 0}};
  ins.volume.type = kXmEnvOn | kXmEnvSustain;
  ins.volume.sustain = 1;
  ins.panning.points = {{0, 32}};
  ins.panning.type = kXmEnvOn;  // one point: switched off
  ins.fadeout = 300;
  std::tie(ins.vibrato_type, ins.vibrato_sweep, ins.vibrato_depth, ins.vibrato_rate) = std::tuple(1, 2, 3, 4);
  m.instruments.push_back(xmtest::Instrument{});  // no samples
  auto song = load(m);
  ASSERT_TRUE(song);
  const XmInstrument& a = song->instruments[0];
  EXPECT_EQ(a.volume_point_count, 3);
  EXPECT_EQ(std::tuple(a.volume_points[1].x, a.volume_points[1].y), std::tuple(10, 32));
  EXPECT_EQ(a.volume_type, kXmEnvOn | kXmEnvSustain);
  EXPECT_EQ(a.volume_sustain, 1);
  EXPECT_EQ(a.panning_type, 0);
  EXPECT_EQ(a.fadeout, 600);
  EXPECT_EQ(std::tuple(a.vibrato_type, a.vibrato_sweep, a.vibrato_depth, a.vibrato_rate), std::tuple(1, 2, 3, 4));
  const XmInstrument& b = song->instruments[1];
  EXPECT_EQ(b.sample_count, 0);
  for (XmSample* s : b.samples) EXPECT_EQ(s, &song->empty_sample);
}

// ---- images that promise more than they hold ------------------------------

TEST(XmLoaderRefuses, BadMagicTooManyChannelsPatternsInstrumentsOrSamples) {
  std::string why;
  std::vector<uint8_t> junk(400, 'E');
  EXPECT_FALSE(xm_load_song(junk.data(), junk.size(), &why));
  EXPECT_FALSE(xm_load_song(nullptr, 0, &why));

  auto with = [](auto change) {
    Module m = xmtest::one_sample_module({1});
    change(m);
    return m;
  };
  EXPECT_FALSE(load(with([](Module& m) { m.channels_override = 33; }), &why));
  EXPECT_NE(why.find("32 channels"), std::string::npos);
  EXPECT_FALSE(load(with([](Module& m) { m.pattern_count_override = 257; }), &why));
  EXPECT_FALSE(load(with([](Module& m) { m.instrument_count_override = 129; }), &why));
  EXPECT_FALSE(load(with([](Module& m) { m.instruments[0].sample_count_override = 17; }), &why));
  EXPECT_TRUE(load(with([](Module& m) { m.channels = 32; })));
}

TEST(XmLoaderClamps, EnvelopePointsAndIndicesBeyondTheCount) {
  Module m = xmtest::one_sample_module({1, 2});
  xmtest::Instrument& ins = m.instruments[0];
  ins.volume.points = {{0, 64}, {4, 0}};
  ins.volume.count_override = 200;
  ins.volume.type = kXmEnvOn | kXmEnvSustain | kXmEnvLoop;
  ins.volume.sustain = 11;
  ins.volume.loop_start = 1;
  ins.volume.loop_end = 11;
  ins.panning.points = {{0, 0}, {4, 900}, {2, 32}};  // a value above 64, a tick going back
  ins.panning.type = kXmEnvOn | kXmEnvSustain | kXmEnvLoop;
  ins.panning.sustain = 3;
  ins.panning.loop_start = 0;
  ins.panning.loop_end = 250;
  auto song = load(m);
  ASSERT_TRUE(song);
  const XmInstrument& a = song->instruments[0];
  EXPECT_EQ(a.volume_point_count, 12);
  EXPECT_EQ(a.volume_type, kXmEnvOn | kXmEnvSustain | kXmEnvLoop);  // 11 < 12 is a real point
  EXPECT_EQ(a.panning_point_count, 3);
  EXPECT_EQ(a.panning_type, kXmEnvOn);  // sustain 3 and loop end 250 do not exist
  EXPECT_EQ(a.panning_points[1].y, 64);
  EXPECT_EQ(a.panning_points[2].x, 4);
}

TEST(XmLoaderClamps, RowsSongLengthAndRestart) {
  Module m = xmtest::one_sample_module({1});
  m.patterns.resize(2);
  m.patterns[0].rows = 2;
  m.patterns[0].rows_override = 0;  // header says 0 rows
  m.patterns[1].rows = 2;
  m.patterns[1].rows_override = 300;
  m.song_length = 400;
  m.restart = 300;
  m.orders.assign(256, 1);
  m.orders[0] = 0;
  auto song = load(m);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->patterns[0].rows, 1);
  EXPECT_EQ(song->patterns[1].rows, 256);
  EXPECT_EQ(song->patterns[1].cells.size(), 256u);
  EXPECT_EQ(song->song_length, 256);
  EXPECT_EQ(song->restart_position, 0);

  m.song_length = 0;
  song = load(m);
  ASSERT_TRUE(song);
  EXPECT_EQ(song->song_length, 1);
}

TEST(XmLoaderClamps, EveryTruncationLoadsOrFailsCleanly) {
  Module m = xmtest::one_sample_module({1, 2, 3, 4, 5, 6, 7, 8}, 4, 8);
  m.cell(0, 0, 0) = {49, 1, 0, 0, 0};
  m.instruments[0].volume.points = {{0, 64}, {4, 0}};
  m.instruments[0].volume.type = 1;
  std::vector<uint8_t> bytes = xmtest::write(m);
  for (size_t n = 0; n <= bytes.size(); ++n) {
    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    auto song = xm_load_song(cut.data(), cut.size());
    EXPECT_EQ(song != nullptr, n >= 60) << n;  // from the format version on
  }
}

TEST(XmLoaderRefuses, VersionsBefore104) {
  std::vector<uint8_t> bytes = xmtest::write(xmtest::one_sample_module({1}));
  for (auto [version, loads, reason] : {std::tuple{0x0102, false, "XM version 1.02 is not supported"},
                                        std::tuple{0x0103, false, "XM version 1.03 is not supported"},
                                        std::tuple{0x0104, true, ""}, std::tuple{0x0105, true, ""}}) {
    bytes[58] = static_cast<uint8_t>(version);
    bytes[59] = static_cast<uint8_t>(version >> 8);
    std::string why;
    EXPECT_EQ(xm_load_song(bytes.data(), bytes.size(), &why) != nullptr, loads) << version;
    EXPECT_EQ(why, reason);
  }
}

}  // namespace
}  // namespace zel
