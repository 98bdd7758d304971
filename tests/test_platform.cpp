// Platform layer: key polling, display message handling, the headless clock
// and its sound devices.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/display_state.h"
#include "platform/headless_platform.h"
#include "platform/random.h"

namespace zel {
namespace {

TEST(KeyState, HeldKeyGivesOneFreshPressThenOnlyActive) {
  KeyState k;
  EXPECT_EQ(k.poll(kKeyDown), 0);
  k.key_down(kKeyDown);
  uint16_t first = k.poll(kKeyDown);
  EXPECT_TRUE(key_fresh_press(first));
  EXPECT_EQ(first, 0x8001);
  k.key_down(kKeyDown);  // auto-repeat while held
  uint16_t second = k.poll(kKeyDown);
  EXPECT_FALSE(key_fresh_press(second));
  EXPECT_TRUE(key_active(second));
  EXPECT_EQ(second, 0x8000);
  k.key_up(kKeyDown);
  EXPECT_EQ(k.poll(kKeyDown), 0);
}

TEST(KeyState, PressAndReleaseBetweenPollsIsActiveButNotFresh) {
  KeyState k;
  k.key_down(kKeyEscape);
  k.key_up(kKeyEscape);
  uint16_t v = k.poll(kKeyEscape);
  EXPECT_EQ(v, 0x0001);
  EXPECT_TRUE(key_active(v));
  EXPECT_FALSE(key_fresh_press(v));
  EXPECT_EQ(k.poll(kKeyEscape), 0);
}

TEST(KeyState, KeysArePolledIndependently) {
  KeyState k;
  k.key_down(kKeyF1);
  k.key_down(kKeyF12);
  EXPECT_TRUE(key_fresh_press(k.poll(kKeyF1)));
  EXPECT_TRUE(key_fresh_press(k.poll(kKeyF12)));
  EXPECT_EQ(k.poll(kKeyF1 + 1), 0);
  EXPECT_EQ(k.poll(-1), 0);
  EXPECT_EQ(k.poll(300), 0);
}

TEST(DisplayState, WheelCountsDeltaZeroAsForward) {
  DisplayState d;
  d.on_wheel(120);
  d.on_wheel(0);
  EXPECT_EQ(d.wheel, 2);
  d.on_wheel(-120);
  EXPECT_EQ(d.wheel, 1);
}

TEST(DisplayState, ConfigureKeepsDefaultPromptAndStoresWindowedOnlyWithoutAsking) {
  DisplayState d;
  d.configure(0, "", 0, 1);
  EXPECT_EQ(d.prompt, "Fullscreen Mode ?");
  EXPECT_EQ(d.windowed, 0);
  EXPECT_EQ(d.borderless, 1);
  d.configure(1, "THE ZELVORANT PREVIEW\rFULL SCREEN?", 1, 0);
  EXPECT_EQ(d.prompt, "THE ZELVORANT PREVIEW\rFULL SCREEN?");
  EXPECT_EQ(d.windowed, 0);  // asking: the answer decides, not the argument
}

TEST(DisplayState, MousePositionsAreUnsigned16Bit) {
  DisplayState d;
  d.on_mouse_move(-1, 70000);
  EXPECT_EQ(d.mouse_x, 0xFFFF);
  EXPECT_EQ(d.mouse_y, 70000 & 0xFFFF);
}

TEST(HeadlessDisplay, EventsArriveWithTheMessagePump) {
  HeadlessPlatform p;
  ASSERT_EQ(p.display_open("t", 800, 600), 1);
  std::vector<uint32_t> frame(800 * 600, 0x123456);
  p.post_mouse_move(100, 200);
  p.post_button(true);
  p.post_wheel(-3);
  p.post_key(kKeyHome, true);
  EXPECT_EQ(p.display_mouse_x(), 0);
  EXPECT_EQ(p.key_state(kKeyHome), 0);
  EXPECT_EQ(p.display_update(frame.data()), 1);
  EXPECT_EQ(p.display_mouse_x(), 100);
  EXPECT_EQ(p.display_mouse_y(), 200);
  EXPECT_EQ(p.display_mouse_left(), 1);
  EXPECT_EQ(p.display_mouse_wheel(), -3);
  EXPECT_EQ(p.key_state(kKeyHome), 0x8001);
  EXPECT_EQ(p.last_frame()[0], 0x123456u);
}

TEST(HeadlessDisplay, InactiveDisplayDrawsNothingButTimeGoesOn) {
  HeadlessPlatform p;
  ASSERT_EQ(p.display_open("t", 800, 600), 1);
  std::vector<uint32_t> a(800 * 600, 1), b(800 * 600, 2);
  p.display_update(a.data());
  p.set_activation(false);
  double t = p.clock();
  EXPECT_EQ(p.display_update(b.data()), 1);
  EXPECT_EQ(p.last_frame()[0], 1u);
  EXPECT_GT(p.clock(), t);
}

TEST(HeadlessClock, PresentsAndSleepsAdvanceVirtualTime) {
  HeadlessPlatform p;
  ASSERT_EQ(p.display_open("t", 800, 600), 1);
  std::vector<uint32_t> f(800 * 600, 0);
  double t0 = p.clock();
  for (int i = 0; i < 60; ++i) p.display_update(f.data());
  EXPECT_NEAR(p.clock() - t0, 1.0, 1e-9);
  p.sleep_ms(150);
  EXPECT_NEAR(p.clock() - t0, 1.15, 1e-9);
}

TEST(HeadlessAudio, QueueReportsBuffersInOrderAsTimePasses) {
  HeadlessPlatform p;
  auto q = p.open_audio_queue({44100, 1});
  ASSERT_TRUE(q);
  std::vector<int> done;
  q->set_done_callback([&](int tag) { done.push_back(tag); });
  std::vector<int16_t> a(441, 7), b(441, 9);
  q->write(1, a.data(), a.size());
  q->write(2, b.data(), b.size());
  q->pause();
  p.advance(0.05);
  EXPECT_TRUE(done.empty());  // paused: nothing plays
  p.set_audio_capture(true);
  q->restart();
  p.advance(0.015);
  EXPECT_EQ(done, std::vector<int>({1}));
  p.advance(0.01);
  EXPECT_EQ(done, std::vector<int>({1, 2}));
  std::vector<int16_t> heard = p.take_queue_capture();
  ASSERT_EQ(heard.size(), 882u);
  EXPECT_EQ(heard[0], 7);
  EXPECT_EQ(heard[441], 9);
}

TEST(HeadlessAudio, QueueResetHandsBackEveryBuffer) {
  HeadlessPlatform p;
  auto q = p.open_audio_queue({44100, 1});
  std::vector<int> done;
  q->set_done_callback([&](int tag) { done.push_back(tag); });
  std::vector<int16_t> a(1000, 0);
  q->write(1, a.data(), a.size());
  q->write(2, a.data(), a.size());
  q->reset();
  EXPECT_EQ(done, std::vector<int>({1, 2}));
  p.advance(1.0);
  EXPECT_EQ(done.size(), 2u);
}

TEST(HeadlessAudio, RingPositionFollowsTheClockAndThePollerIsWaitedFor) {
  HeadlessPlatform p;
  auto ring = p.open_audio_ring({44100, 2});
  ASSERT_TRUE(ring);
  std::vector<int16_t> data(884 * 2 * 4, 0);
  ring->start(data.data(), 884 * 4);
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> seen{0};
  ring->set_poller(true);
  std::thread poller([&] {
    while (!stop.load()) {
      seen.store(ring->position_bytes());
      ring->wait_poll(5);
    }
  });
  for (int i = 1; i <= 10; ++i) {
    p.advance(0.01);
    // After an advance returns, the poller has seen the new position.
    EXPECT_EQ(seen.load(), static_cast<uint64_t>(441 * i) * 4u);
  }
  stop.store(true);
  ring->set_poller(false);
  ring->wake();
  poller.join();
}

TEST(HeadlessAudio, FailedDeviceGivesNull) {
  HeadlessPlatform p;
  p.set_fail_audio(true);
  EXPECT_EQ(p.open_audio_queue({44100, 1}), nullptr);
  EXPECT_EQ(p.open_audio_ring({44100, 2}), nullptr);
}

TEST(UniformRandom, RepeatsBeforeSeedingAndStaysInRange) {
  UniformRandom a, b;
  for (int i = 0; i < 100; ++i) {
    double x = a.next();
    EXPECT_EQ(x, b.next());
    EXPECT_GE(x, 0.0);
    EXPECT_LT(x, 1.0);
  }
  a.seed(1);
  b.seed(2);
  EXPECT_NE(a.next(), b.next());
}

}  // namespace
}  // namespace zel
