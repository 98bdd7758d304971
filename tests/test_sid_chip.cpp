// SID synthesis and the digitised sample channel, checked on rendered
// samples against hand-computed values and small reference models.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "psid_builder.h"

namespace zel {
namespace {

using testing_psid::fresh_machine;

std::vector<int16_t> render(SidPlayerState& s, size_t n) {
  std::vector<int16_t> out(n);
  sid_render(s, out.data(), n);
  return out;
}

void write(SidPlayerState& s, uint16_t address, uint8_t value) { mem_write(s, address, value); }

// Voice value of an envelope level for a waveform byte, as the chip scales it.
int32_t voice_value(int32_t out, int32_t level) { return (out - 128) * level >> 22; }

TEST(SidInit, RateConstantsAt44100) {
  auto m = fresh_machine();
  EXPECT_EQ(m->frequency_multiplier, 359u);
  EXPECT_EQ(m->filter_multiplier, 32);
  const uint32_t attack[16] = {168867, 47495, 24124, 15998, 10200, 6908, 5692, 4855,
                               3877,   1555,  777,   486,   389,   129,  77,   48};
  const uint32_t decay[16] = {42660, 15468, 7857, 5210, 3322, 2250, 1853, 1581,
                              1262,  506,   253,  158,  126,  42,   25,   15};
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(m->attack_rates[i], attack[i]) << i;
    EXPECT_EQ(m->decay_release_rates[i], decay[i]) << i;
  }
  for (const SidVoice& v : m->voice) {
    EXPECT_EQ(v.noise_register, 0xFFFFFFu);
    EXPECT_EQ(v.envelope_phase, kEnvAttack);
  }
  EXPECT_EQ(m->cpu.sp, 0xFF);
}

TEST(SidVoice, SawtoothAt7479RepeatsEveryHundredSamples) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD400, 7479 & 0xFF);
  write(s, 0xD401, 7479 >> 8);
  write(s, 0xD406, 0xF0);  // sustain 15
  write(s, 0xD404, kSidSawtooth | kSidGate);
  write(s, 0xD418, 0x0F);
  render(s, 1000);  // attack and decay done; voices 2 and 3 decayed to 0
  EXPECT_EQ(s.voice[0].phase_step, 2684961u);
  const auto out = render(s, 10000);
  // A reference phase accumulator predicts every sample.
  uint32_t phase = s.voice[0].phase;
  for (size_t i = 10000; i-- > 0;) phase = (phase - 2684961u) & 0xFFFFFFF;
  int drops = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    phase = (phase + 2684961u) & 0xFFFFFFF;
    const int32_t expected = voice_value((phase >> 20) & 0xFF, 0xF00000) * 15;
    ASSERT_EQ(out[i], expected) << i;
    if (i > 0 && out[i] < out[i - 1]) ++drops;
  }
  EXPECT_EQ(drops, 100);  // 10,000 samples at 441 Hz
}

TEST(SidEnvelope, AttackAndDecayAtNibbleZeroWithoutGate) {
  auto m = fresh_machine();
  write(*m, 0xD418, 0x0F);
  const auto out = render(*m, 600);
  // All three voices idle with control $00: waveform byte $FF, each adds
  // (127 * level) >> 22. Attack 168,867 per sample reaches $FFFFFF at
  // sample 100 (index 99); decay 42,660 per sample reaches 0 394 samples later.
  EXPECT_EQ(out[0], 3 * voice_value(255, 168867) * 15);
  EXPECT_LT(out[98], 3 * 507 * 15);
  EXPECT_EQ(out[99], 3 * 507 * 15);
  EXPECT_EQ(out[100], 3 * voice_value(255, 0xFFFFFF - 42660) * 15);
  EXPECT_NE(out[99 + 392], 0);
  EXPECT_EQ(out[99 + 394], 0);
  EXPECT_EQ(m->voice[0].envelope_phase, kEnvSustain);
}

TEST(SidEnvelope, ReleaseNeverFallsBelowItsFloor) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD418, 0x0F);
  render(s, 600);  // every voice at sustain level 0
  write(s, 0xD404, 0x00);  // gate off: release from level 0
  const auto out = render(s, 10);
  EXPECT_EQ(s.voice[0].envelope_phase, kEnvRelease);
  EXPECT_EQ(s.voice[0].envelope_level, 0x40000);
  EXPECT_EQ(out[9], voice_value(255, 0x40000) * 15);  // 7 per unit of volume
}

TEST(SidEnvelope, GateRestartsAttackOnlyFromRelease) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD405, 0x99);  // slow attack and decay
  write(s, 0xD406, 0x89);
  write(s, 0xD404, kSidGate);
  render(s, 20000);
  ASSERT_EQ(s.voice[0].envelope_phase, kEnvDecay);
  write(s, 0xD404, kSidGate);  // gate already on: nothing changes
  EXPECT_EQ(s.voice[0].envelope_phase, kEnvDecay);
  const int32_t level = s.voice[0].envelope_level;
  write(s, 0xD404, 0x00);
  write(s, 0xD404, kSidGate);  // off and on within one play call
  EXPECT_EQ(s.voice[0].envelope_phase, kEnvAttack);
  render(s, 1);
  EXPECT_EQ(s.voice[0].envelope_level, level + 1555);  // attack from the current level
}

TEST(SidVoice, TestBitHoldsPhaseAndReloadsNoise) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD401, 0x40);
  write(s, 0xD404, kSidNoise | kSidGate);
  render(s, 2000);
  const uint8_t noise_before = s.voice[0].noise_output;
  EXPECT_NE(s.voice[0].noise_register, 0xFFFFFFu);
  write(s, 0xD404, kSidNoise | kSidTest | kSidGate);
  render(s, 50);
  EXPECT_EQ(s.voice[0].phase, 0u);
  EXPECT_EQ(s.voice[0].noise_register, 0xFFFFFFu);
  EXPECT_EQ(s.voice[0].noise_output, noise_before);
}

TEST(SidVoice, NoiseFollowsItsShiftRegister) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD401, 0x80);  // phase step $80 * 256 * 359: bits 23+ change often
  render(s, 500);
  // Reference: a bit-by-bit LFSR clocked whenever phase >> 23 changes.
  uint32_t reg = 0xFFFFFF, clock = 0, phase = 0;
  const uint32_t step = 0x8000u * 359u;
  uint8_t out = 0;
  for (int i = 0; i < 500; ++i) {
    phase = (phase + step) & 0xFFFFFFF;
    if ((phase >> 23) != clock) {
      clock = phase >> 23;
      const uint32_t bit = ((reg >> 22) ^ (reg >> 17)) & 1;
      reg = (reg << 1) | bit;
      const int taps[8] = {22, 20, 16, 13, 11, 7, 4, 2};
      out = 0;
      for (int t = 0; t < 8; ++t) out = static_cast<uint8_t>(out | ((reg >> taps[t]) & 1) << (7 - t));
    }
  }
  EXPECT_EQ(s.voice[0].noise_output, out);
  EXPECT_EQ(s.voice[0].noise_register & 0x7FFFFF, reg & 0x7FFFFF);
}

TEST(SidVoice, PulseWidthExtremes) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD418, 0x01);
  write(s, 0xD406, 0xF0);
  write(s, 0xD404, kSidPulse | kSidTest | kSidGate);  // width $000, phase held at 0
  render(s, 1000);
  EXPECT_GT(render(s, 1)[0], 0);
  write(s, 0xD400, 1);
  write(s, 0xD404, kSidPulse | kSidGate);  // phase 359, 718, ...: above the threshold
  EXPECT_LT(render(s, 1)[0], 0);

  // Width $FFF: low only for the last 65,535 phase values of each cycle.
  auto m2 = fresh_machine();
  SidPlayerState& t = *m2;
  write(t, 0xD418, 0x01);
  write(t, 0xD406, 0xF0);
  write(t, 0xD402, 0xFF);
  write(t, 0xD403, 0x0F);
  write(t, 0xD400, 100);
  write(t, 0xD404, kSidPulse | kSidGate);
  render(t, 1000);
  uint32_t phase = t.voice[0].phase;
  const auto out = render(t, 20000);
  int lows = 0, expected_lows = 0;
  for (int16_t v : out) lows += v < 0;
  for (int i = 0; i < 20000; ++i) {
    phase = (phase + 35900) & 0xFFFFFFF;
    expected_lows += phase > 0xFFF0000;
  }
  EXPECT_GT(expected_lows, 0);
  EXPECT_EQ(lows, expected_lows);
}

TEST(SidFilter, CutoffIsLimitedToOne) {
  auto m = fresh_machine();
  write(*m, 0xD416, 0xFF);
  write(*m, 0xD415, 0x07);
  render(*m, 1);
  EXPECT_EQ(m->filter.f, 65536);
}

TEST(SidFilter, VoiceThreeOffIsSilentOnBothPaths) {
  auto play = [](uint8_t mode, bool voice3_plays) {
    auto m = fresh_machine();
    SidPlayerState& s = *m;
    write(s, 0xD417, 0x04);  // voice 3 through the filter
    write(s, 0xD416, 0x80);
    write(s, 0xD418, mode);
    if (voice3_plays) {
      write(s, 0xD40F, 0x20);
      write(s, 0xD414, 0xF0);
      write(s, 0xD412, kSidSawtooth | kSidGate);
    }
    return render(s, 4000);
  };
  EXPECT_EQ(play(0x9F, true), play(0x9F, false));
  EXPECT_NE(play(0x1F, true), play(0x1F, false));
}

TEST(SidRegisters, MirrorEvery32BytesAndIgnoreTheRest) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD420, 0x34);  // mirror of $D400
  write(s, 0xD7E1, 0x12);  // mirror of $D401
  EXPECT_EQ(s.regs.voice[0].frequency, 0x1234);
  write(s, 0xD40E, 0x77);  // voice 3 frequency low
  write(s, 0xD410, 0xFF);
  write(s, 0xD411, 0xFF);  // all 8 bits stored
  EXPECT_EQ(s.regs.voice[2].frequency, 0x77);
  EXPECT_EQ(s.regs.voice[2].pulse_width, 0xFFFF);
  const SidRegisterFile before = s.regs;
  for (uint16_t a = 0xD419; a <= 0xD41F; ++a) write(s, a, 0xAA);
  EXPECT_EQ(std::memcmp(&before, &s.regs, sizeof before), 0);
}

// Voices that do not depend on each other are rendered a block at a time;
// a ring bit without triangle changes nothing audible but forces the
// sample-by-sample path. Both must give the same samples.
TEST(SidRender, BlockAndSampleBySamplePathsAgree) {
  auto play = [](bool force_coupled) {
    auto m = fresh_machine();
    SidPlayerState& s = *m;
    const uint8_t regs[25] = {0x00, 0x11, 0x00, 0x08, 0x41, 0x22, 0xA8, 0x00, 0x20, 0x00, 0x00, 0x11, 0x11, 0xC9,
                              0x00, 0x06, 0x00, 0x00, 0xB1, 0x00, 0xF0, 0x05, 0x40, 0xF3, 0x3F};
    for (int r = 0; r < 25; ++r) write(s, static_cast<uint16_t>(0xD400 + r), regs[r]);
    if (force_coupled) write(s, 0xD404, 0x45);  // pulse + ring + gate
    std::vector<int16_t> out;
    for (int chunk = 0; chunk < 40; ++chunk) {
      write(s, 0xD401, static_cast<uint8_t>(0x11 + chunk));
      if (chunk == 20) write(s, 0xD40B, 0x10);  // gate off: release
      const auto part = render(s, kSidChunk);
      out.insert(out.end(), part.begin(), part.end());
    }
    return out;
  };
  EXPECT_EQ(play(false), play(true));
}

TEST(SidRegisters, SyncResetsToTheReferencePhaseFraction) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  write(s, 0xD400, 0x00);
  write(s, 0xD401, 0x10);  // voice 1: step $1000 * 359
  write(s, 0xD407, 0x00);
  write(s, 0xD408, 0x25);  // voice 2
  write(s, 0xD40B, kSidSync);
  const uint32_t ref_step = 0x1000u * 359u, step = 0x2500u * 359u;
  uint32_t ref = 0, phase = 0;
  for (int i = 0; i < 3000; ++i) {
    ref = (ref + ref_step) & 0xFFFFFFF;
    phase = (phase + step) & 0xFFFFFFF;
    if (ref < ref_step) phase = static_cast<uint32_t>(uint64_t{ref} * step / ref_step);
  }
  render(s, 3000);
  EXPECT_EQ(s.voice[1].phase, phase);
}

TEST(SidRender, FilterWrapsIn32BitsAndStoresTheLow16Bits) {
  auto m = fresh_machine();
  SidPlayerState& s = *m;
  for (uint16_t v : {0xD400, 0xD407, 0xD40E}) {
    write(s, static_cast<uint16_t>(v + 6), 0xF0);
    write(s, static_cast<uint16_t>(v + 4), kSidGate);  // constant $FF at level $F00000
  }
  write(s, 0xD417, 0xF7);  // all three filtered, resonance 15
  write(s, 0xD418, 0x0F);  // volume 15, no filter output yet
  render(s, 2000);
  // Cutoff at its limit and all three outputs on: the filter runs away.
  write(s, 0xD416, 0xFF);
  write(s, 0xD418, 0x7F);
  int64_t h = s.filter.h, b = s.filter.b, l = s.filter.l;
  const auto out = render(s, 3000);
  // Reference: the same equations in 64 bits, reduced to 32 after each step.
  auto wrap32 = [](int64_t v) { return static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(v))); };
  const int64_t in = 3 * 476;
  int wrapped = 0;
  for (size_t i = 0; i < out.size(); ++i) {
    h = wrap32(in * 65536 - (b >> 8) * 153 - l);
    b = wrap32(b + 256 * (h >> 8));
    l = wrap32(l + 256 * (b >> 8));
    const int64_t sample = wrap32(((l >> 16) + (b >> 16) + (h >> 16)) * 15);
    wrapped += sample > 32767 || sample < -32768;
    ASSERT_EQ(out[i], static_cast<int16_t>(static_cast<uint16_t>(sample & 0xFFFF))) << i;
  }
  EXPECT_GT(wrapped, 0);
}

// ---- digitised sample channel ------------------------------------------------

struct SampleChannelTest : ::testing::Test {
  std::unique_ptr<SidPlayerState> m = fresh_machine();
  SidPlayerState& s = *m;

  void setup(uint16_t start, uint16_t end, uint16_t period, uint8_t order) {
    write(s, 0xD41E, start & 0xFF);
    write(s, 0xD41F, start >> 8);
    write(s, 0xD43D, end & 0xFF);
    write(s, 0xD43E, end >> 8);
    write(s, 0xD45D, period & 0xFF);
    write(s, 0xD45E, period >> 8);
    write(s, 0xD47D, order);
  }
  static int32_t nib(int n) { return (n - 7) * 1024; }
};

TEST_F(SampleChannelTest, HighNibbleFirstOneNibblePerSampleAtPeriod22) {
  s.ram[0x3000] = 0xAB;
  s.ram[0x3001] = 0xCD;
  s.ram[0x3002] = 0xEF;
  setup(0x3000, 0x3003, 22, 0);  // period 22: step 44,784 > 44,100
  write(s, 0xD41D, 0xFF);
  // Volume 0: only the channel is heard; a step's value sounds from the next sample.
  const std::vector<int16_t> expected = {0, int16_t(nib(0xA)), int16_t(nib(0xD)), int16_t(nib(0xC)),
                                         int16_t(nib(0xF)), int16_t(nib(0xE)), 0, 0};
  EXPECT_EQ(render(s, 8), expected);  // at its end the sample stays active but adds nothing
  EXPECT_EQ(s.sample.active, 1);

}

TEST_F(SampleChannelTest, OtherOrderStartsWithTheNextByteHighNibbleFirst) {
  s.ram[0x3001] = 0xCD;
  s.ram[0x3002] = 0xEF;
  setup(0x3000, 0x3010, 22, 1);
  write(s, 0xD41D, 0xFE);
  const auto out = render(s, 4);
  EXPECT_EQ(out[1], nib(0xC));
  EXPECT_EQ(out[2], nib(0xD));
  EXPECT_EQ(out[3], nib(0xE));
}

TEST_F(SampleChannelTest, AddedAfterVolumeAndControlWritesReload) {
  s.ram[0x3000] = 0xF0;
  s.ram[0x3100] = 0x20;
  setup(0x3000, 0x3001, 22, 0);
  write(s, 0xD41D, 0xFC);  // reloads but does not start
  EXPECT_EQ(render(s, 4), std::vector<int16_t>(4, 0));
  write(s, 0xD418, 0x0F);
  write(s, 0xD41D, 0xFF);
  const auto out = render(s, 2);
  EXPECT_EQ(out[1], 3 * voice_value(255, 6 * 168867) * 15 + 8192);  // nibble 15, unscaled
  setup(0x3100, 0x3101, 22, 0);
  write(s, 0xD41D, 0x00);  // still playing, from the new start
  EXPECT_EQ(s.sample.active, 1);
  EXPECT_EQ(s.sample.run_position, 0x3100u);
  write(s, 0xD41D, 0xFD);
  EXPECT_EQ(s.sample.active, 0);
}

TEST_F(SampleChannelTest, RepeatsFromTheRepeatAddressThenEnds) {
  s.ram[0x3000] = 0x11;
  s.ram[0x3001] = 0x22;
  setup(0x3000, 0x3002, 22, 0);
  write(s, 0xD43F, 1);  // one repetition, from $3001
  write(s, 0xD47E, 0x01);
  write(s, 0xD47F, 0x30);
  write(s, 0xD41D, 0xFF);
  const std::vector<int16_t> expected = {0, int16_t(nib(1)), int16_t(nib(2)), int16_t(nib(2)),
                                         int16_t(nib(2)), int16_t(nib(2)), 0, 0};
  EXPECT_EQ(render(s, 8), expected);
}

TEST_F(SampleChannelTest, SlowPeriodsAccumulateAndPeriodZeroIsSilent) {
  s.ram[0x3000] = 0x5F;
  setup(0x3000, 0x3001, 100, 0);  // step 9,852: 49,260 > 44,100 at the fifth sample
  write(s, 0xD41D, 0xFF);
  const auto out = render(s, 6);
  EXPECT_EQ(out[4], 0);
  EXPECT_EQ(out[5], nib(5));
  setup(0x3000, 0x3001, 0, 0);
  write(s, 0xD41D, 0xFF);
  EXPECT_EQ(render(s, 100), std::vector<int16_t>(100, 0));
}

}  // namespace
}  // namespace zel
