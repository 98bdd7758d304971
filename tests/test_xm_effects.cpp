// Rows, ticks and effects, envelopes, fadeout and the modulation waves,
// driven tick by tick on small modules and checked on channel and voice
// state. Expected values are worked out by hand from the effect rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <tuple>

#include "xm/xm_writer.h"
#include "xm/xm_song.h"
#include "xm/xm_song_end.h"

namespace zel {
namespace {

using xmsynth::Cell;
using xmsynth::Module;

enum : uint8_t { kG = 16, kH = 17, kK = 20, kL = 21, kP = 25, kR = 27, kT = 29, kX = 33 };

Cell fx(int effect, int param) { return {0, 0, 0, static_cast<uint8_t>(effect), static_cast<uint8_t>(param)}; }

// A module of `channels` channels, `patterns` patterns of 64 rows played in
// order, two instruments with a long looping sample each (volume 64,
// panning 128), and `rows` written from row 0 of channel 0 of pattern 0.
Module effect_module(std::vector<Cell> rows = {}, int channels = 1, int patterns = 1) {
  Module m;
  m.channels = channels;
  m.patterns.resize(static_cast<size_t>(patterns));
  m.order.clear();
  for (int p = 0; p < patterns; ++p) m.order.push_back(static_cast<uint8_t>(p));
  for (int i = 0; i < 2; ++i) {
    xmsynth::Sample s;
    s.bits16 = true;
    s.data.assign(1000, static_cast<int16_t>(1000 * (i + 1)));
    s.loop_type = 1;
    s.loop_length = 1000;
    m.instruments.emplace_back().samples.push_back(s);
  }
  for (size_t r = 0; r < rows.size(); ++r) m.cell(0, static_cast<int>(r), 0) = rows[r];
  return m;
}

struct Play {
  std::unique_ptr<XmSong> song;
  explicit Play(const Module& m) {
    std::vector<uint8_t> bytes = xmsynth::write_xm(m);
    song = xm_load_song(bytes.data(), bytes.size());
    EXPECT_TRUE(song);
    xm_song_reset(*song);
  }
  void ticks(int n) {
    for (int i = 0; i < n; ++i) xm_tick(*song);
  }
  // `f()` after each run of ticks in `steps`.
  template <class F>
  std::vector<int> trace(const std::vector<int>& steps, F f) {
    std::vector<int> out;
    for (int n : steps) {
      ticks(n);
      out.push_back(f());
    }
    return out;
  }
  XmChannel& ch(int c = 0) { return song->channel[static_cast<size_t>(c)]; }
  XmVoice& voice(int c = 0) { return song->voice[static_cast<size_t>(ch(c).voice)]; }
};

using V = std::vector<int>;

// ---------------------------------------------------------------------------
TEST(XmPeriods, AmigaAndLinearTables) {
  EXPECT_EQ((std::array{xm_note_period(0, 0), xm_note_period(95, 0), xm_note_period(48, 127), xm_note_period(48, -128)}),
            (std::array{27392, 113, 1616, 1813}));
  // Linear table with relative note 12 and finetune -3.
  Module m = effect_module({{49, 1, 0, 0, 0}});
  m.flags = 1;
  m.instruments[0].samples[0].finetune = -3;
  m.instruments[0].samples[0].relative_note = 12;
  Play p(m);
  p.ticks(1);
  EXPECT_EQ(std::tuple(int{p.ch().real_note}, int{p.ch().period}), std::tuple(60, 7680 - 64 * 60 - (-3) / 2));  // -3 / 2 is -1
}

// ---------------------------------------------------------------------------
TEST(XmSequencing, SpeedAndPatternDelayKeepEffectsRunning) {
  Module m = effect_module({{49, 1, 0, 0xA, 0x01}}, 2);
  m.cell(0, 0, 1) = fx(0xE, 0xE2);
  Play p(m);
  p.ticks(18);
  // Row 0 still (six ticks plus 2 x 6 of delay), the slide ran on every other
  // tick, the note was not restarted.
  EXPECT_EQ(std::tuple(p.song->row, int{p.ch().volume}, p.ch().voice), std::tuple(0, 64 - 17, 0));
  EXPECT_EQ(p.trace({1, 6}, [&] { return p.song->row; }), (V{1, 2}));  // the delay applied to its row only
}

TEST(XmSequencing, BreaksAndJumpsLandWhereTheRulesSay) {
  struct Case {
    const char* name;
    std::vector<std::tuple<int, int, Cell>> cells;  // pattern, channel, cell on row 0
    int ticks, order, row;
    int rows_of_pattern1 = 64;
  };
  const Case cases[] = {
      {"D40", {{0, 0, fx(0xD, 0x40)}}, 7, 1, 40},
      {"D70 is past the end", {{0, 0, fx(0xD, 0x70)}}, 7, 1, 0},
      {"D30 into a shorter pattern", {{0, 0, fx(0xD, 0x30)}}, 7, 1, 0, 8},
      {"B02", {{0, 0, fx(0xB, 2)}}, 7, 2, 0},
      {"B09 is past the song", {{0, 0, fx(0xB, 9)}}, 7, 0, 0},
      {"B then D", {{0, 0, fx(0xB, 2)}, {0, 1, fx(0xD, 0x12)}}, 7, 2, 12},
      {"D then B", {{0, 0, fx(0xD, 0x12)}, {0, 1, fx(0xB, 2)}}, 7, 2, 0},
      {"break on the last order", {{0, 0, fx(0xB, 2)}, {2, 0, fx(0xD, 0x05)}}, 14, 0, 5},
      {"the end goes to restart", {}, 3 * 64 * 6 + 1, 1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Module m = effect_module({}, 2, 3);
    m.restart = 1;
    m.patterns[1].rows = c.rows_of_pattern1;
    for (auto& [pattern, channel, cell] : c.cells) m.cell(pattern, 0, channel) = cell;
    Play p(m);
    p.ticks(c.ticks);
    EXPECT_EQ(std::tuple(p.song->order, p.song->row), std::tuple(c.order, c.row));
  }
}

// ---------------------------------------------------------------------------
TEST(XmPitchEffects, TonePortamentoKeepsTheOldSampleAndSlides) {
  Module m = effect_module({{49, 1, 0, 0, 0}, {61, 2, 0, 0x3, 0x08}});
  for (int r = 2; r < 10; ++r) m.cell(0, r, 0) = fx(0x3, 0);
  Play p(m);
  const XmSample* first = p.song->instruments[0].samples[0];
  p.ticks(7);
  EXPECT_EQ(std::tuple(int{p.ch().period}, p.ch().voice, p.voice().sample), std::tuple(1712, 0, first));  // no jump, no restart
  // Slides 32 a tick and stops at the target.
  EXPECT_EQ(p.trace({5, 6 * 5}, [&] { return p.ch().period; }), (V{1712 - 5 * 32, 856}));
}

// ---------------------------------------------------------------------------
TEST(XmVolumeEffects, TremoloStaysWithin0And64AndSticksAfterwards) {
  for (int start : {60, 5}) {
    SCOPED_TRACE(start);
    Module m = effect_module({{49, 1, static_cast<uint8_t>(0x10 + start), 0x7, 0xFF}});
    for (int r = 1; r < 10; ++r) m.cell(0, r, 0) = fx(0x7, 0);
    Play p(m);
    const V v = p.trace(V(60, 1), [&] { return p.ch().volume + p.ch().volume_delta; });
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    EXPECT_TRUE(0 <= *lo && *lo < *hi && *hi <= 64) << *lo << ".." << *hi;  // within range, and it moves
    const int last = p.ch().volume + p.ch().volume_delta;
    p.ticks(1);  // row 10: the last offset becomes the volume
    EXPECT_EQ(p.ch().volume, last);
  }
}

// One value traced over a few rows: after each run of ticks in `steps`,
// `what` must read the next value of `want`.
TEST(XmEffectTraces, SlidesPortamentosLoopsTremorAndPanning) {
  using Get = int (*)(Play&);
  const std::vector<Cell> kColumnRows = {
      {49, 1, 0x40, 0, 0}, {0, 0, 0x93, 0, 0}, {0, 0, 0xA8, 0, 0}, {0, 0, 0xB8, 0, 0}, {61, 0, 0xF2, 0, 0}};
  const Get row = [](Play& p) { return p.song->row; };
  const Get period = [](Play& p) { return int{p.ch().period}; };
  const Get volume = [](Play& p) { return int{p.ch().volume}; };
  const Get global = [](Play& p) { return p.song->global_volume; };
  const Get delta = [](Play& p) { return int{p.ch().period_delta}; };
  const Get volume_delta = [](Play& p) { return int{p.ch().volume_delta}; };
  struct Case {
    const char* name;
    std::vector<Cell> rows;
    int speed;
    V steps;
    Get what;
    V want;
  };
  const Case cases[] = {
      {"pattern loop repeats its rows", {{}, fx(0xE, 0x60), {}, fx(0xE, 0x62)}, 1, V(11, 1), row,
       {0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 4}},
      // The second row remembers 40; the third row starts again from 1712.
      {"portamento up stops at 56, down has no limit", {{49, 1, 0, 0x1, 0x40}, fx(0x1, 0x00), {49, 1, 0, 0x2, 0xFF}},
       6, {2, 4, 3, 3 + 6}, period, {1712 - 256, 1712 - 5 * 256, 56, 1712 + 5 * 1020}},
      {"fine and extra-fine portamento remember",
       {{49, 1, 0, 0xE, 0x13}, fx(0xE, 0x10), fx(0xE, 0x22), fx(0xE, 0x20), fx(kX, 0x12), fx(kX, 0x10), fx(kX, 0x23),
        fx(kX, 0x20)},
       1, V(8, 1), period, {1700, 1688, 1696, 1704, 1702, 1700, 1703, 1706}},
      {"volume slides share their memory",
       {{49, 1, 0, 0xA, 0x03}, fx(0xA, 0), fx(0x5, 0), fx(0x6, 0), fx(0xE, 0xA2), fx(0xE, 0xB0), fx(0xC, 0x50),
        fx(0xA, 0x20)},
       6, V(8, 6), volume, {49, 34, 19, 4, 6, 4, 80, 64}},
      {"tremor: 2 ticks on, 3 off", {{49, 1, 0x30, kT, 0x12}}, 12, V(11, 1),
       volume_delta, {0, 0, -32, -32, -32, 0, 0, -32, -32, -32, 0}},
      // A shorter cycle (T10) arriving with the counter at 7 restarts it at
      // once instead of muting the channel until the counter wraps.
      {"tremor restarts past a shorter cycle", {{49, 1, 0x30, kT, 0x71}, fx(kT, 0x10)}, 7, {8, 1, 1, 1, 1, 1, 1},
       volume_delta, {-32, 0, 0, -32, 0, 0, -32}},
      {"speed 0 starts a row every tick", {fx(0xF, 0)}, 6, V(5, 1), row, {0, 1, 2, 3, 4}},
      {"F20 sets the BPM", {fx(0xF, 32)}, 6, {1}, [](Play& p) { return p.song->samples_per_tick; }, {3445}},
      {"F20 keeps the speed", {fx(0xF, 32)}, 6, {1}, [](Play& p) { return p.song->speed; }, {6}},
      // Amiga periods of notes 52 and 55 (1358, 1142) against 1712.
      {"arpeggio", {{49, 1, 0, 0x0, 0x47}}, 6, {2, 1, 1, 1, 1}, delta,
       {1358 - 1712, 1142 - 1712, 0, 1358 - 1712, 1142 - 1712}},
      // Positions 0, 8, 16, 24, -32 of the sine: |sin| x 256 = 0, 181, 255, 181, 0.
      {"vibrato with depth 8", {{49, 1, 0, 0x4, 0x88}}, 6, {2, 1, 1, 1, 1}, delta, {0, -44, -60, -44, 0}},
      {"EC2 cuts, R12 slides the volume on retriggering",
       {{49, 1, 0, 0xE, 0xC2}, {49, 1, 0, 0xE, 0x92}, {49, 1, 0, kR, 0x12}}, 6, {2, 1, 12, 2}, volume, {64, 0, 63, 62}},
      {"E92 restarts the note on the partner voice at tick 2", {{49, 1, 0, 0, 0}, {49, 1, 0, 0xE, 0x92}}, 6,
       {7, 1, 1}, [](Play& p) { return int{p.ch().voice}; }, {32, 32, 0}},
      {"key off, as a note or K, without an envelope silences at once",
       {{49, 1, 0, 0, 0}, {97, 0, 0, 0, 0}, {49, 1, 0, 0, 0}, fx(kK, 0x33)}, 6, {7, 6, 6},
       [](Play& p) { return p.voice().volume; }, {0, 127, 0}},
      // 0x10 x 256 = 4096 >= 1000: not started, rewound.
      {"sample offset inside and beyond the sample", {{49, 1, 0, 0x9, 0x02}, {49, 1, 0, 0x9, 0x10}}, 6, {1, 6},
       [](Play& p) { return static_cast<int>(p.voice().position >> 32); }, {512, 0}},
      // Volume column: fine slide down 3, vibrato speed 8 and depth 8 (position
      // 8 after one advance), tone portamento whose note still sets the period.
      {"volume column: fine slide", kColumnRows, 6, {12}, volume, {51}},
      {"volume column: vibrato", kColumnRows, 6, {21}, delta, {-44}},
      {"volume column: portamento", kColumnRows, 6, {26}, period, {856}},
      {"E57 sets the finetune of later notes", {{49, 1, 0, 0xE, 0x57}, {49, 1, 0, 0, 0}}, 6, {7}, period, {1707}},
      {"global volume and its slide", {{49, 1, 0, kG, 0x20}, fx(kH, 0x01), fx(kH, 0), fx(kH, 0x30), fx(kG, 0x50)}, 6,
       {1, 5, 6, 6, 6, 6}, global, {32, 32, 27, 22, 37, 64}},
      {"global volume scales the voice: 127.5 x 32 / 64, truncated", {{49, 1, 0, kG, 0x20}}, 6, {1},
       [](Play& p) { return p.voice().volume; }, {63}},
      {"panning commands", {{49, 1, 0, 0x8, 0x40}, fx(0xE, 0x8F), fx(kP, 0x80), fx(kP, 0x03), fx(kP, 0)}, 6, V(5, 6),
       [](Play& p) { return int{p.ch().panning}; }, {0x40, 240, 255, 240, 225}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Module m = effect_module(c.rows);
    m.speed = c.speed;
    Play p(m);
    EXPECT_EQ(p.trace(c.steps, [&] { return c.what(p); }), c.want);
  }
}

// ---------------------------------------------------------------------------
TEST(XmNoteEffects, NoteDelayStartsLaterAndED0SuppressesTheNote) {
  Play p(effect_module({{49, 1, 0, 0, 0}, {61, 2, 0x20, 0xE, 0xD3}, fx(0xC, 0), {61, 2, 0, 0xE, 0xD0}}));
  auto state = [&] { return std::tuple(int{p.ch().period}, int{p.ch().volume}, p.ch().voice); };
  p.ticks(6 + 3);
  EXPECT_EQ(state(), std::tuple(1712, 64, 0));  // not yet
  p.ticks(1);
  EXPECT_EQ(state(), std::tuple(856, 16, 32));  // volume column applied again at the delay, ...
  EXPECT_EQ(p.voice().sample, p.song->instruments[1].samples[0]);  // ... the new sample
  p.ticks(2 + 6 + 6);
  EXPECT_EQ(state(), std::tuple(856, 0, 32));  // ED0: the row's note never sounds
}

// {volume column, volume after the row's first tick and after the row, panning after the row}
TEST(XmVolumeColumn, RowAndTickParts) {
  const std::array<int, 4> cases[] = {
      {0x30, 32, 32, 128}, {0x62, 62, 52, 128}, {0x72, 64, 64, 128}, {0x83, 61, 61, 128},
      {0x05, 64, 64, 128}, {0xC4, 64, 64, 64},  {0xD2, 64, 64, 116}, {0xE2, 64, 64, 140},
  };
  for (const auto& c : cases) {
    Play p(effect_module({{49, 1, static_cast<uint8_t>(c[0]), 0, 0}}));
    const V got = p.trace({1, 5}, [&] { return int{p.ch().volume}; });
    EXPECT_EQ((std::array{c[0], got[0], got[1], int{p.ch().panning}}), c);
  }
}

// ---------------------------------------------------------------------------
// The volume envelope of a bare channel over `ticks` ticks, key off at
// `key_off_at`.
struct EnvelopeRun {
  XmChannel ch;
  V out;
  EnvelopeRun(const std::vector<XmEnvelopePoint>& pts, uint8_t type, int sustain, int loop_start, int loop_end,
              int ticks, int key_off_at = -1) {
    ch.volume_env.output = 64;
    for (int t = 0; t < ticks; ++t) {
      if (t == key_off_at) ch.key_off = 1;
      if (!ch.volume_env.ended)
        xm_envelope_step(ch, ch.volume_env, type, static_cast<int>(pts.size()), pts.data(), loop_end, loop_start,
                         sustain, kXmFlagVolume);
      out.push_back(ch.volume_env.output);
    }
  }
};

TEST(XmEnvelopes, FallsSustainsAndLoops) {
  EnvelopeRun fall({{0, 64}, {10, 0}}, kXmEnvOn, 0, 0, 0, 14);
  for (int t = 0; t <= 10; ++t) EXPECT_EQ(fall.out[static_cast<size_t>(t)], 64 - (64 * t + 9) / 10) << t;
  EXPECT_EQ(fall.out[13], 0);
  EXPECT_TRUE(fall.ch.volume_env.ended && (fall.ch.flags & kXmFlagVolume));

  EnvelopeRun hold({{0, 0}, {4, 40}, {8, 0}}, kXmEnvOn | kXmEnvSustain, 1, 0, 0, 30, 20);
  for (int t = 4; t <= 20; ++t) EXPECT_EQ(hold.out[static_cast<size_t>(t)], 40) << t;
  EXPECT_EQ(std::tuple(hold.out[21], hold.out[24], hold.ch.volume_env.ended), std::tuple(30, 0, true));

  // 64 32 0 32 (64 -> jump to point 1) 0 32 (64 -> 0) ...
  EnvelopeRun loop({{0, 64}, {2, 0}, {4, 64}, {6, 0}}, kXmEnvOn | kXmEnvLoop, 0, 1, 2, 12);
  EXPECT_EQ(loop.out, (V{64, 32, 0, 32, 0, 32, 0, 32, 0, 32, 0, 32}));
  EXPECT_FALSE(loop.ch.volume_env.ended);
}

TEST(XmEnvelopes, FadeoutOfOneTakes32768Ticks) {
  Module m = effect_module({{49, 1, 0, 0, 0}, {97, 0, 0, 0, 0}}, 1, 2);
  m.restart = 1;  // then loops on the empty pattern
  m.speed = 31;
  m.instruments[0].fadeout = 1;
  m.instruments[0].volume_env.points = {{0, 64}, {1, 64}};
  m.instruments[0].volume_env.sustain = 0;
  Play p(m);
  p.ticks(31);
  EXPECT_EQ(p.ch().fadeout_volume, 65536);
  int ticks = 0;
  for (; p.ch().fadeout_volume > 0 && ticks < 40000; ++ticks) p.ticks(1);
  EXPECT_EQ(std::tuple(ticks, p.voice().volume), std::tuple(32768, 0));
}

TEST(XmEnvelopes, EnvelopePositionEffectAndPanningEnvelope) {
  Module m = effect_module({{49, 1, 0, kL, 5}, fx(kL, 40)});
  m.instruments[0].volume_env.points = {{0, 64}, {10, 0}};
  Play p(m);
  const auto& env = p.ch().volume_env;
  p.ticks(1);
  EXPECT_EQ(std::tuple(env.output, env.point, env.tick), std::tuple(32, 1, 5));
  p.ticks(6);
  EXPECT_EQ(std::tuple(env.output, env.ended), std::tuple(0, true));

  m = effect_module({{49, 1, 0, 0, 0}});
  m.instruments[0].panning_env.points = {{0, 0}, {1, 0}};
  Play q(m);
  q.ticks(3);
  // 128 + ((128 - 0) / 32) x (0 - 32)
  EXPECT_EQ(std::tuple(q.voice().panning, q.voice().right_target), std::tuple(0, 0));
}

TEST(XmModulation, AutoVibratoSquareWithSweep) {
  XmInstrument ins;
  std::tie(ins.vibrato_type, ins.vibrato_depth, ins.vibrato_sweep, ins.vibrato_rate) = std::tuple(1, 16, 2, 100);
  XmChannel ch;
  V d;
  for (int t = 0; t < 4; ++t) {
    ch.period_delta = 0;
    xm_auto_vibrato_step(ch, ins);
    d.push_back(ch.period_delta);
  }
  // w = 64, 64, -64 (position 200), 64 (44); sweep 0/2, 1/2, 2/2, 2/2 of 16 x 64 / 64.
  EXPECT_EQ(d, (V{0, 8, -16, 16}));
  EXPECT_TRUE(ch.flags & kXmFlagFrequency);
}

TEST(XmEnvelopes, InstrumentResetKeepsTheValueUntilTheFirstPoint) {
  // Points (4, 32), (8, 64): the value rises by 8 a tick from tick 4 and the
  // envelope ends at tick 8 holding 56 (the last point sets only the output).
  Module m = effect_module({{49, 1, 0, 0, 0}, {0, 1, 0, 0, 0}});
  m.speed = 16;
  m.instruments[0].volume_env.points = {{4, 32}, {8, 64}};
  Play p(m);
  const V steps = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 7, 1, 1, 1, 1, 1};
  EXPECT_EQ(p.trace(steps, [&] { return p.ch().volume_env.output; }),
            (V{0, 0, 0, 0, 32, 40, 48, 56, 64, 64, 56, 56, 56, 56, 32, 40}));
}

TEST(XmSongEnd, EndsWhereTheSongStartsOver) {
  struct Case {
    const char* name;
    std::vector<std::tuple<int, int, Cell>> cells;  // pattern, row, cell of channel 0
    int loops;
    uint64_t ticks;  // 882 frames each at BPM 125
    int restart = 0;
  };
  const Case cases[] = {
      {"through to the restart position", {}, 0, 3 * 4 * 6, 1},
      {"one extra pass from the restart", {}, 1, 5 * 4 * 6, 1},
      {"jump back to order 1", {{2, 1, fx(0xB, 1)}}, 0, (4 + 4 + 2) * 6},
      {"jump to order 0 in the first pattern", {{0, 2, fx(0xB, 0)}}, 0, 3 * 6},
      {"F00 ends after its one-tick row", {{0, 1, fx(0xF, 0)}}, 3, 6 + 1},
      {"a break into unplayed rows goes on", {{0, 0, fx(0xD, 0x02)}}, 0, (1 + 2 + 4) * 6},
      {"a pattern loop is no end", {{0, 0, fx(0xE, 0x60)}, {0, 1, fx(0xE, 0x62)}}, 0, (6 + 2 + 4 + 4) * 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Module m = effect_module({}, 1, 3);
    for (auto& pat : m.patterns) pat.rows = 4;
    m.restart = c.restart;
    for (auto& [pattern, row, cell] : c.cells) m.cell(pattern, row, 0) = cell;
    Play p(m);
    const XmSongEnd end = xm_find_song_end(*p.song, c.loops, 3600 * 44100);
    EXPECT_EQ(std::tuple(end.frames, end.capped), std::tuple(c.ticks * 882, false));
  }
  // 64 rows of 31 ticks of 3445 frames (BPM 32) run past a 60 s cap.
  Module slow = effect_module({fx(0xF, 32)});
  slow.speed = 31;
  Play p(slow);
  const XmSongEnd end = xm_find_song_end(*p.song, 0, 60 * 44100);
  EXPECT_EQ(std::tuple(end.frames, end.capped), std::tuple(uint64_t{60 * 44100}, true));
  // E5x sets the sample's finetune for good while the song runs; the search
  // gives it back, so the song it ran renders as a fresh copy.
  Play tuned(effect_module({{49, 1, 0, 0xE, 0x5F}})), searched(effect_module({{49, 1, 0, 0xE, 0x5F}}));
  tuned.ticks(2);
  xm_find_song_end(*searched.song, 0, 3600 * 44100);
  EXPECT_NE(tuned.song->sample_store[0]->finetune, 0);
  EXPECT_EQ(searched.song->sample_store[0]->finetune, 0);
}

}  // namespace
}  // namespace zel
