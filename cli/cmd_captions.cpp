#include <cstdio>
#include <iostream>

#include "cli/caption_measure.h"
#include "cli/registry.h"

namespace zel::tool {

int cmd_captions(const ToolArgs& args) {
  if (!args.empty()) {
    std::cerr << "usage: zelvorant-tool captions\n";
    return 2;
  }
  for (int skin : {kSkinGrunge, kSkinCarbon}) {
    CaptionFigures f;
    std::string why;
    if (!measure_captions(skin, f, why)) {
      std::cerr << "captions: " << why << "\n";
      return 1;
    }
    std::printf("%s, lit at most %.2f:1\n", is_grunge(skin) ? "Grunge" : "Carbon", f.lit_limit);
    for (int k = 1; k <= kButtonCount; ++k) {
      const CaptionFigures::Button& b = f.buttons[static_cast<size_t>(k)];
      std::printf("  %-8s idle %5.2f  lit %5.2f  hovered %5.2f\n", button_caption(k), b.idle, b.lit, b.hovered);
    }
  }
  return 0;
}

}  // namespace zel::tool
