// Web backend of the Platform interfaces: the program compiled to
// WebAssembly, on a page (web/shell.html) that starts it on a click.
//
// The browser half lives in platform/web_platform.js (linked in as a pre-js):
// the canvas, the input events it queues, and the Web Audio streams. This
// half pulls those events at each message pump (display_update), fits the
// 800x600 picture into the canvas with the same arithmetic as the desktop
// (platform/scaling.h), and runs the sound devices.
//
// There are no threads. The program's blocking loops stay as they are: built
// with ASYNCIFY, display_update gives the browser its turn until the next
// animation frame and sleep_ms for its milliseconds. The sound devices are fed
// from there: whenever the program presents (or wakes from a sleep) each
// device tops up about 100 ms of sound ahead of the audio clock (more while
// the program's turns come further apart) and runs its player's feeding step
// (audio_threads() is false), so the music neither stutters nor drifts at any
// frame rate. A hidden page draws nothing and waits on timers instead of
// animation frames.
#pragma once

#include <functional>
#include <memory>

#include "platform/platform.h"

namespace zel {

// The web platform. `present_hook` runs after every present (the entry uses
// it to publish the state the page and its tests read); it may be empty.
std::unique_ptr<Platform> make_web_platform(std::function<void()> present_hook);

}  // namespace zel
