// skingen: paints the two 800 x 600 skin pictures procedurally and writes
// them as palette pictures, 'Grunge' then 'Carbon' (each 256 RGB palette
// entries followed by 800 x 600 index bytes, row-major).
//
//   skingen FONT.bin OUT.bin
//
// FONT.bin is the generated text font (fontgen); its bold face letters the
// large button captions. Nothing is read from image files: every texture is
// computed here from seeded noise, so the output is the same on every build.
//
// Both skins frame the same screen layout: the menu area (x 146..649,
// y 40..145), the visualiser strip under it, the page panel (text band
// x 20..770, y 192..570, kept dark for every text colour), the scroll track
// at the right of the panel, and the ten buttons with their captions inside
// the button rectangles the input code hit-tests.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "render/glyph.h"

namespace {

using zel::kFace2Row;
using zel::kFontAtlasBytes;
using zel::kFontAtlasW;
using zel::kGlyphW;

constexpr int W = 800, H = 600;

struct Rgb {
  float r = 0, g = 0, b = 0;
};
Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
Rgb mix(Rgb a, Rgb b, float t) { return a * (1 - t) + b * t; }
float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
float smoothstep(float a, float b, float x) {
  float t = clamp01((x - a) / (b - a));
  return t * t * (3 - 2 * t);
}

struct Image {
  std::vector<Rgb> px = std::vector<Rgb>(static_cast<size_t>(W) * H);
  Rgb& at(int x, int y) { return px[static_cast<size_t>(y) * W + x]; }
  bool inside(int x, int y) const { return x >= 0 && x < W && y >= 0 && y < H; }
  void blend(int x, int y, Rgb c, float a) {
    if (inside(x, y)) at(x, y) = mix(at(x, y), c, clamp01(a));
  }
  void scale(int x, int y, float k) {
    if (inside(x, y)) at(x, y) = at(x, y) * k;
  }
};

// ---- Noise -----------------------------------------------------------------

uint32_t hash(int x, int y, uint32_t seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u + seed * 2246822519u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}
float hash01(int x, int y, uint32_t seed) { return (hash(x, y, seed) & 0xFFFFFF) / float(0xFFFFFF); }

float value_noise(float x, float y, uint32_t seed) {
  int xi = static_cast<int>(std::floor(x)), yi = static_cast<int>(std::floor(y));
  float fx = x - xi, fy = y - yi;
  float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  float a = hash01(xi, yi, seed), b = hash01(xi + 1, yi, seed);
  float c = hash01(xi, yi + 1, seed), d = hash01(xi + 1, yi + 1, seed);
  return (a + (b - a) * sx) * (1 - sy) + (c + (d - c) * sx) * sy;
}

float fbm(float x, float y, uint32_t seed, int octaves = 5) {
  float sum = 0, amp = 0.5f, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += value_noise(x, y, seed + o * 101) * amp;
    norm += amp;
    x *= 2.03f, y *= 2.03f, amp *= 0.5f;
  }
  return sum / norm;
}

// Simple deterministic random numbers for placing scratches and rivets.
struct Rand {
  uint32_t s;
  float next() {
    s = s * 1664525u + 1013904223u;
    return (s >> 8) / float(1 << 24);
  }
};

// ---- Shapes ------------------------------------------------------------------

// A bevel `width` pixels wide just inside the rectangle: raised (light top
// and left, dark bottom and right) or sunken (the other way round). Each
// ring is blended with strength falling toward the inside.
void bevel(Image& img, int x0, int y0, int x1, int y1, int width, bool raised, Rgb light, Rgb dark, float strength) {
  for (int i = 0; i < width; ++i) {
    float a = strength * (1.0f - i / float(width + 1));
    for (int x = x0 + i; x <= x1 - i; ++x) {
      img.blend(x, y0 + i, raised ? light : dark, a);
      img.blend(x, y1 - i, raised ? dark : light, a);
    }
    for (int y = y0 + i + 1; y < y1 - i; ++y) {
      img.blend(x0 + i, y, raised ? light : dark, a);
      img.blend(x1 - i, y, raised ? dark : light, a);
    }
  }
}

// A soft shadow falling outside a rectangle (down and to the right mostly).
void drop_shadow(Image& img, int x0, int y0, int x1, int y1, int radius, float strength) {
  for (int y = y0 - radius; y <= y1 + radius + 2; ++y)
    for (int x = x0 - radius; x <= x1 + radius + 2; ++x) {
      if (x >= x0 && x <= x1 && y >= y0 && y <= y1) continue;
      float dx = std::max({x0 - x, 0, x - x1 - 2}) * 1.0f, dy = std::max({y0 - y, 0, y - y1 - 2}) * 1.0f;
      float d = std::sqrt(dx * dx + dy * dy);
      if (d < radius) img.scale(x, y, 1 - strength * (1 - d / radius));
    }
}

// A domed rivet or screw head centred on (cx, cy).
void rivet(Image& img, float cx, float cy, float radius, Rgb base, bool slot) {
  for (int y = static_cast<int>(cy - radius - 2); y <= cy + radius + 2; ++y)
    for (int x = static_cast<int>(cx - radius - 2); x <= cx + radius + 2; ++x) {
      float dx = x + 0.5f - cx, dy = y + 0.5f - cy, d = std::sqrt(dx * dx + dy * dy);
      // shadow to the lower right
      float sd = std::sqrt((dx - 1.2f) * (dx - 1.2f) + (dy - 1.2f) * (dy - 1.2f));
      if (d > radius && sd < radius + 0.8f) img.scale(x, y, 0.55f);
      if (d > radius + 0.5f) continue;
      float cover = clamp01(radius + 0.5f - d);
      float light = clamp01(0.55f - (dx + dy) / (radius * 2.6f));
      Rgb c = base * (0.55f + 0.9f * light);
      float glint = std::exp(-((dx + radius * 0.35f) * (dx + radius * 0.35f) + (dy + radius * 0.35f) * (dy + radius * 0.35f)) /
                            (radius * 0.35f));
      c = mix(c, Rgb{255, 246, 230}, clamp01(glint * 0.6f));
      if (slot && std::fabs(dx - dy) < 0.8f && d < radius - 0.8f) c = c * 0.35f;
      img.blend(x, y, c, cover);
    }
}

// ---- Lettering ---------------------------------------------------------------

// The bold face of the text font (atlas rows 14..25); shade brightness is coverage.
struct Font {
  std::vector<uint8_t> bytes;
  float coverage(int code, int r, int i) const {
    int col = (code - 32) * kGlyphW + 1;
    int s = bytes[static_cast<size_t>(kFace2Row + r) * kFontAtlasW + col + i];
    return s == 0 ? 0.0f : bytes[kFontAtlasBytes + s * 3 + 1] / 255.0f;
  }
};

// Small capital alphabets for the MUSIC buttons: 7 rows high on 'Grunge',
// 5 rows high for the 9-pixel plates of 'Carbon'.
struct SmallGlyph {
  char c;
  const char* rows[7];
};
struct SmallFont {
  const SmallGlyph* glyphs;
  int count;
  int height;
};
constexpr SmallGlyph kSmall[] = {
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'U', {"#..#", "#..#", "#..#", "#..#", "#..#", "#..#", ".##."}},
    {'S', {".###", "#...", "#...", ".##.", "...#", "...#", "###."}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'C', {".###", "#...", "#...", "#...", "#...", "#...", ".###"}},
    {'1', {".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'2', {".##.", "#..#", "...#", "..#.", ".#..", "#...", "####"}},
    {'3', {"###.", "...#", "...#", ".##.", "...#", "...#", "###."}},
    {'4', {"..#.", ".##.", "#.#.", "#.#.", "####", "..#.", "..#."}},
    {' ', {"..", "..", "..", "..", "..", "..", ".."}},
};
constexpr SmallGlyph kTiny[] = {
    {'M', {"#...#", "##.##", "#.#.#", "#...#", "#...#"}},
    {'U', {"#.#", "#.#", "#.#", "#.#", "###"}},
    {'S', {"###", "#..", "###", "..#", "###"}},
    {'I', {"###", ".#.", ".#.", ".#.", "###"}},
    {'C', {"###", "#..", "#..", "#..", "###"}},
    {'1', {".#", "##", ".#", ".#", ".#"}},
    {'2', {"###", "..#", "###", "#..", "###"}},
    {'3', {"###", "..#", ".##", "..#", "###"}},
    {'4', {"#.#", "#.#", "###", "..#", "..#"}},
    {' ', {"..", "..", "..", "..", ".."}},
};
constexpr SmallFont kSmallFont{kSmall, static_cast<int>(std::size(kSmall)), 7};
constexpr SmallFont kTinyFont{kTiny, static_cast<int>(std::size(kTiny)), 5};

const SmallGlyph* small_glyph(const SmallFont& f, char c) {
  for (int i = 0; i < f.count; ++i)
    if (f.glyphs[i].c == c) return &f.glyphs[i];
  return nullptr;
}
int small_width(const SmallFont& f, const std::string& s) {
  int w = 0;
  for (char c : s)
    if (const SmallGlyph* g = small_glyph(f, c)) w += static_cast<int>(std::string(g->rows[0]).size()) + 1;
  return w - 1;
}

// Scales the bold face's coverage so that its dimmer lower rows (shade 3)
// print as solid ink too; only the faint smoothing pixels stay soft.
constexpr float kSolidInk = 255.0f / 194.0f;

// Captions: a shadow one pixel down and right, then the letters.
void caption_big(Image& img, const Font& font, const std::string& s, int x0, int y0, int w, int h, Rgb ink, Rgb shadow,
                 float shadow_alpha = 0.85f, float ink_alpha = 1.0f) {
  int tx = x0 + (w + 1 - 9 * static_cast<int>(s.size())) / 2;
  int ty = y0 + (h + 1 - 12) / 2;
  for (int pass = 0; pass < 2; ++pass)
    for (size_t n = 0; n < s.size(); ++n)
      for (int r = 0; r < 12; ++r)
        for (int i = 0; i < 9; ++i) {
          float a = font.coverage(static_cast<unsigned char>(s[n]), r, i);
          if (a <= 0) continue;
          int x = tx + static_cast<int>(n) * 9 + i, y = ty + r;
          if (pass == 0)
            img.blend(x + 1, y + 1, shadow, shadow_alpha);
          else
            img.blend(x, y, ink, a * ink_alpha);
        }
}

void caption_small(Image& img, const SmallFont& font, const std::string& s, int x0, int y0, int w, int h, Rgb ink,
                   Rgb shadow, int spacing = 1) {
  int total = small_width(font, s) + (spacing - 1) * (static_cast<int>(s.size()) - 1);
  int tx = x0 + (w + 1 - total + 1) / 2;
  int ty = y0 + (h + 1 - font.height + 1) / 2;
  for (int pass = 0; pass < 2; ++pass) {
    int x = tx;
    for (char c : s) {
      const SmallGlyph* g = small_glyph(font, c);
      if (!g) continue;
      int gw = static_cast<int>(std::string(g->rows[0]).size());
      for (int r = 0; r < font.height; ++r)
        for (int i = 0; i < gw; ++i)
          if (g->rows[r][i] == '#') {
            if (pass == 0)
              img.blend(x + i + 1, ty + r + 1, shadow, 0.8f);
            else
              img.blend(x + i, ty + r, ink, 1.0f);
          }
      x += gw + spacing;
    }
  }
}

// ---- Layout shared by both skins ---------------------------------------------

struct Rect {
  int x, y, w, h;
};
const char* const kCaptions[10] = {"QUIT", "CHARTS", "ARTICLES", "RULES", "HELP",
                                   "MUTE", "MUSIC 1", "MUSIC 2", "MUSIC 3", "MUSIC 4"};
constexpr Rect kGrungeButtons[10] = {{35, 40, 88, 19},  {35, 65, 88, 19},  {35, 90, 88, 19},  {672, 65, 88, 19},
                                     {672, 90, 88, 19}, {672, 40, 88, 19}, {9, 132, 57, 19},  {73, 132, 57, 19},
                                     {665, 132, 57, 19}, {729, 132, 57, 19}};
constexpr Rect kCarbonButtons[10] = {{25, 49, 76, 19},  {25, 73, 76, 19},  {25, 97, 76, 19},  {698, 73, 76, 19},
                                     {698, 97, 76, 19}, {698, 49, 76, 19}, {18, 137, 43, 8},  {79, 137, 44, 8},
                                     {669, 137, 44, 8}, {733, 137, 43, 8}};

// ---- 'Grunge' ----------------------------------------------------------------

Image paint_grunge(const Font& font) {
  Image img;
  const Rgb metal_dark{52, 36, 24}, metal_light{128, 94, 62}, rust{156, 74, 22}, rust_deep{92, 38, 14};
  // Worn sheet metal: brushed streaks, large stains, rust blooms and grit.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float brushed = value_noise(x / 90.0f, y / 1.4f, 11) * 0.6f + value_noise(x / 23.0f, y / 0.9f, 12) * 0.4f;
      float large = fbm(x / 140.0f, y / 140.0f, 21);
      float grit = hash01(x, y, 31);
      Rgb c = mix(metal_dark, metal_light, clamp01(0.15f + 0.35f * brushed + 0.45f * large));
      float rust_amount = smoothstep(0.52f, 0.68f, fbm(x / 75.0f + 3.1f, y / 60.0f + 7.7f, 41));
      float rust_grain = fbm(x / 6.0f, y / 6.0f, 42, 3);
      c = mix(c, mix(rust_deep, rust, rust_grain), rust_amount * (0.55f + 0.45f * rust_grain));
      // dark water stains with a darker rim
      float st = fbm(x / 170.0f + 9, y / 95.0f + 1, 51);
      float stain = smoothstep(0.56f, 0.64f, st);
      float rim = smoothstep(0.0f, 0.02f, st - 0.56f) * (1 - smoothstep(0.02f, 0.05f, st - 0.56f));
      c = c * (1 - 0.32f * stain - 0.25f * rim);
      c = c * (0.88f + 0.24f * grit);
      if (grit > 0.995f) c = c * 0.45f;  // pits
      // darker toward the screen's edges
      float vx = (x - 400) / 400.0f, vy = (y - 300) / 300.0f;
      c = c * (1 - 0.35f * clamp01(vx * vx * 0.6f + vy * vy * 0.5f));
      img.at(x, y) = c;
    }
  // Scratches: thin bright lines with a dark lower edge.
  Rand rnd{1234};
  for (int n = 0; n < 140; ++n) {
    float x = rnd.next() * W, y = rnd.next() * H, ang = (rnd.next() - 0.5f) * 0.9f + (rnd.next() < 0.3f ? 1.57f : 0);
    float len = 10 + rnd.next() * 60, a = 0.12f + rnd.next() * 0.22f;
    for (float t = 0; t < len; t += 0.5f) {
      int px = static_cast<int>(x + std::cos(ang) * t), py = static_cast<int>(y + std::sin(ang) * t);
      img.blend(px, py, Rgb{205, 170, 130}, a * (1 - t / len));
      img.blend(px, py + 1, Rgb{20, 12, 6}, a * 0.6f * (1 - t / len));
    }
  }
  // Worn hazard stripes along the top and bottom edges.
  auto hazard = [&](int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = 0; x < W; ++x) {
        bool stripe = ((x + y) / 14) % 2 == 0;
        float wear = smoothstep(0.42f, 0.58f, fbm(x / 18.0f, y / 9.0f, 61)) * (0.6f + 0.4f * hash01(x, y, 62));
        Rgb paint = stripe ? Rgb{214, 120, 28} : Rgb{26, 18, 12};
        img.blend(x, y, paint * (0.85f + 0.15f * hash01(x, y, 63)), 0.9f * (1 - wear));
      }
    bevel(img, -1, y0 - 1, W, y1 + 1, 1, false, Rgb{170, 130, 90}, Rgb{10, 6, 3}, 0.7f);
  };
  hazard(6, 22);
  hazard(588, 595);
  // A riveted name plate over the top stripe.
  {
    int x0 = 330, y0 = 3, x1 = 469, y1 = 25;
    drop_shadow(img, x0, y0, x1, y1, 4, 0.6f);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        float brushed = value_noise(x / 40.0f, y / 1.3f, 17);
        float wear = fbm(x / 14.0f, y / 14.0f, 18, 3);
        Rgb c = mix(Rgb{84, 60, 40}, Rgb{132, 98, 64}, clamp01(0.3f + 0.5f * brushed));
        c = mix(c, Rgb{150, 70, 22}, smoothstep(0.58f, 0.75f, wear) * 0.7f);
        img.at(x, y) = c * (0.9f + 0.2f * hash01(x, y, 19));
      }
    bevel(img, x0, y0, x1, y1, 2, true, Rgb{226, 180, 130}, Rgb{20, 12, 6}, 0.75f);
    caption_big(img, font, "ZELVORANT", x0 + 4, y0, x1 - x0 - 8, y1 - y0, Rgb{30, 18, 10}, Rgb{200, 160, 116});
    rivet(img, x0 + 5.5f, (y0 + y1) / 2.0f + 0.5f, 2.6f, Rgb{150, 112, 76}, true);
    rivet(img, x1 - 4.5f, (y0 + y1) / 2.0f + 0.5f, 2.6f, Rgb{150, 112, 76}, true);
  }

  const Rgb bevel_light{196, 150, 104}, bevel_dark{12, 8, 4};
  auto recess = [&](int x0, int y0, int x1, int y1, Rgb inner, float texture, int width) {
    drop_shadow(img, x0 - 2, y0 - 2, x1 + 2, y1 + 2, 5, 0.35f);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        float n = fbm(x / 40.0f, y / 40.0f, 71, 3) * 0.6f + hash01(x, y, 72) * 0.4f;
        Rgb c = inner * (1 - texture + 2 * texture * n);
        // inner shadow under the top and left edges
        float edge = std::min(x - x0, y - y0);
        c = c * (0.55f + 0.45f * smoothstep(0, 10, static_cast<float>(edge)));
        img.at(x, y) = c;
      }
    bevel(img, x0 - width, y0 - width, x1 + width, y1 + width, width, false, bevel_light, bevel_dark, 0.85f);
  };
  // The menu area, the visualiser strip under the ticker, the page panel and its scroll track.
  recess(140, 34, 655, 154, Rgb{24, 16, 10}, 0.18f, 3);
  recess(15, 188, 771, 578, Rgb{6, 4, 3}, 0.2f, 3);
  recess(776, 191, 790, 578, Rgb{26, 18, 12}, 0.2f, 2);
  // Scale ticks under the visualiser strip, orange, faint.
  for (int x = 158; x <= 636; x += 6) {
    img.blend(x, 152, Rgb{200, 110, 40}, x % 30 == 2 ? 0.55f : 0.28f);
    if (x % 30 == 2) img.blend(x, 151, Rgb{200, 110, 40}, 0.35f);
  }
  // A thin orange pinstripe inside the panel's rim.
  for (int x = 16; x <= 770; ++x) img.blend(x, 189, Rgb{190, 96, 30}, 0.35f);
  // Buttons: raised plates of dark, worn iron, each framing a sunken label of
  // black enamel that carries its caption in white. The plates are kept dark
  // and nearly grey on purpose: the lit state tints a button orange at about
  // half strength and the hover glow tints it blue, and either tint can only
  // read as light on a plate darker than the tint itself. The lit tint lifts
  // black to (61,34,9) and dims white to (191,164,140), so no art can give a
  // lit caption more than 6.2:1 of contrast; the label is nearly black and the
  // letters solid white to come close to that.
  for (int k = 0; k < 10; ++k) {
    const Rect& b = kGrungeButtons[k];
    int x0 = b.x, y0 = b.y, x1 = b.x + b.w, y1 = b.y + b.h;
    drop_shadow(img, x0, y0, x1, y1, 4, 0.55f);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        float brushed = value_noise(x / 30.0f, y / 1.2f, 81 + k);
        float wear = fbm(x / 12.0f, y / 12.0f, 91 + k, 3);
        Rgb c = mix(Rgb{15, 13, 12}, Rgb{32, 28, 24}, clamp01(0.3f + 0.5f * brushed));
        c = mix(c, Rgb{42, 26, 16}, smoothstep(0.6f, 0.75f, wear) * 0.5f);
        float v = (y - y0) / float(y1 - y0 + 1);
        img.at(x, y) = c * (1.12f - 0.35f * v) * (0.9f + 0.2f * hash01(x, y, 99));
      }
    bevel(img, x0, y0, x1, y1, 2, true, Rgb{120, 104, 86}, Rgb{6, 4, 3}, 0.7f);
    bevel(img, x0 - 1, y0 - 1, x1 + 1, y1 + 1, 1, true, Rgb{10, 6, 3}, Rgb{10, 6, 3}, 0.6f);
    // The enamel label, three pixels inside the plate's edge: black with a
    // faint grain, sunken under a dark top edge and a worn light lower edge.
    int lx0 = x0 + 3, ly0 = y0 + 3, lx1 = x1 - 3, ly1 = y1 - 3;
    for (int y = ly0; y <= ly1; ++y)
      for (int x = lx0; x <= lx1; ++x) {
        float g = 2.0f + 3.0f * fbm(x / 5.0f, y / 5.0f, 111 + k, 2) * hash01(x, y, 121);
        img.at(x, y) = Rgb{g * 1.1f, g, g * 0.85f};
      }
    bevel(img, lx0, ly0, lx1, ly1, 1, false, Rgb{96, 80, 62}, Rgb{0, 0, 0}, 0.8f);
    Rgb ink{255, 255, 255}, shadow{0, 0, 0};
    if (k < 6)
      caption_big(img, font, kCaptions[k], x0, y0, b.w, b.h, ink, shadow, 0.85f, kSolidInk);
    else
      caption_small(img, kSmallFont, kCaptions[k], x0, y0, b.w, b.h, ink, shadow, 2);
  }
  // Rivets at the corners of the plates around the recesses.
  for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{7, 34},    {792, 34},  {7, 170},  {792, 170}, {7, 580},
                                                                {792, 580}, {133, 40},  {662, 40}, {133, 148}, {662, 148},
                                                                {400, 172}, {230, 172}, {570, 172}, {66, 172}, {734, 172}})
    rivet(img, x + 0.5f, y + 0.5f, 3.6f, Rgb{150, 112, 76}, (x * 7 + y) % 3 == 0);
  return img;
}

// ---- 'Carbon' ----------------------------------------------------------------

Image paint_carbon(const Font& font) {
  Image img;
  // 2 x 2 twill of tows 6 pixels wide: a tow on top is shaded round across
  // its width, with a soft sheen that moves with the screen position.
  constexpr int kTow = 6;
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      int u = x / kTow, v = y / kTow;
      bool warp = ((u + v) & 3) < 2;
      float across = warp ? (x % kTow + 0.5f) / kTow : (y % kTow + 0.5f) / kTow;
      float along = warp ? (y % (2 * kTow)) / float(2 * kTow) : (x % (2 * kTow)) / float(2 * kTow);
      float round = std::sin(across * 3.14159f);
      float fibre = 0.85f + 0.15f * hash01(warp ? x : y, (warp ? y : x) / 3, 7);
      float light = 0.35f + 0.65f * round * (0.8f + 0.2f * std::sin(along * 3.14159f));
      // sheen: warp tows catch the light on the left half of the screen, weft tows on the right
      float sheen = warp ? 0.55f + 0.45f * std::cos((x - 200) / 420.0f) : 0.55f + 0.45f * std::cos((x - 600) / 420.0f);
      float g = (14 + 38 * light * sheen) * fibre;
      Rgb c{g * 0.92f, g * 0.97f, g * 1.08f};
      float vy = (y - 280) / 320.0f, vx = (x - 400) / 420.0f;
      c = c * (1.05f - 0.4f * clamp01(vx * vx + vy * vy));
      img.at(x, y) = c;
    }
  const Rgb blue{60, 150, 255}, blue_dim{30, 70, 140};
  // A glowing blue line with a soft halo on both sides.
  auto glow_hline = [&](int x0, int x1, int y, float strength) {
    for (int x = x0; x <= x1; ++x)
      for (int d = -4; d <= 4; ++d) img.blend(x, y + d, blue, strength * (d == 0 ? 1.0f : 0.3f / (std::abs(d) + 0.5f)));
  };
  auto glow_vline = [&](int x, int y0, int y1, float strength) {
    for (int y = y0; y <= y1; ++y)
      for (int d = -4; d <= 4; ++d) img.blend(x + d, y, blue, strength * (d == 0 ? 1.0f : 0.3f / (std::abs(d) + 0.5f)));
  };
  // Header bar of dark brushed gunmetal with a blue edge.
  for (int y = 0; y <= 28; ++y)
    for (int x = 0; x < W; ++x) {
      float brushed = value_noise(x / 70.0f, y / 1.1f, 5);
      float g = 30 + 16 * brushed + 10 * (1 - y / 28.0f);
      img.at(x, y) = Rgb{g * 0.9f, g * 0.96f, g * 1.1f};
    }
  glow_hline(0, W - 1, 29, 0.7f);
  // The magazine's name, spaced out, glowing faintly in the header.
  {
    const std::string name = "Z E L V O R A N T";
    int x0 = 400 - 9 * static_cast<int>(name.size()) / 2;
    for (int d = 2; d >= 1; --d)
      for (int oy = -d; oy <= d; ++oy)
        for (int ox = -d; ox <= d; ++ox)
          caption_big(img, font, name, x0 + ox, 3 + oy, 9 * static_cast<int>(name.size()), 19, blue, Rgb{},
                      0.0f, 0.12f);
    caption_big(img, font, name, x0, 3, 9 * static_cast<int>(name.size()), 19, Rgb{170, 210, 255}, Rgb{0, 10, 30});
  }
  for (int y = 572 + 14; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      float brushed = value_noise(x / 70.0f, y / 1.1f, 6);
      float g = 24 + 14 * brushed;
      img.at(x, y) = Rgb{g * 0.9f, g * 0.96f, g * 1.1f};
    }
  glow_hline(0, W - 1, 585, 0.5f);

  // Black glass panels: a faint diagonal reflection, a blue rim of light.
  auto glass = [&](int x0, int y0, int x1, int y1, float max_level) {
    drop_shadow(img, x0, y0, x1, y1, 7, 0.6f);
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        float t = (x - x0) / float(x1 - x0 + 1) * 0.6f + (y - y0) / float(y1 - y0 + 1) * 0.4f;
        float refl = smoothstep(0.25f, 0.0f, std::fabs(t - 0.22f)) * 0.6f + 0.4f * (1 - t);
        float g = 3 + max_level * refl * (0.9f + 0.2f * hash01(x, y, 9));
        img.at(x, y) = Rgb{g * 0.7f, g * 0.85f, g * 1.25f};
      }
    bevel(img, x0, y0, x1, y1, 2, false, Rgb{90, 110, 140}, Rgb{0, 0, 0}, 0.8f);
    for (int x = x0 - 1; x <= x1 + 1; ++x) img.blend(x, y0 - 1, blue_dim, 0.9f), img.blend(x, y1 + 1, blue, 0.9f);
    for (int y = y0 - 1; y <= y1 + 1; ++y) img.blend(x0 - 1, y, blue_dim, 0.9f), img.blend(x1 + 1, y, blue, 0.7f);
  };
  glass(138, 36, 659, 155, 16);
  glass(14, 186, 775, 578, 3);
  glass(781, 191, 795, 578, 12);
  // Corner brackets of blue light at the panel's corners.
  auto bracket = [&](int x, int y, int dx, int dy) {
    glow_hline(std::min(x, x + dx * 24), std::max(x, x + dx * 24), y, 0.9f);
    glow_vline(x, std::min(y, y + dy * 24), std::max(y, y + dy * 24), 0.9f);
  };
  bracket(10, 182, 1, 1);
  bracket(798, 182, -1, 1);
  bracket(10, 582, 1, -1);
  bracket(798, 582, -1, -1);
  bracket(134, 32, 1, 1);
  bracket(663, 32, -1, 1);
  // A row of dim blue dots under the visualiser strip, a scale for the bars.
  for (int x = 160; x <= 634; x += 8) img.blend(x, 153, blue, x % 40 == 0 ? 0.8f : 0.4f);
  // Buttons: black glass plates with a gloss along the top, blue light rising
  // from the bottom edge, and white captions. The lit tint (alpha 95 of
  // (100,150,250)) lifts the glass a good deal, so the glass behind the
  // letters is kept nearly black: that keeps a lit caption above 7:1. The
  // gloss and the glow stay in the rows above and below the letters.
  for (int k = 0; k < 10; ++k) {
    const Rect& b = kCarbonButtons[k];
    int x0 = b.x, y0 = b.y, x1 = b.x + b.w, y1 = b.y + b.h;
    drop_shadow(img, x0, y0, x1, y1, 5, 0.7f);
    // On the 9-row MUSIC plates gloss and glow are one row each.
    float spread = b.h > 10 ? 2.0f : 0.4f;
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) {
        float t = static_cast<float>(y - y0 - 1), u = static_cast<float>(y1 - 1 - y);
        float gloss = 48 * std::exp(-t * t / spread) * (0.8f + 0.2f * (x - x0) / float(x1 - x0));
        float g = 7 + gloss;
        img.at(x, y) = Rgb{g * 0.75f, g * 0.9f, g * 1.25f};
        img.blend(x, y, blue, 0.4f * std::exp(-u * u / spread));
      }
    for (int x = x0; x <= x1; ++x) img.blend(x, y0, Rgb{150, 190, 240}, 0.55f), img.blend(x, y1, blue, 0.8f);
    for (int y = y0; y <= y1; ++y) img.blend(x0, y, Rgb{80, 130, 200}, 0.6f), img.blend(x1, y, Rgb{40, 90, 170}, 0.6f);
    Rgb ink{245, 250, 255}, shadow{0, 4, 16};
    if (k < 6)
      caption_big(img, font, kCaptions[k], x0, y0, b.w, b.h, ink, shadow, 0.85f, kSolidInk);
    else
      caption_small(img, kTinyFont, kCaptions[k], x0, y0, b.w, b.h, ink, shadow);
    // a small blue indicator light beside each large button
    if (k < 6) {
      int lx = b.x < 400 ? x0 - 9 : x1 + 9, ly = (y0 + y1) / 2;
      for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx) {
          float d = std::sqrt(float(dx * dx + dy * dy));
          img.blend(lx + dx, ly + dy, blue, clamp01(1.4f - d * 0.45f));
        }
    }
  }
  for (auto [x, y] : std::initializer_list<std::pair<int, int>>{{8, 14}, {791, 14}, {8, 592}, {791, 592}})
    rivet(img, x + 0.5f, y + 0.5f, 3.5f, Rgb{120, 130, 150}, true);
  return img;
}

// ---- Palette -----------------------------------------------------------------

// Median cut over the picture's colours (weighted by pixel count) to 256
// entries, then each pixel to its nearest entry.
void quantise(const Image& img, std::vector<uint8_t>& out) {
  std::vector<std::array<uint8_t, 3>> px(img.px.size());
  for (size_t i = 0; i < px.size(); ++i) {
    const Rgb& c = img.px[i];
    px[i] = {static_cast<uint8_t>(std::lround(std::clamp(c.r, 0.0f, 255.0f))),
             static_cast<uint8_t>(std::lround(std::clamp(c.g, 0.0f, 255.0f))),
             static_cast<uint8_t>(std::lround(std::clamp(c.b, 0.0f, 255.0f)))};
  }
  std::unordered_map<uint32_t, uint32_t> hist;
  for (auto& p : px) ++hist[static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2]];
  struct Entry {
    uint8_t c[3];
    uint32_t n;
  };
  std::vector<Entry> colours;
  colours.reserve(hist.size());
  for (auto& [k, n] : hist)
    colours.push_back({{static_cast<uint8_t>(k >> 16), static_cast<uint8_t>(k >> 8), static_cast<uint8_t>(k)}, n});
  std::sort(colours.begin(), colours.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.c[0], a.c[1], a.c[2]) < std::tie(b.c[0], b.c[1], b.c[2]);
  });
  struct Box {
    size_t begin, end;
  };
  std::vector<Box> boxes{{0, colours.size()}};
  auto score = [&](const Box& b, int& axis) {
    int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0};
    double n = 0;
    for (size_t i = b.begin; i < b.end; ++i) {
      for (int a = 0; a < 3; ++a) lo[a] = std::min<int>(lo[a], colours[i].c[a]), hi[a] = std::max<int>(hi[a], colours[i].c[a]);
      n += colours[i].n;
    }
    axis = 0;
    for (int a = 1; a < 3; ++a)
      if (hi[a] - lo[a] > hi[axis] - lo[axis]) axis = a;
    int range = hi[axis] - lo[axis];
    return range == 0 || b.end - b.begin < 2 ? -1.0 : std::sqrt(n) * range;
  };
  while (boxes.size() < 256) {
    double best = -1;
    size_t bi = 0;
    int baxis = 0;
    for (size_t i = 0; i < boxes.size(); ++i) {
      int axis;
      double s = score(boxes[i], axis);
      if (s > best) best = s, bi = i, baxis = axis;
    }
    if (best < 0) break;
    Box b = boxes[bi];
    std::sort(colours.begin() + b.begin, colours.begin() + b.end,
              [&](const Entry& x, const Entry& y) { return x.c[baxis] < y.c[baxis]; });
    double total = 0, acc = 0;
    for (size_t i = b.begin; i < b.end; ++i) total += colours[i].n;
    size_t mid = b.begin + 1;
    for (size_t i = b.begin; i < b.end - 1; ++i) {
      acc += colours[i].n;
      mid = i + 1;
      if (acc >= total / 2) break;
    }
    boxes[bi] = {b.begin, mid};
    boxes.push_back({mid, b.end});
  }
  std::vector<std::array<int, 3>> pal;
  for (const Box& b : boxes) {
    double s[3] = {0, 0, 0}, n = 0;
    for (size_t i = b.begin; i < b.end; ++i) {
      for (int a = 0; a < 3; ++a) s[a] += colours[i].c[a] * double(colours[i].n);
      n += colours[i].n;
    }
    pal.push_back({static_cast<int>(std::lround(s[0] / n)), static_cast<int>(std::lround(s[1] / n)),
                   static_cast<int>(std::lround(s[2] / n))});
  }
  while (pal.size() < 256) pal.push_back({0, 0, 0});
  // Darker entries first, so that index order reads as a ramp.
  std::sort(pal.begin(), pal.end(), [](const auto& a, const auto& b) {
    return a[0] * 3 + a[1] * 6 + a[2] < b[0] * 3 + b[1] * 6 + b[2];
  });
  out.assign(768 + px.size(), 0);
  for (int k = 0; k < 256; ++k)
    for (int a = 0; a < 3; ++a) out[k * 3 + a] = static_cast<uint8_t>(pal[k][a]);
  std::unordered_map<uint32_t, uint8_t> nearest;
  for (size_t i = 0; i < px.size(); ++i) {
    uint32_t key = static_cast<uint32_t>(px[i][0]) << 16 | px[i][1] << 8 | px[i][2];
    auto it = nearest.find(key);
    if (it == nearest.end()) {
      int best = 0, bestd = 1 << 30;
      for (int k = 0; k < 256; ++k) {
        int dr = pal[k][0] - px[i][0], dg = pal[k][1] - px[i][1], db = pal[k][2] - px[i][2];
        int d = 3 * dr * dr + 6 * dg * dg + db * db;
        if (d < bestd) bestd = d, best = k;
      }
      it = nearest.emplace(key, static_cast<uint8_t>(best)).first;
    }
    out[768 + i] = it->second;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: skingen FONT.bin OUT.bin\n";
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  Font font{std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>())};
  if (font.bytes.size() != static_cast<size_t>(kFontAtlasBytes + zel::kFontShadeBytes)) {
    std::cerr << argv[1] << ": not a font of 57,344 + 768 bytes\n";
    return 1;
  }
  std::vector<uint8_t> all, one;
  quantise(paint_grunge(font), one);
  all.insert(all.end(), one.begin(), one.end());
  quantise(paint_carbon(font), one);
  all.insert(all.end(), one.begin(), one.end());
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out || std::fwrite(all.data(), 1, all.size(), out) != all.size() || std::fclose(out) != 0) {
    std::cerr << argv[2] << ": cannot write\n";
    return 1;
  }
  return 0;
}
