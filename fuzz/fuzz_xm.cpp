// libFuzzer target: any byte string as an XM image, loaded and, when it
// loads, played for a bounded number of ticks (see harness.h).
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::fuzz::play_xm(data, size);
  return 0;
}
