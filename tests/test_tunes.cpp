// The twelve embedded tunes: layout, driver behaviour watched instruction by
// instruction, loop length, sound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "content/content.h"
#include "tests/psid_builder.h"

namespace zel {
namespace {

struct Expected {
  int size, load, end, init, play, songs, start_song;
  const char* title;
  const char* author;
};

// The tune table and credits, written out independently of the
// compiler's own copy.
const Expected kTable[13] = {
    {},
    {3677, 0x0822, 0x1600, 0x127B, 0x082E, 1, 1, "Zelvorant Anthem", "Kestrel"},
    {2622, 0x0FFC, 0x19BB, 0x0FFC, 0x104D, 1, 1, "Paper Lanterns", "Lumi Varga"},
    {3606, 0x0825, 0x15BC, 0x0825, 0x082B, 2, 1, "Bassline Express", "Kestrel"},
    {4006, 0x8000, 0x8F27, 0x8394, 0x8000, 25, 1, "Blue Note Basement", "Otto Brandvik"},
    {7199, 0x0400, 0x1FA0, 0x1F85, 0x1F9B, 28, 1, "Cellar Of Echoes", "Nachtfalter"},
    {9741, 0x4002, 0x6590, 0x6542, 0x6585, 9, 1, "Arpeggio Rush", "Pixel Monk"},
    {3399, 0x0FFF, 0x1CC7, 0x0FFF, 0x1003, 1, 1, "Sunday Drive", "Lumi Varga"},
    {3882, 0x1000, 0x1EAB, 0x1440, 0x1003, 1, 1, "Frozen Lake", "Nachtfalter"},
    {3346, 0x5000, 0x5C93, 0x5C75, 0x5C8D, 9, 1, "Market Day", "Otto Brandvik"},
    {5993, 0x8000, 0x96EA, 0x96E0, 0x8018, 4, 2, "Orbit Dance", "Pixel Monk"},
    {6112, 0x0801, 0x1F62, 0x1F40, 0x1AB5, 13, 1, "Last Train Home", "Kestrel"},
    {3336, 0x0810, 0x1499, 0x0852, 0x0909, 1, 1, "Farewell Demo", "Lumi Varga"},
};

int be16(std::span<const uint8_t> img, int off) { return img[off] << 8 | img[off + 1]; }

std::string text_field(std::span<const uint8_t> img, int off) {
  std::string s;
  for (int i = 0; i < 32 && img[off + i]; ++i) s += char(img[off + i]);
  return s;
}

// The player's machine with one tune loaded, run a step at a time so that
// every routine is held to what a well-behaved tune may do: documented
// opcodes only and no BRK, RTI or SED; RAM writes only to zero page, stack
// and the tune's own load range; nothing for the sample channel.
struct WatchedTune {
  std::unique_ptr<SidPlayerState> s = testing_psid::fresh_machine();
  std::unique_ptr<std::array<uint8_t, 65536>> before = std::make_unique<std::array<uint8_t, 65536>>();
  int load_from = 0, load_to = 0;
  std::vector<std::string> faults;

  explicit WatchedTune(std::span<const uint8_t> img) {
    load_from = psid_load(*s, img.data(), img.size());
    load_to = load_from + int(img.size()) - img[7] - 3;
  }
  // As cpu_call, but gives up (returning -1) after `budget` instructions.
  long call(uint16_t address, uint8_t a, long budget) {
    std::copy(std::begin(s->ram), std::end(s->ram), before->begin());
    s->cpu = CpuRegisters{a, 0, 0, 0xFD, 0, address};
    s->ram[0x1FF] = s->ram[0x1FE] = 0;  // the final RTS returns to $0001
    long n = 0;
    while (s->cpu.pc > 1) {
      if (++n > budget) return -1;
      uint8_t op = s->ram[s->cpu.pc];
      if (kCpuInstructionTable[op] == kNoInstruction || op == 0x00 || op == 0x40 || op == 0xF8) {
        char b[48];
        std::snprintf(b, sizeof b, "opcode $%02X at $%04X", op, s->cpu.pc);
        faults.push_back(b);
      }
      cpu_step(*s);
    }
    auto differs = [&](int from, int to) {  // [from, to)
      return to > from && std::memcmp(s->ram + from, before->data() + from, size_t(to - from)) != 0;
    };
    if (differs(0x200, load_from) || differs(load_to + 1, 0x10000)) faults.push_back("write outside the tune's memory");
    if (s->sample.period || s->sample.start || s->sample.end || s->sample.active) faults.push_back("sample channel used");
    return n;
  }
  int control(int v) const { return s->regs.voice[v].control; }
};

constexpr int kFramesPerSecond = 50;
constexpr long kPlayLimit = 2600;

TEST(TuneImages, HeadersAndLoadRangesMatchTheTable) {
  for (int n = 1; n <= kTuneCount; ++n) {
    SCOPED_TRACE("tune " + std::to_string(n));
    const Expected& e = kTable[n];
    auto img = tune_image(n);
    ASSERT_EQ(int(img.size()), e.size);
    EXPECT_EQ(std::string(img.begin(), img.begin() + 4), "PSID");
    // Version, data offset, load address in the data, init, play, song
    // count, start song, speed flags, flags.
    EXPECT_EQ((std::array{be16(img, 4), be16(img, 6), be16(img, 8), be16(img, 10), be16(img, 12), be16(img, 14),
                          be16(img, 16), be16(img, 18) | be16(img, 20), be16(img, 118)}),
              (std::array{2, 0x7C, 0, e.init, e.play, e.songs, e.start_song, 0, 0x0014}));
    EXPECT_EQ(std::tuple(text_field(img, 22), text_field(img, 54), text_field(img, 86)),
              std::tuple(e.title, e.author, "2010 Zelvorant"));
    // The load address, and jump stubs at the init and play addresses.
    EXPECT_EQ(std::tuple(img[0x7C] | img[0x7D] << 8, img[0x7E + e.init - e.load], img[0x7E + e.play - e.load]),
              std::tuple(e.load, 0x4C, 0x4C));
  }
}

// Every sub-song (and one past the count, which wraps around) under watch:
// every call returns in budget, nothing forbidden is executed or written, and
// within half a minute all three voices have gated (some sections open with a
// voice resting). The first runs nine minutes: mostly under 600 instructions a
// call, every voice starting notes throughout its first pass, and the register
// image after each call repeating with the tune's loop, 60..180 s long.
TEST(TuneDriver, EverySubSongRunsWithinItsLimitsSoundsAndLoops) {
  using Registers = std::array<uint8_t, sizeof(SidRegisterFile)>;
  constexpr int kPass = 180 * kFramesPerSecond;
  for (int n = 1; n <= kTuneCount; ++n) {
    for (int s = 0; s <= kTable[n].songs; ++s) {
      SCOPED_TRACE("tune " + std::to_string(n) + " sub-song " + std::to_string(s));
      WatchedTune t(tune_image(n));
      ASSERT_GE(t.call(uint16_t(kTable[n].init), uint8_t(s), 20000), 1);
      const int calls = s == 0 ? 3 * kPass : 30 * kFramesPerSecond;
      std::vector<Registers> trace(s == 0 ? size_t(calls) : 0);
      int gate_ons[3] = {0, 0, 0}, gated = 0;
      long over600 = 0;
      for (int k = 0; k < calls; ++k) {
        int was[3] = {t.control(0), t.control(1), t.control(2)};
        long used = t.call(uint16_t(kTable[n].play), 0, kPlayLimit);
        ASSERT_GE(used, 1) << "play call " << k << " exceeds " << kPlayLimit << " instructions";
        over600 += used > 600;
        for (int v = 0; v < 3; ++v) {
          if (k < kPass) gate_ons[v] += (t.control(v) & 1) && !(was[v] & 1);
          if (k < 30 * kFramesPerSecond) gated |= (t.control(v) & 1) << v;
        }
        if (k == 30 * kFramesPerSecond - 1) { EXPECT_GT(t.s->regs.mode_volume & 15, 0); }
        if (s == 0) std::memcpy(trace[size_t(k)].data(), &t.s->regs, sizeof(SidRegisterFile));
      }
      EXPECT_EQ(gated, 7);
      EXPECT_TRUE(t.faults.empty()) << t.faults.front();
      if (s != 0) continue;
      EXPECT_LT(over600, calls / 20) << "most play calls stay under 600 instructions";
      for (int v = 0; v < 3; ++v) EXPECT_GT(gate_ons[v], 50) << "voice " << v + 1;
      // After the first pass, over a whole 180 s window, so that a repeated
      // section is no period.
      int period = 0;
      for (int p = 1; p <= kPass && !period; ++p) {
        bool same = true;
        for (int k = kPass; k < 2 * kPass && same; ++k) same = trace[size_t(k)] == trace[size_t(k + p)];
        if (same) period = p;
      }
      EXPECT_TRUE(period >= 60 * kFramesPerSecond && period <= kPass) << period;
    }
  }
}

// Through the program's own synthesis, every second of each tune's first
// 150 s (a whole pass of every tune) is audible and none wraps around: adjacent
// samples never differ by more than the largest step three full voices can
// make together (3 x (7,605 + 7,680)), which only a sum beyond +-32,767 would produce.
TEST(TuneSound, EverySecondOfTheFirstPassIsAudibleAndNeverWraps) {
  constexpr int kMaxStep = 3 * (7605 + 7680);
  for (int n = 1; n <= kTuneCount; ++n) {
    SCOPED_TRACE("tune " + std::to_string(n));
    auto s = testing_psid::started_tune({tune_image(n).begin(), tune_image(n).end()});
    std::vector<int16_t> second(44100);
    int prev = 0;
    for (int sec = 0; sec < 150; ++sec) {
      for (int c = 0; c < kFramesPerSecond; ++c) tune_render_chunk(*s, second.data() + c * kSidChunk, kSidChunk);
      double sum = 0;
      int worst_step = 0;
      for (int16_t v : second) {
        sum += double(v) * v;
        worst_step = std::max(worst_step, std::abs(v - prev));
        prev = v;
      }
      EXPECT_GT(std::sqrt(sum / 44100), 500.0) << "second " << sec;
      EXPECT_LE(worst_step, kMaxStep) << "second " << sec;
    }
  }
}

}  // namespace
}  // namespace zel
