// Fuzz target: any byte string as a PSID image, loaded, initialised and
// played for a few chunks. Loading must stay inside the image and RAM, and
// every routine must end within the instruction budget.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "sid/sid_machine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto machine = std::make_unique<zel::SidPlayerState>();
  zel::SidPlayerState& s = *machine;
  zel::sid_init(s, 44100);
  // An exact-size copy, so that any read past the image is caught.
  std::vector<uint8_t> image(data, data + size);
  zel::psid_load(s, image.data(), image.size());
  zel::tune_init(s, size > 0 ? data[size - 1] : 0);
  std::vector<int16_t> out(zel::kSidChunk);
  for (int chunk = 0; chunk < 3; ++chunk) zel::tune_render_chunk(s, out.data(), out.size());
  return 0;
}
