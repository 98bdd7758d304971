// The module player as the rest of the program sees it: one current song,
// loaded from the embedded modules, played on a looping sound ring by a
// stream thread, and queries for what is being heard.
// Called from the main thread.
#pragma once

#include <cstdint>

namespace zel {

class Platform;

struct XmPlayer {
  explicit XmPlayer(Platform& platform) : platform(&platform) {}
  Platform* platform;
};

// xm_stop, xm_free, xm_load of module n (1..4), xm_play.
bool start_module(XmPlayer& player, int n);
bool xm_play(XmPlayer& player);
bool xm_stop(XmPlayer& player);
void xm_free(XmPlayer& player);
int xm_channel_count(const XmPlayer& player);
int xm_playing_order(const XmPlayer& player);
int xm_playing_row(const XmPlayer& player);
// Note (low byte) and instrument (high byte) of the cell being heard.
uint32_t xm_playing_cell(const XmPlayer& player, int channel);

}  // namespace zel
