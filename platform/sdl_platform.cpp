// SDL2 backend of the Platform interfaces.
//
// Display: only a real display counts (never SDL's offscreen or dummy driver
// unless SDL_VIDEODRIVER names it). Full screen uses the desktop mode (no
// video-mode switch); --window gives a resizable window. Every frame the
// renderer's real output size is read back and the picture is fitted into it
// (platform/scaling.h: aspect kept, black bars, sharp or integer scaling), and
// mouse events are mapped back through the same fit into frame-buffer pixels,
// so the picture and the pointer agree with or without a window manager and
// after any resize. Frames are uploaded to a streaming ARGB8888 texture, which
// takes 0x00RRGGBB pixels as they are. Presenting is paced by vsync and, as a
// floor, to the display's refresh rate (60 Hz where it reports none).
//
// Sound: one SDL audio device per stream. The queue model keeps a queue of
// copied buffers that the SDL callback plays and reports; the ring model
// plays a caller-owned ring in a loop and counts the bytes it has played.
#include <SDL.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "platform/buffer_queue.h"
#include "platform/display_state.h"
#include "platform/platform.h"
#include "platform/sdl_input.h"

namespace zel {

int vkey_from_sdl(int32_t k) {
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

bool sdl_wheel_step(int32_t y, int32_t x, bool flipped, int* delta) {
  if (y == 0 && x != 0) return false;  // a sideways wheel is another message
  *delta = flipped ? -y : y;
  return true;
}

namespace {

bool ensure_subsystem(Uint32 flag) {
  if (SDL_WasInit(flag) & flag) return true;
  return SDL_InitSubSystem(flag) == 0;
}

// ---------------------------------------------------------------------------
// The queue model: the SDL callback drains the shared buffer queue and
// plays silence where it runs dry or while paused.
class SdlAudioQueue : public BufferQueue {
 public:
  bool open(const AudioFormat& f) {
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
  std::string error_text() const override { return SDL_GetError(); }

 private:
  static void callback(void* user, Uint8* stream, int len) {
    auto* out = reinterpret_cast<int16_t*>(stream);
    std::memset(stream, 0, static_cast<size_t>(len));
    static_cast<SdlAudioQueue*>(user)->drain(static_cast<size_t>(len) / 2, [&out](const int16_t* samples, size_t n) {
      std::memcpy(out, samples, n * 2);
      out += n;
    });
  }

  SDL_AudioDeviceID dev_ = 0;
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
// SDL would rather fall back to its offscreen or dummy video driver than fail
// when no display can be reached, and the program would then run unseen.
bool is_headless_driver(const char* name) {
  return name && (std::strcmp(name, "offscreen") == 0 || std::strcmp(name, "dummy") == 0 ||
                  std::strcmp(name, "evdev") == 0);
}

// Keeps what libraries print on standard error (a display library that finds
// no socket complains there) out of sight while it lives; our own one line
// says what went wrong instead.
class QuietStderr {
 public:
  QuietStderr() {
    std::fflush(stderr);
    saved_ = dup(STDERR_FILENO);
    int null = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (saved_ >= 0 && null >= 0) dup2(null, STDERR_FILENO);
    if (null >= 0) close(null);
  }
  ~QuietStderr() {
    std::fflush(stderr);
    if (saved_ >= 0) {
      dup2(saved_, STDERR_FILENO);
      close(saved_);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_ = -1;
};

// Starts SDL's video subsystem on a real display; `why` says what failed.
// Only an explicit SDL_VIDEODRIVER may choose a driver without a screen.
bool open_video(std::string* why) {
  QuietStderr quiet;
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  const char* asked = SDL_getenv("SDL_VIDEODRIVER");
  if (asked && *asked) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) return true;
    *why = std::string("video driver '") + asked + "': " + SDL_GetError();
    return false;
  }
  std::string tried;
  for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i) {
    const char* name = SDL_GetVideoDriver(i);
    if (!name || is_headless_driver(name)) continue;
    SDL_SetHint(SDL_HINT_VIDEODRIVER, name);
    int ok = SDL_InitSubSystem(SDL_INIT_VIDEO);
    SDL_SetHint(SDL_HINT_VIDEODRIVER, nullptr);
    if (ok == 0) {
      if (!is_headless_driver(SDL_GetCurrentVideoDriver())) return true;
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
    }
    if (!tried.empty()) tried += ", ";
    tried += name;
  }
  const char* display = SDL_getenv("DISPLAY");
  const char* wayland = SDL_getenv("WAYLAND_DISPLAY");
  if ((!display || !*display) && (!wayland || !*wayland))
    *why = "no display to open (DISPLAY and WAYLAND_DISPLAY are unset; tried " + tried + ")";
  else
    *why = "no video driver could reach the display (tried " + tried + ")";
  return false;
}

class SdlPlatform : public Platform {
 public:
  explicit SdlPlatform(const SdlDisplayOptions& options) : options_(options) {
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_Init(0);
    ensure_subsystem(SDL_INIT_TIMER);
    freq_ = static_cast<double>(SDL_GetPerformanceFrequency());
    t0_ = SDL_GetPerformanceCounter();
    display_.quit_on_close = options_.window;
  }
  ~SdlPlatform() override {
    display_close();
    SDL_Quit();
  }

  void display_configure(int ask, std::string_view prompt, int windowed, int borderless) override {
    display_.configure(ask, prompt, windowed, borderless);
  }
  void display_set_close_allowed(int allowed) override { display_.close_allowed = allowed; }

  int display_open(std::string_view title, int width, int height, std::string* why) override {
    std::string reason;
    if (!open_video(&reason)) return fail_open(why, reason);
    display_.width = width;
    display_.height = height;
    std::string t(title);
    if (display_.ask && !options_.window) {
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
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI;
    int win_w = width;
    int win_h = height;
    if (options_.window) {
      // The reader's window: resizable, at the largest whole scale that fits
      // the desktop's usable area, never below 1x.
      display_.windowed = 1;
      flags |= SDL_WINDOW_RESIZABLE;
      SDL_Rect usable{};
      int k = 1;
      if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
        k = std::max(1, std::min(usable.w / width, usable.h / height));
      win_w = width * k;
      win_h = height * k;
    } else if (display_.windowed) {
      if (display_.borderless) flags |= SDL_WINDOW_BORDERLESS;
    } else {
      // Full screen in the desktop mode. The window is also created at the
      // desktop's size, because without a window manager nobody honours the
      // full-screen request and the window would keep its first size.
      flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
      SDL_DisplayMode desktop{};
      if (SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0) {
        win_w = desktop.w;
        win_h = desktop.h;
      }
    }
    window_ = SDL_CreateWindow(t.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, win_w, win_h, flags);
    if (!window_) return fail_open(why, std::string("cannot create the window: ") + SDL_GetError());
    if (options_.window) SDL_SetWindowMinimumSize(window_, width / 4, height / 4);
    renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (!renderer_) renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (!renderer_) return fail_open(why, std::string("cannot create a renderer: ") + SDL_GetError());
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (!texture_) return fail_open(why, std::string("cannot create the frame texture: ") + SDL_GetError());
    SDL_DisplayMode mode{};
    int refresh = 60;
    if (SDL_GetWindowDisplayMode(window_, &mode) == 0 && mode.refresh_rate > 0) refresh = mode.refresh_rate;
    frame_period_ = 1.0 / refresh;
    SDL_DisableScreenSaver();
    display_.open = true;
    display_.active = 1;  // a new window is shown and in front
    refresh_fit();
    last_present_ = clock();
    return 1;
  }

  int display_update(const uint32_t* pixels) override {
    refresh_fit();  // the output may have changed behind our back (no size event without a window manager)
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
      draw_scaled();
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
    if (filtered_) SDL_DestroyTexture(filtered_);
    if (texture_) SDL_DestroyTexture(texture_);
    if (renderer_) SDL_DestroyRenderer(renderer_);
    if (window_) SDL_DestroyWindow(window_);
    filtered_ = nullptr;
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
  bool display_quit_requested() const override { return display_.quit_requested; }

  uint16_t key_state(int vk) override { return keys_.poll(vk); }

  double clock() override { return static_cast<double>(SDL_GetPerformanceCounter() - t0_) / freq_; }
  void sleep_ms(int ms) override { SDL_Delay(static_cast<Uint32>(std::max(0, ms))); }

  // Sound libraries complain on standard error when there is no sound card;
  // the caller hears the reason instead (the program goes on silently).
  std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat& format, std::string* why) override {
    return open_audio<SdlAudioQueue>(format, why);
  }
  std::unique_ptr<AudioRing> open_audio_ring(const AudioFormat& format, std::string* why) override {
    return open_audio<SdlAudioRing>(format, why);
  }

 private:
  static int fail_open(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return 0;
  }

  template <class Device>
  static std::unique_ptr<Device> open_audio(const AudioFormat& format, std::string* why) {
    QuietStderr quiet;
    auto dev = std::make_unique<Device>();
    if (ensure_subsystem(SDL_INIT_AUDIO) && dev->open(format)) return dev;
    if (why) *why = SDL_GetError();
    return nullptr;
  }

  // Takes the renderer's real output size (pixels) and the window size
  // (the units of mouse events) and fits the picture into the output.
  void refresh_fit() {
    if (!renderer_ || !window_) return;
    int out_w = 0;
    int out_h = 0;
    if (SDL_GetRendererOutputSize(renderer_, &out_w, &out_h) != 0) return;
    SDL_GetWindowSize(window_, &win_w_, &win_h_);
    if (out_w == out_w_ && out_h == out_h_) return;
    out_w_ = out_w;
    out_h_ = out_h;
    fit_ = fit_picture(display_.width, display_.height, out_w, out_h, options_.scale);
  }

  // The picture at the whole factor, nearest-neighbour, kept for the linear
  // stage; nullptr when the renderer cannot draw into textures.
  SDL_Texture* filtered_texture(int factor) {
    if (filtered_ && filtered_factor_ == factor) return filtered_;
    if (filtered_) SDL_DestroyTexture(filtered_);
    filtered_ = nullptr;
    filtered_factor_ = factor;
    if (!SDL_RenderTargetSupported(renderer_)) return nullptr;
    filtered_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                  display_.width * factor, display_.height * factor);
    if (filtered_) SDL_SetTextureScaleMode(filtered_, SDL_ScaleModeLinear);
    return filtered_;
  }

  // Black bars, then the picture: whole factor by nearest neighbour, the
  // rest of the way (up or down) by the linear filter.
  void draw_scaled() {
    const SDL_Rect dest{fit_.dest.x, fit_.dest.y, fit_.dest.w, fit_.dest.h};
    SDL_Texture* source = texture_;
    if (fit_.needs_filter() && fit_.whole_factor > 1) {
      if (SDL_Texture* mid = filtered_texture(fit_.whole_factor)) {
        SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
        SDL_SetRenderTarget(renderer_, mid);
        SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
        SDL_SetRenderTarget(renderer_, nullptr);
        source = mid;
      }
    }
    if (source == texture_)
      SDL_SetTextureScaleMode(texture_, fit_.needs_filter() ? SDL_ScaleModeLinear : SDL_ScaleModeNearest);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, source, nullptr, &dest);
  }

  // A mouse event's window position, as a picture pixel.
  void mouse_at(int x, int y) {
    double sx = win_w_ > 0 ? static_cast<double>(out_w_) / win_w_ : 1.0;
    double sy = win_h_ > 0 ? static_cast<double>(out_h_) / win_h_ : 1.0;
    int px = 0;
    int py = 0;
    output_to_picture(fit_, (x + 0.5) * sx, (y + 0.5) * sy, &px, &py);
    display_.on_mouse_move(px, py);
  }

  void pump() {
    display_.begin_pump();
    keys_.begin_pump();
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      switch (e.type) {
        case SDL_MOUSEMOTION: mouse_at(e.motion.x, e.motion.y); break;
        case SDL_MOUSEBUTTONDOWN:
          if (e.button.button == SDL_BUTTON_LEFT) display_.on_left_button(true);
          mouse_at(e.button.x, e.button.y);
          break;
        case SDL_MOUSEBUTTONUP:
          if (e.button.button == SDL_BUTTON_LEFT) display_.on_left_button(false);
          mouse_at(e.button.x, e.button.y);
          break;
        case SDL_MOUSEWHEEL: {
          int dy = 0;
          if (sdl_wheel_step(e.wheel.y, e.wheel.x, e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED, &dy))
            display_.on_wheel(dy);
          break;
        }
        case SDL_WINDOWEVENT:
          if (e.window.event == SDL_WINDOWEVENT_FOCUS_GAINED || e.window.event == SDL_WINDOWEVENT_RESTORED)
            display_.on_activate(true);
          else if (e.window.event == SDL_WINDOWEVENT_MINIMIZED)
            display_.on_activate(false);
          else if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            display_.on_window_close();
          else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            refresh_fit();
          break;
        case SDL_QUIT: display_.on_window_close(); break;
        case SDL_KEYDOWN: {
          int vk = vkey_from_sdl(e.key.keysym.sym);
          if (vk >= 0) keys_.key_down(vk);
          if (vk == kKeyEscape && !e.key.repeat) display_.on_close_request();
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

  SdlDisplayOptions options_;
  DisplayState display_;
  KeyState keys_;
  PictureFit fit_;
  int out_w_ = 0;  // renderer output, pixels
  int out_h_ = 0;
  int win_w_ = 0;  // window, the units of mouse events
  int win_h_ = 0;
  SDL_Texture* filtered_ = nullptr;
  int filtered_factor_ = 0;
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  double freq_ = 1.0;
  Uint64 t0_ = 0;
  double frame_period_ = 1.0 / 60.0;
  double last_present_ = 0;
};

}  // namespace

std::unique_ptr<Platform> make_sdl_platform(const SdlDisplayOptions& options) {
  return std::make_unique<SdlPlatform>(options);
}

}  // namespace zel
