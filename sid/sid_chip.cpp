// SID synthesis: three voices (28-bit phase accumulators feeding triangle,
// sawtooth, pulse and noise, combined by AND, with hard sync and ring
// modulation), linear ADSR envelopes, a state-variable filter and a 4-bit
// master volume. Integer arithmetic only once sid_init has built the tables.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

#include "sid/sid_machine.h"

namespace zel {

namespace {

// Seconds for a full envelope sweep over 0..$FFFFFF, per rate nibble, as
// single-precision values.
constexpr float kAttackTimes[16] = {
    0.0022528607f, 0.008009958f, 0.015769605f, 0.023779562f, 0.037296366f, 0.05506846f,
    0.06683309f,   0.0783474f,   0.09812198f,  0.24455403f,  0.48910806f,  0.7824727f,
    0.97771543f,   2.933647f,    4.889078f,    7.822725f,
};
constexpr float kDecayReleaseTimes[16] = {
    0.008917777f, 0.024594052f, 0.04841859f, 0.07301167f, 0.11451247f, 0.16907835f,
    0.20519944f,  0.24055198f,  0.30126613f, 0.75085825f, 1.5017155f,  2.4024367f,
    3.001893f,    9.007214f,    15.010998f,  24.018211f,
};

constexpr int32_t kEnvelopeMax = 0xFFFFFF;
constexpr int32_t kReleaseFloor = 0x40000;
constexpr uint32_t kPhaseMask = 0xFFFFFFF;

// 32-bit wrapping arithmetic for the filter (signed overflow would be
// undefined in C++; the filter is meant to wrap).
inline int32_t wrap_add(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrap_sub(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrap_mul(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

// Noise output byte from register bits 22, 20, 16, 13, 11, 7, 4, 2.
inline uint8_t noise_byte(uint32_t r) {
  return static_cast<uint8_t>(((r >> 15) & 0x80) | ((r >> 14) & 0x40) | ((r >> 11) & 0x20) | ((r >> 9) & 0x10) |
                              ((r >> 8) & 0x08) | ((r >> 5) & 0x04) | ((r >> 3) & 0x02) | ((r >> 2) & 0x01));
}

// One envelope step from `level`; switches w's envelope phase and returns
// the new level.
[[gnu::always_inline]] inline int32_t envelope_step(SidVoice& w, int32_t level) {
  switch (w.envelope_phase) {
    case kEnvAttack:
      level += static_cast<int32_t>(w.attack_rate);
      if (level >= kEnvelopeMax) {
        level = kEnvelopeMax;
        w.envelope_phase = kEnvDecay;
      }
      break;
    case kEnvDecay: {
      const int32_t sustain = static_cast<int32_t>(w.sustain_level << 16);
      level -= static_cast<int32_t>(w.decay_rate);
      if (level <= sustain) {
        level = sustain;
        w.envelope_phase = kEnvSustain;
      }
      break;
    }
    case kEnvSustain:
      if (level != static_cast<int32_t>(w.sustain_level << 16)) w.envelope_phase = kEnvDecay;
      break;
    default:
      level -= static_cast<int32_t>(w.release_rate);
      if (level < kReleaseFloor) level = kReleaseFloor;
      break;
  }
  return level;
}

// A stretch of samples over which envelope_step only adds `step` to the
// level: no limit is reached and the phase stays. Rates are fixed for a
// whole render call, so the envelope is a few such straight runs joined by
// single steps where it clamps or changes phase.
struct EnvelopeRun {
  size_t samples;
  int32_t step;
};

constexpr size_t kForever = SIZE_MAX;

// How many steps of `rate` fit into `room` (the distance the level may move
// without reaching its limit); a rate that the envelope reads as negative
// gets no run, so those steps go through envelope_step one by one.
inline size_t steps_within(int32_t rate, int64_t room) {
  if (room < 0 || rate < 0) return 0;
  if (rate == 0) return kForever;
  return static_cast<size_t>(room / rate);
}

inline EnvelopeRun envelope_run(const SidVoice& w, int32_t level) {
  const int32_t sustain = static_cast<int32_t>(w.sustain_level << 16);
  switch (w.envelope_phase) {
    case kEnvAttack: {
      const auto rate = static_cast<int32_t>(w.attack_rate);
      return {steps_within(rate, int64_t{kEnvelopeMax} - 1 - level), rate};
    }
    case kEnvDecay: {
      const auto rate = static_cast<int32_t>(w.decay_rate);
      return {steps_within(rate, int64_t{level} - sustain - 1), -rate};
    }
    case kEnvSustain: return {level == sustain ? kForever : 0, 0};
    default: {
      const auto rate = static_cast<int32_t>(w.release_rate);
      // At the floor each step falls below it and is clamped back: the level stays.
      if (level == kReleaseFloor && rate > 0) return {kForever, 0};
      return {steps_within(rate, int64_t{level} - kReleaseFloor), -rate};
    }
  }
}

inline uint32_t noise_shift(uint32_t r) { return (r << 1) | (((r >> 22) ^ (r >> 17)) & 1); }

// Five shifts at once: the five feedback bits come from bits 22..18 and
// 17..13, none of which the first four shifts have changed yet.
inline uint32_t noise_shift5(uint32_t r) { return (r << 5) | (((r >> 18) ^ (r >> 13)) & 0x1F); }

// How often the noise register of a voice is clocked over `n` samples from
// `phase`: once for every sample whose phase >> 23 differs from the one
// before. A step of at least 2^23 moves every sample into another 2^23 slice
// (steps stay below 2^28 - 2^23, so a step never comes back to the same
// slice); a smaller step crosses at most one boundary per sample, so the
// count is the number of boundaries passed.
inline size_t noise_clocks_over(uint32_t phase, size_t n, uint32_t step) {
  if (step >= (1u << 23)) return n;
  return static_cast<size_t>(((uint64_t{phase} + uint64_t{n} * step) >> 23) - (phase >> 23));
}

// Four consecutive samples of a voice, for the loops that compute them
// together. Plain vector types of the compiler: where the target has no
// vector instructions they become four scalar operations.
using Lanes = uint32_t __attribute__((vector_size(16)));
using SignedLanes = int32_t __attribute__((vector_size(16)));

// The waveform byte for four phases, as the scalar code forms it (noise
// aside, which needs the register sample by sample).
template <unsigned kWave>
[[gnu::always_inline]] inline SignedLanes waveform_lanes(Lanes phase, uint32_t threshold) {
  Lanes out = Lanes{} + 0xFF;
  if constexpr (kWave & 1) out = ((phase >> 19) & 0xFF) ^ ((0u - ((phase >> 27) & 1)) & 0xFF);
  if constexpr (kWave & 2) out &= (phase >> 20) & 0xFF;
  if constexpr (kWave & 4) out &= (Lanes)(phase <= threshold) & 0xFF;
  return (SignedLanes)out;
}

// A voice without test, sync or ring bits depends on no other voice: its
// values for a whole block are computed in one loop with its state in
// registers. kWave is the waveform nibble (control >> 4). The envelope is
// walked run by run (see EnvelopeRun). A voice that does not play noise
// computes four samples at a time within a run, and leaves its noise
// register alone inside the loop: the clocks of the block are counted from
// its phases and the register shifted that often at the end, which leaves
// register and output as sample-by-sample clocking would.
template <unsigned kWave>
void voice_block(SidVoice& w, int32_t* values, size_t n) {
  constexpr bool kPlaysNoise = kWave & 8;
  if (n == 0) return;
  uint32_t phase = w.phase;
  uint32_t noise_clock = w.noise_clock;
  uint32_t noise = w.noise_register;
  uint8_t noise_out = w.noise_output;
  int32_t level = w.envelope_level;
  const uint32_t step = w.phase_step;
  const uint32_t threshold = w.pulse_threshold;

  if constexpr (!kPlaysNoise) {
    // The first sample compares with the stored clock; from then on each
    // sample compares with the phase before it.
    const uint32_t first = (phase + step) & kPhaseMask;
    size_t clocks = ((first >> 23) != noise_clock) + noise_clocks_over(first, n - 1, step);
    noise_clock = static_cast<uint32_t>((phase + n * step) & kPhaseMask) >> 23;
    if (clocks > 0) {
      for (; clocks >= 5; clocks -= 5) noise = noise_shift5(noise);
      for (; clocks > 0; --clocks) noise = noise_shift(noise);
      noise_out = noise_byte(noise);
    }
  }

  // Phase, waveform and (for a noise voice) noise of the next sample; returns
  // its waveform byte - 128.
  auto waveform = [&] {
    phase = (phase + step) & kPhaseMask;
    uint32_t out = 0xFF;
    if constexpr (kWave & 1) out = ((phase >> 19) & 0xFF) ^ ((0u - ((phase >> 27) & 1)) & 0xFF);
    if constexpr (kWave & 2) out &= (phase >> 20) & 0xFF;
    if constexpr (kWave & 4) out &= (0u - static_cast<uint32_t>(phase <= threshold)) & 0xFF;
    if constexpr (kPlaysNoise) {
      const uint32_t clock = phase >> 23;
      if (clock != noise_clock) {
        noise_clock = clock;
        noise = noise_shift(noise);
        noise_out = noise_byte(noise);
      }
      out &= noise_out;
    }
    return static_cast<int32_t>(out) - 128;
  };

  size_t i = 0;
  while (i < n) {
    const EnvelopeRun run = envelope_run(w, level);
    const size_t end = i + std::min(run.samples, n - i);
    if constexpr (!kPlaysNoise) {
      // Four samples at a time: within a run each sample's phase and level
      // follow from the first by multiples of step and run.step.
      const size_t quads = (end - i) / 4;
      // (The levels step in wrapping unsigned lanes: past the run's end they
      // may leave the signed range, and there they are never used.)
      const auto level_step = static_cast<uint32_t>(run.step);
      Lanes phases = Lanes{1, 2, 3, 4} * step + phase;
      Lanes levels = Lanes{1, 2, 3, 4} * level_step + static_cast<uint32_t>(level);
      for (size_t q = 0; q < quads; ++q, i += 4) {
        const SignedLanes v =
            (waveform_lanes<kWave>(phases & kPhaseMask, threshold) - 128) * (SignedLanes)levels >> 22;
        std::memcpy(values + i, &v, sizeof v);
        phases += 4 * step;
        levels += 4 * level_step;
      }
      phase = static_cast<uint32_t>((phase + 4 * quads * step) & kPhaseMask);
      level += static_cast<int32_t>(4 * quads) * run.step;
    }
    for (; i < end; ++i) {
      const int32_t out = waveform();
      level += run.step;
      values[i] = out * level >> 22;
    }
    if (i < n) {  // the step that clamps or changes phase
      const int32_t out = waveform();
      level = envelope_step(w, level);
      values[i++] = out * level >> 22;
    }
  }

  w.phase = phase;
  w.noise_clock = noise_clock;
  w.noise_register = noise;
  w.noise_output = noise_out;
  w.envelope_level = level;
}

template <unsigned... kWaves>
constexpr auto make_voice_blocks(std::integer_sequence<unsigned, kWaves...>) {
  return std::array<void (*)(SidVoice&, int32_t*, size_t), sizeof...(kWaves)>{&voice_block<kWaves>...};
}
constexpr auto kVoiceBlocks = make_voice_blocks(std::make_integer_sequence<unsigned, 16>{});

// One voice for one output sample: phase, test, sync, waveform, noise,
// ring modulation, envelope; returns the voice value (-512..507).
[[gnu::always_inline]] inline int32_t voice_sample(SidVoice& w, const SidVoice& ref) {
  const uint8_t wf = w.waveform;
  w.phase = (w.phase + w.phase_step) & kPhaseMask;
  if (wf & (kSidTest | kSidSync)) [[unlikely]] {
    if (wf & kSidTest) {
      w.phase = 0;
      w.noise_clock = 0;
      w.noise_register = 0xFFFFFF;
    }
    if ((wf & kSidSync) && ref.phase < ref.phase_step)
      w.phase = static_cast<uint32_t>(static_cast<uint64_t>(ref.phase) * w.phase_step / ref.phase_step);
  }
  const uint32_t phase = w.phase;
  uint32_t out = 0xFF;
  if (wf & kSidTriangle) {
    uint32_t tri = ((phase >> 19) & 0xFF) ^ ((0u - ((phase >> 27) & 1)) & 0xFF);  // falls after bit 27
    if ((wf & kSidRing) && ref.phase < 0x8000000) tri ^= 0xFF;
    out = tri;
  }
  if (wf & kSidSawtooth) out &= (phase >> 20) & 0xFF;
  if (wf & kSidPulse) out &= (0u - static_cast<uint32_t>(phase <= w.pulse_threshold)) & 0xFF;
  // The noise register is clocked whatever the waveform, so that switching
  // noise on later continues the same sequence.
  const uint32_t clock = phase >> 23;
  if (clock != w.noise_clock) {
    w.noise_clock = clock;
    w.noise_register = noise_shift(w.noise_register);
    w.noise_output = noise_byte(w.noise_register);
  }
  if (wf & kSidNoise) out &= w.noise_output;

  const int32_t level = envelope_step(w, w.envelope_level);
  w.envelope_level = level;
  return (static_cast<int32_t>(out) - 128) * level >> 22;
}

}  // namespace

void sid_init(SidPlayerState& s, int32_t mixing_rate) {
  const int32_t kept_sample_value = s.sample.current_value;
  std::memset(static_cast<void*>(&s), 0, sizeof s);
  s.sample.current_value = kept_sample_value;
  s.mixing_rate = mixing_rate;
  if (mixing_rate > 0) {
    s.frequency_multiplier = static_cast<uint32_t>(15872000 / mixing_rate);
    s.filter_multiplier = 1411200 / mixing_rate;
    for (int i = 0; i < 16; ++i) {
      s.attack_rates[i] = static_cast<uint32_t>(16777216.0 / (static_cast<double>(kAttackTimes[i]) * mixing_rate));
      s.decay_release_rates[i] =
          static_cast<uint32_t>(16777216.0 / (static_cast<double>(kDecayReleaseTimes[i]) * mixing_rate));
    }
  }
  for (SidVoice& v : s.voice) v.noise_register = 0xFFFFFF;
  cpu_reset(s);
}

void sid_write_register(SidPlayerState& s, int reg, uint8_t value) {
  reg &= 0x1F;
  if (reg >= 21) {
    switch (reg) {
      case 21: s.regs.cutoff_low = value; break;
      case 22: s.regs.cutoff_high = value; break;
      case 23: s.regs.resonance_route = value; break;
      case 24: s.regs.mode_volume = value; break;
      default: break;  // 25..31: nothing there
    }
    return;
  }
  const int v = reg / 7;
  SidVoiceRegisters& r = s.regs.voice[v];
  switch (reg - 7 * v) {
    case 0: r.frequency = static_cast<uint16_t>((r.frequency & 0xFF00) | value); break;
    case 1: r.frequency = static_cast<uint16_t>((r.frequency & 0x00FF) | value << 8); break;
    case 2: r.pulse_width = static_cast<uint16_t>((r.pulse_width & 0xFF00) | value); break;
    case 3: r.pulse_width = static_cast<uint16_t>((r.pulse_width & 0x00FF) | value << 8); break;
    case 4: {
      r.control = value;
      // The gate acts at once: off starts the release; on restarts the
      // attack only from release, so a gate that is already on does nothing.
      SidVoice& voice = s.voice[v];
      if (!(value & kSidGate))
        voice.envelope_phase = kEnvRelease;
      else if (voice.envelope_phase == kEnvRelease)
        voice.envelope_phase = kEnvAttack;
      break;
    }
    case 5: r.attack_decay = value; break;
    case 6: r.sustain_release = value; break;
  }
}

void sid_render(SidPlayerState& s, int16_t* buffer, size_t count) {
  // Once per call: working values from the register file.
  for (int v = 0; v < 3; ++v) {
    const SidVoiceRegisters& r = s.regs.voice[v];
    SidVoice& voice = s.voice[v];
    voice.pulse_threshold = static_cast<uint32_t>(r.pulse_width & 0xFFF) << 16;
    voice.filtered = (s.regs.resonance_route >> v) & 1;
    voice.attack_rate = s.attack_rates[r.attack_decay >> 4];
    voice.decay_rate = s.decay_release_rates[r.attack_decay & 15];
    voice.sustain_level = r.sustain_release & 0xF0;
    voice.release_rate = s.decay_release_rates[r.sustain_release & 15];
    voice.waveform = r.control;
    voice.phase_step = r.frequency * s.frequency_multiplier;
  }
  SidFilter& flt = s.filter;
  int32_t f = (s.regs.cutoff_high * 16 + (s.regs.cutoff_low & 7)) * s.filter_multiplier;
  flt.f = f > 65536 ? 65536 : f;
  flt.lowpass_on = (s.regs.mode_volume >> 4) & 1;
  flt.bandpass_on = (s.regs.mode_volume >> 5) & 1;
  flt.highpass_on = (s.regs.mode_volume >> 6) & 1;
  flt.voice3_on = !(s.regs.mode_volume & 0x80);
  flt.volume = s.regs.mode_volume & 15;
  flt.resonance = (78643 - 2621 * (s.regs.resonance_route >> 4)) >> 8;

  // Per-sample loop. The voice and filter state lives in locals for the
  // length of the call and is stored back at the end.
  SidVoice voice[3] = {s.voice[0], s.voice[1], s.voice[2]};
  int32_t h = flt.h, b = flt.b, l = flt.l;
  const int32_t f8 = flt.f >> 8;
  const int32_t res = flt.resonance;
  const int32_t volume = flt.volume;
  const int32_t lp_mask = flt.lowpass_on ? -1 : 0;
  const int32_t bp_mask = flt.bandpass_on ? -1 : 0;
  const int32_t hp_mask = flt.highpass_on ? -1 : 0;
  const bool voice3_on = flt.voice3_on;
  const bool sample_idle = !s.sample.active;

  // Voice routing as masks: all ones where the voice value goes, else 0.
  int32_t direct_mask[3], filter_mask[3];
  for (int v = 0; v < 3; ++v) {
    const bool heard = v != 2 || voice3_on;
    direct_mask[v] = heard && !voice[v].filtered ? -1 : 0;
    filter_mask[v] = heard && voice[v].filtered ? -1 : 0;
  }

  // Filter, volume, sample channel and the 16-bit store for one sample.
  auto finish = [&](int32_t direct, int32_t filter_in) -> int16_t {
    h = wrap_sub(wrap_sub(wrap_mul(filter_in, 65536), wrap_mul(b >> 8, res)), l);
    b = wrap_add(b, wrap_mul(f8, h >> 8));
    l = wrap_add(l, wrap_mul(f8, b >> 8));
    const int32_t filter_out = wrap_add(wrap_add((l >> 16) & lp_mask, (b >> 16) & bp_mask), (h >> 16) & hp_mask);
    int32_t sample = wrap_mul(wrap_add(direct, filter_out), volume);
    if (!sample_idle) sample = sample_channel_mix(s, sample);
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(sample) & 0xFFFF));
  };

  // Sync and ring make a voice read the phase of its reference voice (the
  // previous one) at every sample; the test bit and those two make it render
  // sample by sample. Only when all three voices read their references are
  // they stepped together; otherwise each voice renders a block on its own,
  // starting with one that reads no reference so that every reader comes
  // after the voice it reads, whose phases are kept for it.
  auto reads_reference = [&](int v) { return (voice[v].waveform & (kSidSync | kSidRing)) != 0; };
  if (reads_reference(0) && reads_reference(1) && reads_reference(2)) {
    for (size_t i = 0; i < count; ++i) {
      // The reference voice of voice 0 is voice 2 as it was after the
      // previous sample; voices 1 and 2 see their reference already stepped.
      const int32_t v0 = voice_sample(voice[0], voice[2]);
      const int32_t v1 = voice_sample(voice[1], voice[0]);
      const int32_t v2 = voice_sample(voice[2], voice[1]);
      const int32_t direct = (v0 & direct_mask[0]) + (v1 & direct_mask[1]) + (v2 & direct_mask[2]);
      const int32_t filter_in = (v0 & filter_mask[0]) + (v1 & filter_mask[1]) + (v2 & filter_mask[2]);
      buffer[i] = finish(direct, filter_in);
    }
  } else {
    const int first = !reads_reference(0) ? 0 : !reads_reference(1) ? 1 : 2;
    constexpr size_t kBlock = 256;
    int32_t values[3][kBlock];
    // A voice's phase before the block ([0]) and after each of its samples.
    uint32_t phases[3][kBlock + 1];
    for (size_t at = 0; at < count; at += kBlock) {
      const size_t n = std::min(kBlock, count - at);
      for (int k = 0; k < 3; ++k) {
        const int v = (first + k) % 3;
        SidVoice& w = voice[v];
        uint32_t* kept = phases[v];
        kept[0] = w.phase;
        if (!(w.waveform & (kSidTest | kSidSync | kSidRing))) {
          kVoiceBlocks[w.waveform >> 4](w, values[v], n);
          if (reads_reference((v + 1) % 3))
            for (size_t i = 0; i < n; ++i) kept[i + 1] = (kept[0] + (i + 1) * w.phase_step) & kPhaseMask;
          continue;
        }
        // Voice 0 reads voice 2 as it was after the previous sample; voices
        // 1 and 2 read their reference already stepped.
        SidVoice ref = voice[(v + 2) % 3];
        const uint32_t* ref_phases = phases[(v + 2) % 3] + (v == 0 ? 0 : 1);
        const bool reads = reads_reference(v);
        for (size_t i = 0; i < n; ++i) {
          if (reads) ref.phase = ref_phases[i];
          values[v][i] = voice_sample(w, ref);
          kept[i + 1] = w.phase;
        }
      }
      for (size_t i = 0; i < n; ++i) {
        const int32_t v0 = values[0][i], v1 = values[1][i], v2 = values[2][i];
        const int32_t direct = (v0 & direct_mask[0]) + (v1 & direct_mask[1]) + (v2 & direct_mask[2]);
        const int32_t filter_in = (v0 & filter_mask[0]) + (v1 & filter_mask[1]) + (v2 & filter_mask[2]);
        buffer[at + i] = finish(direct, filter_in);
      }
    }
  }

  for (int v = 0; v < 3; ++v) s.voice[v] = voice[v];
  flt.h = h;
  flt.b = b;
  flt.l = l;
}

}  // namespace zel
