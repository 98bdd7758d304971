// Web backend of the Platform interfaces (see web_platform.h). The functions
// declared with EM_JS below are thin calls into the browser half, ZelWeb, in
// platform/web_platform.js.
#include "platform/web_platform.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/buffer_queue.h"
#include "platform/display_state.h"

// clang-format off
EM_JS(int, zel_js_display_open, (int width, int height), { return ZelWeb.displayOpen(width, height); });
EM_JS(void, zel_js_display_close, (), { ZelWeb.displayClose(); });
EM_JS(void, zel_js_hide_pointer, (), { ZelWeb.hidePointer(); });
EM_JS(int, zel_js_visible, (), { return document.hidden ? 0 : 1; });
EM_JS(void, zel_js_output_size, (int* w, int* h), { ZelWeb.outputSize(w, h); });
EM_JS(void, zel_js_draw, (const uint32_t* rgba, int width, int height, int x, int y, int w, int h, int factor,
                          const int32_t* bands, int band_count),
      { ZelWeb.draw(rgba, width, height, x, y, w, h, factor, bands, band_count); });
EM_JS(int, zel_js_take_events, (double* out, int max), { return ZelWeb.takeEvents(out, max); });
EM_ASYNC_JS(void, zel_js_wait_frame, (), { await ZelWeb.waitFrame(); });
EM_ASYNC_JS(void, zel_js_sleep, (int ms), { await ZelWeb.sleep(ms); });
EM_JS(int, zel_js_sleep_served, (int ms), { return ZelWeb.sleepServed(ms); });
EM_JS(int, zel_js_audio_open, (int channels), { return ZelWeb.audioOpen(channels); });
EM_JS(void, zel_js_audio_close, (int id), { ZelWeb.audioClose(id); });
EM_JS(void, zel_js_audio_stop, (int id), { ZelWeb.audioStop(id); });
EM_JS(int, zel_js_audio_wanted, (int id), { return ZelWeb.audioWanted(id); });
EM_JS(double, zel_js_audio_played, (int id), { return ZelWeb.audioPlayed(id); });
EM_JS(void, zel_js_audio_push, (int id, const int16_t* samples, int frames), { ZelWeb.audioPush(id, samples, frames); });
// clang-format on

namespace zel {
namespace {

// Event kinds as platform/web_platform.js queues them: four numbers each.
enum WebEvent { kEventKey = 1, kEventMove = 2, kEventButton = 3, kEventWheel = 4, kEventVisible = 5 };

class WebAudioQueue;
class WebAudioRing;

// The open devices, which the platform feeds whenever the program presents.
// A device enters the list when it opens and leaves it when it closes.
struct WebAudioDevices {
  std::vector<WebAudioQueue*> queues;
  std::vector<WebAudioRing*> rings;
};

template <class T>
void unlist(std::vector<T*>& list, T* item) {
  list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// ---------------------------------------------------------------------------
// The queued-buffer device: buffers wait here and go to the browser's audio
// clock a piece at a time; a buffer counts as played once all of it is there.
class WebAudioQueue : public BufferQueue {
 public:
  WebAudioQueue(WebAudioDevices& devices, int id, int channels) : devices_(devices), id_(id), channels_(channels) {
    devices_.queues.push_back(this);
  }
  ~WebAudioQueue() override {
    unlist(devices_.queues, this);
    zel_js_audio_close(id_);
  }
  void reset() override {
    zel_js_audio_stop(id_);
    BufferQueue::reset();
  }
  std::string error_text() const override { return "the browser's audio refused the buffer"; }

  // Tops up the browser's queue, reports the buffers it took whole and lets
  // the player refill them; again while that freed a buffer, so that a
  // refill reaches the browser in the same turn.
  void feed() {
    const size_t ch = static_cast<size_t>(channels_);
    for (int round = 0; round < 4; ++round) {
      const size_t want = static_cast<size_t>(std::max(0, zel_js_audio_wanted(id_))) * ch;
      const size_t finished = drain(want, [&](const int16_t* samples, size_t count) {
        zel_js_audio_push(id_, samples, static_cast<int>(count / ch));
      });
      if (auto feed_player = feeder()) feed_player();
      if (finished == 0) break;
    }
  }

 private:
  WebAudioDevices& devices_;
  int id_;
  int channels_;
};

// ---------------------------------------------------------------------------
// The looping ring: the browser gets the ring's frames in order, about 100 ms
// ahead of its audio clock, and the play position is what the clock has
// passed, so it never runs ahead of what the ring has handed over.
class WebAudioRing : public AudioRing {
 public:
  WebAudioRing(WebAudioDevices& devices, int id, int channels) : devices_(devices), id_(id), channels_(channels) {
    devices_.rings.push_back(this);
  }
  ~WebAudioRing() override {
    unlist(devices_.rings, this);
    zel_js_audio_close(id_);
  }
  void start(const int16_t* ring, size_t frames) override {
    zel_js_audio_stop(id_);
    ring_ = ring;
    ring_frames_ = frames;
    pushed_ = 0;
    played_ = 0;
  }
  uint64_t position_bytes() const override { return played_ * static_cast<uint64_t>(channels_) * 2u; }
  void publish() override {}
  void wait_poll(int ms) override { zel_js_sleep(std::max(0, ms)); }
  void wake() override {}
  void set_poller(bool) override {}
  void set_feeder(std::function<void()> fn) override { feeder_ = std::move(fn); }

  // Moves the play position on, lets the player render what was played, then
  // hands the browser the next frames of the ring.
  void feed() {
    if (!ring_ || ring_frames_ == 0) return;
    played_ = std::min(pushed_, static_cast<uint64_t>(std::max(0.0, zel_js_audio_played(id_))));
    if (feeder_) feeder_();
    int want = zel_js_audio_wanted(id_);
    while (want > 0) {
      size_t at = static_cast<size_t>(pushed_ % ring_frames_);
      int take = static_cast<int>(std::min<size_t>(static_cast<size_t>(want), ring_frames_ - at));
      zel_js_audio_push(id_, ring_ + at * static_cast<size_t>(channels_), take);
      pushed_ += static_cast<uint64_t>(take);
      want -= take;
    }
  }

 private:
  WebAudioDevices& devices_;
  int id_;
  int channels_;
  const int16_t* ring_ = nullptr;
  size_t ring_frames_ = 0;
  uint64_t pushed_ = 0;  // frames handed to the browser since start()
  uint64_t played_ = 0;  // frames its audio clock has passed
  std::function<void()> feeder_;
};

// ---------------------------------------------------------------------------
// The picture as the canvas holds it. Most of a frame repeats the one before
// (a page at rest changes a few dozen rows: the ticker, the visualiser, the
// menu's light), and handing the browser the whole picture every frame
// (putImageData of 800x600 pixels) was the largest part of the page's work.
// So each frame is compared with what the canvas holds, and only the bands
// that changed go to the canvas: runs of changed rows, with the columns they
// changed in.
class CanvasMirror {
 public:
  void resize(int width, int height) {
    width_ = width;
    height_ = height;
    rgba_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    whole_ = true;
  }
  // Takes the frame's 0x00RRGGBB pixels; afterwards rgba() is the whole
  // picture in the canvas's bytes and bands() what changed since the last
  // frame: four numbers each (first row, row after the last, first column,
  // column after the last); whole() when the canvas needs all of it.
  void update(const uint32_t* pixels) {
    bands_.clear();
    for (int y = 0; y < height_; ++y) {
      const size_t row = static_cast<size_t>(y) * static_cast<size_t>(width_);
      const uint32_t* from = pixels + row;
      uint32_t* to = rgba_.data() + row;
      int x0 = 0;
      int x1 = width_;
      if (!whole_) {
        x0 = first_change(from, to, width_);
        if (x0 == width_) continue;
        while (bytes_of(from[x1 - 1]) == to[x1 - 1]) --x1;
      }
      for (int x = x0; x < x1; ++x) to[x] = bytes_of(from[x]);
      add_band(y, x0, x1);
    }
  }
  void sent() { whole_ = false; }
  bool whole() const { return whole_; }
  const uint32_t* rgba() const { return rgba_.data(); }
  const int32_t* bands() const { return bands_.data(); }
  int band_count() const { return static_cast<int>(bands_.size() / 4); }

 private:
  // Rows closer than this to the band above join it: one larger copy costs
  // the browser less than two calls.
  static constexpr int kJoinRows = 8;

  // 0x00RRGGBB to the canvas's R, G, B, 255 bytes; two pixels at once.
  static uint32_t bytes_of(uint32_t p) { return 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu); }
  static uint64_t bytes_of2(uint64_t p) {
    constexpr uint64_t kLow = 0x000000FF000000FFull;
    return 0xFF000000FF000000ull | (p & kLow) << 16 | (p & 0x0000FF000000FF00ull) | (p >> 16 & kLow);
  }
  // The first of `count` pixels where `from` differs from what the canvas
  // holds (`to`), or `count`. Eight pixels a step in 64-bit words: the
  // whole picture is read every frame, and most rows are as they were.
  static int first_change(const uint32_t* from, const uint32_t* to, int count) {
    int x = 0;
    for (; x + 8 <= count; x += 8) {
      uint64_t a[4];
      uint64_t b[4];
      std::memcpy(a, from + x, sizeof a);
      std::memcpy(b, to + x, sizeof b);
      if (((bytes_of2(a[0]) ^ b[0]) | (bytes_of2(a[1]) ^ b[1]) | (bytes_of2(a[2]) ^ b[2]) | (bytes_of2(a[3]) ^ b[3])) != 0) break;
    }
    while (x < count && bytes_of(from[x]) == to[x]) ++x;
    return x;
  }
  void add_band(int y, int x0, int x1) {
    size_t n = bands_.size();
    if (n >= 4 && y - bands_[n - 3] < kJoinRows) {
      bands_[n - 3] = y + 1;
      bands_[n - 2] = std::min(bands_[n - 2], x0);
      bands_[n - 1] = std::max(bands_[n - 1], x1);
    } else {
      bands_.insert(bands_.end(), {y, y + 1, x0, x1});
    }
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<uint32_t> rgba_;  // what the canvas holds (the page keeps an ImageData over it)
  std::vector<int32_t> bands_;
  bool whole_ = true;
};

int vkey_from_web(int code) { return code >= 0 && code <= 255 ? code : -1; }

// ---------------------------------------------------------------------------
class WebPlatform : public Platform {
 public:
  explicit WebPlatform(std::function<void()> hook) : present_hook_(std::move(hook)) { t0_ = emscripten_get_now(); }
  ~WebPlatform() override { display_close(); }

  void display_configure(int ask, std::string_view prompt, int windowed, int borderless) override {
    // The page is the reader's window: nobody is asked, the canvas fills it.
    display_.configure(0, prompt, ask ? 0 : windowed, borderless);
  }
  void display_set_close_allowed(int allowed) override { display_.close_allowed = allowed; }

  int display_open(std::string_view /*title*/, int width, int height, std::string* why) override {
    if (width <= 0 || height <= 0 || !zel_js_display_open(width, height)) {
      if (why) *why = "the page has no canvas to draw on";
      return 0;
    }
    display_.width = width;
    display_.height = height;
    display_.open = true;
    display_.active = zel_js_visible();
    mirror_.resize(width, height);
    refresh_fit();
    return 1;
  }

  int display_update(const uint32_t* pixels) override {
    pump();
    if (!display_.open) return 0;
    if (display_.active) {
      refresh_fit();
      mirror_.update(pixels);
      zel_js_draw(mirror_.rgba(), display_.width, display_.height, fit_.dest.x, fit_.dest.y, fit_.dest.w,
                  fit_.dest.h, fit_.whole_factor, mirror_.bands(), mirror_.whole() ? -1 : mirror_.band_count());
      mirror_.sent();
    }
    if (present_hook_) present_hook_();
    feed_audio();
    zel_js_wait_frame();
    return 1;
  }

  void display_close() override {
    if (display_.open) zel_js_display_close();
    display_.open = false;
  }

  int display_mouse_x() const override { return display_.mouse_x; }
  int display_mouse_y() const override { return display_.mouse_y; }
  int display_mouse_left() const override { return display_.left_button; }
  int display_mouse_wheel() const override { return display_.wheel; }
  void hide_pointer() override { zel_js_hide_pointer(); }
  bool display_quit_requested() const override { return display_.quit_requested; }

  uint16_t key_state(int vk) override { return keys_.poll(vk); }

  double clock() override { return (emscripten_get_now() - t0_) / 1000.0; }
  // The program pauses a moment after each frame so as not to spin. Where
  // the frame's wait for the browser's next animation frame has just given
  // the browser at least that long, the pause is served already: another
  // round trip through the browser would only put the next frame's drawing
  // outside the animation frame and cost a stack unwind.
  void sleep_ms(int ms) override {
    ms = std::max(0, ms);
    if (!zel_js_sleep_served(ms)) zel_js_sleep(ms);
    feed_audio();
  }

  std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat& format, std::string* why) override {
    int id = zel_js_audio_open(format.channels);
    if (id <= 0) return no_audio(why);
    return std::make_unique<WebAudioQueue>(devices_, id, format.channels);
  }
  std::unique_ptr<AudioRing> open_audio_ring(const AudioFormat& format, std::string* why) override {
    int id = zel_js_audio_open(format.channels);
    if (id <= 0) return no_audio(why);
    return std::make_unique<WebAudioRing>(devices_, id, format.channels);
  }
  bool audio_threads() const override { return false; }

 private:
  static std::nullptr_t no_audio(std::string* why) {
    if (why) *why = "the browser gives the page no audio";
    return nullptr;
  }

  void feed_audio() {
    for (size_t i = 0; i < devices_.queues.size(); ++i) devices_.queues[i]->feed();
    for (size_t i = 0; i < devices_.rings.size(); ++i) devices_.rings[i]->feed();
  }

  void refresh_fit() {
    int w = 0;
    int h = 0;
    zel_js_output_size(&w, &h);
    if (w == out_w_ && h == out_h_) return;
    out_w_ = w;
    out_h_ = h;
    fit_ = fit_picture(display_.width, display_.height, w, h, ScaleMode::Sharp);
  }

  void mouse_at(double x, double y) {
    int px = 0;
    int py = 0;
    output_to_picture(fit_, x, y, &px, &py);
    display_.on_mouse_move(px, py);
  }

  void pump() {
    display_.begin_pump();
    keys_.begin_pump();
    double ev[4 * 64];
    refresh_fit();
    for (;;) {
      int n = zel_js_take_events(ev, 64);
      for (int i = 0; i < n; ++i) {
        const double* e = ev + 4 * i;
        switch (static_cast<int>(e[0])) {
          case kEventKey: {
            int vk = vkey_from_web(static_cast<int>(e[1]));
            if (vk < 0) break;
            if (e[2] != 0) {
              keys_.key_down(vk);
              if (vk == kKeyEscape && e[3] == 0) display_.on_close_request();
            } else {
              keys_.key_up(vk);
            }
            break;
          }
          case kEventMove: mouse_at(e[1], e[2]); break;
          case kEventButton:  // without a position (NaN) when the page lost focus
            display_.on_left_button(e[1] != 0);
            if (!std::isnan(e[2])) mouse_at(e[2], e[3]);
            break;
          case kEventWheel: display_.on_wheel(static_cast<int>(e[1])); break;
          case kEventVisible: display_.on_activate(e[1] != 0); break;
          default: break;
        }
      }
      if (n < 64) break;
    }
  }

  std::function<void()> present_hook_;
  DisplayState display_;
  KeyState keys_;
  PictureFit fit_;
  int out_w_ = -1;
  int out_h_ = -1;
  CanvasMirror mirror_;
  double t0_ = 0;
  WebAudioDevices devices_;
};

}  // namespace

std::unique_ptr<Platform> make_web_platform(std::function<void()> present_hook) {
  return std::make_unique<WebPlatform>(std::move(present_hook));
}

}  // namespace zel
