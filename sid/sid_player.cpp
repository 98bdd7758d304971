#include "sid/sid_player.h"

namespace zel {

void sid_tune_select(SidPlayer&, int) {}
void sid_stream_stop(SidPlayer&) {}

}  // namespace zel
