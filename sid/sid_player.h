// The SID player as the rest of the program sees it: select one of the
// embedded tunes (stopping the one that plays) and stop the stream.
// Called from the main thread; the sound is rendered on the player's own
// worker thread, woken by the sound device.
#pragma once

namespace zel {

class Platform;

struct SidPlayer {
  explicit SidPlayer(Platform& platform) : platform(&platform) {}
  Platform* platform;
};

// Stops the running tune and plays tune n (1..12) from its start; any other
// number only stops.
void sid_tune_select(SidPlayer& player, int n);
// Stops the stream; does nothing before the first start.
void sid_stream_stop(SidPlayer& player);

}  // namespace zel
