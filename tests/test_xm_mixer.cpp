// The mixer: frequencies, gains and ramps, sample ends and loops, tick
// timing and the 16-bit conversion, checked on rendered float frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "xm/xm_writer.h"
#include "xm/xm_player.h"
#include "xm/xm_song.h"

namespace zel {
namespace {

using xmsynth::Module;

struct Render {
  std::unique_ptr<XmSong> song;
  std::vector<float> mix;  // 2 floats per frame, before conversion
  std::vector<int16_t> pcm;
};

Render render(const Module& m, int frames) {
  Render r;
  std::vector<uint8_t> bytes = xmsynth::write_xm(m);
  r.song = xm_load_song(bytes.data(), bytes.size());
  EXPECT_TRUE(r.song);
  if (!r.song) return r;
  xm_song_reset(*r.song);
  r.mix.assign(static_cast<size_t>(frames) * 2, 0);
  r.pcm.assign(static_cast<size_t>(frames) * 2, 0);
  xm_render_block(*r.song, r.mix.data(), r.pcm.data(), frames);
  return r;
}

// One channel, speed 1, a constant sample of `value` played at C-4
// (8362 Hz) with panning 0, so that the left output is value x gain.
Module constant_note_module(int16_t value, int length, int loop) {
  Module m;
  m.channels = 1;
  m.speed = 1;
  m.order = {0};
  m.patterns.push_back({8, {}});
  xmsynth::Sample& s = m.instruments.emplace_back().samples.emplace_back();
  s.bits16 = true;
  s.data.assign(static_cast<size_t>(length), value);
  s.panning = 0;
  s.loop_type = loop;
  s.loop_length = loop ? length : 0;
  m.cell(0, 0, 0) = {49, 1, 0, 0, 0};
  return m;
}

// The same with `values` in the sample, a loop of `loop` type over
// [start, start + length), and `note` instead of C-4.
Module loop_module(std::vector<int16_t> values, int loop, int start, int length, int note) {
  Module m = constant_note_module(0, static_cast<int>(values.size()), loop);
  xmsynth::Sample& s = m.instruments[0].samples[0];
  s.data = std::move(values);
  s.loop_start = start;
  s.loop_length = length;
  m.cell(0, 0, 0).note = static_cast<uint8_t>(note);
  return m;
}

// Skips the voice's fade-in: its gains stand at their targets.
void settle(XmVoice& voice) {
  voice.current_left = voice.left_target * 256;
  voice.current_right = voice.right_target * 256;
  voice.ramp_left_target = voice.left_target;
  voice.ramp_right_target = voice.right_target;
  voice.ramp_frames = 0;
}

TEST(XmMixerConversion, TickLengthsAndTheRoundingAndSaturatingConversion) {
  EXPECT_EQ(xm_samples_per_tick(255), 432);
  EXPECT_TRUE(xm_samples_per_tick(0) >= 1 && xm_samples_per_tick(65535) >= 1);
  const float in[8] = {40000.0f, -40000.0f, 2.5f, 3.5f, -2.5f, 32767.4f, -32768.6f, 0.49f};
  int16_t out[8] = {};
  xm_to_pcm16(out, in, 4);
  EXPECT_EQ(std::to_array(out), (std::array<int16_t, 8>{32767, -32768, 2, 4, -2, 32767, -32768, 0}));
}

TEST(XmMixerFrequency, AmigaAndLinearTables) {
  Module m = constant_note_module(1000, 4000, 1);
  Render a = render(m, 1);
  // 14317056 / 1712, truncated, and its 32.32 step at 44,100 Hz computed independently.
  EXPECT_EQ(std::tuple(a.song->voice[0].frequency, a.song->voice[0].step),
            std::tuple(8362, static_cast<int64_t>((8362ull << 32) / 44100)));

  m.flags = 1;
  m.cell(0, 0, 0).note = 61;  // one octave up on the linear table
  Render b = render(m, 1);
  EXPECT_EQ(b.song->voice[0].frequency, 16726);
}

TEST(XmMixerRamp, NewNoteFadesInAndHandsTheOldOneToItsPartner) {
  Module m = constant_note_module(1000, 40000, 1);
  m.cell(0, 1, 0) = {49, 1, 0, 0, 0};  // the same note again one tick (882 frames) later
  Render r = render(m, 882 + 300);
  // Fade-in: the gain grows by 127 / 255 / 128 per frame from 0.
  const float delta = 127.0f / 255.0f / 128.0f;
  for (int i = 0; i < 128; ++i) EXPECT_NEAR(r.mix[static_cast<size_t>(2 * i)], 1000.0f * delta * i, 1e-3) << i;
  const float full = 1000.0f * 127.0f / 255.0f;
  EXPECT_FLOAT_EQ(r.mix[2 * 500], full);
  // At the new note, the old sound fades out on voice 0 while the new one
  // fades in on voice 32: the sum stays at full level.
  for (int i = 882; i < 882 + 300; ++i) EXPECT_NEAR(r.mix[static_cast<size_t>(2 * i)], full, 0.05) << i;
  EXPECT_EQ(std::tuple(r.song->channel[0].voice, r.song->voice[0].current_left), std::tuple(32, 0));
  EXPECT_NE(r.song->voice[0].sample, nullptr);  // still running, silently
}

// A second, plain model of a voice: position in 32.32, linear
// interpolation, loops handled frame by frame.
std::vector<float> reference_voice(const XmSample& s, int64_t step, int frames) {
  std::vector<float> out;
  int64_t pos = 0;
  int dir = 1;
  const int64_t b = static_cast<int64_t>(s.loop_start) << 32;
  const int64_t e = static_cast<int64_t>(s.loop_start + s.loop_length) << 32;
  for (int i = 0; i < frames; ++i) {
    uint32_t p = static_cast<uint32_t>(pos >> 32);
    float f = static_cast<float>(static_cast<uint32_t>(pos) >> 1) / 2147483648.0f;
    out.push_back(s.data[p] + static_cast<float>(s.data[p + 1] - s.data[p]) * f);
    pos += dir == 1 ? step : -step;
    if (s.loop_mode == kXmLoopForward && pos >= e) pos -= e - b;
    if (s.loop_mode == kXmLoopPingPong) {
      if (dir == 1 && pos >= e) {
        pos = 2 * e - pos - 1;
        dir = -1;
      } else if (dir == -1 && pos < b) {
        pos = 2 * b - pos - 1;
        dir = 1;
      }
    }
  }
  return out;
}

TEST(XmMixerLoops, ForwardAndPingPongMatchTheFrameByFrameModel) {
  std::vector<int16_t> v;
  for (int i = 0; i < 64; ++i) v.push_back(static_cast<int16_t>((i * 997) % 2000 - 1000));
  for (int loop : {1, 2})
    for (int note : {49, 73, 96}) {
      SCOPED_TRACE(testing::Message() << "loop " << int(loop) << " note " << note);
      Render r = render(loop_module(v, loop, 20, 30, note), 3000);
      const XmVoice& voice = r.song->voice[0];
      std::vector<float> want = reference_voice(*voice.sample, voice.step, 3000);
      const float gain = 127.0f / 255.0f;
      for (int i = 128; i < 3000; ++i)
        ASSERT_NEAR(r.mix[static_cast<size_t>(2 * i)], want[static_cast<size_t>(i)] * gain, 0.01f) << i;
    }
}

TEST(XmMixerLoops, PingPongAtOneSamplePerFrameTurnsWithoutSkipping) {
  // 44,100 Hz: the voice moves exactly one value per frame.
  Render r = render(loop_module({10, 20, 30, 40, 50, 60}, 2, 2, 3, 49), 1);  // loop over 30, 40, 50
  XmVoice& voice = r.song->voice[0];
  voice.step = int64_t{1} << 32;
  voice.position = 0;
  settle(voice);
  std::vector<float> out(2 * 16, 0.0f);
  xm_mix(r.song->voice, out.data(), 16);
  // Forward through the loop; back from its end, where 50 sounds on the way
  // up, at the turn (the guard value) and on the first step down; forward
  // again from 30. No value inside the loop is skipped, none outside it is
  // reached again.
  const int want[16] = {10, 20, 30, 40, 50, 50, 50, 40, 30, 40, 50, 50, 50, 40, 30, 40};
  for (int i = 0; i < 16; ++i)
    EXPECT_NEAR(out[static_cast<size_t>(2 * i)] * 255.0f / 127.0f, want[i], 1e-3) << i;
}

TEST(XmMixerBlocks, SplittingARunIntoOddPiecesGivesTheSameFrames) {
  // Four frames at a time or one at a time: the same operations, bit for bit.
  for (int loop : {1, 2}) {
    std::vector<int16_t> v;
    for (int i = 0; i < 300; ++i) v.push_back(static_cast<int16_t>((i * 7919) % 30000 - 15000));
    Module m = loop_module(v, loop, 100, 150, 80);
    m.instruments[0].samples[0].panning = 90;
    Render r = render(m, 1);
    XmVoice& voice = r.song->voice[0];
    settle(voice);
    const XmVoice start = voice;
    std::vector<float> whole(2 * 5000, 0.0f), pieces(2 * 5000, 0.0f);
    xm_mix(r.song->voice, whole.data(), 5000);
    ASSERT_LT(std::count(whole.begin(), whole.end(), 0.0f), 500) << "the run is sound, not silence";
    voice = start;
    int at = 0, k = 0;
    const int sizes[] = {1, 2, 3, 5, 7, 11, 4, 13};
    while (at < 5000) {
      int n = std::min(sizes[k++ % 8], 5000 - at);
      xm_mix(r.song->voice, pieces.data() + 2 * at, n);
      at += n;
    }
    for (size_t i = 0; i < whole.size(); ++i) ASSERT_EQ(whole[i], pieces[i]) << int(loop) << " " << i;
  }
}

}  // namespace
}  // namespace zel
