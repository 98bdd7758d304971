// The module engine's data model: a loaded XM song (patterns, instruments,
// decoded samples) together with its playback state (sequencer position,
// 32 channel records, 64 mixer voices).
//
// Who uses it: the loader (xm_loader.cpp) builds an XmSong, the effect
// processing (xm_effects.cpp) runs its ticks and sets its voices through
// xm_update_voice (xm_voice.cpp), the mixer (xm_mixer.h) mixes the voices,
// and the player (xm_player.cpp) owns the current one and interleaves ticks
// with mixing. All of it runs on one thread at a
// time: the stream thread while playing, otherwise the caller's.
//
// Units: periods are XM periods (Amiga periods x4, or linear periods);
// sample positions and steps are 32.32 fixed point; envelope values 16.16;
// volumes 0..64; panning 0..255 (0 left, 255 right); the mix is 44,100 Hz
// stereo in 32-bit floats.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "xm/xm_mixer.h"

namespace zel {

constexpr int kXmMaxChannels = 32;
constexpr int kXmMaxEnvelopePoints = 12;
// A note-map entry is one byte, so an XM instrument can name at most 256
// samples; the magazine's own modules use at most 16.
constexpr int kXmFormatMaxSamples = 256;

// What a loader accepts beyond the basic checks. The magazine loads its own
// modules with kXmMagazineLimits; the tool, which plays any module a user
// gives it, with kXmFormatLimits: instruments of up to 256 samples and the
// older 1.02 and 1.03 layouts (instruments before the patterns, all sample
// data after them; in 1.02 a pattern stores rows - 1 in one byte).
struct XmLoadLimits {
  int max_samples_per_instrument = 16;
  uint16_t oldest_version = 0x0104;
};
constexpr XmLoadLimits kXmMagazineLimits{16, 0x0104};
constexpr XmLoadLimits kXmFormatLimits{kXmFormatMaxSamples, 0x0102};

// Update flags of a channel: what xm_update_voice applies to its voice.
enum : uint8_t {
  kXmFlagFrequency = 1 << 0,
  kXmFlagVolume = 1 << 1,
  kXmFlagPanning = 1 << 2,
  kXmFlagStart = 1 << 3,
  kXmFlagRewind = 1 << 5,
};

// Envelope type bits.
enum : uint8_t { kXmEnvOn = 1, kXmEnvSustain = 2, kXmEnvLoop = 4 };

struct XmCell {
  uint8_t note = 0;        // 0 none, 1..96 C-0..B-7, 0xFF key off
  uint8_t instrument = 0;  // 0 none, 1..128
  uint8_t volume = 0;      // raw volume-column byte
  uint8_t effect = 0;      // 0..35 (0..F, then G=16 .. X=33)
  uint8_t param = 0;
};

struct XmPattern {
  int rows = 0;
  std::vector<XmCell> cells;  // rows x channels, row by row
};

struct XmEnvelopePoint {
  uint16_t x = 0;  // tick
  uint16_t y = 0;  // 0..64
};

struct XmInstrument {
  int sample_count = 0;
  // max(16, sample_count) entries; beyond sample_count: the song's empty sample
  std::vector<XmSample*> samples;
  std::array<uint8_t, 96> note_map{};
  std::array<XmEnvelopePoint, kXmMaxEnvelopePoints> volume_points{};
  std::array<XmEnvelopePoint, kXmMaxEnvelopePoints> panning_points{};
  uint8_t volume_point_count = 0, panning_point_count = 0;
  uint8_t volume_sustain = 0, volume_loop_start = 0, volume_loop_end = 0;
  uint8_t panning_sustain = 0, panning_loop_start = 0, panning_loop_end = 0;
  uint8_t volume_type = 0, panning_type = 0;
  uint8_t vibrato_type = 0, vibrato_sweep = 0, vibrato_depth = 0, vibrato_rate = 0;
  uint16_t fadeout = 0;  // the file's value doubled
};

// Envelope state of a channel (volume or panning).
struct XmEnvelopeState {
  int tick = 0;
  int point = 0;     // next point to reach
  int32_t value = 0;  // 16.16
  int output = 0;    // volume 0..64 (starts 64) or panning 0..64 (starts 32)
  int32_t slope = 0;  // 16.16 per tick
  uint8_t ended = 0;
};

struct XmChannel {
  uint8_t note = 0;  // 0..95
  uint8_t flags = 0;
  int voice = 0;  // index of the voice the channel drives
  XmSample* sample = nullptr;
  int32_t period = 0, volume = 0, panning = 0;
  int32_t volume_delta = 0, period_delta = 0;
  XmEnvelopeState volume_env, panning_env;
  int fadeout_volume = 0;  // 0..65536
  int auto_vibrato_position = 0, auto_vibrato_sweep = 0;
  uint8_t key_off = 0;
  uint8_t instrument = 0;  // 0-based
  uint8_t real_note = 0;
  int32_t note_period = 0;
  uint8_t effect = 0;
  uint32_t offset_memory = 0;
  uint8_t porta_down_memory = 0, porta_up_memory = 0;
  uint8_t extra_fine_down_memory = 0, extra_fine_up_memory = 0;
  uint8_t volume_slide_memory = 0, panning_slide_memory = 0;
  uint8_t retrigger_volume = 0, retrigger_interval = 0;
  int32_t porta_target = 0;
  uint8_t porta_speed = 0;
  int8_t vibrato_position = 0;
  uint8_t vibrato_speed = 0, vibrato_depth = 0;
  int8_t tremolo_position = 0;
  uint8_t tremolo_speed = 0, tremolo_depth = 0;
  uint8_t tremor_counter = 0, tremor_on = 0, tremor_off = 0;
  int pattern_loop_row = 0, pattern_loop_count = 0;
  uint8_t waveform = 0;  // low nibble vibrato, high nibble tremolo
  uint8_t fine_volume_memory = 0;
  uint8_t fine_porta_up_memory = 0, fine_porta_down_memory = 0;
};

struct XmSong {
  // ---- as loaded --------------------------------------------------------------
  std::vector<XmPattern> patterns;
  std::vector<XmInstrument> instruments;
  std::vector<std::unique_ptr<XmSample>> sample_store;  // owns every real sample
  XmSample empty_sample;          // stands in for missing samples
  XmInstrument empty_instrument;  // all zero; stands in for missing instruments
  int song_length = 0;
  int restart_position = 0;
  int channels = 0;
  int referenced_patterns = 0;
  int pattern_count = 0;      // after the referenced ones are added
  int header_pattern_count = 0;
  int instrument_count = 0;
  uint16_t flags = 0;  // bit 0: linear frequency table
  int default_speed = 0, default_bpm = 0;
  std::array<uint8_t, 256> order_table{};
  int default_global_volume = 64;

  // ---- playback -----------------------------------------------------------------
  int samples_left_in_tick = 0;
  int samples_per_tick = 0;
  int global_volume = 64;
  uint8_t global_volume_slide_memory = 0;
  int tick = 0, speed = 0, bpm = 0;
  int row = 0, order = 0;
  int pattern_delay_ticks = 0;
  int next_row = -1, next_order = -1;
  bool jumped_this_row = false;  // a Bxx came earlier in the row being processed
  std::array<XmChannel, kXmMaxChannels> channel{};
  XmVoices voice{};
};

// ---- loader (xm_loader.cpp) -----------------------------------------------------
// Parses an XM image within `limits`. Returns nullptr (and the reason in
// *why) when the image is refused; never reads outside [data, data + size).
std::unique_ptr<XmSong> xm_load_song(const uint8_t* data, size_t size, std::string* why = nullptr,
                                     const XmLoadLimits& limits = kXmMagazineLimits);

// ---- sequencing (xm_effects.cpp) ------------------------------------------------
// Sets the song, its channels and voices to the start of playback.
void xm_song_reset(XmSong& song);
void xm_tick(XmSong& song);
void xm_process_row(XmSong& song);
void xm_process_tick_effects(XmSong& song);
int xm_note_period(int note, int finetune);  // Amiga table
// Period of `note` (0-based, relative note included) on the song's table.
int xm_period(const XmSong& song, int note, int finetune);
void xm_envelope_step(XmChannel& ch, XmEnvelopeState& env, uint8_t type, int point_count,
                      const XmEnvelopePoint* points, int loop_end, int loop_start, int sustain,
                      uint8_t flag);
void xm_instrument_reset(XmChannel& ch, const XmSample& sample);
void xm_auto_vibrato_step(XmChannel& ch, const XmInstrument& ins);
void xm_vibrato(XmChannel& ch);
void xm_tremolo(XmChannel& ch);

// ---- tempo (xm_effects.cpp) ----------------------------------------------------
int xm_samples_per_tick(int bpm);
void xm_set_bpm(XmSong& song, int bpm);

// ---- channel to voice (xm_voice.cpp) --------------------------------------------
// Applies the channel's update flags to the voice it drives: a new start
// (moving the old sound to the partner voice so it can fade), volume and
// panning targets, the resampling step.
void xm_update_voice(XmSong& song, XmChannel& ch);

}  // namespace zel
