// `modules`: the embedded XM modules; `render-xm N|FILE SECONDS|end OUT`:
// renders a module to a 44,100 Hz 16-bit stereo sound file with the
// player's own block renderer, written block by block.
#include <algorithm>
#include <cstdio>
#include <iostream>

#include "content/content.h"
#include "cli/audio_file.h"
#include "cli/music_args.h"
#include "cli/registry.h"
#include "xm/xm_player.h"
#include "xm/xm_song_end.h"

namespace zel::tool {

constexpr uint64_t kEndCapFrames = uint64_t{3600} * kXmRate;

int cmd_modules(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::cerr << "usage: zelvorant-tool modules\n";
    return 2;
  }
  std::cout << "n\tsize\tchannels\tinstruments\tpatterns\tlength\trestart\tflags\tspeed\tbpm\tseconds\n";
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
              << song->flags << "\t" << song->default_speed << "\t" << song->default_bpm << "\t";
    // Sequencing changes nothing the columns above show, so the same song is run.
    const XmSongEnd end = xm_find_song_end(*song, 0, kEndCapFrames);
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.2f%s", static_cast<double>(end.frames) / kXmRate,
                  end.capped ? "+" : "");
    std::cout << seconds << "\n";
  }
  return 0;
}

int cmd_render_xm(const std::vector<std::string>& args) {
  std::vector<std::string> pos;
  long loops = -1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--loops" && i + 1 < args.size() && loops < 0) {
      if (!parse_int(args[++i], loops) || loops < 0 || loops > 1000) loops = -2;
    } else {
      pos.push_back(args[i]);
    }
  }
  const bool to_end = pos.size() == 3 && pos[1] == "end";
  uint64_t frames = 0;
  AudioFileFormat format;
  if (pos.size() != 3 || loops == -2 || (!to_end && (loops >= 0 || !parse_seconds(pos[1], kXmRate, frames))) ||
      !audio_file_format(pos[2], format)) {
    std::cerr << "usage: zelvorant-tool render-xm N|FILE SECONDS|end " << kAudioFileKinds
              << " [--loops K]   (N = 1..4, SECONDS = 0..3600, --loops only with end)\n";
    return 2;
  }
  std::vector<uint8_t> image;
  if (int status = module_image("render-xm", pos[0], image)) return status;
  std::string why;
  // The tool renders any module the format allows, not only the magazine's kind.
  auto song = xm_load_song(image.data(), image.size(), &why, kXmFormatLimits);
  if (!song) {
    std::cerr << "render-xm: " << pos[0] << ": " << why << "\n";
    return 1;
  }
  if (to_end) {
    // The search leaves the song's samples as loaded; the render below
    // starts the song afresh.
    const XmSongEnd end = xm_find_song_end(*song, static_cast<int>(std::max(loops, 0L)), kEndCapFrames);
    frames = end.frames;
    if (end.capped) std::cerr << "render-xm: the song did not end within 3600 s; rendered 3600 s\n";
  }

  AudioFileWriter out;
  if (!out.open(pos[2], kXmRate, 2)) {
    std::cerr << "render-xm: " << out.error() << "\n";
    return 1;
  }
  // Rendered in the stream's 884-frame blocks from the song's start, so the
  // samples are those the magazine plays; written four blocks at a time.
  constexpr size_t kBlocksPerWrite = 4;
  std::vector<float> scratch(static_cast<size_t>(kXmBlockFrames) * 2);
  std::vector<int16_t> pcm(kBlocksPerWrite * kXmBlockFrames * 2);
  xm_song_reset(*song);
  for (uint64_t at = 0; at < frames;) {
    size_t filled = 0;
    for (size_t b = 0; b < kBlocksPerWrite && at < frames; ++b) {
      const int n = static_cast<int>(std::min<uint64_t>(kXmBlockFrames, frames - at));
      xm_render_block(*song, scratch.data(), pcm.data() + filled * 2, n);
      filled += static_cast<size_t>(n);
      at += static_cast<uint64_t>(n);
    }
    if (!out.write(pcm.data(), filled)) {
      std::cerr << "render-xm: " << out.error() << "\n";
      return 1;
    }
  }
  if (!out.close()) {
    std::cerr << "render-xm: " << out.error() << "\n";
    return 1;
  }
  std::printf("wrote %s: %llu frames (%.2f s), 44100 Hz stereo\n", pos[2].c_str(),
              static_cast<unsigned long long>(frames), static_cast<double>(frames) / kXmRate);
  return 0;
}

}  // namespace zel::tool
