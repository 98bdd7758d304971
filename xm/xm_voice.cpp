// Channel to voice: turns what a row or tick left in a channel (its update
// flags, period, volume, envelopes, panning) into the state of the voice
// the mixer plays. Runs on the mixing thread, from the effect processing.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "xm/xm_song.h"

namespace zel {

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

}  // namespace zel
