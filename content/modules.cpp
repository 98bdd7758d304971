// The embedded XM modules 1..4, composed at build time by tools/xmsynth from
// content/modules/*.txt and linked in by tools/embed.
#include <cstddef>

#include "content/content.h"

namespace zel::embedded {
extern const unsigned char xm_module_1[], xm_module_2[], xm_module_3[], xm_module_4[];
extern const std::size_t xm_module_1_size, xm_module_2_size, xm_module_3_size, xm_module_4_size;
}  // namespace zel::embedded

namespace zel {

std::span<const uint8_t> xm_module(int n) {
  using namespace embedded;
  switch (n) {
    case 1: return {xm_module_1, xm_module_1_size};
    case 2: return {xm_module_2, xm_module_2_size};
    case 3: return {xm_module_3, xm_module_3_size};
    case 4: return {xm_module_4, xm_module_4_size};
    default: return {};
  }
}

}  // namespace zel
