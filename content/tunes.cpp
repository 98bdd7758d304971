// The embedded PSID tunes 1..12, compiled at build time by tools/sidsong
// from content/tunes/NN_*.txt and the driver content/tunes/driver.s.
#include "content/content.h"

namespace zel {

namespace embedded {
#define ZEL_TUNE(n)                        \
  extern const unsigned char tune_##n[];   \
  extern const std::size_t tune_##n##_size;
ZEL_TUNE(01) ZEL_TUNE(02) ZEL_TUNE(03) ZEL_TUNE(04) ZEL_TUNE(05) ZEL_TUNE(06)
ZEL_TUNE(07) ZEL_TUNE(08) ZEL_TUNE(09) ZEL_TUNE(10) ZEL_TUNE(11) ZEL_TUNE(12)
#undef ZEL_TUNE
}  // namespace embedded

std::span<const uint8_t> tune_image(int n) {
  using namespace embedded;
  static const std::span<const uint8_t> images[kTuneCount + 1] = {
      {},
      {tune_01, tune_01_size}, {tune_02, tune_02_size}, {tune_03, tune_03_size},
      {tune_04, tune_04_size}, {tune_05, tune_05_size}, {tune_06, tune_06_size},
      {tune_07, tune_07_size}, {tune_08, tune_08_size}, {tune_09, tune_09_size},
      {tune_10, tune_10_size}, {tune_11, tune_11_size}, {tune_12, tune_12_size},
  };
  if (n < 1 || n > kTuneCount) return {};
  return images[n];
}

}  // namespace zel
