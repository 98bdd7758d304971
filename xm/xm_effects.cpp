// Row, tick and effect processing, envelopes, fadeout and the modulation
// waveforms. xm_tick is the song's clock: the player's block renderer calls
// it whenever a tick's frames are due; it runs on the mixing thread.
//
// Sections: tempo and start of playback · periods · envelopes and waveforms ·
// volume column · effects · row and tick processing.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

#include "xm/xm_song.h"

namespace zel {

// ---------------------------------------------------------------------------
// Tempo and start of playback
// ---------------------------------------------------------------------------
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

void xm_song_reset(XmSong& song) {
  for (int v = 0; v < kXmVoices; ++v) {
    song.voice[static_cast<size_t>(v)] = XmVoice{};
    song.voice[static_cast<size_t>(v)].index = v;
  }
  for (int c = 0; c < kXmMaxChannels; ++c) {
    song.channel[static_cast<size_t>(c)] = XmChannel{};
    song.channel[static_cast<size_t>(c)].voice = c;
  }
  song.global_volume = song.default_global_volume;
  song.global_volume_slide_memory = 0;
  song.next_order = -1;
  song.next_row = -1;
  song.speed = song.default_speed;
  song.row = 0;
  song.order = 0;
  song.samples_left_in_tick = 0;
  song.tick = 0;
  song.pattern_delay_ticks = 0;
  song.jumped_this_row = false;
  xm_set_bpm(song, song.default_bpm);
}

// ---------------------------------------------------------------------------
// Periods
// ---------------------------------------------------------------------------
namespace {

int amiga_base(int n) {
  const float k = 1.0f / 12.0f;
  return static_cast<int>(13.375 * std::pow(2.0, static_cast<double>(132 - n) * static_cast<double>(k)));
}

}  // namespace

int xm_note_period(int n, int finetune) {
  int base = amiga_base(n);
  if (finetune < 0 && n > 0) {
    int other = amiga_base(n - 1);  // 133 - n
    return base + (std::abs(finetune) * (base - other)) / -128;
  }
  int other = amiga_base(n + 1);  // 131 - n
  return base + ((base - other) * finetune) / -128;
}

int xm_period(const XmSong& song, int note, int finetune) {
  if (song.flags & 1) return 7680 - 64 * note - finetune / 2;
  return xm_note_period(note, finetune);
}

// ---------------------------------------------------------------------------
// Envelopes and waveforms
// ---------------------------------------------------------------------------
void xm_envelope_step(XmChannel& ch, XmEnvelopeState& env, uint8_t type, int point_count,
                      const XmEnvelopePoint* points, int loop_end, int loop_start, int sustain,
                      uint8_t flag) {
  if (env.point < point_count) {
    if (env.tick == points[env.point].x) {
      if ((type & kXmEnvLoop) && env.point == loop_end) {
        env.point = loop_start;
        env.tick = points[env.point].x;
      }
      if (env.point != point_count - 1) {
        if ((type & kXmEnvSustain) && env.point == sustain && !ch.key_off) {
          env.output = points[env.point].y;
          ch.flags |= flag;
          return;
        }
        const XmEnvelopePoint& a = points[env.point];
        const XmEnvelopePoint& b = points[env.point + 1];
        env.slope = b.x == a.x ? 0 : ((b.y - a.y) * 65536) / (b.x - a.x);
        env.value = a.y * 65536;
        env.point += 1;
      } else {
        env.output = points[env.point].y;
        env.ended = 1;
        ch.flags |= flag;
        return;
      }
    } else {
      env.value += env.slope;
    }
  }
  env.output = env.value >> 16;
  env.tick += 1;
  ch.flags |= flag;
}

void xm_instrument_reset(XmChannel& ch, const XmSample& sample) {
  ch.volume = sample.volume;
  ch.panning = sample.panning;
  // The envelopes restart from their first point; the 16.16 value is kept,
  // so an envelope whose first point lies after tick 0 holds the level it
  // had until that point is reached.
  for (XmEnvelopeState* env : {&ch.volume_env, &ch.panning_env}) {
    env->point = 0;
    env->tick = 0;
    env->slope = 0;
    env->ended = 0;
  }
  ch.volume_env.output = 64;
  ch.panning_env.output = 32;
  ch.key_off = 0;
  ch.fadeout_volume = 65536;
  ch.auto_vibrato_position = 0;
  ch.auto_vibrato_sweep = 0;
  if ((ch.waveform & 0x0F) < 4) ch.vibrato_position = 0;
  if ((ch.waveform >> 4) < 4) ch.tremolo_position = 0;
  ch.flags |= kXmFlagVolume | kXmFlagPanning;
  ch.tremor_counter = 0;
}

namespace {

// Constant wave tables, filled once: the auto-vibrato sine for positions
// 0..255 and |sin| x 256 for vibrato and tremolo positions -32..31.
struct WaveTables {
  int auto_sine[256];
  int sine[64];
  WaveTables() {
    for (int p = 0; p < 256; ++p)
      auto_sine[p] = static_cast<int>(std::sin(static_cast<double>(static_cast<float>(p) * 0.024543688f)) * 64);
    for (int p = -32; p < 32; ++p) sine[p + 32] = static_cast<int>(std::fabs(std::sin(2.0 * p * 0.049087375) * 256));
  }
};

const WaveTables& wave_tables() {
  static const WaveTables tables;
  return tables;
}

int auto_vibrato_sine(int p) { return wave_tables().auto_sine[p & 255]; }

}  // namespace

void xm_auto_vibrato_step(XmChannel& ch, const XmInstrument& ins) {
  int p = ch.auto_vibrato_position;
  int w = 0;
  switch (ins.vibrato_type) {
    case 0: w = auto_vibrato_sine(p); break;
    case 1: w = p < 128 ? 64 : -64; break;
    case 2: w = (128 - ((p + 128) % 256)) >> 1; break;
    case 3: w = (128 - ((384 - p) % 256)) >> 1; break;
    default: w = 0; break;  // no defined wave: no vibrato
  }
  int d = ins.vibrato_depth * w;
  if (ins.vibrato_sweep != 0) d = ch.auto_vibrato_sweep * d / ins.vibrato_sweep;
  ch.period_delta += d >> 6;
  if (ch.auto_vibrato_sweep < ins.vibrato_sweep) ch.auto_vibrato_sweep += 1;
  ch.auto_vibrato_position += ins.vibrato_rate;
  if (ch.auto_vibrato_position > 255) ch.auto_vibrato_position -= 256;
  ch.flags |= kXmFlagFrequency;
}

namespace {

int sine_wave(int p) {
  if (p < -32 || p > 31) return static_cast<int>(std::fabs(std::sin(2.0 * p * 0.049087375) * 256));
  return wave_tables().sine[p + 32];
}

}  // namespace

void xm_vibrato(XmChannel& ch) {
  int p = ch.vibrato_position;
  int w = 255;
  switch (ch.waveform & 3) {
    case 0: w = sine_wave(p); break;
    case 1:
      w = (8 * p) & 255;
      if (p < 0) w = 255 - w;
      break;
    default: w = 255; break;
  }
  int amount = ((ch.vibrato_depth * w) >> 5) & ~3;
  ch.period_delta = p >= 0 ? -amount : amount;
  ch.flags |= kXmFlagFrequency;
}

void xm_tremolo(XmChannel& ch) {
  int p = ch.tremolo_position;
  int w = 255;
  switch ((ch.waveform >> 4) & 3) {
    case 0:
    case 3: w = sine_wave(p); break;
    case 1:
      w = static_cast<uint8_t>(8 * (p % 32));
      if (p < 0) w = 255 - w;
      break;
    default: w = 255; break;
  }
  int amount = (ch.tremolo_depth * w) >> 6;
  if (p >= 0) {
    if (ch.volume + amount > 64) amount = 64 - ch.volume;
    ch.volume_delta = amount;
  } else {
    if (static_cast<int16_t>(ch.volume - amount) < 0) amount = ch.volume;
    ch.volume_delta = -amount;
  }
  int8_t np = static_cast<int8_t>(p + ch.tremolo_speed);
  if (np > 31) np = static_cast<int8_t>(np - 64);
  ch.tremolo_position = np;
  ch.flags |= kXmFlagVolume;
}

// ---------------------------------------------------------------------------
// Shared effect steps
// ---------------------------------------------------------------------------
namespace {

void tone_porta_step(XmChannel& ch) {
  int step = 4 * ch.porta_speed;
  if (ch.period < ch.porta_target) {
    ch.period += step;
    if (ch.period > ch.porta_target) ch.period = ch.porta_target;
  } else if (ch.period > ch.porta_target) {
    ch.period -= step;
    if (ch.period < ch.porta_target) ch.period = ch.porta_target;
  }
  ch.flags |= kXmFlagFrequency;
}

void tremor_step(XmChannel& ch) {
  if (ch.tremor_counter >= ch.tremor_on) ch.volume_delta = -ch.volume;
  ch.tremor_counter = static_cast<uint8_t>(ch.tremor_counter + 1);
  if (ch.tremor_counter >= ch.tremor_on + ch.tremor_off) ch.tremor_counter = 0;
  ch.flags |= kXmFlagVolume;
}

void vibrato_advance(XmChannel& ch) {
  int8_t p = static_cast<int8_t>(ch.vibrato_position + ch.vibrato_speed);
  if (p > 31) p = static_cast<int8_t>(p - 64);
  ch.vibrato_position = p;
}

// The slide of Axy, Hxy and Pxy: up by x when x is set (to at most `top`),
// otherwise down by y (to at least 0). A value already beyond a limit is
// only pulled back by a slide towards it.
int32_t nibble_slide(int32_t value, uint8_t xy, int32_t top) {
  const int up = xy >> 4, down = xy & 15;
  if (up) {
    value += up;
    if (value > top) value = top;
  } else {
    value -= down;
    if (value < 0) value = 0;
  }
  return value;
}

void volume_slide(XmChannel& ch) {
  ch.volume = nibble_slide(ch.volume, ch.volume_slide_memory, 64);
  ch.flags |= kXmFlagVolume;
}

void slide_volume_by(XmChannel& ch, int d) {
  ch.volume += d;
  if (d > 0 && ch.volume > 64) ch.volume = 64;
  if (d < 0 && ch.volume < 0) ch.volume = 0;
  ch.flags |= kXmFlagVolume;
}

void remember(uint8_t& memory, uint8_t param) {
  if (param) memory = param;
}

// Lxx: moves the volume envelope to tick `pos`.
void set_envelope_position(XmChannel& ch, const XmInstrument& ins, int pos) {
  if (!(ins.volume_type & kXmEnvOn)) return;
  const int count = ins.volume_point_count;
  const XmEnvelopePoint* x = ins.volume_points.data();
  XmEnvelopeState& env = ch.volume_env;
  int i = 0;
  while (i < count - 1 && x[i + 1].x < pos) ++i;
  env.point = i;
  if (i < count - 1) {
    env.ended = 0;
    env.tick = pos;
    env.slope = x[i + 1].x == x[i].x ? 0 : ((x[i + 1].y - x[i].y) * 65536) / (x[i + 1].x - x[i].x);
    env.point = i + 1;
    // A position before the first point would reach back past the value
    // range; it is held at the range's end.
    int64_t value = static_cast<int64_t>(pos - x[i].x) * env.slope + x[i].y * 65536;
    env.value = static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    env.output = env.value / 65536;
  } else {
    env.output = count > 0 ? x[count - 1].y : 0;
    env.ended = 1;
  }
}

void retrigger_volume(XmChannel& ch, int x) {
  int v = ch.volume;
  switch (x) {
    case 1: v -= 1; break;
    case 2: v -= 2; break;
    case 3: v -= 4; break;
    case 4: v -= 8; break;
    case 5: v -= 16; break;
    case 6: v = v * 2 / 3; break;
    case 7: v >>= 1; break;
    case 9: v += 1; break;
    case 0xA: v += 2; break;
    case 0xB: v += 4; break;
    case 0xC: v += 8; break;
    case 0xD: v += 16; break;
    case 0xE: v = v * 3 / 2; break;
    case 0xF: v *= 2; break;
    default: break;
  }
  if (v < 0) v = 0;
  if (v > 64) v = 64;
  ch.volume = v;
}

// ---------------------------------------------------------------------------
// Volume column
// ---------------------------------------------------------------------------
void volume_column_row(XmChannel& ch, uint8_t v) {
  int x = v & 15;
  if (v >= 0x10 && v <= 0x50) {
    ch.volume = v - 16;
    ch.flags |= kXmFlagVolume;
    return;
  }
  switch (v >> 4) {
    case 0x6:
    case 0x8: slide_volume_by(ch, -x); break;
    case 0x7:
    case 0x9: slide_volume_by(ch, x); break;
    case 0xA: ch.vibrato_speed = static_cast<uint8_t>(x); break;
    case 0xB: ch.vibrato_depth = static_cast<uint8_t>(x); break;
    case 0xC:
      ch.panning = 16 * x;
      ch.flags |= kXmFlagPanning;
      break;
    case 0xD:
      ch.panning -= x;
      ch.flags |= kXmFlagPanning;
      break;
    case 0xE:
      ch.panning += x;
      ch.flags |= kXmFlagPanning;
      break;
    case 0xF:
      if (x) ch.porta_speed = static_cast<uint8_t>(16 * x);
      ch.porta_target = ch.note_period;
      ch.flags &= static_cast<uint8_t>(~kXmFlagStart);
      break;
    default: break;
  }
}

void volume_column_tick(XmChannel& ch, uint8_t v) {
  int x = v & 15;
  switch (v >> 4) {
    case 0x6: slide_volume_by(ch, -x); break;
    case 0x7: slide_volume_by(ch, x); break;
    case 0xB:
      ch.vibrato_depth = static_cast<uint8_t>(x);
      xm_vibrato(ch);
      vibrato_advance(ch);
      break;
    case 0xD:
      ch.panning -= x;
      ch.flags |= kXmFlagPanning;
      break;
    case 0xE:
      ch.panning += x;
      ch.flags |= kXmFlagPanning;
      break;
    case 0xF: tone_porta_step(ch); break;
    default: break;
  }
}

// ---------------------------------------------------------------------------
// Effects
// ---------------------------------------------------------------------------
struct RowContext {
  int32_t period, volume, panning;  // before the row (EDx)
};

// 9xx: the sample starts xx00 values in; an offset beyond the loop's end
// plays nothing (the voice is rewound instead of started).
void sample_offset(XmSong& song, XmChannel& ch, uint8_t prm) {
  if (prm) ch.offset_memory = prm;
  uint32_t offset = ch.offset_memory * 256;
  const XmSample* s = ch.sample;
  if (s && offset < static_cast<uint64_t>(s->loop_start) + s->loop_length) {
    song.voice[static_cast<size_t>(ch.voice)].start_offset = offset;
  } else {
    ch.flags &= static_cast<uint8_t>(~kXmFlagStart);
    ch.flags |= kXmFlagRewind;
  }
}

// Bxx: continue at order xx, row 0.
void position_jump(XmSong& song, uint8_t prm) {
  song.next_order = prm >= song.song_length ? 0 : prm;
  song.next_row = 0;
  song.jumped_this_row = true;
}

// Dxy: continue at row 10x + y of the next order (of the jump's order when
// a Bxx came earlier in the row).
void pattern_break(XmSong& song, int x, int y) {
  song.next_row = 10 * x + y;
  if (song.next_row > 63) song.next_row = 0;
  if (!song.jumped_this_row) song.next_order = song.order + 1 >= song.song_length ? 0 : song.order + 1;
}

// E6x: x = 0 marks the loop's start; otherwise the rows from there repeat x
// more times.
void pattern_loop(XmSong& song, XmChannel& ch, int y) {
  if (y == 0) {
    ch.pattern_loop_row = song.row;
    return;
  }
  if (ch.pattern_loop_count == 0)
    ch.pattern_loop_count = y;
  else
    ch.pattern_loop_count -= 1;
  if (ch.pattern_loop_count != 0) song.next_row = ch.pattern_loop_row;
}

// Exy on the row's first tick.
void extended_row(XmSong& song, XmChannel& ch, int x, int y, const RowContext& before) {
  switch (x) {
    case 0x1:
      remember(ch.fine_porta_up_memory, static_cast<uint8_t>(y));
      ch.period -= 4 * ch.fine_porta_up_memory;
      break;
    case 0x2:
      remember(ch.fine_porta_down_memory, static_cast<uint8_t>(y));
      ch.period += 4 * ch.fine_porta_down_memory;
      break;
    case 0x4: ch.waveform = static_cast<uint8_t>((ch.waveform & 0xF0) | y); break;
    case 0x5:
      if (ch.sample) ch.sample->finetune = static_cast<int8_t>(y);
      break;
    case 0x6: pattern_loop(song, ch, y); break;
    case 0x7: ch.waveform = static_cast<uint8_t>((ch.waveform & 0x0F) | y << 4); break;
    case 0x8:
      ch.panning = 16 * y;
      ch.flags |= kXmFlagPanning;
      break;
    case 0xA:
      remember(ch.fine_volume_memory, static_cast<uint8_t>(y));
      slide_volume_by(ch, ch.fine_volume_memory);
      break;
    case 0xB:
      remember(ch.fine_volume_memory, static_cast<uint8_t>(y));
      slide_volume_by(ch, -ch.fine_volume_memory);
      break;
    case 0xD:
      // Note delay: nothing changes until the tick named (see extended_tick).
      ch.flags = 0;
      ch.period = before.period;
      ch.volume = before.volume;
      ch.panning = before.panning;
      break;
    case 0xE: song.pattern_delay_ticks = song.speed * y; break;
    default: break;
  }
}

// X1x, X2x: extra-fine portamento up and down.
void extra_fine_porta(XmChannel& ch, int x, int y) {
  if (x == 1) {
    remember(ch.extra_fine_up_memory, static_cast<uint8_t>(y));
    ch.period -= ch.extra_fine_up_memory;
  } else if (x == 2) {
    remember(ch.extra_fine_down_memory, static_cast<uint8_t>(y));
    ch.period += ch.extra_fine_down_memory;
  }
}

// The effect column on the row's first tick: remembers parameters, sets
// values, and plans jumps.
void effect_row(XmSong& song, XmChannel& ch, const XmInstrument& ins, const XmCell& cell, const RowContext& before) {
  const uint8_t prm = cell.param;
  const int x = prm >> 4, y = prm & 15;
  switch (cell.effect) {
    case 0x1: remember(ch.porta_up_memory, prm); break;
    case 0x2: remember(ch.porta_down_memory, prm); break;
    case 0x3:
      remember(ch.porta_speed, prm);
      ch.porta_target = ch.note_period;
      ch.flags &= static_cast<uint8_t>(~(kXmFlagStart | kXmFlagFrequency));
      break;
    case 0x4:
      if (x) ch.vibrato_speed = static_cast<uint8_t>(x);
      if (y) ch.vibrato_depth = static_cast<uint8_t>(y);
      xm_vibrato(ch);
      break;
    case 0x5:
      ch.porta_target = ch.note_period;
      remember(ch.volume_slide_memory, prm);
      ch.flags &= static_cast<uint8_t>(~(kXmFlagStart | kXmFlagFrequency));
      break;
    case 0x6:
      remember(ch.volume_slide_memory, prm);
      xm_vibrato(ch);
      break;
    case 0x7:
      if (x) ch.tremolo_speed = static_cast<uint8_t>(x);
      if (y) ch.tremolo_depth = static_cast<uint8_t>(y);
      break;
    case 0x8:
      ch.panning = prm;
      ch.flags |= kXmFlagPanning;
      break;
    case 0x9: sample_offset(song, ch, prm); break;
    case 0xA: remember(ch.volume_slide_memory, prm); break;
    case 0xB: position_jump(song, prm); break;
    case 0xC:
      ch.volume = prm;
      ch.flags |= kXmFlagVolume;
      break;
    case 0xD: pattern_break(song, x, y); break;
    case 0xE: extended_row(song, ch, x, y, before); break;
    case 0xF:
      if (prm < 32)
        song.speed = prm;
      else
        xm_set_bpm(song, prm);
      break;
    case 16:  // Gxx
      song.global_volume = prm > 64 ? 64 : prm;
      ch.flags |= kXmFlagVolume;
      break;
    case 17:  // Hxy
      if (prm) song.global_volume_slide_memory = prm;
      break;
    case 21:  // Lxx
      set_envelope_position(ch, ins, prm);
      break;
    case 25:  // Pxy
      remember(ch.panning_slide_memory, prm);
      break;
    case 27:  // Rxy
      if (prm) {
        ch.retrigger_volume = static_cast<uint8_t>(x);
        ch.retrigger_interval = static_cast<uint8_t>(y);
      }
      break;
    case 29:  // Txy
      if (prm) {
        ch.tremor_on = static_cast<uint8_t>(x + 1);
        ch.tremor_off = static_cast<uint8_t>(y + 1);
      }
      tremor_step(ch);
      break;
    case 33: extra_fine_porta(ch, x, y); break;
    default: break;
  }
}

// 0xy: the note, note + x, note + y in turn, tick by tick.
void arpeggio(const XmSong& song, XmChannel& ch, int x, int y) {
  const int tick = song.tick;
  int n = tick % 3 == 1 ? x : tick % 3 == 2 ? y : 0;
  if (song.flags & 1) {
    ch.period_delta = 64 * n;
  } else {
    int ft = ch.sample ? ch.sample->finetune : 0;
    ch.period_delta = xm_note_period(ch.real_note + n, ft) - xm_note_period(ch.real_note, ft);
  }
  ch.flags |= kXmFlagFrequency;
}

// Exy on the ticks after the first: retrigger (E9x), note cut (ECx) and the
// delayed note of EDx.
void extended_tick(const XmSong& song, XmChannel& ch, const XmCell& cell, int x, int y) {
  const int tick = song.tick;
  switch (x) {
    case 0x9:
      if (y != 0 && tick % y == 0) ch.flags |= kXmFlagFrequency | kXmFlagVolume | kXmFlagStart;
      break;
    case 0xC:
      if (tick == y) {
        ch.volume = 0;
        ch.flags |= kXmFlagVolume;
      }
      break;
    case 0xD:
      ch.flags = 0;
      if (tick == y) {
        if (ch.sample) xm_instrument_reset(ch, *ch.sample);
        ch.period = ch.note_period;
        if (cell.volume) volume_column_row(ch, cell.volume);
        ch.flags |= kXmFlagFrequency | kXmFlagStart;
      }
      break;
    default: break;
  }
}

// Rxy: restarts the sample every y ticks, changing the volume by x's rule.
void retrigger(const XmSong& song, XmChannel& ch) {
  if (ch.retrigger_interval != 0 && song.tick % ch.retrigger_interval == 0) {
    if (ch.retrigger_volume != 0) {
      retrigger_volume(ch, ch.retrigger_volume);
      ch.flags |= kXmFlagVolume;
    }
    ch.flags |= kXmFlagStart;
  }
}

// The effect column on the ticks after the first: slides, modulation,
// arpeggio, retriggers.
void effect_tick(XmSong& song, XmChannel& ch, const XmCell& cell) {
  const uint8_t prm = cell.param;
  const int x = prm >> 4, y = prm & 15;
  switch (cell.effect) {
    case 0x0:
      if (prm) arpeggio(song, ch, x, y);
      break;
    case 0x1:
      ch.period -= 4 * ch.porta_up_memory;
      if (ch.period < 56) ch.period = 56;
      ch.period_delta = 0;
      break;
    case 0x2:
      ch.period += 4 * ch.porta_down_memory;
      ch.period_delta = 0;
      break;
    case 0x3:
      ch.period_delta = 0;
      tone_porta_step(ch);
      break;
    case 0x4:
      xm_vibrato(ch);
      vibrato_advance(ch);
      break;
    case 0x5:
      ch.period_delta = 0;
      tone_porta_step(ch);
      volume_slide(ch);
      break;
    case 0x6:
      xm_vibrato(ch);
      vibrato_advance(ch);
      volume_slide(ch);
      break;
    case 0x7: xm_tremolo(ch); break;
    case 0xA: volume_slide(ch); break;
    case 0xE: extended_tick(song, ch, cell, x, y); break;
    case 17:  // Hxy
      song.global_volume = nibble_slide(song.global_volume, song.global_volume_slide_memory, 64);
      break;
    case 25:  // Pxy
      ch.panning = nibble_slide(ch.panning, ch.panning_slide_memory, 255);
      ch.flags |= kXmFlagPanning;
      break;
    case 27: retrigger(song, ch); break;
    case 29: tremor_step(ch); break;
    default: break;
  }
}

// The instrument a channel plays and the sample its note maps to.
const XmInstrument& channel_instrument(XmSong& song, const XmChannel& ch, XmSample*& sample) {
  if (ch.instrument < song.instrument_count) {
    const XmInstrument& ins = song.instruments[ch.instrument];
    uint8_t s = ins.note_map[ch.note < 96 ? ch.note : 0];
    sample = s < ins.samples.size() ? ins.samples[s] : &song.empty_sample;
    return ins;
  }
  sample = &song.empty_sample;
  return song.empty_instrument;
}

void step_envelopes(XmChannel& ch, const XmInstrument& ins, bool row) {
  if ((ins.volume_type & kXmEnvOn) && !ch.volume_env.ended) {
    xm_envelope_step(ch, ch.volume_env, ins.volume_type, ins.volume_point_count, ins.volume_points.data(),
                     ins.volume_loop_end, ins.volume_loop_start, ins.volume_sustain, kXmFlagVolume);
  } else if (row && !(ins.volume_type & kXmEnvOn) && ch.key_off) {
    ch.volume_env.output = 0;
  }
  if ((ins.panning_type & kXmEnvOn) && !ch.panning_env.ended) {
    xm_envelope_step(ch, ch.panning_env, ins.panning_type, ins.panning_point_count, ins.panning_points.data(),
                     ins.panning_loop_end, ins.panning_loop_start, ins.panning_sustain, kXmFlagPanning);
  }
  if (ch.key_off) {
    ch.fadeout_volume -= ins.fadeout;
    if (ch.fadeout_volume < 0) ch.fadeout_volume = 0;
    ch.flags |= kXmFlagVolume;
  }
}

const XmCell* row_cells(XmSong& song) {
  XmPattern& pat = song.patterns[song.order_table[static_cast<size_t>(song.order)]];
  return pat.cells.data() + static_cast<size_t>(song.row) * static_cast<size_t>(song.channels);
}

}  // namespace

// ---------------------------------------------------------------------------
// Row and tick processing
// ---------------------------------------------------------------------------
void xm_process_row(XmSong& song) {
  song.next_row = -1;
  song.next_order = -1;
  song.jumped_this_row = false;
  const XmCell* cells = row_cells(song);
  for (int c = 0; c < song.channels; ++c) {
    const XmCell& cell = cells[c];
    XmChannel& ch = song.channel[static_cast<size_t>(c)];
    const bool porta = cell.effect == 3 || cell.effect == 5;
    if (cell.instrument != 0 && !porta) ch.instrument = static_cast<uint8_t>(cell.instrument - 1);
    if (cell.note >= 1 && cell.note <= 96 && !porta) ch.note = static_cast<uint8_t>(cell.note - 1);
    XmSample* sample = nullptr;
    const XmInstrument& ins = channel_instrument(song, ch, sample);
    if (!porta) ch.sample = sample;

    RowContext before{ch.period, ch.volume, ch.panning};
    if (ch.effect == 7 && cell.effect != 7) ch.volume += ch.volume_delta;
    ch.volume_delta = 0;
    ch.flags = 0;
    ch.effect = cell.effect;

    if (cell.note >= 1 && cell.note <= 96) {
      ch.real_note = static_cast<uint8_t>(sample->relative_note + cell.note - 1);
      ch.note_period = xm_period(song, ch.real_note, sample->finetune);
      if (!porta) ch.period = ch.note_period;
      ch.flags = kXmFlagStart;
    }
    ch.period_delta = 0;
    ch.flags |= kXmFlagFrequency | kXmFlagVolume;
    if (cell.instrument != 0) xm_instrument_reset(ch, *sample);
    if (cell.volume != 0) volume_column_row(ch, cell.volume);
    if (cell.note == 0xFF || cell.effect == 20) ch.key_off = 1;
    step_envelopes(ch, ins, true);
    effect_row(song, ch, ins, cell, before);
    xm_auto_vibrato_step(ch, ins);
    xm_update_voice(song, ch);
  }
}

void xm_process_tick_effects(XmSong& song) {
  const XmCell* cells = row_cells(song);
  for (int c = 0; c < song.channels; ++c) {
    const XmCell& cell = cells[c];
    XmChannel& ch = song.channel[static_cast<size_t>(c)];
    XmSample* sample = nullptr;
    const XmInstrument& ins = channel_instrument(song, ch, sample);
    ch.volume_delta = 0;
    ch.period_delta = 0;
    ch.flags = 0;
    step_envelopes(ch, ins, false);
    volume_column_tick(ch, cell.volume);
    effect_tick(song, ch, cell);
    xm_auto_vibrato_step(ch, ins);
    xm_update_voice(song, ch);
  }
}

void xm_tick(XmSong& song) {
  if (song.tick == 0) {
    if (song.next_order >= 0) song.order = song.next_order;
    if (song.next_row >= 0) song.row = song.next_row;
    // A jump or loop into a pattern shorter than the row asked for starts
    // that pattern at its top instead of reading past its end.
    if (song.row >= song.patterns[song.order_table[static_cast<size_t>(song.order)]].rows) song.row = 0;
    xm_process_row(song);
    if (song.next_row == -1) {
      song.next_row = song.row + 1;
      if (song.next_row >= song.patterns[song.order_table[static_cast<size_t>(song.order)]].rows) {
        song.next_order = song.order + 1;
        if (song.next_order >= song.song_length) song.next_order = song.restart_position;
        song.next_row = 0;
      }
    }
  } else {
    xm_process_tick_effects(song);
  }
  song.tick += 1;
  if (song.tick >= song.speed + song.pattern_delay_ticks) {
    song.tick = 0;
    song.pattern_delay_ticks = 0;
  }
}

}  // namespace zel
