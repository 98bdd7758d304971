// Skins and backdrops: decoding, the start-up render, the per-frame copy and
// the skin switch, on hand-made pictures; then the generated pictures.

#include <cmath>

#include "core/frame.h"
#include "render/glyph.h"
#include "render/layout.h"
#include "render/skin.h"
#include "render/widgets.h"
#include "cli/caption_measure.h"
#include "tests/support.h"

namespace zel {
namespace {


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

// Every caption against its plate on main-screen frames as the program draws
// them (measured by `zelvorant-tool captions`, which prints the figures): idle,
// lit, and hovered at full glow. A lit caption reaches 7:1 on 'Carbon'. On
// 'Grunge' the lit tint leaves no art more than the contrast of white against
// black under it (about 6.2:1); the captions come within a few hundredths of that.
TEST(ButtonCaptions, KeepTheirContrastIdleLitAndHovered) {
  for (int skin : {kSkinGrunge, kSkinCarbon}) {
    SCOPED_TRACE("skin " + std::to_string(skin));
    tool::CaptionFigures f;
    std::string why;
    ASSERT_TRUE(tool::measure_captions(skin, f, why)) << why;
    for (int k = 1; k <= kButtonCount; ++k) {
      const tool::CaptionFigures::Button& b = f.buttons[static_cast<size_t>(k)];
      SCOPED_TRACE(tool::button_caption(k));
      EXPECT_GE(b.letters, 40);
      EXPECT_GE(b.idle, 15.0);
      EXPECT_GE(b.lit, is_grunge(skin) ? f.lit_limit - 0.15 : 7.0);
      EXPECT_GE(b.hovered, 4.5);
    }
  }
}

}  // namespace
}  // namespace zel
