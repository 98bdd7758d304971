// The four embedded modules: their bytes, read independently of the loader,
// and their music as the player renders it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <set>
#include <string>

#include "cli/module_measure.h"
#include "content/content.h"
#include "xm/xm_player.h"
#include "xm/xm_song.h"
#include "xm/xm_song_end.h"

namespace zel {
namespace {

constexpr size_t kSizes[5] = {0, 309351, 75695, 185826, 140533};
const char* const kTitles[5] = {"", "Neon Harbour", "Slow Tide", "Prism Gate", "Brass Alley"};

int le16(const uint8_t* p) { return p[0] | p[1] << 8; }
uint32_t le32(const uint8_t* p) { return uint32_t(le16(p)) | uint32_t(le16(p + 2)) << 16; }

// A second, independent reading of the XM layout, strict where the player's
// loader is lenient: every structure must lie inside the file and the last
// sample must end exactly at the end of the file.
struct RawModule {
  int song_length, restart, channels, patterns, instruments, flags, speed, bpm;
  const uint8_t* order;
  std::vector<std::vector<uint8_t>> cells;  // per pattern: rows x channels x 5
  size_t end = 0;                           // offset after the last byte read
};

RawModule read_raw(std::span<const uint8_t> m) {
  const uint8_t* d = m.data();
  EXPECT_EQ(std::memcmp(d, "Extended Module: ", 17), 0);
  EXPECT_EQ(d[37], 0x1A);
  RawModule r{le16(d + 64), le16(d + 66), le16(d + 68), le16(d + 70), le16(d + 72), le16(d + 74), le16(d + 76),
              le16(d + 78), d + 80, {}};
  size_t at = 60 + le32(d + 60);
  for (int p = 0; p < r.patterns; ++p) {
    const int rows = le16(d + at + 5);
    const size_t end = at + le32(d + at) + le16(d + at + 7);
    at += le32(d + at);
    std::vector<uint8_t> cells;
    while (at < end) {
      uint8_t b = d[at++];
      uint8_t c[5] = {};  // packed: bit k of b says field k follows; unpacked: b is the note, four fields follow
      for (int k = 0; k < 5; ++k) c[k] = b & 0x80 ? (b & (1 << k) ? d[at++] : 0) : k == 0 ? b : d[at++];
      cells.insert(cells.end(), c, c + 5);
    }
    EXPECT_EQ(at, end) << "pattern " << p << " overruns its packed size";
    EXPECT_EQ(cells.size(), static_cast<size_t>(rows * r.channels * 5)) << "pattern " << p;
    r.cells.push_back(std::move(cells));
  }
  for (int i = 0; i < r.instruments; ++i) {
    const int samples = le16(d + at + 27);
    at += le32(d + at);
    size_t data = 0;
    for (int s = 0; s < samples; ++s, at += 40) data += le32(d + at);
    at += data;
  }
  r.end = at;
  return r;
}

class EmbeddedModule : public ::testing::TestWithParam<int> {};

TEST_P(EmbeddedModule, HeaderAndSizeAreTheIssuesFacts) {
  const int n = GetParam();
  std::span<const uint8_t> m = xm_module(n);
  ASSERT_EQ(m.size(), kSizes[n]);
  RawModule r = read_raw(m);
  // Channels, instruments, flags, speed, BPM.
  EXPECT_EQ((std::array{r.channels, r.instruments, r.flags, r.speed, r.bpm}), (std::array{4, 31, 0, 6, 125}));
  // Nothing after the last sample: the size is reached inside the format.
  EXPECT_EQ(r.end, m.size());
  // The song's name is the title the ticker credits.
  const std::string name(reinterpret_cast<const char*>(m.data()) + 17, std::strlen(kTitles[n]));
  EXPECT_EQ(name, kTitles[n]);
  EXPECT_NE(status_line(n).find(name + " composed by"), std::string_view::npos);
}


// The song reaches its restart position after 2.5..4 minutes. Rendered, the
// whole song and 20 s of its loop have no silent second (every second above
// -30 dBFS, quiet intros included) and nothing at full scale; past the intro
// (0:40 to 1:40) every second's RMS lies within -22..-11 dBFS.
TEST_P(EmbeddedModule, PlaysTwoAndAHalfMinutesAtHealthyLevelsBeforeItsRestart) {
  std::span<const uint8_t> m = xm_module(GetParam());
  std::string why;
  auto song = xm_load_song(m.data(), m.size(), &why);
  ASSERT_TRUE(song) << why;
  const XmSongEnd end = xm_find_song_end(*song, 0, 300ull * kXmRate);
  ASSERT_FALSE(end.capped);
  const double to_restart = static_cast<double>(end.frames) / kXmRate;
  EXPECT_GE(to_restart, 150.0);
  EXPECT_LE(to_restart, 240.0);

  song = xm_load_song(m.data(), m.size());  // a fresh copy: the run may have changed samples
  const int seconds = static_cast<int>(to_restart) + 20;
  const std::vector<int16_t> pcm = xm_render_offline(*song, static_cast<size_t>(seconds) * kXmRate);
  for (int s = 0; s < seconds; ++s) {
    SCOPED_TRACE("second " + std::to_string(s));
    double sum = 0;
    int peak = 0;
    for (size_t i = static_cast<size_t>(s) * kXmRate * 2; i < static_cast<size_t>(s + 1) * kXmRate * 2; ++i) {
      sum += static_cast<double>(pcm[i]) * pcm[i];
      peak = std::max(peak, std::abs(static_cast<int>(pcm[i])));
    }
    const double rms_db = 10 * std::log10(sum / (kXmRate * 2) / (32768.0 * 32768.0));
    EXPECT_GT(rms_db, s >= 40 && s < 100 ? -22.0 : -30.0);
    if (s >= 40 && s < 100) { EXPECT_LT(rms_db, -11.0); }
    EXPECT_LT(peak, 32767);
  }
}

// Over its first pass each song is stereo (the side signal within 12 dB of
// the mid), every sample is centred, something sounds above 4 kHz, at most
// 70 % of the order list sits on the home loop with at least four patterns
// elsewhere, and the visualiser lights a median of 8 bars a frame with each
// third of the row lit in at least half of the frames.
TEST_P(EmbeddedModule, IsStereoCentredVariedAndLightsTheWholeVisualiser) {
  tool::ModuleFigures f;
  std::string why;
  ASSERT_TRUE(tool::measure_module(xm_module(GetParam()), f, why)) << why;
  EXPECT_GE(f.side_to_mid_db, -12.0);
  EXPECT_LE(std::fabs(f.worst_sample_mean), 0.01) << f.worst_sample;
  EXPECT_GE(f.above_4k, 0.01);
  EXPECT_LE(f.home_slots * 10, f.order_length * 7) << f.home_roots;
  EXPECT_GE(f.away_patterns, 4);
  EXPECT_GE(f.median_bars_lit, 8);
  for (double third : f.third_lit) EXPECT_GE(third, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Modules, EmbeddedModule, ::testing::Values(1, 2, 3, 4));

// Between them the songs use arpeggio, portamento up and down, tone
// portamento, vibrato, volume slide, note delay, retrigger, pattern break,
// position jump, tempo and volume-column commands. The visualiser turns notes
// 46..83 into bars 1..38: the patterns of each song's order list kick at
// least 32 of them. Four composers sign the header's program field four ways.
TEST(EmbeddedModules, UseThePlayersEffectsKickNearlyEveryVisualiserBarAndAreSignedFourWays) {
  std::set<int> effects, volume_kinds;
  std::set<std::string> fields;
  for (int n = 1; n <= 4; ++n) {
    fields.insert(std::string(reinterpret_cast<const char*>(xm_module(n).data()) + 38, 20));
    RawModule r = read_raw(xm_module(n));
    std::set<int> bars;
    for (int o = 0; o < r.song_length; ++o) {
      const std::vector<uint8_t>& cells = r.cells[r.order[o]];
      for (size_t c = 0; c < cells.size(); c += 5) {
        const int fx = cells[c + 3], param = cells[c + 4];
        if (cells[c] >= 46 && cells[c] <= 83) bars.insert(cells[c]);
        if (fx == 0 && param) effects.insert(0);
        if (fx == 0xE) effects.insert(0xE0 + (param >> 4));
        else if (fx) effects.insert(fx);
        if (fx == 0xF) effects.insert(param < 32 ? 0x100 : 0x101);
        if (cells[c + 2]) volume_kinds.insert(cells[c + 2] >> 4);
      }
    }
    EXPECT_GE(bars.size(), 32u) << "module " << n;
  }
  for (int fx : {0, 1, 2, 3, 4, 0xA, 0xB, 0xD, 0xED, 0xE9, 27 /* R */, 0x101})
    EXPECT_TRUE(effects.count(fx)) << "effect " << fx << " is never used";
  EXPECT_GE(volume_kinds.size(), 3u);  // set volume, slides, ...
  EXPECT_EQ(fields.size(), 4u);
}

}  // namespace
}  // namespace zel
