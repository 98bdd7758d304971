// The FrameBuffer: 800x600 pixels of 0x00RRGGBB, row-major, (0,0) top left.
// Everything visible is drawn into it on the main thread and presented by
// Platform::display_update.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace zel {

constexpr int kScreenW = 800;
constexpr int kScreenH = 600;

struct FrameBuffer {
  std::vector<uint32_t> px = std::vector<uint32_t>(static_cast<size_t>(kScreenW) * kScreenH, 0);

  uint32_t* data() { return px.data(); }
  const uint32_t* data() const { return px.data(); }
  void clear(uint32_t colour = 0) { std::fill(px.begin(), px.end(), colour); }
  static bool inside(int x, int y) { return x >= 0 && x < kScreenW && y >= 0 && y < kScreenH; }
  uint32_t get(int x, int y) const { return inside(x, y) ? px[static_cast<size_t>(y) * kScreenW + x] : 0; }
  // Writes one pixel; positions outside the buffer are ignored.
  void put(int x, int y, uint32_t c) {
    if (inside(x, y)) px[static_cast<size_t>(y) * kScreenW + x] = c;
  }
};

}  // namespace zel
