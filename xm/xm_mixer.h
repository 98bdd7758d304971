// Module mixer: the 64 voices, each a sample played at a 32.32 step with
// linear interpolation, forward or ping-pong loops and 128-frame gain ramps,
// summed into 32-bit float stereo and converted to 16-bit PCM.
//
// The mixer knows only voices and samples: who sets a voice's sample,
// step and gains (the effect processing, through xm_update_voice) and who
// interleaves ticks with mixing (the player's block renderer) live
// elsewhere. Runs on the mixing thread (see xm_song.h).
//
// Units: sample positions and steps are 32.32 fixed point; volumes 0..127
// at full scale; panning 0..255 (0 left, 255 right); 44,100 Hz frames.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace zel {

constexpr int kXmRate = 44100;                       // frames per second
constexpr int kXmRampLength = kXmRate * 128 / 44100;  // frames of a gain ramp (128)
constexpr int kXmVoices = 64;  // voice v and v + 32 form a pair

// Loop modes of a sample.
enum : uint8_t { kXmLoopNone = 1, kXmLoopForward = 2, kXmLoopPingPong = 4 };

struct XmSample {
  std::vector<int16_t> data;  // length + 8 values; a loop guard follows the loop
  // The mixer's copy of `data`: for each value i the pair (x[i], x[i+1] - x[i])
  // as floats, so one load gives both interpolation terms. Built by the loader.
  std::vector<float> pairs;
  uint32_t length = 0;        // in sample values
  uint32_t loop_start = 0;
  uint32_t loop_length = 0;   // equals length (and loop_start 0) without a loop
  uint8_t volume = 0;         // 0..64
  int8_t finetune = 0;
  int panning = 0;            // 0..255
  uint8_t bits = 16;
  uint8_t loop_mode = 0;      // kXmLoop*; 0 for the empty sample
  int8_t relative_note = 0;
};

struct XmVoice {
  int index = 0;
  int frequency = 0;  // Hz, before the 100 Hz floor
  int volume = 0;     // 0..127 at full scale
  int panning = 0;    // 0..255
  uint32_t start_offset = 0;
  const XmSample* sample = nullptr;  // none: silent and skipped
  int left_target = 0, right_target = 0;
  int64_t position = 0;        // 32.32: sample index . fraction (below 0 only transiently)
  int64_t step = int64_t{1} << 32;  // 32.32 per output frame
  int direction = 1;           // 1 forward, 2 backward
  int ramp_left_target = 0, ramp_right_target = 0;
  int current_left = 0, current_right = 0;  // gain in target units x 256
  float ramp_delta_left = 0, ramp_delta_right = 0;
  int ramp_frames = 0;
};

using XmVoices = std::array<XmVoice, kXmVoices>;

// Adds `frames` frames of all voices into `out` (2 floats per frame).
void xm_mix(XmVoices& voices, float* out, int frames);
// Converts `frames` float frames into 16-bit stereo, rounding to nearest
// and saturating.
void xm_to_pcm16(int16_t* out, const float* in, int frames);

}  // namespace zel
