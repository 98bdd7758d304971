// How the SDL2 backend reads SDL's keyboard and wheel events, in plain
// numbers so that tests can check them without SDL's headers. Defined in
// platform/sdl_platform.cpp.
#pragma once

#include <cstdint>

namespace zel {

// The program's key name (platform.h's VKey) of an SDL key code; -1 for a key
// the program does not read.
int vkey_from_sdl(int32_t keycode);

// The step a wheel event gives the display's wheel counter: `y` upwards
// (away from the reader) unless `flipped` (SDL_MOUSEWHEEL_FLIPPED), where
// it is inverted; false for a purely sideways event, which does not count.
bool sdl_wheel_step(int32_t y, int32_t x, bool flipped, int* delta);

}  // namespace zel
