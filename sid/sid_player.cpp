#include "sid/sid_player.h"

#include <iostream>

#include "platform/platform.h"

namespace zel {

namespace {

// Wave-out errors are one line on standard error; playback goes on.
void report_device_error(const AudioQueue& device) {
  std::cerr << "SID stream: the sound device refused a buffer: " << device.error_text() << "\n";
}

void render_buffer(SidPlayer& player, int buffer) {
  int16_t* out = player.buffers[buffer].data();
  for (size_t k = 0; k < kSidBufferChunks; ++k) tune_render_chunk(*player.machine, out + k * kSidChunk, kSidChunk);
}

// Attaches the refill routine and hands the buffer to the device.
void queue_buffer(SidPlayer& player, int buffer) {
  {
    std::lock_guard<std::mutex> lock(player.mutex);
    player.records[buffer] = {&sid_buffer_refill};
  }
  if (!player.device) return;
  if (!player.device->write(buffer, player.buffers[buffer].data(), kSidBufferSamples))
    report_device_error(*player.device);
}

// The device's done notification: only wakes the worker.
void wave_out_done(SidPlayer& player, int buffer) {
  if (buffer < 0 || buffer > 1) return;
  {
    std::lock_guard<std::mutex> lock(player.mutex);
    if (!player.records[buffer].routine) return;
    player.pending[buffer] = true;
  }
  player.wake.notify_one();
}

// Runs one pending refill with `lock` released while it renders; false when
// none is pending or one is already running (there is one machine: refills
// never overlap).
bool run_pending_refill(SidPlayer& player, std::unique_lock<std::mutex>& lock) {
  if (player.refilling || (!player.pending[0] && !player.pending[1])) return false;
  const int buffer = player.pending[0] ? 0 : 1;
  player.pending[buffer] = false;
  const RefillRecord record = player.records[buffer];
  if (record.routine) {
    player.refilling = true;
    lock.unlock();
    record.routine(player, buffer);
    lock.lock();
    player.refilling = false;
  }
  player.settled.notify_all();
  return true;
}

void worker_loop(SidPlayer& player) {
  std::unique_lock<std::mutex> lock(player.mutex);
  for (;;) {
    player.wake.wait(lock, [&] {
      return player.quit || (!player.refilling && (player.pending[0] || player.pending[1]));
    });
    if (player.quit) return;
    run_pending_refill(player, lock);
  }
}

}  // namespace

SidPlayer::SidPlayer(Platform& p) : platform(&p), machine(std::make_unique<SidPlayerState>()) {
  for (auto& b : buffers) b.assign(kSidBufferSamples, 0);
}

SidPlayer::~SidPlayer() {
  sid_stream_stop(*this);
  {
    std::lock_guard<std::mutex> lock(mutex);
    quit = true;
  }
  wake.notify_all();
  if (worker.joinable()) worker.join();
}

void sid_buffer_refill(SidPlayer& player, int buffer) {
  render_buffer(player, buffer);
  // A stop that began during the render has detached the buffer: it is not
  // queued again.
  {
    std::lock_guard<std::mutex> lock(player.mutex);
    if (!player.records[buffer].routine) return;
  }
  if (!player.device) return;
  if (!player.device->write(buffer, player.buffers[buffer].data(), kSidBufferSamples))
    report_device_error(*player.device);
}

void sid_stream_start(SidPlayer& player, std::span<const uint8_t> image, uint8_t sub_song) {
  // A stream that still runs is stopped first: the machine is rebuilt below.
  sid_stream_stop(player);
  SidPlayerState& m = *player.machine;
  sid_init(m, kSidStreamRate);
  psid_load(m, image.data(), image.size());
  tune_init(m, sub_song);

  player.device = player.platform->open_audio_queue({kSidStreamRate, 1});
  if (player.device) {
    player.device->pause();
    player.device->set_done_callback([&player](int tag) { wave_out_done(player, tag); });
    if (!player.platform->audio_threads())
      player.device->set_feeder([&player] { sid_stream_feed(player); });
    else if (!player.worker.joinable())
      player.worker = std::thread(worker_loop, std::ref(player));
  }
  render_buffer(player, 0);
  render_buffer(player, 1);
  queue_buffer(player, 0);
  queue_buffer(player, 1);
}

void sid_stream_resume(SidPlayer& player) {
  if (player.device) player.device->restart();
}

void sid_stream_stop(SidPlayer& player) {
  {
    std::unique_lock<std::mutex> lock(player.mutex);
    player.records[0] = {};
    player.records[1] = {};
    player.pending = {false, false};
    player.settled.wait(lock, [&] { return !player.refilling; });
  }
  if (!player.device) return;
  player.device->reset();
  player.device.reset();
}

void sid_stream_feed(SidPlayer& player) {
  std::unique_lock<std::mutex> lock(player.mutex);
  while (run_pending_refill(player, lock)) {
  }
}

void sid_stream_wait_idle(SidPlayer& player) {
  if (!player.platform->audio_threads()) return;  // refills run only inside the device's feeding step
  // Rather than sleep until the worker has woken and rendered, the caller
  // renders a pending buffer itself: the same refill in the same order, without
  // two thread switches per buffer.
  std::unique_lock<std::mutex> lock(player.mutex);
  for (;;) {
    player.settled.wait(lock, [&] { return !player.refilling; });
    if (!run_pending_refill(player, lock)) return;
  }
}

}  // namespace zel
