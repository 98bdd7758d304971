// The contrast of the button captions against their plates, measured on
// main-screen frames as the program draws them: idle, lit, and hovered at
// full glow. `zelvorant-tool captions` prints the figures; the tests hold
// them to their limits.
#pragma once

#include <array>
#include <string>

#include "render/layout.h"

namespace zel::tool {

struct CaptionFigures {
  double lit_limit = 0;  // the lit tint over white against it over black: the most any caption can get
  struct Button {
    int letters = 0;  // pixels counted as the caption's
    double idle = 0, lit = 0, hovered = 0;
  };
  std::array<Button, kButtonCount + 1> buttons{};  // 1..kButtonCount
};

// The figures of every button in `skin`; false (with `why`) if the program cannot start.
bool measure_captions(int skin, CaptionFigures& out, std::string& why);

// The caption of button k as it is drawn.
const char* button_caption(int k);

}  // namespace zel::tool
