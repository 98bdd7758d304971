// Platform layer: the one place where the program meets the operating system.
//
// Everything above this header (core/, render/, sid/, xm/, content/) talks to a
// `Platform`: a display that presents 800x600 frames of 0x00RRGGBB pixels and
// records the mouse, an asynchronous key state, a clock, a sleep, and two kinds
// of sound device. Two implementations exist: SDL2 (platform/sdl_platform.cpp)
// for the real program, and a deterministic headless one
// (platform/headless_platform.h) that drives tests and zelvorant-tool; and a
// third, the web page (platform/web_platform.h), which has no threads.
//
// Threads: every Platform call is made from the main thread, except the audio
// device methods documented as callable from a player's own thread. Where
// audio_threads() is false, the players start no thread: each gives its
// device a feeding step (set_feeder), which the device runs on the main
// thread whenever it wants more sound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/scaling.h"

namespace zel {

// Virtual-key codes of the keys the program polls. The numbers are the
// classic virtual-key codes, kept as the program's key names.
enum VKey : int {
  kKeyEscape = 0x1B,
  kKeyPageUp = 0x21,
  kKeyPageDown = 0x22,
  kKeyEnd = 0x23,
  kKeyHome = 0x24,
  kKeyUp = 0x26,
  kKeyDown = 0x28,
  kKeyF1 = 0x70,  // F1..F12 are 0x70..0x7B
  kKeyF12 = 0x7B,
};

// Key state as a poll returns it: bit 15 = down now, bit 0 = went down since
// the previous poll of the same key (consumed by the poll).
constexpr uint16_t kKeyDownBit = 0x8000;
constexpr uint16_t kKeyPressedBit = 0x0001;
inline bool key_fresh_press(uint16_t v) { return v == 0x8001; }
inline bool key_active(uint16_t v) { return v != 0; }

// Per-key down / went-down flags with the poll semantics above. Shared by
// all backends; fed from key events inside display_update, which calls
// begin_pump() before it takes the new events. A key pressed and released
// within one pump stays down until the next pump begins, so that a tap
// shorter than a frame is polled as a fresh press (0x8001) in that frame
// and as up in the next, instead of being lost.
class KeyState {
 public:
  void begin_pump() {
    for (int vk = 0; vk < 256; ++vk) {
      if (release_due_[vk]) down_[vk] = false;
      release_due_[vk] = false;
      pressed_in_pump_[vk] = false;
    }
  }
  void key_down(int vk) {
    if (vk < 0 || vk > 255) return;
    if (!down_[vk]) pressed_[vk] = true;
    down_[vk] = true;
    pressed_in_pump_[vk] = true;
    release_due_[vk] = false;
  }
  void key_up(int vk) {
    if (vk < 0 || vk > 255) return;
    if (pressed_in_pump_[vk])
      release_due_[vk] = true;
    else
      down_[vk] = false;
  }
  uint16_t poll(int vk) {
    if (vk < 0 || vk > 255) return 0;
    uint16_t v = static_cast<uint16_t>((down_[vk] ? kKeyDownBit : 0) | (pressed_[vk] ? kKeyPressedBit : 0));
    pressed_[vk] = false;
    return v;
  }

 private:
  bool down_[256] = {};
  bool pressed_[256] = {};
  bool pressed_in_pump_[256] = {};  // went down since the pump began
  bool release_due_[256] = {};      // released in this pump: up at the next
};

// Signed 16-bit PCM at `rate` frames per second with `channels` interleaved
// samples per frame (left first).
struct AudioFormat {
  int rate = 44100;
  int channels = 1;
};

// A device that plays queued buffers in order and reports each one it has
// finished. (The SID stream's model.)
class AudioQueue {
 public:
  virtual ~AudioQueue() = default;  // closes the device; no callback runs after it returns
  // Called once per finished buffer with the tag given to write(), on the
  // device's own thread (or, for reset(), on the caller's). It must be short
  // and must not call back into the device: wake a worker instead.
  virtual void set_done_callback(std::function<void(int tag)> fn) = 0;
  // Appends a copy of `count` samples to the queue. Returns false and sets
  // error_text() when the device refuses the buffer.
  virtual bool write(int tag, const int16_t* samples, size_t count) = 0;
  virtual void pause() = 0;    // holds playback; queued buffers stay queued
  virtual void restart() = 0;  // resumes playback after pause()
  // Stops at once and hands back every queued buffer, reporting each as done.
  virtual void reset() = 0;
  virtual std::string error_text() const = 0;
  // The player's feeding step, for a backend without threads: the device
  // runs it on the main thread after reporting finished buffers, whenever it
  // wants more sound. Threaded backends never call it.
  virtual void set_feeder(std::function<void()> fn) { (void)fn; }
};

// A device that plays one ring of PCM frames in an endless loop and reports
// its play position. (The module stream's model.)
class AudioRing {
 public:
  virtual ~AudioRing() = default;  // stops and closes the device
  // Starts playing `frames` frames at `ring` from frame 0, looping forever.
  // The memory stays the caller's and must outlive the device; the caller
  // may rewrite any part the device has already played (call publish()
  // after each rewrite so that the device thread sees the new samples).
  virtual void start(const int16_t* ring, size_t frames) = 0;
  // Bytes played since start(); grows without wrapping. Callable from any thread.
  virtual uint64_t position_bytes() const = 0;
  // Tells the device that the caller finished writing into the ring.
  virtual void publish() = 0;
  // The polling thread's pause. Real devices sleep `ms` milliseconds. The
  // headless device returns when its virtual position has moved (or on
  // wake()), and the headless clock does not return from an advance until a
  // declared poller is back in wait_poll, so every run gives the same frames.
  virtual void wait_poll(int ms) = 0;
  virtual void wake() = 0;                   // ends a wait_poll at once
  virtual void set_poller(bool polling) = 0;  // declare / retract the polling thread
  // The polling thread's work as one step, for a backend without threads:
  // the device runs it on the main thread after moving its play position.
  // Threaded backends never call it.
  virtual void set_feeder(std::function<void()> fn) { (void)fn; }
};

class Platform {
 public:
  virtual ~Platform() = default;

  // ---- display -------------------------------------------------------------
  // ask: ask the reader whether to use full screen (the answer decides
  // `windowed`); prompt: the question ("" keeps "Fullscreen Mode ?");
  // windowed: 1 window, 0 full screen (stored only when ask is 0).
  virtual void display_configure(int ask, std::string_view prompt, int windowed, int borderless) = 0;
  // Whether a close request or the Escape key ends the program: they then
  // raise display_quit_requested, and the program ends through its own
  // shutdown (the display layer never ends the process itself).
  virtual void display_set_close_allowed(int allowed) = 0;
  // Opens the surface; 1 on success, 0 on any failure, with the reason in
  // `why` (when given). The caller says so; the layer prints nothing.
  virtual int display_open(std::string_view title, int width, int height, std::string* why = nullptr) = 0;
  // Pumps messages and presents width*height pixels of 0x00RRGGBB; returns 1,
  // or 0 when the frame could not be shown. Nothing is drawn while inactive.
  virtual int display_update(const uint32_t* pixels) = 0;
  virtual void display_close() = 0;
  virtual int display_mouse_x() const = 0;
  virtual int display_mouse_y() const = 0;
  virtual int display_mouse_left() const = 0;
  virtual int display_mouse_wheel() const = 0;
  virtual void hide_pointer() = 0;
  // True once a close request that may end the program has come: the window's
  // close button in the --window mode, or any close request or Escape where
  // closing is allowed. The core treats it as a click on QUIT.
  virtual bool display_quit_requested() const { return false; }

  // ---- keys ----------------------------------------------------------------
  // The asynchronous key state of virtual key `vk` (see KeyState::poll).
  virtual uint16_t key_state(int vk) = 0;

  // ---- time ----------------------------------------------------------------
  virtual double clock() = 0;  // monotonic seconds, sub-millisecond resolution
  virtual void sleep_ms(int ms) = 0;

  // ---- sound ---------------------------------------------------------------
  // nullptr when no device can be opened, with the reason in `why` (when
  // given); the caller then stays silent. Whatever the sound libraries
  // underneath print meanwhile is kept off standard error.
  virtual std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat& format, std::string* why = nullptr) = 0;
  virtual std::unique_ptr<AudioRing> open_audio_ring(const AudioFormat& format, std::string* why = nullptr) = 0;
  // False where the program may not start threads (the web page): the
  // players then feed their devices through set_feeder instead.
  virtual bool audio_threads() const { return true; }
};

// How the SDL2 backend presents, as the reader chose on the command line.
// The defaults give the program's own behaviour: full screen, sharp scaling.
struct SdlDisplayOptions {
  bool window = false;  // a resizable window whose close button quits, instead of full screen
  ScaleMode scale = ScaleMode::Sharp;
};

// The SDL2 backend (full screen or window, real sound). Defined in
// sdl_platform.cpp; only the magazine's entry point creates it.
std::unique_ptr<Platform> make_sdl_platform(const SdlDisplayOptions& options = {});

}  // namespace zel
