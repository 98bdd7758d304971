// Skins and backdrops: decoding, the start-up render, the per-frame copy and
// the skin switch, on hand-made pictures; then the generated pictures.

#include <cmath>

#include "core/frame.h"
#include "render/glyph.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/widgets.h"
#include "cli/registry.h"
#include "tests/support.h"

namespace zel {
namespace {

using testing::filled;
using testing::read_bytes;
using testing::read_text;
using testing::Screen;

constexpr size_t kPixels = static_cast<size_t>(kScreenW) * kScreenH;

// Picture s has palette entry k = (k, 255 - k, s * 100 + 7) and index
// (x + 3 y + 50 s) mod 256 at (x, y).
uint32_t expected(int s, int x, int y) {
  uint32_t k = static_cast<uint8_t>(x + 3 * y + 50 * s);
  return k << 16 | (255 - k) << 8 | static_cast<uint32_t>(s * 100 + 7);
}

Skins test_skins() {
  std::vector<uint8_t> d(2 * static_cast<size_t>(kSkinPictureBytes));
  for (int s = 0; s < 2; ++s) {
    uint8_t* p = &d[static_cast<size_t>(s) * kSkinPictureBytes];
    for (int k = 0; k < 256; ++k) p[k * 3] = k, p[k * 3 + 1] = 255 - k, p[k * 3 + 2] = s * 100 + 7;
    for (size_t i = 0; i < kPixels; ++i) p[768 + i] = static_cast<uint8_t>(i % kScreenW + 3 * (i / kScreenW) + 50 * s);
  }
  Skins skins;
  decode_skins(skins, d);
  return skins;
}

TEST(Skins, DecodeAndRenderRectWriteBothBackdropsInclusivelyAndTheFrameCopiesTheCurrentOne) {
  Skins skins = test_skins();
  for (int s = 0; s < 2; ++s) {
    ASSERT_EQ(skins.palette[s].size(), 256u);
    EXPECT_EQ(skins.palette[s][200], (200u << 16) | (55u << 8) | static_cast<uint32_t>(s * 100 + 7));
    ASSERT_EQ(skins.index[s].size(), kPixels);
    EXPECT_EQ(skins.index[s][3 * kScreenW + 10], static_cast<uint8_t>(10 + 9 + 50 * s));
    EXPECT_EQ(skins.backdrop[s], std::vector<uint32_t>(kPixels, 0));
  }
  render_skin_rect(skins, 10, 20, 4, 2, 100, 200);  // 5 x 3 pixels
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(std::count(skins.backdrop[s].begin(), skins.backdrop[s].end(), 0u), static_cast<long>(kPixels - 15));
    EXPECT_EQ(skins.backdrop[s][200 * kScreenW + 100], expected(s, 10, 20));
    EXPECT_EQ(skins.backdrop[s][202 * kScreenW + 104], expected(s, 14, 22));
  }
  // The start-up call fills both backdrops completely; a rectangle reaching
  // past the picture is cut at its edge.
  render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  render_skin_rect(skins, 790, 590, 50, 50, 790, 590);
  for (int s = 0; s < 2; ++s)
    for (int y = 0; y < kScreenH; y += 7)
      for (int x = 0; x < kScreenW; x += 5) ASSERT_EQ(skins.backdrop[s][y * kScreenW + x], expected(s, x, y));
  // The per-frame copy takes the current skin's backdrop: 1 is 'Grunge', any other value 'Carbon'.
  FrameBuffer fb;
  for (int skin : {1, 2, 1, 0, 5, -3}) {
    draw_backdrop(fb, skins, skin);
    EXPECT_EQ(fb.px, skins.backdrop[skin == 1 ? 0 : 1]) << "skin " << skin;
  }
}

// ---- The generated pictures -------------------------------------------------

// The areas text is drawn on stay nearly black, so the darkest text colours
// (blue (0,0,98)) stay readable and the black cells of plain lines do not show
// as boxes; buttons carry light captions; and a button reads brighter lit
// than idle, and no darker fully hovered, or lit buttons look disabled.
TEST(GeneratedSkins, DarkBehindTextLightCaptionsAndButtonsReadBrighterLitAndHovered) {
  Skins skins;
  decode_skins(skins);
  render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  // Lit tint (alpha, r, g, b) and the full hover glow, per skin.
  const double kLit[2][4] = {{125, 125, 70, 20}, {95, 100, 150, 250}};
  const double kHover[2][4] = {{125, 30, 50, 125}, {125, 50, 100, 250}}, kIdle[4] = {0, 0, 0, 0};
  for (int s = 0; s < 2; ++s) {
    SCOPED_TRACE("skin " + std::to_string(s + 1));
    // Over a rectangle (inclusive): the brightest channel or, with `light`,
    // the number of pixels with a channel at least that bright.
    auto scan = [&](int x0, int y0, int x1, int y1, uint32_t light = 0) {
      uint32_t m = 0;
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          uint32_t c = skins.backdrop[s][static_cast<size_t>(y) * kScreenW + x];
          uint32_t b = std::max({(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF});
          m = light ? m + (b >= light) : std::max(m, b);
        }
      return static_cast<int>(m);
    };
    EXPECT_LE(scan(20, 192, 770, 570), 12) << "page band";
    EXPECT_LE(scan(146, 40, 649, 145), 48) << "menu area";
    int vis_top = s == 0 ? 131 : 133, track = s == 0 ? 775 : 780;
    EXPECT_LE(scan(158, vis_top, 636, vis_top + 18), 48) << "visualiser strip";
    EXPECT_LE(scan(track + 3, 195, track + 13, 575), 60) << "scroll track";
    for (int k = 1; k <= kButtonCount; ++k) {
      const ButtonRect& r = kButtonRects[s][k];
      // Captions run from 4 letters (about 60 pixels of ink) to 8.
      EXPECT_GE(scan(r.x + 1, r.y + 1, r.x + r.w - 1, r.y + r.h - 1, 170), k <= kButtonMute ? 60 : 25) << k;
      // Mean luma of the button rectangle (inclusive) under a tint of alpha/256.
      auto luma = [&](const double* t) {
        double sum = 0, a = t[0] / 256;
        for (int y = r.y; y <= r.y + r.h; ++y)
          for (int x = r.x; x <= r.x + r.w; ++x) {
            uint32_t c = skins.backdrop[s][static_cast<size_t>(y) * kScreenW + x];
            double ch[3] = {double(c >> 16 & 0xFF), double(c >> 8 & 0xFF), double(c & 0xFF)};
            for (int i = 0; i < 3; ++i) ch[i] = ch[i] * (1 - a) + t[i + 1] * a;
            sum += 0.299 * ch[0] + 0.587 * ch[1] + 0.114 * ch[2];
          }
        return sum / ((r.w + 1) * (r.h + 1));
      };
      EXPECT_GT(luma(kLit[s]), luma(kIdle) * 1.1) << "button " << k;
      EXPECT_GE(luma(kHover[s]), luma(kIdle)) << "button " << k;
    }
  }
}

// ---- Button captions on real frames -------------------------------------------

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

// Every caption against its plate on main-screen frames as the program draws
// them: idle, lit, and hovered at full glow. A lit caption reaches 7:1 on
// 'Carbon'. On 'Grunge' the lit tint leaves no art more than the contrast of
// white against black under it (about 6.2:1); the captions come within a
// few hundredths of that. The figures of every button are printed.
TEST(ButtonCaptions, KeepTheirContrastIdleLitAndHovered) {
  Screen s;
  render_skin_rect(s.app.skins, 0, 0, 799, 599, 0, 0);  // as the switch to the main screen does
  const char* const names[] = {"", "QUIT", "CHARTS", "ARTICLES", "RULES", "HELP",
                               "MUTE", "MUSIC 1", "MUSIC 2", "MUSIC 3", "MUSIC 4"};
  for (int skin : {kSkinGrunge, kSkinCarbon}) {
    SCOPED_TRACE("skin " + std::to_string(skin));
    s.app.nav.skin = skin;
    // Every button in one state; a glow of 128 has faded to 125 when the tints are drawn.
    auto frame = [&](int lit, int glow) {
      for (int k = 1; k <= kButtonCount; ++k) s.app.nav.button_lit[k] = lit, s.app.input.button_glow[k] = glow;
      redraw_main_screen(s.app);
      return s.app.fb;
    };
    const FrameBuffer idle = frame(0, 0), lit = frame(1, 0), hovered = frame(0, 128);
    // The lit tint over white and over black: the most any caption can get.
    FrameBuffer white = filled(0xFFFFFF), black = filled(0);
    for (int k = 1; k <= kButtonCount; ++k) s.app.nav.button_lit[k] = 1;
    draw_buttons(white, skin, s.app.nav.button_lit, s.app.input.button_glow);
    draw_buttons(black, skin, s.app.nav.button_lit, s.app.input.button_glow);
    const ButtonRect& quit = button_rect(skin, kButtonQuit);
    const double limit = contrast(luminance(white.get(quit.x, quit.y)), luminance(black.get(quit.x, quit.y)));
    std::printf("%s, lit at most %.2f:1\n", is_grunge(skin) ? "Grunge" : "Carbon", limit);
    for (int k = 1; k <= kButtonCount; ++k) {
      const ButtonRect& r = button_rect(skin, k);
      int letters = 0;
      const double c[3] = {caption_contrast(idle, idle, r, letters), caption_contrast(idle, lit, r, letters),
                           caption_contrast(idle, hovered, r, letters)};
      std::printf("  %-8s idle %5.2f  lit %5.2f  hovered %5.2f\n", names[k], c[0], c[1], c[2]);
      EXPECT_GE(letters, 40) << names[k];
      EXPECT_GE(c[0], 15.0) << names[k];
      EXPECT_GE(c[1], is_grunge(skin) ? limit - 0.15 : 7.0) << names[k];
      EXPECT_GE(c[2], 4.5) << names[k];
    }
  }
}

}  // namespace
}  // namespace zel
