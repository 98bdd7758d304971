// Platform layer: key polling, display message handling, the headless clock
// and its sound devices.

#include <atomic>
#include <optional>
#include <thread>

#include "platform/display_state.h"
#include "platform/headless_platform.h"
#include "platform/scaling.h"
#include "platform/sdl_input.h"
#include "tests/support.h"

namespace zel {
namespace {

// A poll reports down and pressed since the last poll of that key. A press
// released within one pump is down until the next pump begins; presses held
// across pumps come and go as they happen. The left button, given Page
// Down's events, follows the same rule.
TEST(KeyState, APollReportsDownAndPressedSinceTheLastPollAndATapLastsItsFrame) {
  KeyState k;
  DisplayState d;
  // Each step is one pump: events on `key` ('d' down, 'u' up), then the value its poll returns (-1: no poll).
  const std::tuple<int, const char*, int> steps[] = {
      {kKeyDown, "", 0},            // never pressed
      {kKeyDown, "d", 0x8001},      // a fresh press
      {kKeyDown, "d", 0x8000},      // held (auto-repeat): only active
      {kKeyDown, "u", 0},           // released
      {kKeyEscape, "d", -1},        // (Escape goes down ...
      {kKeyEscape, "u", 0x0001},    //  ... and up in a later pump, not polled between: active, not fresh)
      {kKeyEscape, "", 0},          // consumed by the poll
      {kKeyF1, "d", 0x8001},        // keys are independent
      {kKeyF1 + 1, "", 0},
      {-1, "", 0}, {300, "", 0},    // out of range
      {kKeyPageDown, "du", 0x8001}, {kKeyPageDown, "", 0},    // a tap: down once, up in the next frame
      {kKeyPageDown, "dudu", 0x8001}, {kKeyPageDown, "", 0},  // two taps in one frame count as one
      {kKeyPageDown, "d", 0x8001}, {kKeyPageDown, "ud", 0x8001}, {kKeyPageDown, "u", 0},  // released, pressed again
  };
  for (auto [key, events, want] : steps) {
    k.begin_pump();
    d.begin_pump();
    for (const char* e = events; *e; ++e) {
      *e == 'd' ? k.key_down(key) : k.key_up(key);
      if (key == kKeyPageDown) d.on_left_button(*e == 'd');
    }
    if (want < 0) continue;
    EXPECT_EQ(k.poll(key), want) << key << " " << events;
    EXPECT_TRUE(key != kKeyPageDown || d.left_button == (want != 0)) << events;
  }
  EXPECT_TRUE(key_fresh_press(0x8001) && key_active(0x0001) && key_active(0x8000));
  EXPECT_FALSE(key_fresh_press(0x8000) || key_fresh_press(0x0001) || key_active(0));
}

// Escape and close requests raise the quit (never ending the process) where
// closing is allowed; the window's close button also where it means quit.
TEST(DisplayState, CloseRequestsRaiseTheQuitWhereTheyMayEndTheProgram) {
  for (auto [allowed, window, escape, quits] : {std::tuple{1, false, true, true}, {1, false, false, true},
                                                {0, false, true, false}, {0, false, false, false},
                                                {0, true, true, false}, {0, true, false, true}}) {
    HeadlessPlatform p;
    p.set_close_quits(window);
    p.display_set_close_allowed(allowed);
    ASSERT_EQ(p.display_open("t", 800, 600), 1);
    if (escape)
      p.post_key(kKeyEscape, true);
    else
      p.post_window_close();
    std::vector<uint32_t> frame(800 * 600, 0);
    EXPECT_EQ(p.display_update(frame.data()), 1);
    EXPECT_EQ(p.display_quit_requested(), quits) << allowed << window << escape;
  }
}

// SDL 2 key codes: a printable key is its character, any other key its
// scancode | 1 << 30 (F1..F12 58..69, F13 104, Home 74, Page Up 75, End 77,
// Page Down 78, Left 80, Down 81, Up 82).
TEST(SdlInput, KeyCodesAndWheelEvents) {
  constexpr int32_t kNonPrintable = 1 << 30;
  for (int k = 1; k <= 12; ++k) EXPECT_EQ(vkey_from_sdl(kNonPrintable | (57 + k)), kKeyF1 + k - 1) << "F" << k;
  const std::pair<int32_t, int> keys[] = {
      {27, kKeyEscape}, {kNonPrintable | 74, kKeyHome}, {kNonPrintable | 75, kKeyPageUp},
      {kNonPrintable | 77, kKeyEnd}, {kNonPrintable | 78, kKeyPageDown}, {kNonPrintable | 81, kKeyDown},
      {kNonPrintable | 82, kKeyUp}, {kNonPrintable | 104, -1}, {kNonPrintable | 80, -1}, {'a', -1}, {13, -1}};
  for (auto [code, vk] : keys) EXPECT_EQ(vkey_from_sdl(code), vk) << code;
  // {y, x, flipped}: the step, or none for a sideways wheel.
  const std::tuple<int, int, bool, std::optional<int>> wheels[] = {
      {1, 0, false, 1}, {-2, 0, false, -2}, {1, 0, true, -1}, {-1, 3, true, 1}, {0, 3, false, std::nullopt},
      {0, 0, false, 0}};
  for (auto [y, x, flipped, want] : wheels) {
    int delta = 99;
    std::optional<int> got;
    if (sdl_wheel_step(y, x, flipped, &delta)) got = delta;
    EXPECT_EQ(got, want) << y << " " << x << " " << flipped;
  }
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

// A queue plays its buffers in order as time passes, holds while paused and
// reports each buffer once it has played through (a reset: all at once), and
// the player's feeding step runs after the report.
TEST(HeadlessAudio, AQueueDrainsInOrderAndReportsEachBufferPlayed) {
  HeadlessPlatform p;
  p.set_audio_capture(true);
  auto q = p.open_audio_queue({44100, 1});
  ASSERT_TRUE(q);
  std::vector<int> done;
  std::vector<size_t> fed_after;  // reports seen by each feeding step
  q->set_done_callback([&](int tag) { done.push_back(tag); });
  q->set_feeder([&] { fed_after.push_back(done.size()); });
  const std::vector<int16_t> a(441, 1), b(882, 2), c(100, 3);
  q->write(7, a.data(), a.size());
  q->write(8, b.data(), b.size());
  std::vector<int16_t> heard;
  auto listen = [&] {
    std::vector<int16_t> more = p.take_queue_capture();
    heard.insert(heard.end(), more.begin(), more.end());
  };
  // {seconds to advance, paused, reports so far, samples heard so far}
  const std::tuple<double, bool, std::vector<int>, size_t> steps[] = {
      {0.005, false, {}, 220}, {0.005, false, {7}, 441}, {0.02, true, {7}, 441}, {0.02, false, {7, 8}, 1323}};
  for (auto [seconds, paused, reports, samples] : steps) {
    paused ? q->pause() : q->restart();
    p.advance(seconds);
    listen();
    EXPECT_EQ(std::tuple(done, heard.size()), std::tuple(reports, samples)) << seconds;
    EXPECT_EQ(fed_after.back(), done.size());
  }
  q->write(9, c.data(), c.size());
  q->write(10, c.data(), c.size());
  p.advance(0.001);
  q->reset();
  listen();
  EXPECT_EQ(done, (std::vector<int>{7, 8, 9, 10}));
  std::vector<int16_t> want = a;
  want.insert(want.end(), b.begin(), b.end());
  want.insert(want.end(), c.begin(), c.begin() + 44);
  EXPECT_EQ(heard, want);
}

// Fits worked out by hand for an output size and mode: whole factor,
// destination, and whether the linear stage runs.
TEST(PictureFit, WholeAndFractionalFactorsOddAndExtremeOutputs) {
  const std::tuple<int, int, ScaleMode, int, ScreenRect, bool> cases[] = {
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
  for (const auto& [out_w, out_h, mode, factor, dest, filter] : cases) {
    PictureFit f = fit_picture(800, 600, out_w, out_h, mode);
    EXPECT_EQ(std::tuple(f.whole_factor, f.dest), std::tuple(factor, dest)) << out_w << "x" << out_h;
    EXPECT_TRUE(dest.w <= 0 || f.needs_filter() == filter) << out_w << "x" << out_h;
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
