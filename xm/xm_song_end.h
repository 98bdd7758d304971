// Where a module ends: the length of a song up to the point where it would
// start over, found by running its ticks without mixing.
//
// A song ends when it moves to another order position (a natural advance, a
// jump or a break) and lands on an order position and row it has already
// played, or when a row has set the speed to 0. Pattern loops inside an
// order position are not an end. Used by zelvorant-tool (render-xm ... end,
// the modules list); runs on the caller's thread.
#pragma once

#include <cstdint>

#include "xm/xm_song.h"

namespace zel {

struct XmSongEnd {
  uint64_t frames = 0;  // 44,100 Hz frames from the start to the end found
  int passes = 0;       // passes that ended (at most extra_passes + 1)
  bool capped = false;  // cap_frames was reached first
};

// Runs `song` from its start until it has ended extra_passes + 1 times (each
// pass after the first starts where the previous one returned to) or until
// cap_frames. A speed of 0 ends the song for good, whatever passes remain.
// The song is left where the run stopped; its samples are as before (the
// finetunes that E5x changes are put back), so xm_song_reset and a render
// of the same song give the samples of a fresh copy.
XmSongEnd xm_find_song_end(XmSong& song, int extra_passes, uint64_t cap_frames);

}  // namespace zel
