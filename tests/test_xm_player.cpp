// The player and its stream on the headless looping-ring device: what the
// device plays, what the queries report while it plays, starting, stopping
// and failures.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/headless_platform.h"
#include "core/output.h"
#include "xm/xm_writer.h"
#include "xm/xm_player.h"

namespace zel {
namespace {

using xmsynth::Module;

// Four channels, three orders, speed 1 so that rows move about once per
// 884-frame block, with notes scattered over the rows.
Module stream_module() {
  Module m;
  m.channels = 4;
  m.speed = 1;
  m.patterns.resize(2);
  m.patterns[1].rows = 40;
  m.order = {0, 1, 0};
  xmsynth::Sample& s = m.instruments.emplace_back().samples.emplace_back();
  s.bits16 = true;
  for (int i = 0; i < 256; ++i) s.data.push_back(static_cast<int16_t>((i * 37) % 512 * 40 - 10000));
  s.loop_type = 1;
  s.loop_length = 256;
  for (int r = 0; r < 64; r += 3) m.cell(0, r, r % 4) = {static_cast<uint8_t>(37 + r % 24), 1, 0, 0, 0};
  for (int r = 1; r < 40; r += 5) m.cell(1, r, (r + 1) % 4) = {static_cast<uint8_t>(50 + r % 12), 1, 0x30, 0, 0};
  return m;
}

struct Offline {
  std::vector<int16_t> pcm;
  std::vector<XmPosition> positions;  // after each 884-frame block
};

Offline render_offline(const std::vector<uint8_t>& image, int blocks) {
  Offline o;
  auto song = xm_load_song(image.data(), image.size());
  EXPECT_TRUE(song);
  xm_song_reset(*song);
  std::vector<float> scratch(kXmBlockFrames * 2);
  o.pcm.resize(static_cast<size_t>(blocks) * kXmBlockFrames * 2);
  for (int b = 0; b < blocks; ++b)
    o.positions.push_back(xm_render_block(*song, scratch.data(), o.pcm.data() + static_cast<size_t>(b) * kXmBlockFrames * 2,
                                          kXmBlockFrames));
  return o;
}

// The ring plays the offline render; order, row and the cells of the row
// reported meanwhile are those of the block being heard. With the stream
// thread (true), and on a platform without threads, where the device polls.
struct XmPlayerStream : ::testing::TestWithParam<bool> {};
INSTANTIATE_TEST_SUITE_P(Threads, XmPlayerStream, ::testing::Bool());
TEST_P(XmPlayerStream, PlaysTheOfflineRenderAndReportsTheAudibleBlock) {
  Module m = stream_module();
  std::vector<uint8_t> image = xmsynth::write_xm(m);
  Offline want = render_offline(image, 400);
  HeadlessPlatform platform;
  platform.set_audio_capture(true);
  platform.set_audio_threads(GetParam());
  XmPlayer player(platform);
  ASSERT_TRUE(xm_load(player, image.data(), image.size()));
  ASSERT_TRUE(xm_play(player));
  EXPECT_EQ(xm_channel_count(player), 4);
  std::vector<int16_t> heard;
  bool saw_note = false;
  // 5 seconds in frame steps: more than two trips round the ring.
  for (int f = 0; f < 300; ++f) {
    platform.advance(HeadlessPlatform::kFrameTime);
    std::vector<int16_t> got = platform.take_ring_capture();
    heard.insert(heard.end(), got.begin(), got.end());
    size_t block = heard.size() / 2 / kXmBlockFrames;
    ASSERT_LT(block, want.positions.size());
    const int order = xm_playing_order(player), row = xm_playing_row(player);
    ASSERT_EQ(std::tuple(order, row), std::tuple(want.positions[block].order, want.positions[block].row)) << "frame " << f;
    for (int c = 0; c < 4; ++c) {
      const xmsynth::Cell& cell = m.cell(m.order[static_cast<size_t>(order)], row, c);
      ASSERT_EQ(xm_playing_cell(player, c), cell.note | static_cast<uint32_t>(cell.instrument) << 8);
      saw_note |= cell.note != 0;
    }
  }
  EXPECT_TRUE(saw_note);
  EXPECT_EQ(xm_playing_cell(player, 4) | xm_playing_cell(player, -1), 0u);
  ASSERT_GT(heard.size(), 5u * 44100u * 2u - 100u);
  for (size_t i = 0; i < heard.size(); ++i) ASSERT_EQ(heard[i], want.pcm[i]) << "sample " << i;
  EXPECT_GT(*std::max_element(heard.begin(), heard.end()), 1000);  // audible, not silence

  // Rendering a whole run at once gives the same samples as block by block.
  auto song = xm_load_song(image.data(), image.size());
  const std::vector<int16_t> offline = xm_render_offline(*song, 10 * kXmBlockFrames - 100);
  EXPECT_EQ(offline, std::vector<int16_t>(want.pcm.begin(), want.pcm.begin() + (10 * kXmBlockFrames - 100) * 2));
}

// Failures leave silence and no song; a second play restarts with one
// stream, a stop silences at once, a free unloads.
TEST(XmPlayerControl, FailuresPlayTwiceStopAndFree) {
  std::vector<uint8_t> image = xmsynth::write_xm(stream_module());
  Offline want = render_offline(image, 100);
  HeadlessPlatform platform;
  platform.set_audio_capture(true);
  XmPlayer player(platform);
  EXPECT_FALSE(xm_play(player));
  // Module numbers outside 1..4 have no image: no song, no device.
  for (int n : {0, 5}) {
    EXPECT_FALSE(start_module(player, n));
    EXPECT_EQ(std::tuple(xm_channel_count(player), platform.open_audio_devices()), std::tuple(0, 0));
  }
  const uint8_t junk[] = {'E', 'x', 't'};
  std::string why;
  EXPECT_FALSE(xm_load(player, junk, sizeof junk, &why));
  EXPECT_EQ(why, "not an XM module");
  EXPECT_FALSE(xm_play(player));
  ASSERT_TRUE(xm_load(player, image.data(), image.size()));
  platform.set_fail_audio(true);
  EXPECT_FALSE(xm_play(player));
  EXPECT_EQ(platform.open_audio_devices(), 0);
  platform.set_fail_audio(false);

  ASSERT_TRUE(xm_play(player));
  for (int f = 0; f < 30; ++f) platform.advance(HeadlessPlatform::kFrameTime);
  EXPECT_NE(xm_playing_row(player), 0);
  platform.take_ring_capture();
  ASSERT_TRUE(xm_play(player));
  EXPECT_EQ(std::tuple(platform.open_audio_devices(), xm_playing_order(player), xm_playing_row(player)),
            std::tuple(1, 0, want.positions[0].row));
  for (int f = 0; f < 30; ++f) platform.advance(HeadlessPlatform::kFrameTime);
  std::vector<int16_t> again = platform.take_ring_capture();
  ASSERT_FALSE(again.empty());
  for (size_t i = 0; i < again.size(); ++i) ASSERT_EQ(again[i], want.pcm[i]) << i;

  EXPECT_TRUE(xm_stop(player));
  EXPECT_EQ(std::tuple(platform.open_audio_devices(), xm_playing_order(player), xm_playing_row(player)),
            std::tuple(0, 0, 0));
  platform.advance(1.0);
  EXPECT_TRUE(platform.take_ring_capture().empty());
  EXPECT_EQ(xm_channel_count(player), 4);  // stopped, still loaded
  xm_free(player);
  EXPECT_FALSE(xm_stop(player) || xm_play(player));
  EXPECT_EQ(xm_channel_count(player), 0);
  // Loaded and played again, the player is destroyed while it plays: its thread is stopped.
  EXPECT_TRUE(xm_load(player, image.data(), image.size()) && xm_play(player));
}

}  // namespace
}  // namespace zel
