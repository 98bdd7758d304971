// SID commands:
//   tunes                                   the embedded tune table
//   render-sid N|FILE SECONDS OUT           a tune through the magazine's stream, as a
//                                           .wav, .flac or .ogg file
//   run6502 BIN LOADADDR STARTPC [--max-steps N] [--dump ADDR[:LEN]]...
//                                           runs a raw 6502 program until it traps
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "core/output.h"
#include "platform/headless_platform.h"
#include "sid/psid_header.h"
#include "sid/sid_player.h"
#include "sid/sid_tunes.h"
#include "cli/audio_file.h"
#include "cli/input_file.h"
#include "cli/music_args.h"
#include "cli/registry.h"

namespace zel::tool {
namespace {

// Hexadecimal with an optional "$" or "0x" prefix.
bool parse_hex(std::string s, unsigned long& out) {
  if (!s.empty() && s[0] == '$') s.erase(0, 1);
  else if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.erase(0, 2);
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  out = std::strtoul(s.c_str(), &end, 16);
  return errno == 0 && *end == '\0';
}

}  // namespace

// ---- tunes ---------------------------------------------------------------------

int cmd_tunes(const std::vector<std::string>& args) {
  if (!args.empty()) {
    std::cerr << "usage: zelvorant-tool tunes\n";
    return 2;
  }
  std::printf("tune   size  loaded at    init   play   songs  start\n");
  for (int n = 1; n <= kTuneCount; ++n) {
    const SidTuneEntry tune = sid_tune(n);
    const PsidHeader info = psid_parse(tune.image);
    if (tune.image.empty()) {
      std::printf("%4d      0  (not built in)\n", n);
    } else if (info.problem != PsidProblem::kNone) {
      std::printf("%4d  %5zu  (%s)\n", n, tune.image.size(), psid_problem_text(info).c_str());
    } else {
      std::printf("%4d  %5zu  $%04X-$%04X  $%04X  $%04X  %5u  %5u\n", n, tune.image.size(), info.load_address,
                  static_cast<unsigned>(info.load_end), info.init_address, info.play_address, info.songs,
                  info.start_song);
    }
  }
  return 0;
}

// ---- render-sid ------------------------------------------------------------------

int cmd_render_sid(const std::vector<std::string>& args) {
  uint64_t wanted = 0;
  AudioFileFormat format;
  if (args.size() != 3 || !parse_seconds(args[1], kSidStreamRate, wanted) || !audio_file_format(args[2], format)) {
    std::cerr << "usage: zelvorant-tool render-sid N|FILE SECONDS " << kAudioFileKinds
              << "   (N = 1..12, SECONDS = 0..3600)\n";
    return 2;
  }
  std::vector<uint8_t> image;
  if (int status = tune_image("render-sid", args[0], image)) return status;
  AudioFileWriter out;
  if (!out.open(args[2], kSidStreamRate, 1)) {
    std::cerr << "render-sid: " << out.error() << "\n";
    return 1;
  }

  // The magazine's own stream on the headless device, captured as it plays
  // and written as it comes.
  HeadlessPlatform platform;
  platform.set_audio_capture(true);
  uint64_t written = 0;
  bool ok = true;
  {
    SidPlayer player(platform);
    sid_stream_start(player, image, 0);
    sid_stream_resume(player);
    while (ok && written < wanted) {
      platform.advance(0.02);
      sid_stream_wait_idle(player);
      const auto part = platform.take_queue_capture();
      const size_t n = static_cast<size_t>(std::min<uint64_t>(part.size(), wanted - written));
      ok = out.write(part.data(), n);
      written += n;
    }
    sid_stream_stop(player);
  }
  if (!ok || !out.close()) {
    std::cerr << "render-sid: " << out.error() << "\n";
    return 1;
  }
  std::printf("wrote %s: %llu samples, 44100 Hz mono 16-bit\n", args[2].c_str(),
              static_cast<unsigned long long>(written));
  return 0;
}

// ---- run6502 ---------------------------------------------------------------------

int cmd_run6502(const std::vector<std::string>& args) {
  const char* usage = "usage: zelvorant-tool run6502 BIN LOADADDR STARTPC [--max-steps N] [--dump ADDR[:LEN]]...\n";
  if (args.size() < 3) {
    std::cerr << usage;
    return 2;
  }
  unsigned long load = 0, start = 0;
  if (!parse_hex(args[1], load) || load > 0xFFFF || !parse_hex(args[2], start) || start > 0xFFFF) {
    std::cerr << "run6502: LOADADDR and STARTPC are hexadecimal addresses $0000-$FFFF\n";
    return 2;
  }
  long max_steps = 100000000;
  std::vector<std::pair<unsigned long, unsigned long>> dumps;
  for (size_t i = 3; i < args.size(); ++i) {
    if (args[i] == "--max-steps" && i + 1 < args.size()) {
      if (!parse_int(args[++i], max_steps) || max_steps < 0) {
        std::cerr << "run6502: --max-steps takes a decimal count\n";
        return 2;
      }
    } else if (args[i] == "--dump" && i + 1 < args.size()) {
      const std::string range = args[++i];
      const size_t colon = range.find(':');
      unsigned long addr = 0, len = 1;
      if (!parse_hex(range.substr(0, colon), addr) || addr > 0xFFFF ||
          (colon != std::string::npos && (!parse_hex(range.substr(colon + 1), len) || len > 0x10000))) {
        std::cerr << "run6502: --dump takes ADDR or ADDR:LEN in hexadecimal\n";
        return 2;
      }
      dumps.emplace_back(addr, len);
    } else {
      std::cerr << usage;
      return 2;
    }
  }
  std::vector<uint8_t> bin;
  std::string why;
  if (!read_input_file(args[0], bin, why)) {
    std::cerr << "run6502: " << args[0] << ": " << why << "\n";
    return 1;
  }
  auto machine = std::make_unique<SidPlayerState>();
  SidPlayerState& s = *machine;
  sid_init(s, kSidStreamRate);
  const size_t length = std::min(bin.size(), size_t{0x10000} - load);
  if (length < bin.size()) std::cerr << "run6502: " << bin.size() - length << " bytes past $FFFF dropped\n";
  std::copy(bin.begin(), bin.begin() + static_cast<long>(length), s.ram + load);
  s.cpu.pc = static_cast<uint16_t>(start);

  long steps = 0;
  bool trapped = false;
  while (steps < max_steps) {
    const uint16_t before = s.cpu.pc;
    cpu_step(s);
    ++steps;
    if (s.cpu.pc == before) {
      trapped = true;
      break;
    }
  }
  std::printf("PC=%04X A=%02X X=%02X Y=%02X P=%02X SP=%02X STEPS=%lX %s\n", s.cpu.pc, s.cpu.a, s.cpu.x, s.cpu.y,
              s.cpu.p, s.cpu.sp, static_cast<unsigned long>(steps), trapped ? "TRAPPED" : "MAX-STEPS");
  for (const auto& [addr, len] : dumps) {
    for (unsigned long i = 0; i < len; ++i) {
      if (i % 16 == 0) std::printf("%s%04lX:", i ? "\n" : "", (addr + i) & 0xFFFF);
      std::printf(" %02X", s.ram[(addr + i) & 0xFFFF]);
    }
    std::printf("\n");
  }
  return 0;
}

}  // namespace zel::tool
