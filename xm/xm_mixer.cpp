// Module mixer: voices resampled with linear interpolation, forward and
// ping-pong loops, 128-frame gain ramps, summed into 32-bit float stereo and
// converted to 16-bit PCM. Runs on the mixing thread (see xm_song.h).
#include <algorithm>
#include <cmath>
#include <cstdlib>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "xm/xm_song.h"

namespace zel {

int xm_samples_per_tick(int bpm) {
  // BPM 0 is meaningless; a tick is never shorter than one frame, so the
  // renderer always makes progress.
  if (bpm < 1) bpm = 1;
  int n = static_cast<int>(1000.0f / (static_cast<float>(bpm) * 0.4f) * static_cast<float>(kXmRate) * 0.001f);
  return n < 1 ? 1 : n;
}

void xm_set_bpm(XmSong& song, int bpm) {
  song.bpm = bpm;
  song.samples_per_tick = xm_samples_per_tick(bpm);
}

// ---------------------------------------------------------------------------
// Voice update
// ---------------------------------------------------------------------------
namespace {

void set_targets(XmVoice& v) {
  v.left_target = (255 - v.panning) * v.volume / 255;
  v.right_target = v.panning * v.volume / 255;
}

}  // namespace

void xm_update_voice(XmSong& song, XmChannel& ch) {
  const int period = ch.period + ch.period_delta;
  if (period == 0) ch.flags &= static_cast<uint8_t>(~kXmFlagFrequency);

  if (ch.flags & kXmFlagStart) {
    XmVoice* v = &song.voice[static_cast<size_t>(ch.voice)];
    if (v->sample) {
      int partner = v->index < 32 ? v->index + 32 : v->index - 32;
      XmVoice& p = song.voice[static_cast<size_t>(partner)];
      p = *v;
      p.index = partner;
      v->volume = 0;
      v->left_target = 0;
      v->right_target = 0;
      ch.voice = partner;
      v = &p;
    }
    const XmSample* s = ch.sample;
    v->sample = (s && s->length > 0) ? s : nullptr;
    if (s && v->start_offset >= static_cast<uint64_t>(s->loop_start) + s->loop_length) v->start_offset = 0;
    v->position = static_cast<int64_t>(v->start_offset) << 32;
    v->direction = 1;
    v->start_offset = 0;
    v->current_left = 0;
    v->current_right = 0;
    v->ramp_frames = 0;
  }
  XmVoice& v = song.voice[static_cast<size_t>(ch.voice)];

  if (ch.flags & kXmFlagVolume) {
    int64_t product = static_cast<int64_t>(ch.volume + ch.volume_delta) * ch.volume_env.output *
                      ch.fadeout_volume * song.global_volume;
    v.volume = static_cast<int>(static_cast<float>(product) * 7.4214768e-9f);
    set_targets(v);
  }
  if (ch.flags & kXmFlagPanning) {
    int pan = ch.panning + ((128 - std::abs(ch.panning - 128)) / 32) * (ch.panning_env.output - 32);
    v.panning = std::clamp(pan, 0, 255);
    set_targets(v);
  }
  if (ch.flags & kXmFlagFrequency) {
    double f;
    if (song.flags & 1) {
      float e = static_cast<float>(4608 - ch.period + ch.period_delta) * 0.0013020834f;
      f = std::floor(8363.0 * std::pow(2.0, static_cast<double>(e)));
    } else {
      f = static_cast<double>(14317056 / period);
    }
    // Periods far outside the tables could overflow the frequency; it is
    // kept within what the 32.32 step can hold.
    f = std::clamp(f, -2147483647.0, 2147483647.0);
    v.frequency = static_cast<int>(f);
    uint64_t hz = static_cast<uint64_t>(std::max(v.frequency, 100));
    v.step = static_cast<int64_t>((hz / kXmRate) << 32 | ((hz % kXmRate) << 32) / kXmRate);
  }
  if (ch.flags & kXmFlagRewind) {
    v.position = 0;
    v.start_offset = 0;
  }
}

// ---------------------------------------------------------------------------
// Mixing
// ---------------------------------------------------------------------------
namespace {

// x[p] + (x[p + 1] - x[p]) x f, with f the top 31 bits of the fraction.
inline float interpolate(const float* pairs, uint32_t ip, uint32_t fr) {
  const float f = static_cast<float>(static_cast<int32_t>(fr >> 1)) * (1.0f / 2147483648.0f);
  return pairs[2 * ip] + pairs[2 * ip + 1] * f;
}

template <bool kBackward>
inline void advance(uint32_t& ip, uint32_t& fr, uint32_t si, uint32_t sf) {
  if constexpr (kBackward) {
    const uint32_t nf = fr - sf;
    ip -= si + (nf > fr ? 1u : 0u);
    fr = nf;
  } else {
    const uint32_t nf = fr + sf;
    ip += si + (nf < fr ? 1u : 0u);
    fr = nf;
  }
}

#if defined(__SSE2__)
// Four interpolated values at positions (i0, f0) .. (i3, f3).
inline __m128 interpolate4(const float* pairs, uint32_t i0, uint32_t f0, uint32_t i1, uint32_t f1, uint32_t i2,
                           uint32_t f2, uint32_t i3, uint32_t f3) {
  __m128 p01 = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(pairs + 2 * i0));
  p01 = _mm_loadh_pi(p01, reinterpret_cast<const __m64*>(pairs + 2 * i1));
  __m128 p23 = _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(pairs + 2 * i2));
  p23 = _mm_loadh_pi(p23, reinterpret_cast<const __m64*>(pairs + 2 * i3));
  const __m128 a = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(2, 0, 2, 0));
  const __m128 d = _mm_shuffle_ps(p01, p23, _MM_SHUFFLE(3, 1, 3, 1));
  const __m128i fi = _mm_set_epi32(static_cast<int>(f3 >> 1), static_cast<int>(f2 >> 1), static_cast<int>(f1 >> 1),
                                   static_cast<int>(f0 >> 1));
  const __m128 f = _mm_mul_ps(_mm_cvtepi32_ps(fi), _mm_set1_ps(1.0f / 2147483648.0f));
  return _mm_add_ps(a, _mm_mul_ps(d, f));
}

// Adds l0 r0 l1 r1 .. l3 r3 to the four frames at `o`.
inline void accumulate4(float* o, __m128 l, __m128 r) {
  _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_unpacklo_ps(l, r)));
  _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_unpackhi_ps(l, r)));
}
#endif

// Mixes `n` frames, at constant gains (kRamp false) or with gains that move
// by dl, dr per frame. The position runs as a 32-bit index and a 32-bit
// fraction with an explicit carry; the voice's 64-bit position is advanced
// exactly afterwards. Every position read lies inside the sample: the
// caller stops at the boundary. With SSE2 four frames are mixed per step,
// with the same operations in the same order as one by one (the ramp's
// gains are still summed frame by frame).
template <bool kBackward, bool kRamp>
void mix_run(const float* pairs, int64_t& pos, int64_t step, float& gl, float& gr, float dl, float dr, float* out,
             int n) {
  uint32_t ip = static_cast<uint32_t>(pos >> 32);
  uint32_t fr = static_cast<uint32_t>(pos);
  const uint32_t si = static_cast<uint32_t>(step >> 32);
  const uint32_t sf = static_cast<uint32_t>(step);
  int i = 0;
#if defined(__SSE2__)
  __m128 vgl = _mm_set1_ps(gl), vgr = _mm_set1_ps(gr);
  for (; i + 4 <= n; i += 4) {
    const uint32_t i0 = ip, f0 = fr;
    advance<kBackward>(ip, fr, si, sf);
    const uint32_t i1 = ip, f1 = fr;
    advance<kBackward>(ip, fr, si, sf);
    const uint32_t i2 = ip, f2 = fr;
    advance<kBackward>(ip, fr, si, sf);
    const uint32_t i3 = ip, f3 = fr;
    advance<kBackward>(ip, fr, si, sf);
    const __m128 s = interpolate4(pairs, i0, f0, i1, f1, i2, f2, i3, f3);
    if constexpr (kRamp) {
      const float l0 = gl, l1 = l0 + dl, l2 = l1 + dl, l3 = l2 + dl;
      const float r0 = gr, r1 = r0 + dr, r2 = r1 + dr, r3 = r2 + dr;
      gl = l3 + dl;
      gr = r3 + dr;
      vgl = _mm_set_ps(l3, l2, l1, l0);
      vgr = _mm_set_ps(r3, r2, r1, r0);
    }
    accumulate4(out + 2 * i, _mm_mul_ps(s, vgl), _mm_mul_ps(s, vgr));
  }
#endif
  for (; i < n; ++i) {
    const float s = interpolate(pairs, ip, fr);
    out[2 * i] += s * gl;
    out[2 * i + 1] += s * gr;
    if constexpr (kRamp) {
      gl += dl;
      gr += dr;
    }
    advance<kBackward>(ip, fr, si, sf);
  }
  pos = kBackward ? pos - step * n : pos + step * n;
}

// Frames after which the voice has crossed `boundary`: moving forward the
// first position at or past it, moving backward the first position below it.
int64_t frames_to_boundary(const XmVoice& v, int64_t boundary) {
  int64_t distance = v.direction == 1 ? boundary - v.position : v.position - boundary + 1;
  if (distance <= 0) return 0;
  return (distance + v.step - 1) / v.step;
}

// Handles a voice that has just crossed its boundary (see frames_to_boundary).
void at_boundary(XmVoice& v) {
  const XmSample& s = *v.sample;
  const int64_t begin = static_cast<int64_t>(s.loop_start) << 32;
  const int64_t end = (static_cast<int64_t>(s.loop_start) + s.loop_length) << 32;
  const int64_t length = static_cast<int64_t>(s.loop_length) << 32;
  if (s.loop_mode == kXmLoopForward && length > 0) {
    if (v.position >= end) v.position = begin + (v.position - end) % length;
    return;
  }
  if (s.loop_mode == kXmLoopPingPong && length > 0) {
    // Mirror at the boundary just crossed (new = 2 x boundary - position -
    // 2^-32) and turn round. Two mirrors move a position by twice the loop,
    // so a step longer than the loop is reduced first; after that at most a
    // second mirror at the other end is needed.
    for (;;) {
      if (v.direction == 1 && v.position >= end) {
        v.position = end - 1 - (v.position - end) % (2 * length);
        v.direction = 2;
      } else if (v.direction == 2 && v.position < begin) {
        v.position = begin + (begin - 1 - v.position) % (2 * length);
        v.direction = 1;
      } else {
        break;
      }
    }
    return;
  }
  v.sample = nullptr;
  v.position = 0;
}

void mix_voice(XmVoice& v, float* out, int frames) {
  while (frames > 0 && v.sample) {
    const XmSample& s = *v.sample;
    int64_t boundary;
    if (v.direction == 1) {
      boundary = (static_cast<int64_t>(s.loop_start) + s.loop_length) << 32;
      if (v.position >= boundary) boundary = static_cast<int64_t>(s.length) << 32;
    } else {
      boundary = static_cast<int64_t>(s.loop_start) << 32;
    }
    int64_t to_boundary = frames_to_boundary(v, boundary);
    int n = frames;
    bool hit = false;
    if (to_boundary <= n) {
      n = static_cast<int>(to_boundary);
      hit = true;
    }

    if (v.ramp_frames == 0 || v.left_target != v.ramp_left_target || v.right_target != v.ramp_right_target) {
      v.ramp_left_target = v.left_target;
      v.ramp_right_target = v.right_target;
      int dl = v.left_target - v.current_left / 256;
      int dr = v.right_target - v.current_right / 256;
      v.ramp_delta_left = 0;
      v.ramp_delta_right = 0;
      v.ramp_frames = 0;
      if (dl != 0) {
        v.ramp_delta_left = static_cast<float>(dl) / 255.0f / static_cast<float>(kXmRampLength);
        v.ramp_frames = kXmRampLength;
      }
      if (dr != 0) {
        v.ramp_delta_right = static_cast<float>(dr) / 255.0f / static_cast<float>(kXmRampLength);
        v.ramp_frames = kXmRampLength;
      }
    }

    const bool backward = v.direction == 2;
    if (v.ramp_frames > 0) {
      bool ramp_ends = v.ramp_frames <= n;
      if (ramp_ends) {
        hit = hit && v.ramp_frames == n;
        n = v.ramp_frames;
      }
      float gl = static_cast<float>(v.current_left) / (255.0f * 256.0f);
      float gr = static_cast<float>(v.current_right) / (255.0f * 256.0f);
      if (backward)
        mix_run<true, true>(s.pairs.data(), v.position, v.step, gl, gr, v.ramp_delta_left, v.ramp_delta_right, out, n);
      else
        mix_run<false, true>(s.pairs.data(), v.position, v.step, gl, gr, v.ramp_delta_left, v.ramp_delta_right, out,
                             n);
      v.current_left = static_cast<int>(std::lrint(gl * 255.0f * 256.0f));
      v.current_right = static_cast<int>(std::lrint(gr * 255.0f * 256.0f));
      v.ramp_frames -= n;
      if (v.ramp_frames == 0) {
        v.ramp_delta_left = 0;
        v.ramp_delta_right = 0;
        v.current_left = v.left_target * 256;
        v.current_right = v.right_target * 256;
      }
    } else if (v.left_target == 0 && v.right_target == 0) {
      // Silent voice: advance it without touching the mix.
      int64_t d = v.step * n;
      v.position = backward ? v.position - d : v.position + d;
    } else {
      float gl = static_cast<float>(v.left_target) / 255.0f;
      float gr = static_cast<float>(v.right_target) / 255.0f;
      if (backward)
        mix_run<true, false>(s.pairs.data(), v.position, v.step, gl, gr, 0, 0, out, n);
      else
        mix_run<false, false>(s.pairs.data(), v.position, v.step, gl, gr, 0, 0, out, n);
    }
    out += 2 * n;
    frames -= n;
    if (hit) at_boundary(v);
  }
}

}  // namespace

void xm_mix(XmSong& song, float* out, int frames) {
  for (int i = 0; i < kXmVoices; ++i) {
    XmVoice& v = song.voice[static_cast<size_t>(i)];
    if (v.sample) mix_voice(v, out, frames);
  }
}

void xm_to_pcm16(int16_t* out, const float* in, int frames) {
  int i = 0;
  const int n = 2 * frames;
#if defined(__SSE2__)
  // Clamp, then convert with the default rounding mode (to nearest, ties to
  // even) and pack; four values per step.
  const __m128 lo = _mm_set1_ps(-32768.0f), hi = _mm_set1_ps(32767.0f);
  for (; i + 8 <= n; i += 8) {
    __m128i a = _mm_cvtps_epi32(_mm_min_ps(hi, _mm_max_ps(lo, _mm_loadu_ps(in + i))));
    __m128i b = _mm_cvtps_epi32(_mm_min_ps(hi, _mm_max_ps(lo, _mm_loadu_ps(in + i + 4))));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(a, b));
  }
#endif
  for (; i < n; ++i) {
    float v = std::nearbyint(in[i]);
    v = std::min(32767.0f, std::max(-32768.0f, v));
    out[i] = static_cast<int16_t>(v);
  }
}

XmPosition xm_render_block(XmSong& song, float* scratch, int16_t* pcm, int frames) {
  std::fill(scratch, scratch + 2 * frames, 0.0f);
  float* out = scratch;
  int left = frames;
  while (left > 0) {
    if (song.samples_left_in_tick == 0) {
      xm_tick(song);
      song.samples_left_in_tick = song.samples_per_tick;
    }
    int n = std::min(song.samples_left_in_tick, left);
    xm_mix(song, out, n);
    out += 2 * n;
    left -= n;
    song.samples_left_in_tick -= n;
  }
  xm_to_pcm16(pcm, scratch, frames);
  return XmPosition{static_cast<uint8_t>(song.order), static_cast<uint8_t>(song.row)};
}

}  // namespace zel
