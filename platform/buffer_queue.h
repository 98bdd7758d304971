// The queued-buffer sound device's bookkeeping, shared by every backend: the
// buffers waiting to be played, in order, the pause, and the report of each
// buffer played to its end. A backend derives its AudioQueue from it and
// drains it from wherever its sound goes out (the SDL callback, the headless
// clock, the browser's audio queue), so every backend plays, pauses, resets
// and reports the same way.
//
// Threads: write() comes from a player's worker, drain() from the device's
// own thread, the rest from the main thread; one mutex guards the buffers.
// The done callback is always called with no lock held.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace zel {

class BufferQueue : public AudioQueue {
 public:
  // Receives each consecutive piece of samples taken from the queue.
  using Sink = std::function<void(const int16_t* samples, size_t count)>;

  void set_done_callback(std::function<void(int tag)> fn) override;
  bool write(int tag, const int16_t* samples, size_t count) override;
  void pause() override;
  void restart() override;
  // Drops every queued buffer and reports each as done, in queue order.
  void reset() override;
  std::string error_text() const override { return ""; }
  void set_feeder(std::function<void()> fn) override;

  // Takes up to `count` samples in queue order (none while paused), handing
  // them to `sink` piece by piece, and appends the tag of every buffer it
  // took to the end to `finished`. Returns the samples taken.
  size_t take(size_t count, const Sink& sink, std::vector<int>& finished);
  // Reports finished buffers to the done callback, in order.
  void report(const std::vector<int>& finished) const;
  // take, then report; returns the number of buffers finished.
  size_t drain(size_t count, const Sink& sink);
  // The player's feeding step (backends without threads run it).
  std::function<void()> feeder() const;

 private:
  struct Buffer {
    int tag = 0;
    std::vector<int16_t> samples;
    size_t offset = 0;
  };
  mutable std::mutex m_;
  std::deque<Buffer> queue_;
  bool paused_ = false;
  std::function<void(int)> done_;
  std::function<void()> feeder_;
};

}  // namespace zel
