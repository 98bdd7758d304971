// Module mixer: voices resampled with linear interpolation, forward and
// ping-pong loops, 128-frame gain ramps, summed into 32-bit float stereo and
// converted to 16-bit PCM. Runs on the mixing thread (see xm_song.h).
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "xm/xm_song.h"

namespace zel {

namespace {
constexpr float kInvRate = 1.0f / static_cast<float>(kXmRate);
}  // namespace

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

inline float interpolate(const int16_t* x, int64_t pos) {
  const uint32_t p = static_cast<uint32_t>(pos >> 32);
  const float f = static_cast<float>(static_cast<uint32_t>(pos) >> 1) * (1.0f / 2147483648.0f);
  const float a = x[p];
  return a + static_cast<float>(x[p + 1] - x[p]) * f;
}

// Mixes `n` frames at constant gains. Forward and backward are separate
// loops so that each is a plain counted loop.
void mix_flat(const int16_t* x, int64_t& pos, int64_t step, bool backward, float gl, float gr, float* out,
              int n) {
  int64_t p = pos;
  if (!backward) {
    for (int i = 0; i < n; ++i) {
      const float s = interpolate(x, p);
      out[2 * i] += s * gl;
      out[2 * i + 1] += s * gr;
      p += step;
    }
  } else {
    for (int i = 0; i < n; ++i) {
      const float s = interpolate(x, p);
      out[2 * i] += s * gl;
      out[2 * i + 1] += s * gr;
      p -= step;
    }
  }
  pos = p;
}

void mix_ramp(const int16_t* x, int64_t& pos, int64_t step, bool backward, float& gl, float& gr, float dl,
              float dr, float* out, int n) {
  int64_t p = pos;
  for (int i = 0; i < n; ++i) {
    const float s = interpolate(x, p);
    out[2 * i] += s * gl;
    out[2 * i + 1] += s * gr;
    gl += dl;
    gr += dr;
    p = backward ? p - step : p + step;
  }
  pos = p;
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
      mix_ramp(s.data.data(), v.position, v.step, backward, gl, gr, v.ramp_delta_left, v.ramp_delta_right, out,
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
      mix_flat(s.data.data(), v.position, v.step, backward, static_cast<float>(v.left_target) / 255.0f,
               static_cast<float>(v.right_target) / 255.0f, out, n);
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
  for (int i = 0; i < 2 * frames; ++i) {
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
    song.play_time_ms += static_cast<uint32_t>(static_cast<float>(n) * kInvRate * 1000.0f);
  }
  xm_to_pcm16(pcm, scratch, frames);
  return XmPosition{static_cast<uint8_t>(song.order), static_cast<uint8_t>(song.row), song.play_time_ms};
}

}  // namespace zel
