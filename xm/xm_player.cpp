#include "xm/xm_player.h"

namespace zel {

bool start_module(XmPlayer&, int) { return false; }
bool xm_play(XmPlayer&) { return false; }
bool xm_stop(XmPlayer&) { return false; }
void xm_free(XmPlayer&) {}
int xm_channel_count(const XmPlayer&) { return 0; }
int xm_playing_order(const XmPlayer&) { return 0; }
int xm_playing_row(const XmPlayer&) { return 0; }
uint32_t xm_playing_cell(const XmPlayer&, int) { return 0; }

}  // namespace zel
