// Instrument synthesiser: drums from oscillators, noise and envelopes;
// pitched tones from band-limited oscillators through a resonant filter;
// FM plucks, bells and electric pianos; noise effects.
//
// Looped tones are made so that the loop is seamless and in tune: the loop
// holds a whole number of cycles of every voice, and the playback rate is
// chosen from that, so the base note sounds exactly at the rate that
// tuning_for() turns into relative note and finetune.
#include "tools/xmsynth/synth.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>
#include <stdexcept>

namespace zel::xmsynth {

namespace {

constexpr double kPi = std::numbers::pi;

// Deterministic white noise (xorshift32), -1..1.
struct Noise {
  uint32_t s;
  explicit Noise(uint32_t seed) : s(seed ? seed : 0x9E3779B9u) {}
  double next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return (s / 4294967295.0) * 2.0 - 1.0;
  }
};

// Topology-preserving state-variable filter: stable at every cutoff.
struct Svf {
  double ic1 = 0, ic2 = 0;
  double low = 0, band = 0, high = 0;
  void run(double x, double cutoff, double q, double rate) {
    cutoff = std::clamp(cutoff, 10.0, rate * 0.49);
    const double g = std::tan(kPi * cutoff / rate);
    const double k = 1.0 / std::max(q, 0.3);
    const double a1 = 1.0 / (1.0 + g * (g + k));
    const double a2 = g * a1;
    const double a3 = g * a2;
    const double v3 = x - ic2;
    const double v1 = a1 * ic1 + a2 * v3;
    const double v2 = ic2 + a2 * ic1 + a3 * v3;
    ic1 = 2 * v1 - ic1;
    ic2 = 2 * v2 - ic2;
    low = v2;
    band = v1;
    high = x - k * v1 - v2;
  }
};

// PolyBLEP correction for a discontinuity at phase 0 (t in cycles, dt the
// phase step).
double poly_blep(double t, double dt) {
  if (t < dt) {
    t /= dt;
    return t + t - t * t - 1.0;
  }
  if (t > 1.0 - dt) {
    t = (t - 1.0) / dt;
    return t * t + t + t + 1.0;
  }
  return 0.0;
}

double frac(double x) { return x - std::floor(x); }

// Exponential fall from `from` to `to` with time constant `tau` seconds.
double exp_env(double t, double from, double to, double tau) {
  if (tau <= 0) return to;
  return to + (from - to) * std::exp(-t / tau);
}

// Envelope that moves from `from` to `to` and arrives exactly at time `settle`
// (curved like an exponential), then holds: looped parts need static values.
double settle_env(double t, double from, double to, double settle) {
  if (t >= settle || settle <= 0) return to;
  const double x = 1.0 - t / settle;
  return to + (from - to) * x * x * x;
}

void normalise(std::vector<float>& d, double peak) {
  float m = 0;
  for (float v : d) m = std::max(m, std::fabs(v));
  if (m <= 0) return;
  const float g = static_cast<float>(peak / m);
  for (float& v : d) v *= g;
}

// Removes the sample's DC offset without a click. A looped sample loses its
// loop's mean everywhere in the loop (a constant, so the loop still joins);
// the attack before it moves there along a smooth ramp. What is left of the
// whole sample's mean (all of it for a one-shot) comes off as a raised
// cosine over the part before the loop, which is zero at both of its ends,
// so the first value and the join into the loop stay where they were. An
// off-centre pulse or a drum with a one-sided attack would otherwise push
// the mix off centre whenever it plays.
void centre(SynthSample& s) {
  std::vector<float>& d = s.data;
  const size_t n = d.size();
  if (n < 3) return;
  const bool looped = s.loop != LoopKind::None && s.loop_length > 0;
  const size_t head = looped ? std::min(n, static_cast<size_t>(s.loop_start)) : n;
  if (looped) {
    double loop_sum = 0;
    for (size_t i = head; i < n; ++i) loop_sum += d[i];
    const double loop_mean = loop_sum / static_cast<double>(n - head);
    for (size_t i = 0; i < n; ++i) {
      const double ramp = i >= head ? 1.0 : 0.5 - 0.5 * std::cos(kPi * static_cast<double>(i) / static_cast<double>(head));
      d[i] -= static_cast<float>(loop_mean * ramp);
    }
  }
  if (head < 3) return;
  double sum = 0;
  for (float v : d) sum += v;
  // A raised cosine over the head sums to head / 2.
  const double bump = sum / (static_cast<double>(head) / 2.0);
  for (size_t i = 0; i < head; ++i)
    d[i] -= static_cast<float>(bump * (0.5 - 0.5 * std::cos(2 * kPi * static_cast<double>(i) / static_cast<double>(head))));
}

int samples_for(double seconds, double rate) { return std::max(1, static_cast<int>(std::lround(seconds * rate))); }

// --- Drums -------------------------------------------------------------

SynthSample kick(const Patch& p, int extra) {
  SynthSample s;
  s.rate = p.num("rate", 22050);
  const int n = samples_for(p.num("len", 0.4), s.rate) + extra;
  const double f0 = p.num("f0", 160), f1 = p.num("f1", 46), pdecay = p.num("pdecay", 0.045);
  const double adecay = p.num("adecay", 0.28), click = p.num("click", 0.35), drive = p.num("drive", 1.6);
  Noise noise(static_cast<uint32_t>(p.num("seed", 11)));
  Svf clickf;
  double phase = 0;
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    const double f = exp_env(t, f0, f1, pdecay);
    phase += f / s.rate;
    double v = std::sin(2 * kPi * phase) * std::exp(-t / adecay);
    clickf.run(noise.next(), 3000, 0.7, s.rate);
    v += click * clickf.band * std::exp(-t / 0.004);
    s.data[i] = static_cast<float>(std::tanh(v * drive));
  }
  return s;
}

SynthSample snare(const Patch& p, int extra) {
  SynthSample s;
  s.rate = p.num("rate", 22050);
  const int n = samples_for(p.num("len", 0.28), s.rate) + extra;
  const double f = p.num("f", 190), tone = p.num("tone", 0.6), noise_level = p.num("noise", 1.0);
  const double tdecay = p.num("tdecay", 0.05), ndecay = p.num("ndecay", 0.11), hp = p.num("hp", 1200);
  Noise noise(static_cast<uint32_t>(p.num("seed", 23)));
  Svf nf;
  double ph1 = 0, ph2 = 0;
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    const double bend = 1.0 + 0.4 * std::exp(-t / 0.01);
    ph1 += f * bend / s.rate;
    ph2 += f * 1.74 * bend / s.rate;
    double v = tone * (std::sin(2 * kPi * ph1) + 0.5 * std::sin(2 * kPi * ph2)) * std::exp(-t / tdecay);
    nf.run(noise.next(), hp, 0.6, s.rate);
    v += noise_level * nf.high * std::exp(-t / ndecay);
    s.data[i] = static_cast<float>(std::tanh(v * 1.3));
  }
  return s;
}

SynthSample clap(const Patch& p, int extra) {
  SynthSample s;
  s.rate = p.num("rate", 22050);
  const int n = samples_for(p.num("len", 0.3), s.rate) + extra;
  const double spacing = p.num("spacing", 0.011), decay = p.num("decay", 0.09), centre = p.num("centre", 1300);
  const int bursts = static_cast<int>(p.num("bursts", 3));
  Noise noise(static_cast<uint32_t>(p.num("seed", 31)));
  Svf bp;
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    double env;
    if (t < bursts * spacing) {
      env = std::exp(-frac(t / spacing) * spacing / 0.003);
    } else {
      env = std::exp(-(t - bursts * spacing) / decay);
    }
    bp.run(noise.next(), centre, 1.4, s.rate);
    s.data[i] = static_cast<float>(bp.band * env);
  }
  return s;
}

// Metallic hats and cymbals: six square waves at inharmonic ratios plus noise.
SynthSample metal(const Patch& p, int extra, double def_len, double def_decay) {
  SynthSample s;
  s.rate = p.num("rate", 32000);
  const int n = samples_for(p.num("len", def_len), s.rate) + extra;
  const double decay = p.num("decay", def_decay), hp = p.num("hp", 7000), noise_level = p.num("noise", 0.7);
  const double base = p.num("f", 330);
  const double lp = p.num("lp", 0);  // optional band limit (Hz): 0 keeps the full band
  static constexpr double kRatios[6] = {1.0, 1.342, 1.2312, 1.6532, 1.9523, 2.1523};
  Noise noise(static_cast<uint32_t>(p.num("seed", 47)));
  Svf f1, f2, f3, f4;
  double ph[6] = {};
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    double m = 0;
    for (int k = 0; k < 6; ++k) {
      ph[k] = frac(ph[k] + base * kRatios[k] * 2.0 / s.rate);
      m += ph[k] < 0.5 ? 1.0 : -1.0;
    }
    const double x = m / 6.0 * (1.0 - noise_level) + noise.next() * noise_level;
    f1.run(x, hp, 0.7, s.rate);
    f2.run(f1.high, hp, 0.7, s.rate);
    double y = f2.high;
    if (lp > 0) {
      f3.run(y, lp, 0.7, s.rate);
      f4.run(f3.low, lp, 0.7, s.rate);
      y = f4.low;
    }
    const double attack = std::min(1.0, t / 0.0008);
    s.data[i] = static_cast<float>(y * attack * std::exp(-t / decay));
  }
  return s;
}

SynthSample tom(const Patch& p, int extra) {
  SynthSample s;
  s.rate = p.num("rate", 22050);
  const int n = samples_for(p.num("len", 0.45), s.rate) + extra;
  const double f0 = p.num("f0", 200), f1 = p.num("f1", 110), pdecay = p.num("pdecay", 0.08);
  const double adecay = p.num("adecay", 0.2);
  Noise noise(static_cast<uint32_t>(p.num("seed", 59)));
  double phase = 0;
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    phase += exp_env(t, f0, f1, pdecay) / s.rate;
    const double v = std::sin(2 * kPi * phase) + 0.15 * noise.next() * std::exp(-t / 0.01);
    s.data[i] = static_cast<float>(std::tanh(1.4 * v * std::exp(-t / adecay)));
  }
  return s;
}

// --- Pitched tones -------------------------------------------------------

// Loop geometry shared by tone and fm: the rate is adjusted so that the loop
// holds exactly `cycles` periods of the base note.
struct LoopPlan {
  int head = 0;     // values before the loop
  int length = 0;   // loop length in values
  int cycles = 0;   // base-note cycles in the loop
  double rate = 0;  // resulting playback rate
};

LoopPlan plan_loop(const Patch& p, int base_note, double head_default, double loop_default) {
  LoopPlan lp;
  const double nominal = p.num("rate", 22050);
  lp.length = samples_for(p.num("loop", loop_default), nominal);
  const double f0 = note_frequency(base_note);
  lp.cycles = std::max(1, static_cast<int>(std::lround(f0 * lp.length / nominal)));
  lp.rate = f0 * lp.length / lp.cycles;
  lp.head = samples_for(p.num("head", head_default), lp.rate);
  return lp;
}

std::vector<double> parse_list(const std::string& text) {
  std::vector<double> out;
  std::stringstream ss(text);
  std::string item;
  while (std::getline(ss, item, ',')) {
    if (!item.empty()) out.push_back(std::stod(item));
  }
  return out;
}

// One oscillator voice with a phase step in cycles per value.
double oscillate(const std::string& wave, double phase, double dt, double width, double sync_ratio) {
  if (wave == "sine") return std::sin(2 * kPi * phase);
  if (wave == "tri") return 4.0 * std::fabs(phase - 0.5) - 1.0;
  if (wave == "square" || wave == "pulse") {
    double v = phase < width ? 1.0 : -1.0;
    v += poly_blep(phase, dt);
    v -= poly_blep(frac(phase - width + 1.0), dt);
    return v;
  }
  if (wave == "sync") {
    // Hard-synced saw: the slave restarts with every master cycle, so the
    // tone keeps the master's pitch with a bright, vocal spectrum.
    const double slave = frac(phase * sync_ratio);
    (void)dt;
    return 2.0 * slave - 1.0;
  }
  // saw
  return 2.0 * phase - 1.0 - poly_blep(phase, dt);
}

SynthSample tone(const Patch& p, int extra) {
  SynthSample s;
  s.base_note = static_cast<int>(p.num("note", 48));
  const bool looped = p.text("oneshot", "0") != "1";
  const LoopPlan lp = plan_loop(p, s.base_note, 0.12, 0.25);
  s.rate = lp.rate;
  const std::string wave = p.text("wave", "saw");
  const int voices = std::max(1, static_cast<int>(p.num("voices", 1)));
  const double spread = p.num("detune", 0);
  std::vector<double> chord = parse_list(p.text("chord", "0"));
  const double width = p.num("width", 0.5), pwm = p.num("pwm", 0), pwm_cycles = std::max(1.0, std::round(p.num("pwmcycles", 1)));
  const double sync_ratio = p.num("sync", 2.5);
  const double sub = p.num("sub", 0);
  const double c0 = p.num("cut0", 8000), c1 = p.num("cut1", 8000), fdecay = p.num("fdecay", 0.1), q = p.num("res", 0.8);
  const double attack = p.num("attack", 0.003), decay = p.num("decay", 0.0), sustain = p.num("sustain", 1.0);
  const std::string filter = p.text("filter", "low");
  const double drive = p.num("drive", 1.0);
  const double oneshot_len = p.num("len", 0.5);

  // Voice steps in cycles per value: whole cycles per loop when looped.
  struct Voice {
    double step, phase, gain;
  };
  std::vector<Voice> vs;
  Noise rnd(static_cast<uint32_t>(p.num("seed", 5)));
  for (double semis : chord) {
    for (int v = 0; v < voices; ++v) {
      const double cents = voices == 1 ? 0.0 : spread * (2.0 * v / (voices - 1) - 1.0);
      double cyc = lp.cycles * std::pow(2.0, (semis * 100 + cents) / 1200.0);
      if (looped) cyc = std::max(1.0, std::round(cyc));
      vs.push_back({cyc / lp.length, 0.5 * (rnd.next() + 1.0), 1.0 / std::sqrt(static_cast<double>(voices))});
    }
  }
  const double sub_step = lp.cycles / 2.0 / lp.length;  // an octave down; whole cycles if `cycles` is even
  const int n = looped ? lp.head + lp.length + extra : samples_for(oneshot_len, s.rate) + extra;
  const int head = looped ? lp.head + extra : n;
  const double head_seconds = head / s.rate;
  Svf f1, f2;
  s.data.resize(n);
  double sub_phase = 0;
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    const double loop_phase = static_cast<double>(i) / lp.length;  // PWM LFO in whole cycles per loop
    const double w = std::clamp(width + pwm * std::sin(2 * kPi * pwm_cycles * loop_phase), 0.05, 0.95);
    double x = 0;
    for (Voice& v : vs) {
      x += v.gain * oscillate(wave, v.phase, v.step, w, sync_ratio);
      v.phase = frac(v.phase + v.step);
    }
    if (sub > 0) {
      x += sub * (sub_phase < 0.5 ? 1.0 : -1.0);
      sub_phase = frac(sub_phase + sub_step);
    }
    double cutoff, amp;
    if (looped) {
      cutoff = settle_env(t, c0, c1, std::min(head_seconds, fdecay * 4));
      amp = t < attack ? t / attack : settle_env(t - attack, 1.0, sustain, std::min(head_seconds - attack, decay * 4));
    } else {
      cutoff = exp_env(t, c0, c1, fdecay);
      amp = t < attack ? t / attack : (decay > 0 ? exp_env(t - attack, 1.0, sustain, decay) : 1.0);
      const double tail = n / s.rate - t;
      amp *= std::min(1.0, tail / 0.01);
    }
    f1.run(x, cutoff, q, s.rate);
    f2.run(f1.low, cutoff, 0.6, s.rate);
    double y = filter == "none" ? x : filter == "band" ? f1.band : filter == "high" ? f1.high : f2.low;
    if (drive != 1.0) y = std::tanh(y * drive);
    s.data[i] = static_cast<float>(y * amp);
  }
  if (looped) {
    // A ping-pong loop suits detuned, chorused tones: the turns are
    // continuous and the reversed waveform keeps pitch and spectrum.
    s.loop = p.text("pingpong", "0") == "1" ? LoopKind::PingPong : LoopKind::Forward;
    s.loop_start = head;
    s.loop_length = lp.length;
  }
  return s;
}

// Two-operator FM with an optional second modulator (the tine of an
// electric piano). With `sustain`=1 the sample loops after the index has
// settled; with integer ratios the loop is seamless.
SynthSample fm(const Patch& p, int extra) {
  SynthSample s;
  s.base_note = static_cast<int>(p.num("note", 48));
  const bool looped = p.text("loopit", "0") == "1";
  const LoopPlan lp = plan_loop(p, s.base_note, 0.3, 0.1);
  s.rate = lp.rate;
  const double ratio = p.num("ratio", 1), i0 = p.num("index0", 3), i1 = p.num("index1", 0.5), idecay = p.num("idecay", 0.2);
  const double ratio2 = p.num("ratio2", 0), index2 = p.num("index2", 0), decay2 = p.num("decay2", 0.03);
  const double adecay = p.num("adecay", 0.8), feedback = p.num("feedback", 0), attack = p.num("attack", 0.002);
  const double len = p.num("len", 1.0);
  const int n = looped ? lp.head + lp.length + extra : samples_for(len, s.rate) + extra;
  const int head = looped ? lp.head + extra : n;
  const double head_seconds = head / s.rate;
  const double f0 = static_cast<double>(lp.cycles) / lp.length;  // cycles per value
  double pc = 0, pm = 0, pm2 = 0, last = 0;
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate;
    double index, amp;
    if (looped) {
      index = settle_env(t, i0, i1, std::min(head_seconds, idecay * 4));
      amp = std::min(1.0, t / attack);
    } else {
      index = exp_env(t, i0, i1, idecay);
      amp = std::min(1.0, t / attack) * std::exp(-t / adecay);
      amp *= std::min(1.0, (n / s.rate - t) / 0.01);
    }
    const double m2 = ratio2 > 0 ? index2 * std::exp(-t / decay2) * std::sin(2 * kPi * pm2) : 0.0;
    const double mod = std::sin(2 * kPi * pm + feedback * last);
    last = mod;
    const double y = std::sin(2 * kPi * pc + index * mod + m2);
    pc = frac(pc + f0);
    pm = frac(pm + f0 * ratio);
    pm2 = frac(pm2 + f0 * ratio2);
    s.data[i] = static_cast<float>(y * amp);
  }
  if (looped) {
    s.loop = LoopKind::Forward;
    s.loop_start = head;
    s.loop_length = lp.length;
  }
  return s;
}

// Noise and pitch sweeps: riser (filtered noise opening up), zap (falling
// sine), sweep (a noise wash for breaks).
SynthSample fx(const Patch& p, int extra) {
  SynthSample s;
  s.rate = p.num("rate", 22050);
  const std::string mode = p.text("mode", "riser");
  const int n = samples_for(p.num("len", 1.5), s.rate) + extra;
  Noise noise(static_cast<uint32_t>(p.num("seed", 71)));
  Svf f;
  double phase = 0;
  s.data.resize(n);
  for (int i = 0; i < n; ++i) {
    const double t = i / s.rate, x = static_cast<double>(i) / n;
    double v;
    if (mode == "zap") {
      phase += exp_env(t, p.num("f0", 2000), p.num("f1", 60), p.num("pdecay", 0.05)) / s.rate;
      v = std::sin(2 * kPi * phase) * std::exp(-t / p.num("adecay", 0.2));
    } else if (mode == "sweep") {
      f.run(noise.next(), 200 + (0.35 * s.rate - 200) * std::sin(kPi * x), 3.0, s.rate);
      v = f.band * std::sin(kPi * x);
    } else {
      f.run(noise.next(), 200 * std::pow(40.0, x), 2.5, s.rate);
      v = f.band * x * x * std::min(1.0, (1.0 - x) * 40.0);
    }
    s.data[i] = static_cast<float>(v);
  }
  if (p.text("pingpong", "0") == "1" && n >= 4) {
    // Sustains as a noise wash: the second half swings back and forth.
    s.loop = LoopKind::PingPong;
    s.loop_start = n / 2;
    s.loop_length = n - n / 2;
  }
  return s;
}

}  // namespace

double Patch::num(const std::string& key, double fallback) const {
  auto it = params.find(key);
  if (it == params.end()) return fallback;
  try {
    return std::stod(it->second);
  } catch (const std::exception&) {
    throw std::runtime_error("parameter " + key + " is not a number: " + it->second);
  }
}

std::string Patch::text(const std::string& key, const std::string& fallback) const {
  auto it = params.find(key);
  return it == params.end() ? fallback : it->second;
}

double note_frequency(double note) { return 440.0 * std::pow(2.0, (note - 57.0) / 12.0); }

void tuning_for(double rate, int base_note, int& relative_note, int& finetune) {
  // Semitones above C-4 at 8363 Hz that `rate` stands for, moved so that
  // base_note (not C-4) plays at it.
  const double semis = 12.0 * std::log2(rate / 8363.0) + 48.0 - base_note;
  const long total = std::lround(semis * 128.0);  // in 1/128 semitones
  long rel = total >= 0 ? total / 128 : -((-total + 127) / 128);
  long ft = total - rel * 128;  // 0..127
  if (ft >= 64) {                // keep the finetune in -64..63 where it is most precise
    ++rel;
    ft -= 128;
  }
  relative_note = static_cast<int>(rel);
  finetune = static_cast<int>(ft);
}

SynthSample synthesise(const Patch& p, int extra) {
  if (const size_t plus = p.kind.find('+'); plus != std::string::npos) {
    // Layered drums ("kick+snare"): both parts with the same parameters,
    // summed at the rate of the first part.
    Patch a = p, b = p;
    a.kind = p.kind.substr(0, plus);
    b.kind = p.kind.substr(plus + 1);
    SynthSample sa = synthesise(a, extra), sb = synthesise(b, 0);
    if (sb.data.size() > sa.data.size()) sb.data.resize(sa.data.size());
    for (size_t i = 0; i < sb.data.size(); ++i) sa.data[i] += static_cast<float>(p.num("mix", 0.8)) * sb.data[i];
    centre(sa);
    normalise(sa.data, p.num("peak", 0.95));
    return sa;
  }
  SynthSample s;
  const std::string& k = p.kind;
  if (k == "kick") s = kick(p, extra);
  else if (k == "snare") s = snare(p, extra);
  else if (k == "clap") s = clap(p, extra);
  else if (k == "hat") s = metal(p, extra, 0.09, 0.025);
  else if (k == "openhat") s = metal(p, extra, 0.45, 0.15);
  else if (k == "crash") s = metal(p, extra, 1.6, 0.55);
  else if (k == "tom") s = tom(p, extra);
  else if (k == "tone") s = tone(p, extra);
  else if (k == "fm") s = fm(p, extra);
  else if (k == "fx") s = fx(p, extra);
  else throw std::runtime_error("unknown instrument kind: " + k);
  if (k != "tone" && k != "fm") s.base_note = static_cast<int>(p.num("note", 48));
  s.bits16 = p.num("bits", 8) == 16;
  centre(s);
  normalise(s.data, p.num("peak", 0.95));
  return s;
}

}  // namespace zel::xmsynth
