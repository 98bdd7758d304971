// The twelve embedded tunes (layout, driver behaviour watched instruction by
// instruction, loop length, sound) and the song compiler's notation played back.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "content/content.h"
#include "tests/psid_builder.h"
#include "tests/support.h"

namespace zel {
namespace {

struct Expected {
  int size, load, end, init, play, songs, start_song;
  const char* title;
  const char* author;
};

// The issue's tune table and credits, written out independently of the
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
  void fault(const std::string& what) {
    if (faults.size() < 4) faults.push_back(what);
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
        fault(b);
      }
      cpu_step(*s);
    }
    auto differs = [&](int from, int to) {  // [from, to)
      return to > from && std::memcmp(s->ram + from, before->data() + from, size_t(to - from)) != 0;
    };
    if (differs(0x200, load_from) || differs(load_to + 1, 0x10000)) fault("write outside the tune's memory");
    if (s->sample.period || s->sample.start || s->sample.end || s->sample.active) fault("sample channel used");
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
    EXPECT_EQ(text_field(img, 22), e.title);
    EXPECT_EQ(text_field(img, 54), e.author);
    EXPECT_EQ(text_field(img, 86), "2010 Zelvorant");
    EXPECT_EQ(img[0x7C] | img[0x7D] << 8, e.load);
    EXPECT_EQ(e.size - 0x7E, e.end - e.load + 1);
    // Jump stubs at the init and play addresses.
    EXPECT_EQ(img[0x7E + e.init - e.load], 0x4C);
    EXPECT_EQ(img[0x7E + e.play - e.load], 0x4C);
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
      EXPECT_GE(period, 60 * kFramesPerSecond);
      EXPECT_LE(period, kPass);
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

// ---- the notation, compiled and played --------------------------------------

// PAL frequency register value of note n (C-0 = 0), from first principles.
int pal_freq(int n) { return int(std::lround(440.0 * std::pow(2.0, (n - 57) / 12.0) * 16777216.0 / 985248.0)); }

// The compiled image, or nothing when the compiler refuses the source.
std::vector<uint8_t> compile_song(const std::string& name, const std::string& source) {
  std::string dir = std::string(ZEL_BINARY_DIR) + "/test_tunes_work";
  std::string src = dir + "/" + name + ".txt", out = dir + "/" + name + ".sid";
  std::filesystem::create_directories(dir);
  std::filesystem::remove(out);
  std::ofstream(src) << source;
  std::string cmd = "'" + std::string(ZEL_BINARY_DIR) + "/tools/sidsong/sidsong' 64tass '" +
                    std::string(ZEL_SOURCE_DIR) + "/content/tunes/driver.s' '" + src + "' '" + out + "' >/dev/null 2>&1";
  if (std::system(cmd.c_str()) != 0) return {};
  return testing::read_bytes(out);
}

// The registers after each of the first `count` play calls, watched.
std::vector<SidRegisterFile> play(const std::vector<uint8_t>& img, int count) {
  WatchedTune t(img);
  t.call(0x0FFC, 0, 20000);
  std::vector<SidRegisterFile> f;
  for (int k = 0; k < count; ++k) {
    EXPECT_GE(t.call(0x104D, 0, kPlayLimit), 1) << "frame " << k;
    f.push_back(t.s->regs);
  }
  EXPECT_TRUE(t.faults.empty()) << t.faults.front();
  return f;
}

const std::string kSongHead = R"(
title "Test"
author "Test"
slot 2
tempo 3
instrument lead
  ad 00
  sr f0
  glide 120
  wave 41+0
end
instrument chord
  wave 21+0 21+4 21+7 loop 0
end
instrument drum
  wave 81=c7 41=c3
end
)";

// Voice 1: c4 for 6 frames, e4 for 6, g4 tied over 24, a rest; then c4 and
// `~e4`, which slides from c4 by the instrument's glide each frame without a
// gate-off, settles exactly on e4, and g4 follows in its place. The gate is
// off in the last frame of each untied note, held through the tie.
TEST(SongCompiler, NotesPlayAtTheirPitchesAndLengthsWithHardRestartAndSlides) {
  auto img = compile_song("notes", kSongHead + R"(
pattern a
  @lead 2 c4 e4 4 g4 - 8 . 4 c4 ~e4 g4 4 .
end
pattern b
  @chord 36 a3
end
pattern c
  @drum 36 c1
end
song
  a | b | c
  a*60 | b*60 | c*60
end
)");
  ASSERT_FALSE(img.empty());
  const std::vector<SidRegisterFile> f = play(img, 85);
  auto reg = [&](int k, int v) { return f[size_t(k)].voice[v]; };
  for (int k = 0; k < 60; ++k) {
    SCOPED_TRACE(k);
    if (k < 36) { EXPECT_EQ(reg(k, 0).frequency, pal_freq(k < 6 ? 48 : k < 12 ? 52 : 55)); }
    EXPECT_EQ(reg(k, 0).control & 1, (k == 5 || k == 11 || k >= 35) ? 0 : 1);
  }
  EXPECT_EQ(reg(0, 0).control & 0xF0, 0x40);
  EXPECT_EQ(reg(0, 0).attack_decay, 0x00);
  EXPECT_EQ(reg(0, 0).sustain_release, 0xF0);
  EXPECT_EQ(reg(71, 0).control & 1, 1);
  EXPECT_EQ(reg(72, 0).frequency, pal_freq(48) + 120);
  for (int k = 73; k < 84; ++k) {
    SCOPED_TRACE(k);
    EXPECT_EQ(reg(k, 0).frequency, std::min(reg(k - 1, 0).frequency + 120, pal_freq(52)));
    EXPECT_EQ(reg(k, 0).control & 1, k < 83 ? 1 : 0);
  }
  EXPECT_EQ(reg(83, 0).frequency, pal_freq(52));
  EXPECT_EQ(reg(84, 0).frequency, pal_freq(55));
  // Voice 2: the chord steps root, third, fifth, one frame each.
  for (int k = 0; k < 9; ++k) EXPECT_EQ(reg(k, 1).frequency, pal_freq(45 + (int[]){0, 4, 7}[k % 3])) << k;
  EXPECT_EQ(reg(0, 1).control & 0xF0, 0x20);
  // Voice 3: noise at an absolute pitch, then the pulse tail.
  EXPECT_EQ(reg(0, 2).frequency, pal_freq(84));
  EXPECT_EQ(reg(0, 2).control & 0xF0, 0x80);
  EXPECT_EQ(reg(1, 2).frequency, pal_freq(36));
  EXPECT_EQ(reg(1, 2).control & 0xF0, 0x40);
}

}  // namespace
}  // namespace zel
