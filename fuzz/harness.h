// What the fuzz targets do with one input, shared by the targets and by the
// regression test that replays every input a target ever crashed or hung on
// (tests/test_fuzz_regressions.cpp).
//
// Each run is short, so that a target gets through thousands of inputs a
// second: it loads the bytes, then plays a bounded amount that the bytes
// steer (the song's speed and effects decide how far its ticks reach; the
// tune's code decides what its calls do), with little audio per step.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "sid/psid_header.h"
#include "sid/sid_machine.h"
#include "xm/xm_song.h"

namespace zel::fuzz {

// At most this many pattern cells (channels x 256 rows x patterns, counting
// those the order table names): a 2 KB image can declare 256 patterns of 256
// rows on 32 channels, and its run would spend milliseconds filling ten
// megabytes of empty cells, through the same code that fills a few.
constexpr size_t kXmMaxCells = size_t{1} << 17;

inline bool xm_small_enough(const uint8_t* d, size_t size) {
  if (size < 80) return true;
  size_t channels = d[68] | d[69] << 8, patterns = d[70] | d[71] << 8;
  if (channels > kXmMaxChannels || patterns > 256) return true;  // refused at once
  size_t orders = std::min<size_t>(std::max(d[64] | d[65] << 8, 1), std::min<size_t>(256, size - 80));
  for (size_t i = 0; i < orders; ++i) patterns = std::max<size_t>(patterns, d[80 + i] + 1u);
  return channels * patterns * 256 <= kXmMaxCells;
}

// An XM image of bounded size: load (within the format's limits, which the
// tool uses and which reach every path of the loader), then 128 ticks with
// 8 mixed frames after each. Returns what happened, for the regression
// test: "skipped", the refusal, or the song as loaded (channels, rows per
// pattern, loop and length of each sample, envelope point counts).
inline std::string play_xm(const uint8_t* data, size_t size) {
  if (!xm_small_enough(data, size)) return "skipped";
  std::string why;
  std::unique_ptr<XmSong> song = xm_load_song(data, size, &why, kXmFormatLimits);
  if (!song) return "refused: " + why;
  xm_song_reset(*song);
  constexpr int kFrames = 8;
  std::array<float, 2 * kFrames> mix;
  std::array<int16_t, 2 * kFrames> pcm;
  for (int tick = 0; tick < 128; ++tick) {
    xm_tick(*song);
    mix.fill(0.0f);
    xm_mix(song->voice, mix.data(), kFrames);
    xm_to_pcm16(pcm.data(), mix.data(), kFrames);
  }
  std::string said = std::to_string(song->channels) + " channels; rows";
  for (const XmPattern& p : song->patterns) said += " " + std::to_string(p.rows);
  said += "; samples";
  for (const auto& smp : song->sample_store)
    said += " " + std::to_string(smp->loop_start) + "+" + std::to_string(smp->loop_length) + "/" +
            std::to_string(smp->length);
  said += "; envelope points";
  for (const XmInstrument& ins : song->instruments)
    said += " " + std::to_string(ins.volume_point_count) + "/" + std::to_string(ins.panning_point_count);
  return said;
}

// Instructions per routine call. The program allows a call two million, so
// that no tune can hang its thread; the embedded tunes' init and play
// routines need under a thousand, and a fuzzed routine that loops would
// otherwise cost each run tens of milliseconds.
constexpr int kSidCallBudget = 4000;

// A PSID image: load (which runs init itself when the play address is 0),
// init with the start-song byte of the header (which the loader ignores) as
// sub-song, then 6 play calls with 64 samples of synthesis after each.
// Returns what was loaded and whether init returned or ran out of budget.
inline std::string play_psid(const uint8_t* data, size_t size) {
  auto machine = std::make_unique<SidPlayerState>();
  SidPlayerState& s = *machine;
  sid_init(s, 44100);
  s.call_budget = kSidCallBudget;
  psid_load(s, data, size);
  const PsidHeader h = psid_parse({data, size});
  const int64_t init_steps = cpu_call(s, s.init_address, size > 17 ? data[17] : 0);
  std::array<int16_t, 64> out;
  for (int call = 0; call < 6; ++call) tune_render_chunk(s, out.data(), out.size());
  if (!h.readable) return "nothing loaded";
  char said[96];
  std::snprintf(said, sizeof said, "loaded $%04X-$%04X, init %s", h.load_address, static_cast<unsigned>(h.load_end),
                init_steps >= kSidCallBudget ? "stopped at the budget" : "returned");
  return said;
}

}  // namespace zel::fuzz
