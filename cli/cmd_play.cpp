// `play-xm N|FILE` and `play-sid N|FILE`: play a module or a tune on the
// default sound device through the desktop backend, with exactly the player and
// stream code the magazine uses. A status line shows the elapsed time and
// the position (rewritten in place on a terminal, one line per second
// otherwise). --seconds S stops after S seconds; `q` on the terminal (or on
// standard input) and Ctrl-C stop cleanly, closing the device.
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <functional>
#include <iostream>
#include <memory>

#include "platform/platform.h"
#include "sid/sid_player.h"
#include "cli/music_args.h"
#include "cli/registry.h"
#include "xm/xm_player.h"

namespace zel::tool {
namespace {

volatile std::sig_atomic_t g_interrupted = 0;

void on_signal(int) { g_interrupted = 1; }

// Ctrl-C and SIGTERM only raise a flag that the play loop reads; the
// previous handlers come back when the player ends.
class SignalGuard {
 public:
  SignalGuard() {
    g_interrupted = 0;
    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, &old_int_);
    sigaction(SIGTERM, &sa, &old_term_);
  }
  ~SignalGuard() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
  }

 private:
  struct sigaction old_int_ {}, old_term_ {};
};

// A terminal on standard input delivers keys at once and without echo
// while the player runs; its settings come back when the player ends.
class KeyboardGuard {
 public:
  KeyboardGuard() {
    if (!isatty(STDIN_FILENO)) return;  // a pipe or file: read as it is
    // A player in the background leaves the terminal alone (touching it
    // would stop the process).
    usable_ = tcgetpgrp(STDIN_FILENO) == getpgrp();
    if (!usable_ || tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios raw = saved_;
    raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
    raw.c_cc[VMIN] = 0;
    raw.c_cc[VTIME] = 0;
    active_ = tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0;
  }
  ~KeyboardGuard() {
    if (active_) tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
  }
  bool usable() const { return usable_; }

 private:
  termios saved_{};
  bool usable_ = true;
  bool active_ = false;
};

struct PlayOptions {
  std::string source;
  uint64_t stop_ms = 0;  // 0: until stopped
};

// Parses `N|FILE [--seconds S]`; false after printing the usage.
bool parse_play_args(const char* command, const std::vector<std::string>& args, PlayOptions& o) {
  bool ok = !args.empty();
  for (size_t i = 0; ok && i < args.size(); ++i) {
    if (args[i] == "--seconds" && i + 1 < args.size())
      ok = parse_seconds(args[++i], 1000, o.stop_ms) && o.stop_ms > 0;
    else if (o.source.empty())
      o.source = args[i];
    else
      ok = false;
  }
  if (!ok || o.source.empty()) {
    std::cerr << "usage: zelvorant-tool " << command << " N|FILE [--seconds S]   (S = 0..3600)\n";
    return false;
  }
  return true;
}

// Runs until --seconds, `q` or a signal; `position` gives the status
// line's text after the elapsed time.
void play_loop(Platform& platform, const PlayOptions& o, const std::function<std::string()>& position) {
  SignalGuard signals;
  KeyboardGuard keyboard;
  const bool terminal = isatty(STDOUT_FILENO);
  bool read_keys = keyboard.usable();
  const double start = platform.clock();
  long last_second = -1;
  for (;;) {
    const double elapsed = platform.clock() - start;
    if (g_interrupted || (o.stop_ms > 0 && elapsed * 1000.0 >= static_cast<double>(o.stop_ms))) break;
    const long second = static_cast<long>(elapsed);
    if (terminal || second != last_second) {
      char clock[32];
      std::snprintf(clock, sizeof clock, "%ld:%04.1f", second / 60, elapsed - 60.0 * static_cast<double>(second / 60));
      std::string line = std::string(clock) + "  " + position();
      if (terminal)
        std::printf("\r%s\x1b[K", line.c_str());
      else
        std::printf("%s\n", line.c_str());
      std::fflush(stdout);
      last_second = second;
    }
    pollfd in{STDIN_FILENO, POLLIN, 0};
    if (read_keys && poll(&in, 1, 100) > 0) {
      char c[64];
      const ssize_t n = read(STDIN_FILENO, c, sizeof c);
      if (n <= 0) read_keys = false;  // end of input: only the clock and signals stop now
      for (ssize_t i = 0; i < n; ++i)
        if (c[i] == 'q' || c[i] == 'Q') g_interrupted = 1;
    } else if (!read_keys) {
      platform.sleep_ms(100);
    }
  }
  if (terminal) std::printf("\n");
}

int no_device(const char* command, const std::string& why) {
  std::cerr << command << ": no audio device: " << why << "\n";
  return 1;
}

// Opens and closes the default device once, so that a missing device is
// reported in one line of our own before the player starts.
bool audio_device_available(Platform& platform, std::string& why) {
  return platform.open_audio_ring({44100, 2}, &why) != nullptr;
}

}  // namespace

int cmd_play_xm(const std::vector<std::string>& args) {
  PlayOptions o;
  if (!parse_play_args("play-xm", args, o)) return 2;
  std::vector<uint8_t> image;
  if (int status = module_image("play-xm", o.source, image)) return status;
  auto platform = make_sdl_platform();
  XmPlayer player(*platform);
  std::string why;
  // The tool plays any module the format allows, not only the magazine's kind.
  if (!xm_load(player, image.data(), image.size(), &why, kXmFormatLimits)) {
    std::cerr << "play-xm: " << o.source << ": " << why << "\n";
    return 1;
  }
  if (!audio_device_available(*platform, why)) return no_device("play-xm", why);
  if (!xm_play(player)) return no_device("play-xm", "the device refused the stream");
  const XmSong& song = *player.song;
  play_loop(*platform, o, [&] {
    const int order = xm_playing_order(player);
    char text[96];
    std::snprintf(text, sizeof text, "order %d/%d  pattern %d  row %d", order, song.song_length,
                  song.order_table[static_cast<size_t>(order)], xm_playing_row(player));
    return std::string(text);
  });
  xm_stop(player);
  return 0;
}

int cmd_play_sid(const std::vector<std::string>& args) {
  PlayOptions o;
  if (!parse_play_args("play-sid", args, o)) return 2;
  std::vector<uint8_t> image;
  if (int status = tune_image("play-sid", o.source, image)) return status;
  auto platform = make_sdl_platform();
  std::string why;
  if (!audio_device_available(*platform, why)) return no_device("play-sid", why);
  SidPlayer player(*platform);
  sid_stream_start(player, image, 0);
  if (!player.device) return no_device("play-sid", "the device refused the stream");
  sid_stream_resume(player);
  long n = 0;
  const std::string tune = parse_int(o.source, n) ? "tune " + o.source : o.source;
  play_loop(*platform, o, [&] { return tune; });
  sid_stream_stop(player);
  return 0;
}

}  // namespace zel::tool
