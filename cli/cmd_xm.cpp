// `modules`: the embedded XM modules; `render-xm N|FILE SECONDS OUT.wav`:
// renders a module to a 44,100 Hz 16-bit stereo WAV file with the player's
// own block renderer.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "content/content.h"
#include "cli/registry.h"
#include "xm/xm_player.h"

namespace zel::tool {
namespace {

int cmd_modules(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::cerr << "usage: zelvorant-tool modules\n";
    return 2;
  }
  std::cout << "n\tsize\tchannels\tinstruments\tpatterns\tlength\trestart\tflags\tspeed\tbpm\n";
  for (int n = 1; n <= kModuleCount; ++n) {
    std::span<const uint8_t> image = xm_module(n);
    std::string why;
    auto song = xm_load_song(image.data(), image.size(), &why);
    if (!song) {
      std::cout << n << "\t" << image.size() << "\t(" << (image.empty() ? "not built in" : why) << ")\n";
      continue;
    }
    std::cout << n << "\t" << image.size() << "\t" << song->channels << "\t" << song->instrument_count << "\t"
              << song->pattern_count << "\t" << song->song_length << "\t" << song->restart_position << "\t"
              << song->flags << "\t" << song->default_speed << "\t" << song->default_bpm << "\n";
  }
  return 0;
}

void put16(std::ofstream& f, uint16_t v) {
  char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  f.write(b, 2);
}
void put32(std::ofstream& f, uint32_t v) {
  put16(f, static_cast<uint16_t>(v & 0xFFFF));
  put16(f, static_cast<uint16_t>(v >> 16));
}

bool write_wav(const std::string& path, const std::vector<int16_t>& pcm) {
  std::ofstream f(path, std::ios::binary);
  if (!f) return false;
  uint32_t bytes = static_cast<uint32_t>(pcm.size() * 2);
  f.write("RIFF", 4);
  put32(f, 36 + bytes);
  f.write("WAVEfmt ", 8);
  put32(f, 16);
  put16(f, 1);  // PCM
  put16(f, 2);
  put32(f, kXmRate);
  put32(f, kXmRate * 4);
  put16(f, 4);
  put16(f, 16);
  f.write("data", 4);
  put32(f, bytes);
  for (int16_t s : pcm) put16(f, static_cast<uint16_t>(s));
  return static_cast<bool>(f);
}

int cmd_render_xm(const std::vector<std::string>& args) {
  long seconds = 0;
  if (args.size() != 3 || !parse_int(args[1], seconds) || seconds < 0 || seconds > 3600) {
    std::cerr << "usage: zelvorant-tool render-xm N|FILE SECONDS OUT.wav   (N = 1..4, SECONDS = 0..3600)\n";
    return 2;
  }
  std::vector<uint8_t> image;
  long n = 0;
  if (parse_int(args[0], n) && n >= 1 && n <= kModuleCount) {
    std::span<const uint8_t> m = xm_module(static_cast<int>(n));
    image.assign(m.begin(), m.end());
  } else {
    std::ifstream in(args[0], std::ios::binary);
    if (!in) {
      std::cerr << "render-xm: cannot read " << args[0] << "\n";
      return 1;
    }
    image.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::string why;
  auto song = xm_load_song(image.data(), image.size(), &why);
  if (!song) {
    std::cerr << "render-xm: " << args[0] << ": " << (image.empty() ? "no module data (not built in, or an empty file)" : why) << "\n";
    return 1;
  }
  std::vector<int16_t> pcm = xm_render_offline(*song, static_cast<size_t>(seconds) * kXmRate);
  if (!write_wav(args[2], pcm)) {
    std::cerr << "render-xm: cannot write " << args[2] << "\n";
    return 1;
  }
  return 0;
}

ToolRegistrar reg_modules({"modules", "",
                           "one line per embedded module: number, size, channels, instruments, patterns, song "
                           "length, restart, flags, speed, BPM",
                           cmd_modules});
ToolRegistrar reg_render_xm({"render-xm", "N|FILE SECONDS OUT.wav",
                             "renders module N (1..4) or an XM file to a 44,100 Hz 16-bit stereo WAV", cmd_render_xm});

}  // namespace
}  // namespace zel::tool
