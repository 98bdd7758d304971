#include "platform/scaling.h"

#include <algorithm>
#include <cmath>

namespace zel {

bool PictureFit::needs_filter() const { return dest.w != src_w * whole_factor || dest.h != src_h * whole_factor; }

PictureFit fit_picture(int src_w, int src_h, int out_w, int out_h, ScaleMode mode) {
  PictureFit fit;
  fit.src_w = src_w;
  fit.src_h = src_h;
  if (src_w <= 0 || src_h <= 0 || out_w <= 0 || out_h <= 0) return fit;
  int whole = std::min(out_w / src_w, out_h / src_h);
  fit.whole_factor = std::max(1, whole);
  long long w = 0;
  long long h = 0;
  if (mode == ScaleMode::Integer && whole >= 1) {
    w = static_cast<long long>(src_w) * whole;
    h = static_cast<long long>(src_h) * whole;
  } else if (static_cast<long long>(out_w) * src_h <= static_cast<long long>(out_h) * src_w) {
    // The width limits: full width, height in proportion (rounded).
    w = out_w;
    h = (2LL * out_w * src_h + src_w) / (2LL * src_w);
  } else {
    h = out_h;
    w = (2LL * out_h * src_w + src_h) / (2LL * src_h);
  }
  w = std::clamp<long long>(w, 1, out_w);
  h = std::clamp<long long>(h, 1, out_h);
  fit.dest = {static_cast<int>((out_w - w) / 2), static_cast<int>((out_h - h) / 2), static_cast<int>(w),
              static_cast<int>(h)};
  return fit;
}

void output_to_picture(const PictureFit& fit, double out_x, double out_y, int* pic_x, int* pic_y) {
  if (fit.dest.w <= 0 || fit.dest.h <= 0) {
    *pic_x = 0;
    *pic_y = 0;
    return;
  }
  double fx = std::floor((out_x - fit.dest.x) * fit.src_w / fit.dest.w);
  double fy = std::floor((out_y - fit.dest.y) * fit.src_h / fit.dest.h);
  *pic_x = static_cast<int>(std::clamp(fx, 0.0, static_cast<double>(fit.src_w - 1)));
  *pic_y = static_cast<int>(std::clamp(fy, 0.0, static_cast<double>(fit.src_h - 1)));
}

}  // namespace zel
