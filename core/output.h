// What leaves the core: frames to the display, and the music, with the
// choice of module n and tune n from the content. Main thread only.
#pragma once

#include "core/state.h"
#include "sid/sid_tunes.h"

namespace zel {

// Presents the FrameBuffer (failures are ignored: the next frame tries
// again). A window closed by the reader, where that means quit, counts as
// QUIT. Once the run has ended from outside nothing is presented.
void present(App& app);

// start_module_1 .. start_module_4: switch to module n and tell the
// visualiser how many channels it has.
void start_module_n(App& app, int n);
// xm_stop, xm_free, xm_load of embedded module n (1..4), xm_play; false
// when there is no such module or no sound device.
bool start_module(XmPlayer& player, int n);

// Tune n of the embedded tunes; an empty entry for any number outside 1..12.
SidTuneEntry sid_tune(int n);
// Stops the running tune and plays embedded tune n (1..12) from its start;
// any other number only stops. An empty image plays silence.
void sid_tune_select(SidPlayer& player, int n);

}  // namespace zel
