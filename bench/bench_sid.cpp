// Real-time factor of SID rendering: seconds of audio per second of one
// core, for the whole chunk path (play call + synthesis), on every embedded
// tune and on a built-in busy tune (three voices, all waveform kinds, ring
// modulation, sync and the filter, with a play routine that rewrites the
// registers every call).
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "core/output.h"
#include "sid/sid_machine.h"
#include "sid/sid_tunes.h"

namespace {

using namespace zel;

double thread_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

std::vector<uint8_t> busy_tune() {
  // init ($1000): registers from the table at $1100 (25 bytes), then RTS.
  // play ($1020): for each voice, frequency high byte += 1 + voice, and
  // the filter cutoff follows the call count.
  const uint8_t code_init[] = {0xA2, 0x18,              // LDX #24
                               0xBD, 0x00, 0x11,        // loop: LDA $1100,X
                               0x9D, 0x00, 0xD4,        // STA $D400,X
                               0xCA, 0x10, 0xF7,        // DEX / BPL loop
                               0x60};
  const uint8_t code_play[] = {0xEE, 0x01, 0x11,  // INC $1101
                               0xAD, 0x01, 0x11, 0x8D, 0x01, 0xD4,
                               0xEE, 0x08, 0x11, 0xEE, 0x08, 0x11,  // voice 2 +2
                               0xAD, 0x08, 0x11, 0x8D, 0x08, 0xD4,
                               0xEE, 0x0F, 0x11,  // voice 3 +1
                               0xAD, 0x0F, 0x11, 0x8D, 0x0F, 0xD4,
                               0xAD, 0x01, 0x11, 0x4A, 0x8D, 0x16, 0xD4,  // cutoff = voice 1 high / 2
                               0x60};
  const uint8_t regs[25] = {0x00, 0x10, 0x00, 0x08, 0x41, 0x22, 0xA8,   // voice 1 pulse
                            0x00, 0x20, 0x00, 0x00, 0x17, 0x11, 0xC9,   // voice 2 triangle, ring
                            0x00, 0x06, 0x00, 0x00, 0xA3, 0x00, 0xF0,   // voice 3 saw + noise, sync
                            0x05, 0x40, 0xF3, 0x3F};                    // filter: 1+2, LP+BP, volume 15
  std::vector<uint8_t> img(0x7C, 0);
  std::memcpy(img.data(), "PSID", 4);
  img[5] = 2;
  img[7] = 0x7C;
  img[10] = 0x10, img[11] = 0x00;
  img[12] = 0x10, img[13] = 0x20;
  img.push_back(0x00);
  img.push_back(0x10);
  std::vector<uint8_t> data(0x120, 0xEA);
  std::memcpy(data.data(), code_init, sizeof code_init);
  std::memcpy(data.data() + 0x20, code_play, sizeof code_play);
  std::memcpy(data.data() + 0x100, regs, sizeof regs);
  img.insert(img.end(), data.begin(), data.end());
  return img;
}

double measure_once(std::span<const uint8_t> image, double audio_seconds) {
  auto m = std::make_unique<SidPlayerState>();
  std::vector<int16_t> buf(kSidChunk);
  const size_t chunks = static_cast<size_t>(audio_seconds * 50);
  sid_init(*m, 44100);
  psid_load(*m, image.data(), image.size());
  tune_init(*m, 0);
  const double t0 = thread_seconds();
  int64_t sink = 0;
  for (size_t c = 0; c < chunks; ++c) {
    tune_render_chunk(*m, buf.data(), buf.size());
    sink += buf[c % kSidChunk];
  }
  const double t1 = thread_seconds();
  if (sink == 1) std::printf(" ");  // keeps the rendering observable
  return audio_seconds / (t1 - t0);
}

// Best of three runs: the figure of an otherwise idle core.
double measure(std::span<const uint8_t> image, double audio_seconds) {
  double best = 0;
  for (int run = 0; run < 3; ++run) best = std::max(best, measure_once(image, audio_seconds));
  return best;
}

}  // namespace

int main() {
  const double seconds = 600;
  std::printf("SID rendering, %.0f s of audio per tune, one core, best of 3 runs\n", seconds);
  const auto busy = busy_tune();
  std::printf("busy test tune   %8.0fx real time\n", measure(busy, seconds));
  for (int n = 1; n <= kTuneCount; ++n) {
    const SidTuneEntry t = sid_tune(n);
    if (t.image.empty()) continue;
    std::printf("tune %2d          %8.0fx real time\n", n, measure(t.image, seconds));
  }
  return 0;
}
