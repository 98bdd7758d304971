// Instrument synthesiser of xmsynth: makes every sample of the modules from
// code (oscillators, noise, envelopes, filters, FM). Nothing is recorded or
// copied.
//
// Called by the song compiler (notation.cpp) at build time, single-threaded.
// Units: rates in Hz, times in seconds, pitches as XM notes (0 = C-0,
// 48 = C-4), detune in cents. A Patch is a kind plus named parameters; every
// parameter has a default, so "kick" alone is a usable drum.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace zel::xmsynth {

enum class LoopKind { None, Forward, PingPong };

struct Patch {
  std::string kind;                          // kick, snare, clap, hat, tom, crash, tone, fm, pluck, fx
  std::map<std::string, std::string> params;  // key=value as written in the song
  double num(const std::string& key, double fallback) const;
  std::string text(const std::string& key, const std::string& fallback) const;
};

// A synthesised sample, ready for the module writer.
struct SynthSample {
  std::vector<float> data;   // -1..1
  LoopKind loop = LoopKind::None;
  int loop_start = 0;        // in sample values
  int loop_length = 0;       // in sample values
  double rate = 22050;       // playback rate that sounds the base note
  int base_note = 48;        // the note (0 = C-0) that plays at `rate`
  bool bits16 = false;
};

// Renders a patch. `extra_values` lengthens a one-shot sample (or the head of
// a looped one) by that many values: the song compiler uses it to reach a
// module's exact byte size with real sound rather than junk. Throws
// std::runtime_error with the reason for an unknown kind.
SynthSample synthesise(const Patch& patch, int extra_values = 0);

// XM relative note and finetune (1/128 semitone) that make `base_note` play
// at `rate` under the Amiga period table (8363 Hz at C-4).
void tuning_for(double rate, int base_note, int& relative_note, int& finetune);

// Frequency in Hz of an XM note (A-4 = note 57 = 440 Hz).
double note_frequency(double note);

}  // namespace zel::xmsynth
