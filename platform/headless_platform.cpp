#include "platform/headless_platform.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/buffer_queue.h"

namespace zel {

namespace {
// Frames due `ticks` after a device was opened.
int64_t frames_at(int64_t now, int64_t t0, int rate) {
  return (now - t0) * rate / HeadlessPlatform::kTicksPerSecond;
}
}  // namespace

// ---------------------------------------------------------------------------
// Queued-buffer device
// ---------------------------------------------------------------------------
class HeadlessAudioQueue : public BufferQueue {
 public:
  HeadlessAudioQueue(HeadlessPlatform& p, AudioFormat f) : p_(p), format_(f) {
    std::lock_guard<std::mutex> lock(p_.audio_mutex_);
    opened_at_ = p_.ticks_;
    p_.queues_.push_back(this);
  }
  ~HeadlessAudioQueue() override {
    std::lock_guard<std::mutex> lock(p_.audio_mutex_);
    p_.queues_.erase(std::remove(p_.queues_.begin(), p_.queues_.end(), this), p_.queues_.end());
  }

  // Plays the frames that became due up to virtual time `now` (time passes
  // while paused, too). Called by the platform with audio_mutex_ held;
  // appends the tags of finished buffers.
  void play_until(int64_t now, std::vector<int>& finished, std::vector<int16_t>* capture) {
    int64_t due = frames_at(now, opened_at_, format_.rate) - played_;
    played_ += due;
    auto keep = [capture](const int16_t* samples, size_t count) { capture->insert(capture->end(), samples, samples + count); };
    take(static_cast<size_t>(due * format_.channels), capture ? Sink(keep) : Sink(), finished);
  }

 private:
  HeadlessPlatform& p_;
  AudioFormat format_;
  int64_t opened_at_ = 0;
  int64_t played_ = 0;
};

// ---------------------------------------------------------------------------
// Looping ring device
// ---------------------------------------------------------------------------
class HeadlessAudioRing : public AudioRing {
 public:
  HeadlessAudioRing(HeadlessPlatform& p, AudioFormat f) : p_(p), format_(f) {
    std::lock_guard<std::mutex> lock(p_.audio_mutex_);
    p_.rings_.push_back(this);
  }
  ~HeadlessAudioRing() override {
    {
      std::lock_guard<std::mutex> lock(p_.audio_mutex_);
      p_.rings_.erase(std::remove(p_.rings_.begin(), p_.rings_.end(), this), p_.rings_.end());
    }
    wake();
  }
  void start(const int16_t* ring, size_t frames) override {
    std::lock_guard<std::mutex> lock(m_);
    ring_ = ring;
    ring_frames_ = frames;
    started_at_ = p_.ticks_;
    frames_played_ = 0;
    started_ = true;
  }
  uint64_t position_bytes() const override {
    std::lock_guard<std::mutex> lock(m_);
    read_epoch_ = epoch_;
    return static_cast<uint64_t>(frames_played_) * static_cast<uint64_t>(format_.channels) * 2u;
  }
  void publish() override {}
  void wait_poll(int /*ms*/) override {
    std::unique_lock<std::mutex> lock(m_);
    idle_epoch_ = read_epoch_;
    idle_cv_.notify_all();
    if (epoch_ != read_epoch_ || woken_) {
      woken_ = false;
      return;
    }
    // A real sleep bound keeps a forgotten poller from hanging forever.
    poll_cv_.wait_for(lock, std::chrono::milliseconds(200), [&] { return epoch_ != read_epoch_ || woken_; });
    woken_ = false;
  }
  void wake() override {
    std::lock_guard<std::mutex> lock(m_);
    woken_ = true;
    poll_cv_.notify_all();
    idle_cv_.notify_all();
  }
  void set_poller(bool polling) override {
    std::lock_guard<std::mutex> lock(m_);
    poller_ = polling;
    idle_cv_.notify_all();
  }
  void set_feeder(std::function<void()> fn) override { feeder_ = std::move(fn); }
  const std::function<void()>& feeder() const { return feeder_; }

  // Moves the play position to virtual time `now`, captures what was played,
  // then lets the poller catch up and waits until it is idle again.
  void advance_to(int64_t now, std::vector<int16_t>* capture) {
    std::unique_lock<std::mutex> lock(m_);
    if (!started_ || ring_frames_ == 0) return;
    int64_t target = frames_at(now, started_at_, format_.rate);
    if (capture) {
      for (int64_t f = frames_played_; f < target; ++f) {
        size_t idx = static_cast<size_t>(f % static_cast<int64_t>(ring_frames_)) * static_cast<size_t>(format_.channels);
        for (int c = 0; c < format_.channels; ++c) capture->push_back(ring_[idx + static_cast<size_t>(c)]);
      }
    }
    frames_played_ = target;
    ++epoch_;
    poll_cv_.notify_all();
    if (poller_) {
      idle_cv_.wait_for(lock, std::chrono::seconds(5), [&] { return !poller_ || idle_epoch_ == epoch_; });
    }
  }

 private:
  HeadlessPlatform& p_;
  AudioFormat format_;
  mutable std::mutex m_;
  std::condition_variable poll_cv_;
  std::condition_variable idle_cv_;
  const int16_t* ring_ = nullptr;
  size_t ring_frames_ = 0;
  int64_t started_at_ = 0;
  int64_t frames_played_ = 0;
  bool started_ = false;
  bool poller_ = false;
  bool woken_ = false;
  uint64_t epoch_ = 0;
  mutable uint64_t read_epoch_ = 0;
  uint64_t idle_epoch_ = 0;
  std::function<void()> feeder_;  // main thread only
};

// ---------------------------------------------------------------------------
// Platform
// ---------------------------------------------------------------------------
HeadlessPlatform::HeadlessPlatform() = default;
HeadlessPlatform::~HeadlessPlatform() = default;

void HeadlessPlatform::display_configure(int ask, std::string_view prompt, int windowed, int borderless) {
  display_.configure(ask, prompt, windowed, borderless);
  // No reader to ask: the answer is "yes, full screen".
  if (ask) display_.windowed = 0;
}

void HeadlessPlatform::display_set_close_allowed(int allowed) { display_.close_allowed = allowed; }

int HeadlessPlatform::display_open(std::string_view /*title*/, int width, int height, std::string* why) {
  if (fail_open_ || width <= 0 || height <= 0) {
    if (why) *why = fail_open_ ? "the headless display was told to fail" : "no picture size";
    return 0;
  }
  display_.width = width;
  display_.height = height;
  display_.open = true;
  display_.active = 1;
  last_frame_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
  return 1;
}

void HeadlessPlatform::pump_events() {
  display_.begin_pump();
  keys_.begin_pump();
  while (!pending_.empty()) {
    Event e = pending_.front();
    pending_.pop_front();
    switch (e.kind) {
      case Event::Key:
        if (e.b) {
          keys_.key_down(e.a);
          if (e.a == kKeyEscape) display_.on_close_request();
        } else {
          keys_.key_up(e.a);
        }
        break;
      case Event::Move: display_.on_mouse_move(e.a, e.b); break;
      case Event::Button: display_.on_left_button(e.a != 0); break;
      case Event::Wheel: display_.on_wheel(e.a); break;
      case Event::Activate: display_.on_activate(e.a != 0); break;
      case Event::Close: display_.on_window_close(); break;
    }
  }
}

int HeadlessPlatform::display_update(const uint32_t* pixels) {
  pump_events();
  if (!display_.open) return 1;
  if (display_.active && pixels) {
    std::memcpy(last_frame_.data(), pixels, last_frame_.size() * sizeof(uint32_t));
    ++frames_presented_;
  }
  advance(kFrameTime);
  if (present_hook_) present_hook_(last_frame_);
  return 1;
}

void HeadlessPlatform::display_close() { display_.open = false; }

void HeadlessPlatform::sleep_ms(int ms) {
  if (ms > 0) advance(ms / 1000.0);
}

void HeadlessPlatform::post_key(int vk, bool down) { pending_.push_back({Event::Key, vk, down ? 1 : 0}); }
void HeadlessPlatform::post_mouse_move(int x, int y) { pending_.push_back({Event::Move, x, y}); }
void HeadlessPlatform::post_button(bool down) { pending_.push_back({Event::Button, down ? 1 : 0, 0}); }
void HeadlessPlatform::post_wheel(int steps) {
  for (int i = 0; i < std::abs(steps); ++i) pending_.push_back({Event::Wheel, steps > 0 ? 120 : -120, 0});
}

void HeadlessPlatform::post_window_close() { pending_.push_back({Event::Close, 0, 0}); }

void HeadlessPlatform::advance(double seconds) {
  if (seconds > 0) ticks_ += static_cast<int64_t>(std::llround(seconds * kTicksPerSecond));
  // Queues: collect finished buffers under the lock, report them after it.
  std::vector<std::pair<HeadlessAudioQueue*, std::vector<int>>> done;
  std::vector<std::function<void()>> feeders;
  std::vector<HeadlessAudioRing*> rings;
  {
    std::lock_guard<std::mutex> lock(audio_mutex_);
    for (HeadlessAudioQueue* q : queues_) {
      done.emplace_back(q, std::vector<int>{});
      q->play_until(ticks_, done.back().second, capture_ ? &queue_capture_ : nullptr);
      if (auto feed = q->feeder()) feeders.push_back(std::move(feed));
    }
    rings = rings_;
  }
  // Queues, too, are only created and destroyed on the main thread.
  for (auto& [q, tags] : done) q->report(tags);
  for (auto& feed : feeders) feed();
  // Rings are only created and destroyed on the main thread, which is here.
  for (HeadlessAudioRing* r : rings) {
    r->advance_to(ticks_, capture_ ? &ring_capture_ : nullptr);
    if (r->feeder()) r->feeder()();
  }
}

namespace {
constexpr const char* kNoHeadlessAudio = "the headless sound devices were told to fail";
}  // namespace

std::unique_ptr<AudioQueue> HeadlessPlatform::open_audio_queue(const AudioFormat& format, std::string* why) {
  if (fail_audio_) {
    if (why) *why = kNoHeadlessAudio;
    return nullptr;
  }
  return std::make_unique<HeadlessAudioQueue>(*this, format);
}

std::unique_ptr<AudioRing> HeadlessPlatform::open_audio_ring(const AudioFormat& format, std::string* why) {
  if (fail_audio_) {
    if (why) *why = kNoHeadlessAudio;
    return nullptr;
  }
  return std::make_unique<HeadlessAudioRing>(*this, format);
}

std::vector<int16_t> HeadlessPlatform::take_queue_capture() {
  std::lock_guard<std::mutex> lock(audio_mutex_);
  return std::exchange(queue_capture_, {});
}

std::vector<int16_t> HeadlessPlatform::take_ring_capture() {
  std::lock_guard<std::mutex> lock(audio_mutex_);
  return std::exchange(ring_capture_, {});
}

int HeadlessPlatform::open_audio_devices() const {
  std::lock_guard<std::mutex> lock(audio_mutex_);
  return static_cast<int>(queues_.size() + rings_.size());
}

}  // namespace zel
