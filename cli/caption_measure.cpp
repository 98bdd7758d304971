#include "cli/caption_measure.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "core/app.h"
#include "core/frame.h"
#include "platform/headless_platform.h"
#include "render/skin.h"
#include "render/widgets.h"

namespace zel::tool {
namespace {

// Relative luminance of a pixel, its sRGB channels linearised (WCAG 2).
double luminance(uint32_t c) {
  auto lin = [](uint32_t v) {
    double s = v / 255.0;
    return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * lin(c >> 16 & 0xFF) + 0.7152 * lin(c >> 8 & 0xFF) + 0.0722 * lin(c & 0xFF);
}
double contrast(double a, double b) { return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05); }
double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
  return v[v.size() / 2];
}

// The contrast of a caption in `frame`: the median luminance of its letters
// against the median of the face around them. Letters are the pixels inside
// the plate's two-pixel edge that are lighter than mid-grey (luminance 0.18)
// in the `idle` frame; the face is the rest of the letters' box grown by two
// pixels, leaving out pixels that touch a letter (its shadow and soft edge).
double caption_contrast(const FrameBuffer& idle, const FrameBuffer& frame, const ButtonRect& r, int& letters) {
  const int x0 = r.x + 2, y0 = r.y + 2, x1 = r.x + r.w - 2, y1 = r.y + r.h - 2;
  auto ink = [&](int x, int y) { return luminance(idle.get(x, y)) > 0.18; };
  int bx0 = x1, by0 = y1, bx1 = x0, by1 = y0;
  std::vector<double> on, off;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x)
      if (ink(x, y)) {
        on.push_back(luminance(frame.get(x, y)));
        bx0 = std::min(bx0, x), by0 = std::min(by0, y), bx1 = std::max(bx1, x), by1 = std::max(by1, y);
      }
  for (int y = std::max(y0, by0 - 2); y <= std::min(y1, by1 + 2); ++y)
    for (int x = std::max(x0, bx0 - 2); x <= std::min(x1, bx1 + 2); ++x) {
      bool touches = false;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx) touches |= ink(x + dx, y + dy);
      if (!touches) off.push_back(luminance(frame.get(x, y)));
    }
  letters = static_cast<int>(on.size());
  return on.empty() || off.empty() ? 0 : contrast(median(on), median(off));
}

}  // namespace

const char* button_caption(int k) {
  static const char* const names[] = {"", "QUIT", "CHARTS", "ARTICLES", "RULES", "HELP",
                                      "MUTE", "MUSIC 1", "MUSIC 2", "MUSIC 3", "MUSIC 4"};
  return k >= 1 && k <= kButtonCount ? names[k] : "";
}

bool measure_captions(int skin, CaptionFigures& out, std::string& why) {
  HeadlessPlatform p;
  auto app_ptr = std::make_unique<App>(p);
  App& app = *app_ptr;
  if (!start_up(app, &why)) return false;
  render_skin_rect(app.skins, 0, 0, 799, 599, 0, 0);  // as the switch to the main screen does
  app.nav.skin = skin;
  // Every button in one state; a glow of 128 has faded to 125 when the tints are drawn.
  auto frame = [&](int lit, int glow) {
    for (int k = 1; k <= kButtonCount; ++k) app.nav.button_lit[k] = lit, app.input.button_glow[k] = glow;
    redraw_main_screen(app);
    return app.fb;
  };
  const FrameBuffer idle = frame(0, 0), lit = frame(1, 0), hovered = frame(0, 128);
  // The lit tint over white and over black.
  FrameBuffer white, black;
  white.clear(0xFFFFFF);
  black.clear(0);
  for (int k = 1; k <= kButtonCount; ++k) app.nav.button_lit[k] = 1;  // glows as left by the hovered frame
  draw_buttons(white, skin, app.nav.button_lit, app.input.button_glow);
  draw_buttons(black, skin, app.nav.button_lit, app.input.button_glow);
  const ButtonRect& quit = button_rect(skin, kButtonQuit);
  out.lit_limit = contrast(luminance(white.get(quit.x, quit.y)), luminance(black.get(quit.x, quit.y)));
  for (int k = 1; k <= kButtonCount; ++k) {
    const ButtonRect& r = button_rect(skin, k);
    CaptionFigures::Button& b = out.buttons[static_cast<size_t>(k)];
    b.idle = caption_contrast(idle, idle, r, b.letters);
    b.lit = caption_contrast(idle, lit, r, b.letters);
    b.hovered = caption_contrast(idle, hovered, r, b.letters);
  }
  return true;
}

}  // namespace zel::tool
