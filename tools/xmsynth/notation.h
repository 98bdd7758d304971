// Song notation of xmsynth: a readable text form of a module (instruments
// as synthesiser patches with envelopes, channel tracks in a compact note
// language, patterns built from tracks, an order list with its restart
// position) compiled into the Module model of xm_writer.h. docs/modules.md
// describes the language.
//
// Called at build time by xmsynth's main and by the tests, single-threaded.
// Errors throw std::runtime_error with "line N: reason".
#pragma once

#include <string>

#include "xm/xm_writer.h"

namespace zel::xmsynth {

struct CompiledSong {
  Module module;
  int target_size = 0;  // 0: no exact size requested
};

// Parses and synthesises a song; when the song names a size, pads the module
// to exactly that many bytes (a longer "fill" sample, then spare bytes in
// that instrument's declared header size).
CompiledSong compile_song(const std::string& source);

// Seconds from the start until the order list first reaches its restart
// position again (following speed, BPM, pattern break, position jump and
// pattern delay commands); negative if the song never gets there within an
// hour.
double seconds_to_restart(const Module& m);

}  // namespace zel::xmsynth
