// Platform layer: key polling, display message handling, the headless clock
// and its sound devices.

#include <atomic>
#include <thread>

#include "platform/display_state.h"
#include "platform/headless_platform.h"
#include "platform/scaling.h"
#include "tests/support.h"

namespace zel {
namespace {

TEST(KeyState, APollReportsDownAndPressedSinceTheLastPollOfThatKey) {
  KeyState k;
  // Each step: an event (down, up or none) on `key`, then the value its poll returns.
  enum Ev { None, Down, Up };
  const std::tuple<int, Ev, uint16_t> steps[] = {
      {kKeyDown, None, 0},          // never pressed
      {kKeyDown, Down, 0x8001},     // a fresh press
      {kKeyDown, Down, 0x8000},     // held (auto-repeat): only active
      {kKeyDown, Up, 0},            // released
      {kKeyEscape, Down, 0},        // (Escape goes down ...
      {kKeyEscape, Up, 0x0001},     //  ... and up between polls: active, not fresh)
      {kKeyEscape, None, 0},        // consumed by the poll
      {kKeyF1, Down, 0x8001},       // keys are independent
      {kKeyF1 + 1, None, 0},
      {-1, None, 0}, {300, None, 0},  // out of range
  };
  for (auto [key, ev, want] : steps) {
    if (ev == Down) k.key_down(key);
    if (ev == Up) k.key_up(key);
    if (key == kKeyEscape && ev == Down) continue;  // no poll between down and up
    EXPECT_EQ(k.poll(key), want) << key << " " << ev;
  }
  EXPECT_TRUE(key_fresh_press(0x8001) && key_active(0x0001) && key_active(0x8000));
  EXPECT_FALSE(key_fresh_press(0x8000) || key_fresh_press(0x0001) || key_active(0));
}

TEST(HeadlessDisplay, EventsArriveWithTheMessagePumpAndAnInactiveDisplayShowsNothingNew) {
  HeadlessPlatform p;
  ASSERT_EQ(p.display_open("t", 800, 600), 1);
  std::vector<uint32_t> a(800 * 600, 0x123456), b(800 * 600, 2);
  p.post_mouse_move(100, 200);
  p.post_wheel(-3);
  p.post_key(kKeyHome, true);
  EXPECT_EQ(std::pair(p.display_mouse_x(), p.key_state(kKeyHome)), std::pair(0, uint16_t{0}));
  const double t0 = p.clock();
  EXPECT_EQ(p.display_update(a.data()), 1);
  EXPECT_EQ((std::array{p.display_mouse_x(), p.display_mouse_y(), p.display_mouse_wheel()}), (std::array{100, 200, -3}));
  EXPECT_EQ(p.key_state(kKeyHome), 0x8001);
  // A present is a 60 Hz frame, a sleep its milliseconds; an inactive
  // display shows nothing new, but time goes on.
  p.sleep_ms(150);
  p.set_activation(false);
  EXPECT_EQ(p.display_update(b.data()), 1);
  EXPECT_EQ(p.last_frame()[0], 0x123456u);
  EXPECT_NEAR(p.clock() - t0, 0.15 + 2.0 / 60, 1e-9);
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

// Fits worked out by hand: whole factor, destination, and whether the linear
// stage runs.
TEST(PictureFit, WholeAndFractionalFactorsOddAndExtremeOutputs) {
  struct Case {
    int out_w, out_h;
    ScaleMode mode;
    int factor;
    ScreenRect dest;
    bool filter;
  };
  const Case cases[] = {
      {800, 600, ScaleMode::Sharp, 1, {0, 0, 800, 600}, false},
      {1280, 720, ScaleMode::Sharp, 1, {160, 0, 960, 720}, true},
      {1280, 720, ScaleMode::Integer, 1, {240, 60, 800, 600}, false},
      {1600, 1200, ScaleMode::Sharp, 2, {0, 0, 1600, 1200}, false},
      {2560, 1440, ScaleMode::Integer, 2, {480, 120, 1600, 1200}, false},
      {1281, 721, ScaleMode::Sharp, 1, {160, 0, 961, 721}, true},
      {641, 481, ScaleMode::Integer, 1, {0, 0, 641, 481}, true},  // smaller than the picture: shrinks
      {3000, 100, ScaleMode::Sharp, 1, {1433, 0, 133, 100}, true},
      {100, 3000, ScaleMode::Sharp, 1, {0, 1462, 100, 75}, true},
      {0, 720, ScaleMode::Sharp, 1, {0, 0, 0, 0}, false},
  };
  for (const Case& c : cases) {
    PictureFit f = fit_picture(800, 600, c.out_w, c.out_h, c.mode);
    SCOPED_TRACE(std::to_string(c.out_w) + "x" + std::to_string(c.out_h));
    EXPECT_EQ(f.whole_factor, c.factor);
    EXPECT_EQ(f.dest, c.dest);
    if (c.dest.w > 0) {
      EXPECT_EQ(f.needs_filter(), c.filter);
    }
  }
}

TEST(PictureFit, PointerMapsBackThroughTheSameFit) {
  // Hand-computed points at 1280x720 (1.2x, bars of 160): in a bar, and
  // beyond the output, the nearest edge.
  PictureFit wide = fit_picture(800, 600, 1280, 720, ScaleMode::Sharp);
  for (auto [x, y, px, py] : {std::tuple{1119.5, 719.5, 799, 599}, {255.5, 59.5, 79, 49}, {10.5, 300.5, 0, 250},
                              {5000.0, -40.0, 799, 0}}) {
    int got_x = -1, got_y = -1;
    output_to_picture(wide, x, y, &got_x, &got_y);
    EXPECT_EQ(std::pair(got_x, got_y), std::pair(px, py)) << x << "," << y;
  }
  // After any resize, the centre of every picture pixel drawn on the output
  // maps back to that pixel.
  for (auto [w, h] : {std::pair{1281, 721}, {641, 481}, {3000, 1000}}) {
    PictureFit f = fit_picture(800, 600, w, h, ScaleMode::Sharp);
    for (int i = 0; i < 800; i += 7) {
      double ox = f.dest.x + (i + 0.5) * f.dest.w / 800.0;
      double oy = f.dest.y + (i * 3 / 4 + 0.5) * f.dest.h / 600.0;
      int px = -1, py = -1;
      output_to_picture(f, ox, oy, &px, &py);
      ASSERT_EQ(std::pair(px, py), std::pair(i, i * 3 / 4)) << w << "x" << h;
    }
  }
}

}  // namespace
}  // namespace zel
