// Real-time factor of the module renderer: seconds of music rendered per
// second of one core, for a 4-channel and a 24-channel module written here
// (notes on most rows, looping 8-bit samples, volume envelopes, vibrato and
// volume slides), rendered block by block as the stream does. Time is the
// thread's CPU time.
//
// Usage: bench_xm [SECONDS]   (music seconds per run, default 120)
//        bench_xm --write CHANNELS FILE
//                             writes the busy module of CHANNELS channels as an
//                             XM file, to time whole renders with zelvorant-tool
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "xm/xm_writer.h"
#include "xm/xm_player.h"

namespace {

using namespace zel;

xmsynth::Module busy_module(int channels) {
  xmsynth::Module m;
  m.channels = channels;
  m.speed = 6;
  m.bpm = 125;
  m.patterns.resize(4);
  m.order = {0, 1, 2, 3};
  for (int i = 0; i < 8; ++i) {
    xmsynth::Instrument ins;
    xmsynth::Sample s;
    int len = 2000 + 1500 * i;
    for (int k = 0; k < len; ++k)
      s.data.push_back(static_cast<int16_t>(std::lround(100 * std::sin(k * (0.05 + 0.01 * i)) +
                                                          20 * std::sin(k * 0.31))));
    s.loop_type = i % 3 == 2 ? 2 : 1;
    s.loop_start = len / 4;
    s.loop_length = len / 2;
    s.panning = 32 + 24 * i;
    ins.samples.push_back(s);
    ins.volume_env.points = {{0, 64}, {8, 48}, {40, 20}, {120, 0}};
    ins.volume_env.sustain = 2;  // on, with a sustain point
    ins.fadeout = 400;
    m.instruments.push_back(ins);
  }
  unsigned seed = 12345;
  auto rnd = [&](int n) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(n));
  };
  for (int p = 0; p < 4; ++p)
    for (int r = 0; r < 64; ++r)
      for (int c = 0; c < channels; ++c) {
        if (rnd(4) == 0) continue;  // three cells in four carry a note
        xmsynth::Cell& cell = m.cell(p, r, c);
        cell.note = static_cast<uint8_t>(25 + rnd(48));
        cell.instrument = static_cast<uint8_t>(1 + rnd(8));
        switch (rnd(5)) {
          case 0: cell.effect = 4, cell.param = 0x46; break;
          case 1: cell.effect = 0xA, cell.param = 0x02; break;
          case 2: cell.volume = static_cast<uint8_t>(0x20 + rnd(0x30)); break;
          default: break;
        }
      }
  return m;
}

// CPU time of this thread: on a shared machine it counts only the time the
// renderer actually ran.
double cpu_seconds() {
  timespec ts{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double real_time_factor(int channels, int seconds) {
  std::vector<uint8_t> image = xmsynth::write_xm(busy_module(channels));
  auto song = xm_load_song(image.data(), image.size());
  if (!song) return 0;
  // Blocks go round a ring of the stream's size, as in the player.
  const int blocks = seconds * kXmRate / kXmBlockFrames;
  std::vector<int16_t> ring(static_cast<size_t>(kXmRingFrames) * 2);
  std::vector<float> scratch(static_cast<size_t>(kXmBlockFrames) * 2);
  double best = 1e30;
  for (int run = 0; run < 3; ++run) {
    xm_song_reset(*song);
    double t0 = cpu_seconds();
    for (int b = 0; b < blocks; ++b)
      xm_render_block(*song, scratch.data(), ring.data() + static_cast<size_t>(b % kXmBlockCount) * kXmBlockFrames * 2,
                      kXmBlockFrames);
    double t1 = cpu_seconds();
    volatile int16_t sink = ring[ring.size() / 2];
    (void)sink;
    best = std::min(best, t1 - t0);
  }
  return static_cast<double>(blocks) * kXmBlockFrames / kXmRate / best;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--write") {
    const int channels = std::atoi(argv[2]);
    if (channels < 1 || channels > kXmMaxChannels) return 2;
    const std::vector<uint8_t> image = xmsynth::write_xm(busy_module(channels));
    std::FILE* f = std::fopen(argv[3], "wb");
    if (!f || std::fwrite(image.data(), 1, image.size(), f) != image.size() || std::fclose(f) != 0) return 1;
    return 0;
  }
  int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
  if (seconds < 1) seconds = 1;
  for (int channels : {4, 24}) {
    double f = real_time_factor(channels, seconds);
    std::printf("%2d channels: %8.0fx real time (%d s of music, best of 3)\n", channels, f, seconds);
  }
  return 0;
}
