// The module player as the rest of the program sees it: one current song,
// loaded from an XM image, played on the platform's looping sound ring by a
// stream thread, and queries for what is being heard.
//
// Every function here is called from the main thread. While a song plays, a
// stream thread owned by the player renders 20 ms blocks (884 frames) of a
// ring of 100 blocks (88,400 frames of 44,100 Hz 16-bit stereo), each one
// ring ahead of the device; the queries read the position record of the
// block the device is playing. Destroying the player stops the thread. On a
// platform without threads the device runs the thread's poll itself, on the
// main thread, whenever it has moved on; the blocks are the same.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "xm/xm_song.h"

namespace zel {


constexpr int kXmBlockFrames = (kXmRate * 20 / 1000 + 3) / 4 * 4;  // 884
constexpr int kXmBlockCount = 2 * (1000 / 20);                    // 100
constexpr int kXmRingFrames = kXmBlockCount * kXmBlockFrames;     // 88,400

// Position of the song at the end of a rendered block.
struct XmPosition {
  uint8_t order = 0;
  uint8_t row = 0;
};
// Mixes `frames` frames of `song` (running its ticks as they fall due) into
// `scratch` (2 x frames floats), converts them into `pcm` and returns the
// position reached. Runs on the stream thread, or on the caller's when
// rendering offline.
XmPosition xm_render_block(XmSong& song, float* scratch, int16_t* pcm, int frames);

// The audio stream of a playing song.
struct XmStream {
  std::unique_ptr<AudioRing> device;
  std::vector<int16_t> pcm;    // the ring, kXmRingFrames x 2 values
  std::vector<float> scratch;  // one block of float frames
  // Position at the end of each block: order << 40 | row << 32.
  std::unique_ptr<std::atomic<uint64_t>[]> records;
  int fill_index = 0;                // next block to render (stream thread)
  std::atomic<int> play_index{0};    // block the device is playing
  std::thread thread;  // not started where the platform has no threads
  std::atomic<bool> stop{false};
};

struct XmPlayer {
  explicit XmPlayer(Platform& platform) : platform(&platform) {}
  ~XmPlayer();
  XmPlayer(const XmPlayer&) = delete;
  XmPlayer& operator=(const XmPlayer&) = delete;

  Platform* platform;
  std::unique_ptr<XmSong> song;  // the current song; none after a failed load or xm_free
  XmSong* streamed = nullptr;    // the song the stream renders while playing
  XmStream stream;
};

// Frees the current song and loads `size` bytes at `data` in its place,
// within `limits`; false (no current song, and the reason in *why) when the
// image is refused.
bool xm_load(XmPlayer& player, const uint8_t* data, size_t size, std::string* why = nullptr,
             const XmLoadLimits& limits = kXmMagazineLimits);
// Starts the current song from its beginning; false when there is no song
// or no sound device.
bool xm_play(XmPlayer& player);
// Stops the stream; returns once its thread has ended and the device is
// closed. False when there is no current song.
bool xm_stop(XmPlayer& player);
void xm_free(XmPlayer& player);
int xm_channel_count(const XmPlayer& player);
int xm_playing_order(const XmPlayer& player);
int xm_playing_row(const XmPlayer& player);
// Note (low byte) and instrument (high byte) of the cell being heard; 0 for
// a channel the song does not have.
uint32_t xm_playing_cell(const XmPlayer& player, int channel);

// Renders `frames` frames of `song` from its start into 16-bit stereo, block
// by block, with the code the stream uses (no device, no thread).
std::vector<int16_t> xm_render_offline(XmSong& song, size_t frames);

}  // namespace zel
