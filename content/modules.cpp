// The embedded XM modules 1..4. None is built in yet: every span is empty
// and the main screen stays silent.
#include "content/content.h"

namespace zel {

std::span<const uint8_t> xm_module(int) { return {}; }

}  // namespace zel
