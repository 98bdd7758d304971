// The SID stream on the headless queued-buffer device: what is heard, when,
// and that stops and restarts never race a refill (run under
// ThreadSanitizer too).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "content/content.h"
#include "core/output.h"
#include "platform/headless_platform.h"
#include "psid_builder.h"
#include "sid/sid_player.h"

namespace zel {
namespace {

using namespace testing_psid;
using psid::write_psid;

// A play routine that spins through ~400,000 instructions per call, so a
// refill takes long enough for a stop to arrive in the middle of it.
std::vector<uint8_t> slow_tune() {
  PsidFields p;
  p.play = 0x1001;
  p.data = {0x60,                                            // $1000 init: RTS
            0xEE, 0x00, 0x20, 0xA9, 0x03, 0x85, 0xF0,          // $1001 play: INC $2000 / $F0 = 3
            0xA2, 0x00, 0xA0, 0x00, 0xCA, 0xD0, 0xFD,          // outer: X = Y = 0 / inner: DEX / BNE inner
            0x88, 0xD0, 0xFA, 0xC6, 0xF0, 0xD0, 0xF2, 0x60};   // DEY / BNE inner / DEC $F0 / BNE outer / RTS
  return write_psid(p);
}

std::vector<int16_t> direct_render(const std::vector<uint8_t>& img, size_t samples) {
  auto m = testing_psid::started_tune(img);
  std::vector<int16_t> out(samples);
  for (size_t at = 0; at < samples; at += kSidChunk) tune_render_chunk(*m, out.data() + at, kSidChunk);
  return out;
}

void start(SidPlayer& player, const std::vector<uint8_t>& img) {
  sid_stream_start(player, img, 0);
  sid_stream_resume(player);
}

// Plays `seconds` of virtual time in 20 ms steps, letting every refill finish.
void play(HeadlessPlatform& hp, SidPlayer& player, double seconds) {
  for (int i = 0; i < static_cast<int>(seconds / 0.02 + 0.5); ++i) {
    hp.advance(0.02);
    sid_stream_wait_idle(player);
  }
}

// Every case runs twice: with the player's worker thread (true), and on a
// platform without threads, where the device runs the refills itself.
struct SidStream : ::testing::TestWithParam<bool> {
  HeadlessPlatform hp;
  SidPlayer player{hp};
  SidStream() {
    hp.set_audio_capture(true);
    hp.set_audio_threads(GetParam());
  }
};
INSTANTIATE_TEST_SUITE_P(Threads, SidStream, ::testing::Bool());

TEST_P(SidStream, SilentWhilePausedThenPlaysTheChunksInOrder) {
  const auto img = counting_tune();
  sid_stream_start(player, img, 0);
  // Both buffers rendered before queuing.
  EXPECT_EQ(std::tuple(player.machine->ram[0x2000], hp.open_audio_devices()), std::tuple(16, 1));
  play(hp, player, 0.5);
  EXPECT_TRUE(hp.take_queue_capture().empty());
  sid_stream_resume(player);
  play(hp, player, 1.0);
  const auto heard = hp.take_queue_capture();
  ASSERT_EQ(heard.size(), 44100u);
  EXPECT_EQ(heard, direct_render(img, 44100));  // the refills continue the tune seamlessly
  sid_stream_stop(player);
  EXPECT_EQ(hp.open_audio_devices(), 0);
  play(hp, player, 0.5);
  EXPECT_TRUE(hp.take_queue_capture().empty());  // detached buffers never come back
}

TEST_P(SidStream, RestartPlaysTheNewTuneFromItsBeginning) {
  const auto img = counting_tune();
  for (int cycle = 0; cycle < 5; ++cycle) {
    sid_stream_stop(player);
    hp.take_queue_capture();
    start(player, img);
    play(hp, player, cycle < 4 ? 0.1 + 0.13 * cycle : 0.4);  // stop at varying points of the buffer cycle
  }
  EXPECT_EQ(hp.take_queue_capture(), direct_render(img, 0.4 * 44100));
}

// Stop, and destroying the player, wait for a refill that is running.
TEST_P(SidStream, StopWaitsForARefillThatIsRunning) {
  const auto img = slow_tune();
  for (int round = 0; round < 3; ++round) {
    start(player, img);
    hp.advance(0.161);  // buffer A played: its refill starts on the worker
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * round));
    sid_stream_stop(player);
    EXPECT_EQ(hp.open_audio_devices(), 0);
    // Once stop has returned, nothing touches the machine any more.
    const uint8_t calls = player.machine->ram[0x2000];
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(player.machine->ram[0x2000], calls);
  }
  {
    SidPlayer other(hp);
    start(other, img);
    hp.advance(0.161);
  }
  EXPECT_EQ(hp.open_audio_devices(), 0);
}

// Stop and resume before any start, tunes outside 1..12 and a missing sound
// device leave the stream silent.
TEST_P(SidStream, WithoutAStartATuneOrASoundDeviceTheStreamStaysSilent) {
  sid_stream_stop(player);
  sid_stream_resume(player);
  sid_tune_select(player, 0);
  sid_tune_select(player, 13);
  EXPECT_EQ(hp.open_audio_devices(), 0);
  hp.set_fail_audio(true);
  start(player, counting_tune());
  play(hp, player, 0.5);
  sid_stream_stop(player);
  EXPECT_TRUE(hp.take_queue_capture().empty());
}

// Tune 10's header names sub-song 2 as its start; the table plays sub-song 0.
TEST_P(SidStream, SelectingATunePlaysItsImageFromSubSongZero) {
  sid_tune_select(player, 10);
  play(hp, player, 0.2);
  const std::span<const uint8_t> image = tune_image(10);
  EXPECT_EQ(hp.take_queue_capture(), direct_render({image.begin(), image.end()}, 0.2 * 44100));
}

// A device that takes no buffers: every write fails with its own text.
struct RefusingQueue : AudioQueue {
  void set_done_callback(std::function<void(int)>) override {}
  bool write(int, const int16_t*, size_t) override { return false; }
  void pause() override {}
  void restart() override {}
  void reset() override {}
  std::string error_text() const override { return "queue is full"; }
};

struct RefusingPlatform : HeadlessPlatform {
  std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat&, std::string*) override {
    return std::make_unique<RefusingQueue>();
  }
};

TEST(SidStreamRefused, BuffersAreOneLineEachOnStandardError) {
  RefusingPlatform hp;
  SidPlayer player(hp);
  const auto img = counting_tune();
  ::testing::internal::CaptureStderr();
  start(player, img);
  hp.advance(0.5);
  sid_stream_stop(player);
  sid_stream_start(player, img, 0);  // and the player goes on
  EXPECT_EQ(player.machine->ram[0x2000], 16);
  sid_stream_stop(player);
  const std::string line = "SID stream: the sound device refused a buffer: queue is full\n";
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), line + line + line + line);
}

}  // namespace
}  // namespace zel
