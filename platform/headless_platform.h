// Headless backend: the Platform interfaces without a screen or a sound card.
//
// - Time is virtual: it starts at kStartTime, a present advances it by one
//   60 Hz frame and a sleep by its milliseconds. Nothing else moves it.
// - Keys and the mouse are set by the test or script through the control
//   methods below; they reach the display state the next time the program
//   pumps messages (display_update), as real events would.
// - Every presented frame is kept (last_frame()) and handed to the present
//   hook, which scripts use to wait, act and take screenshots.
// - Sound devices consume samples as the virtual clock advances: a queue
//   reports each buffer done once its samples have been played; a ring
//   reports a play position. Optionally they capture what they played.
//   Without audio threads (set_audio_threads(false), as on the web page) the
//   devices run their players' feeding steps as time advances.
//
// The same sequence of calls always gives the same frames.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/display_state.h"
#include "platform/platform.h"

namespace zel {

class HeadlessAudioQueue;
class HeadlessAudioRing;

class HeadlessPlatform : public Platform {
 public:
  static constexpr double kStartTime = 1000.0;
  static constexpr double kFrameTime = 1.0 / 60.0;
  // Virtual time is counted in exact ticks, so that frames, milliseconds and
  // 44,100 Hz sample periods all divide it: 2,646,000 ticks per second.
  static constexpr int64_t kTicksPerSecond = 2646000;

  HeadlessPlatform();
  ~HeadlessPlatform() override;

  // ---- Platform --------------------------------------------------------------
  void display_configure(int ask, std::string_view prompt, int windowed, int borderless) override;
  void display_set_close_allowed(int allowed) override;
  int display_open(std::string_view title, int width, int height, std::string* why = nullptr) override;
  int display_update(const uint32_t* pixels) override;
  void display_close() override;
  int display_mouse_x() const override { return display_.mouse_x; }
  int display_mouse_y() const override { return display_.mouse_y; }
  int display_mouse_left() const override { return display_.left_button; }
  int display_mouse_wheel() const override { return display_.wheel; }
  void hide_pointer() override {}
  uint16_t key_state(int vk) override { return keys_.poll(vk); }
  double clock() override { return kStartTime + static_cast<double>(ticks_) / kTicksPerSecond; }
  void sleep_ms(int ms) override;
  std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat& format, std::string* why = nullptr) override;
  std::unique_ptr<AudioRing> open_audio_ring(const AudioFormat& format, std::string* why = nullptr) override;
  bool audio_threads() const override { return audio_threads_; }

  // ---- control (tests, scripts) ----------------------------------------------
  // Input events, delivered at the next message pump (display_update).
  void post_key(int vk, bool down);
  void post_mouse_move(int x, int y);
  void post_button(bool down);
  void post_wheel(int steps);  // positive: forward (away from the reader)
  void post_window_close();    // the window's close button
  // Whether a window close asks the program to quit (as the real --window does).
  void set_close_quits(bool quits) { display_.quit_on_close = quits; }
  // Delivers posted events now, as a message pump would.
  void pump_events();

  void set_fail_open(bool fail) { fail_open_ = fail; }
  void set_fail_audio(bool fail) { fail_audio_ = fail; }
  // Whether the players may run threads (set before they open a device).
  void set_audio_threads(bool threads) { audio_threads_ = threads; }
  void set_activation(bool active) { pending_.push_back({Event::Activate, active ? 1 : 0, 0}); }
  // Called after every present with the frame just shown.
  void set_present_hook(std::function<void(const std::vector<uint32_t>& frame)> hook) {
    present_hook_ = std::move(hook);
  }
  // Moves virtual time forward (also done by presents and sleeps).
  void advance(double seconds);

  const std::vector<uint32_t>& last_frame() const { return last_frame_; }
  uint64_t frames_presented() const { return frames_presented_; }
  bool display_quit_requested() const override { return display_.quit_requested; }
  // What the sound devices played, when capture is on (mono or interleaved stereo).
  void set_audio_capture(bool on) { capture_ = on; }
  std::vector<int16_t> take_queue_capture();
  std::vector<int16_t> take_ring_capture();
  // Number of sound devices open now.
  int open_audio_devices() const;

 private:
  friend class HeadlessAudioQueue;
  friend class HeadlessAudioRing;
  struct Event {
    enum Kind { Key, Move, Button, Wheel, Activate, Close } kind;
    int a;
    int b;
  };

  DisplayState display_;
  KeyState keys_;
  std::deque<Event> pending_;
  int64_t ticks_ = 0;
  bool fail_open_ = false;
  bool fail_audio_ = false;
  bool audio_threads_ = true;
  bool capture_ = false;
  std::vector<uint32_t> last_frame_;
  uint64_t frames_presented_ = 0;
  std::function<void(const std::vector<uint32_t>&)> present_hook_;

  mutable std::mutex audio_mutex_;
  std::vector<HeadlessAudioQueue*> queues_;
  std::vector<HeadlessAudioRing*> rings_;
  std::vector<int16_t> queue_capture_;
  std::vector<int16_t> ring_capture_;
};

}  // namespace zel
