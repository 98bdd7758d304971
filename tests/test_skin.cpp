// Skins and backdrops: decoding, the start-up render, the per-frame copy and
// the skin switch, on hand-made pictures; then the generated pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "core/app.h"
#include "platform/headless_platform.h"
#include "render/skin.h"

namespace zel {
namespace {

constexpr size_t kPixels = static_cast<size_t>(kScreenW) * kScreenH;

// Two pictures: picture s has palette entry k = (k, 255 - k, s * 100 + 7)
// and index (x + 3 y + 50 s) mod 256 at (x, y).
std::vector<uint8_t> test_pictures() {
  std::vector<uint8_t> d(2 * static_cast<size_t>(kSkinPictureBytes));
  for (int s = 0; s < 2; ++s) {
    uint8_t* p = &d[static_cast<size_t>(s) * kSkinPictureBytes];
    for (int k = 0; k < 256; ++k) p[k * 3] = k, p[k * 3 + 1] = 255 - k, p[k * 3 + 2] = s * 100 + 7;
    for (int y = 0; y < kScreenH; ++y)
      for (int x = 0; x < kScreenW; ++x) p[768 + y * kScreenW + x] = static_cast<uint8_t>(x + 3 * y + 50 * s);
  }
  return d;
}

uint32_t expected(int s, int x, int y) {
  uint32_t k = static_cast<uint8_t>(x + 3 * y + 50 * s);
  return k << 16 | (255 - k) << 8 | static_cast<uint32_t>(s * 100 + 7);
}

TEST(Skins, DecodeGivesPackedPaletteAndIndices) {
  Skins skins;
  decode_skins(skins, test_pictures());
  for (int s = 0; s < 2; ++s) {
    ASSERT_EQ(skins.palette[s].size(), 256u);
    EXPECT_EQ(skins.palette[s][0], static_cast<uint32_t>(0x00FF00 | (s * 100 + 7)));
    EXPECT_EQ(skins.palette[s][200], (200u << 16) | (55u << 8) | static_cast<uint32_t>(s * 100 + 7));
    ASSERT_EQ(skins.index[s].size(), kPixels);
    EXPECT_EQ(skins.index[s][3 * kScreenW + 10], static_cast<uint8_t>(10 + 9 + 50 * s));
    EXPECT_EQ(skins.backdrop[s], std::vector<uint32_t>(kPixels, 0));
  }
  EXPECT_EQ(skins.picture_w, 800);
  EXPECT_EQ(skins.picture_h, 600);
}

TEST(Skins, RenderRectWritesBothBackdropsInclusively) {
  Skins skins;
  decode_skins(skins, test_pictures());
  render_skin_rect(skins, 10, 20, 4, 2, 100, 200);  // 5 x 3 pixels
  for (int s = 0; s < 2; ++s) {
    size_t written = std::count_if(skins.backdrop[s].begin(), skins.backdrop[s].end(), [](uint32_t v) { return v; });
    EXPECT_EQ(written, 15u);
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
}

TEST(Skins, BackdropCopiesTheCurrentSkinAndSwitchingChangesOnlyThat) {
  HeadlessPlatform platform;
  App app(platform);
  decode_skins(app.skins, test_pictures());
  render_skin_rect(app.skins, 0, 0, 799, 599, 0, 0);
  const std::vector<uint32_t> before[2] = {app.skins.backdrop[0], app.skins.backdrop[1]};
  for (int skin : {1, 2, 1, 1, 0, 5, -3}) {
    app.nav.skin = skin;
    app.fb.clear(0xABCDEF);
    draw_backdrop(app);
    EXPECT_EQ(app.fb.px, before[skin == 1 ? 0 : 1]) << "skin " << skin;
  }
  EXPECT_EQ(app.skins.backdrop[0], before[0]);
  EXPECT_EQ(app.skins.backdrop[1], before[1]);
}

// ---- The generated pictures -------------------------------------------------

struct Generated {
  Skins skins;
  Generated() {
    decode_skins(skins);
    render_skin_rect(skins, 0, 0, 799, 599, 0, 0);
  }
  uint32_t px(int s, int x, int y) const { return skins.backdrop[s][static_cast<size_t>(y) * kScreenW + x]; }
  static int brightest(uint32_t c) { return std::max({(c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF}); }
  // The brightest channel over a rectangle (inclusive).
  int max_channel(int s, int x0, int y0, int x1, int y1) const {
    int m = 0;
    for (int y = y0; y <= y1; ++y)
      for (int x = std::max(x0, 0); x <= std::min(x1, kScreenW - 1); ++x) m = std::max(m, brightest(px(s, x, y)));
    return m;
  }
};

TEST(GeneratedSkins, HaveThePictureLayout) {
  EXPECT_EQ(skin_pictures().size(), 2u * 480768u);
}

TEST(GeneratedSkins, PanelMenuAndTrackStayDarkBehindText) {
  Generated g;
  for (int s = 0; s < 2; ++s) {
    // Nearly black: the darkest text colours (blue (0,0,98)) stay readable, and
    // the black cells of plain lines do not show as boxes.
    EXPECT_LE(g.max_channel(s, 20, 192, 770, 570), 12) << "page band, skin " << s + 1;
    EXPECT_LE(g.max_channel(s, 146, 40, 649, 145), 48) << "menu area, skin " << s + 1;
    int vis_top = s == 0 ? 131 : 133;
    EXPECT_LE(g.max_channel(s, 158, vis_top, 636, vis_top + 18), 48) << "visualiser strip, skin " << s + 1;
    int track = s == 0 ? 775 : 780;
    EXPECT_LE(g.max_channel(s, track + 3, 195, track + 13, 575), 60) << "scroll track, skin " << s + 1;
  }
}

TEST(GeneratedSkins, ButtonsCarryLightCaptionsInsideTheirRectangles) {
  Generated g;
  const int rects[2][10][4] = {
      {{35, 40, 88, 19}, {35, 65, 88, 19}, {35, 90, 88, 19}, {672, 65, 88, 19}, {672, 90, 88, 19},
       {672, 40, 88, 19}, {9, 132, 57, 19}, {73, 132, 57, 19}, {665, 132, 57, 19}, {729, 132, 57, 19}},
      {{25, 49, 76, 19}, {25, 73, 76, 19}, {25, 97, 76, 19}, {698, 73, 76, 19}, {698, 97, 76, 19},
       {698, 49, 76, 19}, {18, 137, 43, 8}, {79, 137, 44, 8}, {669, 137, 44, 8}, {733, 137, 43, 8}}};
  for (int s = 0; s < 2; ++s)
    for (int k = 0; k < 10; ++k) {
      const int* r = rects[s][k];
      int light = 0;
      for (int y = r[1] + 1; y < r[1] + r[3]; ++y)
        for (int x = r[0] + 1; x < r[0] + r[2]; ++x) light += Generated::brightest(g.px(s, x, y)) >= 170;
      // Captions run from 4 letters (about 60 pixels of ink) to 8.
      EXPECT_GE(light, k < 6 ? 60 : 25) << "skin " << s + 1 << ", button " << k + 1;
    }
}

}  // namespace
}  // namespace zel
