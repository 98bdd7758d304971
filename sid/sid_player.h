// The SID player: start a tune image's stream, let it play, stop it. The core
// chooses which embedded tune (sid_tune_select, core/output.h); tools and
// tests start images of their own.
//
// The stream plays 44,100 Hz mono 16-bit sound through the platform's
// queued-buffer device: two buffers of 7,056 samples (8 chunks, 160 ms) are
// rendered before anything is queued, the device stays paused until
// sid_stream_resume, and each buffer is rendered again and re-queued when
// the device reports it played.
//
// Threads: sid_stream_start/resume/stop and
// sid_stream_wait_idle are called from the main thread. The device's done
// notification (its own thread, or the caller's during a reset) only wakes
// the player's worker thread, which does the refill. On a platform without
// threads there is no worker: the device runs sid_stream_feed on the main
// thread after its notifications, and the refills run there, in the same
// order and with the same samples. Stop detaches both
// buffers first and then waits for a refill that is running, so a new start
// never rebuilds the machine under a refill.
#pragma once

#include <array>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "sid/sid_machine.h"

namespace zel {

class Platform;
class AudioQueue;
struct SidPlayer;

constexpr int kSidStreamRate = 44100;
constexpr size_t kSidBufferChunks = 8;
constexpr size_t kSidBufferSamples = kSidBufferChunks * kSidChunk;  // 7,056 samples, 160 ms

// What a buffer's done notification runs: the refill routine (empty when the
// buffer is detached).
struct RefillRecord {
  void (*routine)(SidPlayer& player, int buffer) = nullptr;
};

struct SidPlayer {
  explicit SidPlayer(Platform& platform);
  ~SidPlayer();  // stops the stream and joins the worker
  SidPlayer(const SidPlayer&) = delete;
  SidPlayer& operator=(const SidPlayer&) = delete;

  Platform* platform;
  std::unique_ptr<SidPlayerState> machine;  // the one machine all rendering uses
  std::unique_ptr<AudioQueue> device;       // empty while stopped
  std::array<std::vector<int16_t>, 2> buffers;  // A and B, kSidBufferSamples each

  // Shared with the worker and the device notification; guarded by `mutex`.
  std::mutex mutex;
  std::condition_variable wake;     // worker: a refill is pending, or quit
  std::condition_variable settled;  // main thread: no refill pending or running
  std::array<RefillRecord, 2> records;
  std::array<bool, 2> pending = {false, false};
  bool refilling = false;
  bool quit = false;
  std::thread worker;  // started with the first stream (where the platform has threads)
};

// Builds the machine for `image` (init with `sub_song` in A), opens the
// device, renders both buffers and queues them on the paused device. Without
// a device the tune stays silent. A stream that still runs is stopped first.
void sid_stream_start(SidPlayer& player, std::span<const uint8_t> image, uint8_t sub_song);
// The queued buffers start playing.
void sid_stream_resume(SidPlayer& player);
// Detaches the refills, waits for a running one, resets and closes the
// device. Does nothing before the first start.
void sid_stream_stop(SidPlayer& player);
// Runs the pending refills on the calling thread (the feeding step of a
// platform without threads).
void sid_stream_feed(SidPlayer& player);
// Returns once no refill is pending or running (tests and tools use it to
// keep a headless run deterministic). A pending refill that the worker has
// not begun is rendered on the calling thread instead of waited for. Without
// threads there is nothing to wait for: it returns at once.
void sid_stream_wait_idle(SidPlayer& player);

// Refill routine of both buffers: renders 8 chunks into the buffer and
// queues it again.
void sid_buffer_refill(SidPlayer& player, int buffer);

}  // namespace zel
