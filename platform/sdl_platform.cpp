// SDL2 backend of the Platform interfaces.
//
// Display: full screen uses the desktop mode (no video-mode switch) with an
// 800x600 logical size, aspect-correct scaling and black borders; SDL reports
// mouse positions in logical (frame-buffer) pixels. Frames are uploaded to a
// streaming ARGB8888 texture, which takes 0x00RRGGBB pixels as they are, so
// no pixel-format conversion is needed. Presenting is paced by vsync and, as
// a floor, to the display's refresh rate (60 Hz where it reports none).
//
// Sound: one SDL audio device per stream. The queue model keeps a queue of
// copied buffers that the SDL callback plays and reports; the ring model
// plays a caller-owned ring in a loop and counts the bytes it has played.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/display_state.h"
#include "platform/platform.h"

namespace zel {
namespace {

int vkey_from_sdl(SDL_Keycode k) {
  switch (k) {
    case SDLK_ESCAPE: return kKeyEscape;
    case SDLK_PAGEUP: return kKeyPageUp;
    case SDLK_PAGEDOWN: return kKeyPageDown;
    case SDLK_END: return kKeyEnd;
    case SDLK_HOME: return kKeyHome;
    case SDLK_UP: return kKeyUp;
    case SDLK_DOWN: return kKeyDown;
    default: break;
  }
  if (k >= SDLK_F1 && k <= SDLK_F12) return kKeyF1 + static_cast<int>(k - SDLK_F1);
  return -1;
}

bool ensure_subsystem(Uint32 flag) {
  if (SDL_WasInit(flag) & flag) return true;
  return SDL_InitSubSystem(flag) == 0;
}

// ---------------------------------------------------------------------------
class SdlAudioQueue : public AudioQueue {
 public:
  bool open(const AudioFormat& f) {
    channels_ = f.channels;
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = f.rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(f.channels);
    want.samples = 1024;
    want.callback = &SdlAudioQueue::callback;
    want.userdata = this;
    dev_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev_ == 0) return false;
    SDL_PauseAudioDevice(dev_, 0);  // the device runs; pause() holds our queue
    return true;
  }
  ~SdlAudioQueue() override {
    if (dev_) SDL_CloseAudioDevice(dev_);
  }
  void set_done_callback(std::function<void(int)> fn) override {
    std::lock_guard<std::mutex> lock(m_);
    done_ = std::move(fn);
  }
  bool write(int tag, const int16_t* samples, size_t count) override {
    std::lock_guard<std::mutex> lock(m_);
    Buffer b;
    b.tag = tag;
    b.samples.assign(samples, samples + count);
    queue_.push_back(std::move(b));
    return true;
  }
  void pause() override { paused_.store(true); }
  void restart() override { paused_.store(false); }
  void reset() override {
    std::vector<int> tags;
    std::function<void(int)> done;
    SDL_LockAudioDevice(dev_);
    {
      std::lock_guard<std::mutex> lock(m_);
      for (auto& b : queue_) tags.push_back(b.tag);
      queue_.clear();
      done = done_;
    }
    SDL_UnlockAudioDevice(dev_);
    if (done)
      for (int t : tags) done(t);
  }
  std::string error_text() const override { return SDL_GetError(); }

 private:
  struct Buffer {
    int tag = 0;
    std::vector<int16_t> samples;
    size_t offset = 0;
  };
  static void callback(void* user, Uint8* stream, int len) {
    auto* self = static_cast<SdlAudioQueue*>(user);
    auto* out = reinterpret_cast<int16_t*>(stream);
    size_t want = static_cast<size_t>(len) / 2;
    std::memset(stream, 0, static_cast<size_t>(len));
    if (self->paused_.load()) return;
    std::vector<int> finished;
    std::function<void(int)> done;
    {
      std::lock_guard<std::mutex> lock(self->m_);
      while (want > 0 && !self->queue_.empty()) {
        Buffer& b = self->queue_.front();
        size_t take = std::min(want, b.samples.size() - b.offset);
        std::memcpy(out, b.samples.data() + b.offset, take * 2);
        out += take;
        want -= take;
        b.offset += take;
        if (b.offset >= b.samples.size()) {
          finished.push_back(b.tag);
          self->queue_.pop_front();
        }
      }
      done = self->done_;
    }
    if (done)
      for (int t : finished) done(t);
  }

  SDL_AudioDeviceID dev_ = 0;
  int channels_ = 1;
  std::mutex m_;
  std::deque<Buffer> queue_;
  std::function<void(int)> done_;
  std::atomic<bool> paused_{false};
};

// ---------------------------------------------------------------------------
class SdlAudioRing : public AudioRing {
 public:
  bool open(const AudioFormat& f) {
    channels_ = f.channels;
    SDL_AudioSpec want{};
    SDL_AudioSpec have{};
    want.freq = f.rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(f.channels);
    want.samples = 512;
    want.callback = &SdlAudioRing::callback;
    want.userdata = this;
    dev_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    return dev_ != 0;
  }
  ~SdlAudioRing() override {
    if (dev_) SDL_CloseAudioDevice(dev_);
  }
  void start(const int16_t* ring, size_t frames) override {
    SDL_LockAudioDevice(dev_);
    ring_ = ring;
    ring_frames_ = frames;
    frames_played_.store(0);
    SDL_UnlockAudioDevice(dev_);
    SDL_PauseAudioDevice(dev_, 0);
  }
  uint64_t position_bytes() const override {
    return frames_played_.load(std::memory_order_acquire) * static_cast<uint64_t>(channels_) * 2u;
  }
  void publish() override { published_.fetch_add(1, std::memory_order_release); }
  void wait_poll(int ms) override { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
  void wake() override {}
  void set_poller(bool) override {}

 private:
  static void callback(void* user, Uint8* stream, int len) {
    auto* self = static_cast<SdlAudioRing*>(user);
    auto* out = reinterpret_cast<int16_t*>(stream);
    size_t frames = static_cast<size_t>(len) / (2u * static_cast<size_t>(self->channels_));
    if (!self->ring_ || self->ring_frames_ == 0) {
      std::memset(stream, 0, static_cast<size_t>(len));
      return;
    }
    (void)self->published_.load(std::memory_order_acquire);
    uint64_t pos = self->frames_played_.load(std::memory_order_relaxed);
    size_t ch = static_cast<size_t>(self->channels_);
    for (size_t i = 0; i < frames; ++i) {
      size_t idx = static_cast<size_t>((pos + i) % self->ring_frames_) * ch;
      for (size_t c = 0; c < ch; ++c) out[i * ch + c] = self->ring_[idx + c];
    }
    self->frames_played_.store(pos + frames, std::memory_order_release);
  }

  SDL_AudioDeviceID dev_ = 0;
  int channels_ = 2;
  const int16_t* ring_ = nullptr;
  size_t ring_frames_ = 0;
  std::atomic<uint64_t> frames_played_{0};
  std::atomic<uint64_t> published_{0};
};

// ---------------------------------------------------------------------------
class SdlPlatform : public Platform {
 public:
  SdlPlatform() {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_Init(0);
    ensure_subsystem(SDL_INIT_TIMER);
    freq_ = static_cast<double>(SDL_GetPerformanceFrequency());
    t0_ = SDL_GetPerformanceCounter();
  }
  ~SdlPlatform() override {
    display_close();
    SDL_Quit();
  }

  void display_configure(int ask, std::string_view prompt, int windowed, int borderless) override {
    display_.configure(ask, prompt, windowed, borderless);
  }
  void display_set_close_allowed(int allowed) override { display_.close_allowed = allowed; }

  int display_open(std::string_view title, int width, int height) override {
    if (!ensure_subsystem(SDL_INIT_VIDEO)) {
      std::fprintf(stderr, "zelvorant: cannot open the display: %s\n", SDL_GetError());
      return 0;
    }
    display_.width = width;
    display_.height = height;
    std::string t(title);
    if (display_.ask) {
      const SDL_MessageBoxButtonData buttons[] = {
          {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "Yes"},
          {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "No"},
      };
      std::string prompt = display_.prompt;
      std::replace(prompt.begin(), prompt.end(), '\r', '\n');
      SDL_MessageBoxData box{SDL_MESSAGEBOX_INFORMATION, nullptr, t.c_str(), prompt.c_str(), 2, buttons, nullptr};
      int answer = 1;
      SDL_ShowMessageBox(&box, &answer);
      display_.windowed = answer == 0 ? 1 : 0;
    }
    Uint32 flags = SDL_WINDOW_SHOWN;
    if (display_.windowed) {
      if (display_.borderless) flags |= SDL_WINDOW_BORDERLESS;
    } else {
      flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    }
    window_ = SDL_CreateWindow(t.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (!window_) {
      std::fprintf(stderr, "zelvorant: cannot open the display: %s\n", SDL_GetError());
      return 0;
    }
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) {
      std::fprintf(stderr, "zelvorant: cannot create a renderer: %s\n", SDL_GetError());
      return 0;
    }
    SDL_RenderSetLogicalSize(renderer_, width, height);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture_) {
      std::fprintf(stderr, "zelvorant: cannot create the frame texture: %s\n", SDL_GetError());
      return 0;
    }
    SDL_DisplayMode mode{};
    int refresh = 60;
    if (SDL_GetWindowDisplayMode(window_, &mode) == 0 && mode.refresh_rate > 0) refresh = mode.refresh_rate;
    frame_period_ = 1.0 / refresh;
    SDL_DisableScreenSaver();
    display_.open = true;
    display_.active = 1;  // a new window is shown and in front
    last_present_ = clock();
    return 1;
  }

  int display_update(const uint32_t* pixels) override {
    pump();
    if (!display_.open) return 0;
    if (display_.active) {
      void* dst = nullptr;
      int pitch = 0;
      if (SDL_LockTexture(texture_, nullptr, &dst, &pitch) != 0) return 0;
      for (int y = 0; y < display_.height; ++y)
        std::memcpy(static_cast<uint8_t*>(dst) + static_cast<size_t>(y) * static_cast<size_t>(pitch),
                    pixels + static_cast<size_t>(y) * static_cast<size_t>(display_.width),
                    static_cast<size_t>(display_.width) * 4u);
      SDL_UnlockTexture(texture_);
      SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
      SDL_RenderClear(renderer_);
      SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
      SDL_RenderPresent(renderer_);
    } else {
      SDL_Delay(1);
    }
    // Pace to the refresh rate where vsync did not hold the present back.
    double now = clock();
    double wait = frame_period_ - (now - last_present_);
    if (wait > 0.0005) SDL_Delay(static_cast<Uint32>(wait * 1000.0));
    last_present_ = clock();
    return 1;
  }

  void display_close() override {
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    if (display_.open) SDL_EnableScreenSaver();
    display_.open = false;
  }

  int display_mouse_x() const override { return display_.mouse_x; }
  int display_mouse_y() const override { return display_.mouse_y; }
  int display_mouse_left() const override { return display_.left_button; }
  int display_mouse_wheel() const override { return display_.wheel; }
  void hide_pointer() override { SDL_ShowCursor(SDL_DISABLE); }

  uint16_t key_state(int vk) override { return keys_.poll(vk); }

  double clock() override { return static_cast<double>(SDL_GetPerformanceCounter() - t0_) / freq_; }
  void sleep_ms(int ms) override { SDL_Delay(static_cast<Uint32>(std::max(0, ms))); }

  std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat& format) override {
    if (!ensure_subsystem(SDL_INIT_AUDIO)) return nullptr;
    auto dev = std::make_unique<SdlAudioQueue>();
    if (!dev->open(format)) return nullptr;
    return dev;
  }
  std::unique_ptr<AudioRing> open_audio_ring(const AudioFormat& format) override {
    if (!ensure_subsystem(SDL_INIT_AUDIO)) return nullptr;
    auto dev = std::make_unique<SdlAudioRing>();
    if (!dev->open(format)) return nullptr;
    return dev;
  }

 private:
  void close_request() {
    if (display_.on_close_request()) {
      display_close();
      std::exit(0);
    }
  }

  void pump() {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_MOUSEMOTION: display_.on_mouse_move(e.motion.x, e.motion.y); break;
        case SDL_MOUSEBUTTONDOWN:
          if (e.button.button == SDL_BUTTON_LEFT) display_.on_left_button(true);
          display_.on_mouse_move(e.button.x, e.button.y);
          break;
        case SDL_MOUSEBUTTONUP:
          if (e.button.button == SDL_BUTTON_LEFT) display_.on_left_button(false);
          display_.on_mouse_move(e.button.x, e.button.y);
          break;
        case SDL_MOUSEWHEEL: {
          int dy = e.wheel.y;
          if (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) dy = -dy;
          if (dy == 0 && e.wheel.x != 0) break;  // a sideways wheel is another message
          display_.on_wheel(dy);
          break;
        }
        case SDL_WINDOWEVENT:
          if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_RESTORED)
            display_.on_activate(true);
          else if (e.window.event == SDL_WINDOWEVENT_MINIMIZED)
            display_.on_activate(false);
          else if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            close_request();
          break;
        case SDL_QUIT: close_request(); break;
        case SDL_KEYDOWN: {
          int vk = vkey_from_sdl(e.key.keysym.sym);
          if (vk >= 0) keys_.key_down(vk);
          if (vk == kKeyEscape && !e.key.repeat) close_request();
          break;
        }
        case SDL_KEYUP: {
          int vk = vkey_from_sdl(e.key.keysym.sym);
          if (vk >= 0) keys_.key_up(vk);
          break;
        }
        default: break;
      }
    }
  }

  DisplayState display_;
  KeyState keys_;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  double freq_ = 1.0;
  Uint64 t0_ = 0;
  double frame_period_ = 1.0 / 60.0;
  double last_present_ = 0;
};

}  // namespace

std::unique_ptr<Platform> make_sdl_platform() { return std::make_unique<SdlPlatform>(); }

}  // namespace zel
