// libFuzzer target: any byte string as a PSID image, loaded, initialised and
// played for a few calls (see harness.h). Loading must stay inside the image
// and RAM whatever the header says.
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zel::fuzz::play_psid(data, size);
  return 0;
}
