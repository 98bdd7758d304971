// The SID stream on the headless queued-buffer device: what is heard, when,
// and that stops and restarts never race a refill (run under
// ThreadSanitizer too).
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "content/content.h"
#include "platform/headless_platform.h"
#include "psid_builder.h"
#include "sid/sid_player.h"

namespace zel {
namespace {

using testing_psid::make_psid;
using testing_psid::PsidFields;

// init: volume 15, sustain 15, a sawtooth; play: count the calls in $2000
// and step the frequency with the count, so every chunk sounds different.
std::vector<uint8_t> counting_tune() {
  PsidFields p;
  p.init = 0x1000;
  p.play = 0x1020;
  p.code.assign(0x40, 0xEA);
  const uint8_t init[] = {0xA9, 0x0F, 0x8D, 0x18, 0xD4, 0xA9, 0xF0, 0x8D, 0x06, 0xD4,
                          0xA9, 0x21, 0x8D, 0x04, 0xD4, 0x60};
  const uint8_t play[] = {0xEE, 0x00, 0x20, 0xAD, 0x00, 0x20, 0x8D, 0x01, 0xD4, 0x60};
  std::copy(std::begin(init), std::end(init), p.code.begin());
  std::copy(std::begin(play), std::end(play), p.code.begin() + 0x20);
  return make_psid(p);
}

// A play routine that spins through ~400,000 instructions per call, so a
// refill takes long enough for a stop to arrive in the middle of it.
std::vector<uint8_t> slow_tune() {
  PsidFields p;
  p.init = 0x1000;
  p.play = 0x1001;
  p.code = {0x60,                    // $1000 init: RTS
            0xEE, 0x00, 0x20,        // $1001 play: INC $2000
            0xA9, 0x03, 0x85, 0xF0,  // LDA #3 / STA $F0
            0xA2, 0x00, 0xA0, 0x00,  // outer: LDX #0 / LDY #0
            0xCA, 0xD0, 0xFD,        // inner: DEX / BNE inner
            0x88, 0xD0, 0xFA,        // DEY / BNE inner
            0xC6, 0xF0, 0xD0, 0xF2,  // DEC $F0 / BNE outer
            0x60};
  return make_psid(p);
}

std::vector<int16_t> direct_render(const std::vector<uint8_t>& img, size_t samples) {
  auto m = testing_psid::fresh_machine();
  psid_load(*m, img.data(), img.size());
  tune_init(*m, 0);
  std::vector<int16_t> out(samples);
  for (size_t at = 0; at < samples; at += kSidChunk) tune_render_chunk(*m, out.data() + at, kSidChunk);
  return out;
}

// Plays `seconds` of virtual time in 20 ms steps, letting every refill finish.
void play(HeadlessPlatform& hp, SidPlayer& player, double seconds) {
  for (int i = 0; i < static_cast<int>(seconds / 0.02 + 0.5); ++i) {
    hp.advance(0.02);
    sid_stream_wait_idle(player);
  }
}

TEST(SidStream, StopBeforeAnyStartDoesNothing) {
  HeadlessPlatform hp;
  SidPlayer player(hp);
  sid_stream_stop(player);
  sid_stream_resume(player);
  EXPECT_EQ(hp.open_audio_devices(), 0);
  sid_tune_select(player, 0);
  sid_tune_select(player, 13);
  EXPECT_EQ(hp.open_audio_devices(), 0);
}

TEST(SidStream, SilentWhilePausedThenPlaysTheChunksInOrder) {
  HeadlessPlatform hp;
  hp.set_audio_capture(true);
  SidPlayer player(hp);
  const auto img = counting_tune();
  sid_stream_start(player, img, 0);
  EXPECT_EQ(player.machine->ram[0x2000], 16);  // both buffers rendered before queuing
  EXPECT_EQ(hp.open_audio_devices(), 1);
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

TEST(SidStream, RestartPlaysTheNewTuneFromItsBeginning) {
  HeadlessPlatform hp;
  hp.set_audio_capture(true);
  SidPlayer player(hp);
  const auto img = counting_tune();
  for (int cycle = 0; cycle < 4; ++cycle) {
    sid_stream_stop(player);
    sid_stream_start(player, img, 0);
    sid_stream_resume(player);
    play(hp, player, 0.1 + 0.13 * cycle);  // stop at varying points of the buffer cycle
    hp.take_queue_capture();
  }
  sid_stream_stop(player);
  sid_stream_start(player, img, 0);
  sid_stream_resume(player);
  play(hp, player, 0.4);
  EXPECT_EQ(hp.take_queue_capture(), direct_render(img, 0.4 * 44100));
}

TEST(SidStream, StopWaitsForARefillThatIsRunning) {
  HeadlessPlatform hp;
  SidPlayer player(hp);
  const auto img = slow_tune();
  for (int round = 0; round < 3; ++round) {
    sid_stream_start(player, img, 0);
    sid_stream_resume(player);
    hp.advance(0.161);  // buffer A played: its refill starts on the worker
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * round));
    sid_stream_stop(player);
    EXPECT_EQ(hp.open_audio_devices(), 0);
    // Once stop has returned, nothing touches the machine any more.
    const uint8_t calls = player.machine->ram[0x2000];
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(player.machine->ram[0x2000], calls);
  }
}

TEST(SidStream, PlayerDestroyedWhileARefillRuns) {
  HeadlessPlatform hp;
  {
    SidPlayer player(hp);
    const auto img = slow_tune();
    sid_stream_start(player, img, 0);
    sid_stream_resume(player);
    hp.advance(0.161);
  }
  EXPECT_EQ(hp.open_audio_devices(), 0);
}

TEST(SidStream, WithoutASoundDeviceTheTuneStaysSilent) {
  HeadlessPlatform hp;
  hp.set_audio_capture(true);
  hp.set_fail_audio(true);
  SidPlayer player(hp);
  const auto img = counting_tune();
  sid_stream_start(player, img, 0);
  sid_stream_resume(player);
  play(hp, player, 0.5);
  sid_stream_stop(player);
  EXPECT_TRUE(hp.take_queue_capture().empty());
}

// A device that takes no buffers: every write fails with its own text.
class RefusingQueue : public AudioQueue {
 public:
  void set_done_callback(std::function<void(int)>) override {}
  bool write(int, const int16_t*, size_t) override { return false; }
  void pause() override {}
  void restart() override {}
  void reset() override {}
  std::string error_text() const override { return "queue is full"; }
};

class RefusingPlatform : public HeadlessPlatform {
 public:
  std::unique_ptr<AudioQueue> open_audio_queue(const AudioFormat&) override {
    return std::make_unique<RefusingQueue>();
  }
};

TEST(SidStream, RefusedBuffersAreOneLineEachOnStandardError) {
  RefusingPlatform hp;
  SidPlayer player(hp);
  const auto img = counting_tune();
  ::testing::internal::CaptureStderr();
  sid_stream_start(player, img, 0);
  sid_stream_resume(player);
  hp.advance(0.5);
  sid_stream_stop(player);
  sid_stream_start(player, img, 0);  // and the player goes on
  EXPECT_EQ(player.machine->ram[0x2000], 16);
  sid_stream_stop(player);
  const std::string err = ::testing::internal::GetCapturedStderr();
  const std::string line = "SID stream: the sound device refused a buffer: queue is full\n";
  EXPECT_EQ(err, line + line + line + line);
}

TEST(SidStream, SelectingATuneWithoutAnImagePlaysSilence) {
  HeadlessPlatform hp;
  hp.set_audio_capture(true);
  SidPlayer player(hp);
  for (int n = 1; n <= 12; ++n) {
    if (!tune_image(n).empty()) continue;  // built-in tunes are heard elsewhere
    sid_tune_select(player, n);
    play(hp, player, 0.2);
    const auto heard = hp.take_queue_capture();
    EXPECT_EQ(heard, std::vector<int16_t>(heard.size(), 0)) << n;
    EXPECT_EQ(heard.size(), 0.2 * 44100);
  }
  sid_tune_select(player, 0);
  EXPECT_EQ(hp.open_audio_devices(), 0);
}

}  // namespace
}  // namespace zel
