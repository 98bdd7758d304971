// SID synthesis, checked on rendered samples against hand-computed values
// and small reference models.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "psid_builder.h"

namespace zel {
namespace {

using testing_psid::fresh_machine;

// Writes `values` to consecutive addresses from `at`, as a tune would.
void poke(SidPlayerState& s, uint16_t at, std::initializer_list<uint8_t> values) {
  for (uint8_t v : values) mem_write(s, at++, v);
}

std::vector<int16_t> render(SidPlayerState& s, size_t n) {
  std::vector<int16_t> out(n);
  sid_render(s, out.data(), n);
  return out;
}

// Voice value of an envelope level for a waveform byte, as the chip scales it.
int32_t voice_value(int32_t out, int32_t level) { return (out - 128) * level >> 22; }

struct Sid : ::testing::Test {
  std::unique_ptr<SidPlayerState> m = fresh_machine();
  SidPlayerState& s = *m;
};

TEST_F(Sid, RateConstantsAt44100) {
  EXPECT_EQ(s.frequency_multiplier, 359u);
  EXPECT_EQ(s.filter_multiplier, 32);
  EXPECT_EQ(std::to_array(s.attack_rates),
            (std::array<uint32_t, 16>{168867, 47495, 24124, 15998, 10200, 6908, 5692, 4855, 3877, 1555, 777, 486,
                                      389, 129, 77, 48}));
  EXPECT_EQ(std::to_array(s.decay_release_rates),
            (std::array<uint32_t, 16>{42660, 15468, 7857, 5210, 3322, 2250, 1853, 1581, 1262, 506, 253, 158, 126,
                                      42, 25, 15}));
}

TEST_F(Sid, SawtoothFollowsAReferencePhaseAccumulator) {
  poke(s, 0xD400, {7479 & 0xFF, 7479 >> 8});  // 441 Hz
  poke(s, 0xD406, {0xF0});                    // sustain 15
  poke(s, 0xD404, {kSidSawtooth | kSidGate});
  poke(s, 0xD418, {0x0F});
  render(s, 1000);  // attack and decay done; voices 2 and 3 decayed to 0
  EXPECT_EQ(s.voice[0].phase_step, 2684961u);
  uint32_t phase = s.voice[0].phase;
  const auto out = render(s, 10000);
  for (size_t i = 0; i < out.size(); ++i) {
    phase = (phase + 2684961u) & 0xFFFFFFF;
    ASSERT_EQ(out[i], voice_value((phase >> 20) & 0xFF, 0xF00000) * 15) << i;
  }
}

TEST_F(Sid, AttackDecayAndReleaseAtNibbleZeroWithoutGate) {
  poke(s, 0xD418, {0x0F});
  const auto out = render(s, 600);
  // All three voices idle with control $00: waveform byte $FF, each adds
  // (127 * level) >> 22. Attack 168,867 per sample reaches $FFFFFF at
  // sample 100 (index 99); decay 42,660 per sample reaches 0 394 samples later.
  EXPECT_EQ(out[0], 3 * voice_value(255, 168867) * 15);
  EXPECT_LT(out[98], 3 * 507 * 15);
  EXPECT_EQ(out[99], 3 * 507 * 15);
  EXPECT_EQ(out[100], 3 * voice_value(255, 0xFFFFFF - 42660) * 15);
  EXPECT_NE(out[99 + 392], 0);
  EXPECT_EQ(out[99 + 394], 0);
  EXPECT_EQ(s.voice[0].envelope_phase, kEnvSustain);
  // Gate off: release from level 0 never falls below its floor.
  poke(s, 0xD404, {0x00});
  EXPECT_EQ(render(s, 10)[9], voice_value(255, 0x40000) * 15);  // 7 per unit of volume
  EXPECT_EQ(std::tuple(s.voice[0].envelope_phase, s.voice[0].envelope_level), std::tuple(kEnvRelease, 0x40000));
}

TEST_F(Sid, GateRestartsAttackOnlyFromRelease) {
  poke(s, 0xD404, {kSidGate, 0x99, 0x89});  // slow attack and decay
  render(s, 20000);
  ASSERT_EQ(s.voice[0].envelope_phase, kEnvDecay);
  poke(s, 0xD404, {kSidGate});  // gate already on: nothing changes
  EXPECT_EQ(s.voice[0].envelope_phase, kEnvDecay);
  const int32_t level = s.voice[0].envelope_level;
  poke(s, 0xD404, {0x00});
  poke(s, 0xD404, {kSidGate});  // off and on within one play call
  EXPECT_EQ(s.voice[0].envelope_phase, kEnvAttack);
  render(s, 1);
  EXPECT_EQ(s.voice[0].envelope_level, level + 1555);  // attack from the current level
}

// Width $FFF: low only for the last 65,535 phase values of each cycle.
TEST_F(Sid, PulseWidthAtItsWidest) {
  poke(s, 0xD418, {0x01});
  poke(s, 0xD406, {0xF0});
  poke(s, 0xD400, {100, 0, 0xFF, 0x0F, kSidPulse | kSidGate});
  render(s, 1000);
  uint32_t phase = s.voice[0].phase;
  int lows = 0, expected_lows = 0;
  for (int16_t v : render(s, 20000)) {
    lows += v < 0;
    phase = (phase + 35900) & 0xFFFFFFF;
    expected_lows += phase > 0xFFF0000;
  }
  EXPECT_GT(expected_lows, 0);
  EXPECT_EQ(lows, expected_lows);
}

TEST_F(Sid, VoiceThreeOffIsSilentOnBothPaths) {
  auto play = [](uint8_t mode, bool voice3_plays) {
    auto m = fresh_machine();
    poke(*m, 0xD416, {0x80, 0x04, mode});  // voice 3 through the filter
    if (voice3_plays) poke(*m, 0xD40F, {0x20, 0, 0, kSidSawtooth | kSidGate, 0, 0xF0});
    return render(*m, 4000);
  };
  EXPECT_EQ(play(0x9F, true), play(0x9F, false));
  EXPECT_NE(play(0x1F, true), play(0x1F, false));
}

TEST_F(Sid, RegistersMirrorEvery32BytesAndIgnoreTheRest) {
  poke(s, 0xD420, {0x34});  // mirror of $D400
  poke(s, 0xD7E1, {0x12});  // mirror of $D401
  EXPECT_EQ(s.regs.voice[0].frequency, 0x1234);
  poke(s, 0xD410, {0xFF, 0xFF});  // all 8 bits of both pulse width bytes stored
  EXPECT_EQ(s.regs.voice[2].pulse_width, 0xFFFF);
  const SidRegisterFile before = s.regs;
  for (uint16_t a = 0xD419; a <= 0xD41F; ++a) poke(s, a, {0xAA});
  EXPECT_EQ(std::memcmp(&before, &s.regs, sizeof before), 0);
}

TEST_F(Sid, SyncResetsToTheReferencePhaseFraction) {
  poke(s, 0xD401, {0x10});             // voice 1: step $1000 * 359
  poke(s, 0xD408, {0x25, 0, 0, kSidSync});  // voice 2: step $2500 * 359, synced
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

// Voices that do not read each other's phase are rendered a block at a
// time; sync and ring read the previous voice's, so those voices are stepped
// sample by sample. Ring bits on the voices without triangle sound the same
// but force all three onto the sample-by-sample path: either way the samples
// agree, through frequency changes between chunks, a release and the filter.
// Without its sync and ring bits a coupled case sounds different, so the
// coupling is heard.
TEST_F(Sid, BlockAndSampleBySamplePathsAgreeAndCoupledVoicesAreHeard) {
  const std::array<uint8_t, 3> cases[] = {
      {kSidPulse, kSidSawtooth, kSidTriangle},                        // nothing coupled
      {kSidSync | kSidSawtooth, kSidPulse, kSidSawtooth},             // voice 1 synced to voice 3
      {kSidPulse, kSidRing | kSidTriangle, kSidSawtooth},             // voice 2 ring-modulated by voice 1
      {kSidSawtooth, kSidSync | kSidPulse, kSidRing | kSidTriangle},  // voice 3 reads voice 2, which reads voice 1
      {kSidTest | kSidPulse, kSidPulse, kSidSync | kSidSawtooth},     // a test bit: held at phase 0
  };
  auto play = [](std::array<uint8_t, 3> control) {
    auto m = fresh_machine();
    poke(*m, 0xD415, {0x05, 0x40, 0xF3, 0x3F});  // voices 1 and 2 through the filter
    for (int v = 0; v < 3; ++v) {
      const uint16_t freq = static_cast<uint16_t>(0x0B77 + 0x1389 * v);
      poke(*m, static_cast<uint16_t>(0xD400 + 7 * v), {static_cast<uint8_t>(freq), static_cast<uint8_t>(freq >> 8),
                                                       0x00, 0x08, static_cast<uint8_t>(control[v] | kSidGate), 0x00, 0xF0});
    }
    std::vector<int16_t> out;
    for (int chunk = 0; chunk < 16; ++chunk) {
      poke(*m, 0xD401, {static_cast<uint8_t>(0x0B + 3 * chunk)});
      if (chunk == 10) poke(*m, 0xD40B, {control[1]});  // voice 2's gate off: release
      const auto part = render(*m, chunk % 3 ? kSidChunk : 300);
      out.insert(out.end(), part.begin(), part.end());
    }
    return out;
  };
  for (const auto& control : cases) {
    auto together = control, uncoupled = control;
    for (uint8_t& c : together)
      if (!(c & (kSidTriangle | kSidSync | kSidRing))) c |= kSidRing;
    for (uint8_t& c : uncoupled) c &= static_cast<uint8_t>(~(kSidSync | kSidRing));
    const auto heard = play(control);
    // Loud enough that a silent or one-voice path could not pass.
    EXPECT_GT(std::count_if(heard.begin(), heard.end(), [](int16_t v) { return std::abs(v) > 2000; }), 5000);
    EXPECT_EQ(heard, play(together));
    EXPECT_TRUE(uncoupled == control || heard != play(uncoupled));
  }
}

// The envelope rendered in pieces of every length (the render walks it in
// straight runs between clamps and phase changes) against a sample-by-sample
// model, through attack, decay, sustain changes, release and re-gating.
TEST_F(Sid, EnvelopeRenderedInPiecesFollowsASampleBySampleModel) {
  struct Piece {
    size_t samples;
    int control = -1;          // written before the piece unless -1
    int sustain_release = -1;  // likewise
    int steps_to_limit = -1;   // unless -1, the level is set this many steps from its limit
  };
  const Piece pieces[] = {{1, kSidGate}, {7, -1, -1, 3}, {1000}, {2, -1, -1, 2}, {3000, -1, 0x35}, {2, -1, 0xA5},
                          {900, 0}, {9, -1, -1, 4}, {20000}, {333, kSidGate}, {1, 0}, {5000, kSidGate},
                          {40000, 0, 0x02}, {256}};
  for (const uint8_t attack_decay : {0x00, 0x29, 0x91, 0xF3}) {
    auto m = fresh_machine();
    SidPlayerState& s = *m;
    poke(s, 0xD405, {attack_decay, 0xC7});
    int32_t level = 0;
    int phase = kEnvAttack;
    uint8_t sustain_release = 0xC7;
    for (const Piece& p : pieces) {
      if (p.sustain_release >= 0) poke(s, 0xD406, {sustain_release = static_cast<uint8_t>(p.sustain_release)});
      if (p.control >= 0) {
        poke(s, 0xD404, {static_cast<uint8_t>(p.control)});
        if (!(p.control & kSidGate)) phase = kEnvRelease;
        else if (phase == kEnvRelease) phase = kEnvAttack;
      }
      const int32_t sustain = (sustain_release & 0xF0) << 16;
      const int32_t k = p.steps_to_limit;
      if (k >= 0 && phase != kEnvSustain) {
        const int32_t limits[] = {0xFFFFFF - k * static_cast<int32_t>(s.attack_rates[attack_decay >> 4]),
                                  sustain + k * static_cast<int32_t>(s.decay_release_rates[attack_decay & 15]), 0,
                                  0x40000 + k * static_cast<int32_t>(s.decay_release_rates[sustain_release & 15])};
        s.voice[0].envelope_level = level = limits[phase];
      }
      for (size_t i = 0; i < p.samples; ++i) {
        if (phase == kEnvAttack && (level += s.attack_rates[attack_decay >> 4]) >= 0xFFFFFF)
          level = 0xFFFFFF, phase = kEnvDecay;
        else if (phase == kEnvDecay && (level -= s.decay_release_rates[attack_decay & 15]) <= sustain)
          level = sustain, phase = kEnvSustain;
        else if (phase == kEnvSustain && level != sustain)
          phase = kEnvDecay;
        else if (phase == kEnvRelease)
          level = std::max<int32_t>(level - s.decay_release_rates[sustain_release & 15], 0x40000);
      }
      render(s, p.samples);
      ASSERT_EQ(s.voice[0].envelope_level, level) << int{attack_decay} << " after " << p.samples;
      ASSERT_EQ(s.voice[0].envelope_phase, phase) << int{attack_decay} << " after " << p.samples;
    }
  }
}

// A voice that plays no noise still clocks its noise register whenever
// phase >> 23 changes (the render counts those clocks per block): slow
// steps clock it now and then, steps of 2^23 and more every sample. Noise
// switched on later continues the same sequence, its output the register's
// taps; the test bit holds the phase at 0 and reloads the register, the
// output holding.
TEST_F(Sid, NoiseRegisterRunsOnUnderOtherWaveformsAndTheTestBitReloadsIt) {
  const int taps[8] = {22, 20, 16, 13, 11, 7, 4, 2};
  for (const uint8_t freq_high : {0x01, 0x17, 0x5B, 0x80, 0xFF}) {
    auto m = fresh_machine();
    poke(*m, 0xD401, {freq_high});
    const uint32_t step = freq_high * 256u * 359u;
    uint32_t reg = 0xFFFFFF, clock = 0, phase = 0;
    for (const auto& [samples, control] : {std::pair{size_t{1}, kSidPulse}, {size_t{700}, kSidSawtooth},
                                           {size_t{5}, kSidPulse}, {size_t{882}, kSidNoise}}) {
      poke(*m, 0xD404, {static_cast<uint8_t>(control | kSidGate)});
      render(*m, samples);
      for (size_t i = 0; i < samples; ++i) {
        phase = (phase + step) & 0xFFFFFFF;
        if ((phase >> 23) != clock) clock = phase >> 23, reg = (reg << 1) | (((reg >> 22) ^ (reg >> 17)) & 1);
      }
      ASSERT_EQ(m->voice[0].noise_register, reg) << int{freq_high} << " after " << samples;
      ASSERT_EQ(m->voice[0].noise_clock, clock);
    }
    uint8_t out = 0;
    for (int t = 0; t < 8; ++t) out = static_cast<uint8_t>(out | ((reg >> taps[t]) & 1) << (7 - t));
    EXPECT_EQ(m->voice[0].noise_output, out) << int{freq_high};
    poke(*m, 0xD404, {kSidNoise | kSidTest | kSidGate});
    render(*m, 50);
    EXPECT_EQ(std::tuple(m->voice[0].phase, m->voice[0].noise_register), std::tuple(0u, 0xFFFFFFu));
    EXPECT_EQ(m->voice[0].noise_output, out);
  }
}

// The digitised sample channel: with volume 0 only it is heard, a nibble n
// as (n - 7) x 1024 from the sample after its step. At period 22 (a step of
// 44,784 > 44,100) it takes a nibble per sample; period 0 is silent.
TEST_F(Sid, SampleChannelPlaysNibblesAndIsSilentAtPeriodZero) {
  auto play = [](uint8_t period, size_t n) {
    auto m = fresh_machine();
    poke(*m, 0x3000, {0xAB, 0xCD, 0xEF});
    poke(*m, 0xD41E, {0x00, 0x30});  // start
    poke(*m, 0xD43D, {0x03, 0x30});  // end, exclusive
    poke(*m, 0xD45D, {period, 0});
    poke(*m, 0xD41D, {0xFF});  // play
    return render(*m, n);
  };
  const int16_t k = 1024;
  EXPECT_EQ(play(22, 8), (std::vector<int16_t>{0, 3 * k, 6 * k, 5 * k, 8 * k, 7 * k, 0, 0}));
  EXPECT_EQ(play(0, 100), std::vector<int16_t>(100, 0));
}

}  // namespace
}  // namespace zel
