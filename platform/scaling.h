// Where the picture goes on a real screen, and where a pointer on that screen
// lands in the picture.
//
// The frame buffer (800x600) is shown in whatever output the window really
// has, with its aspect kept and black bars around it. Sharp scaling enlarges
// by the largest whole factor that fits with nearest-neighbour pixels, then
// filters the remaining fraction linearly, so every source pixel becomes a
// block of even width; integer scaling stops at the whole factor and leaves
// wider bars. Plain arithmetic, no platform calls: the SDL backend uses it
// every frame, and any other backend can.
#pragma once

namespace zel {

enum class ScaleMode { Sharp, Integer };

struct ScreenRect {
  int x = 0;
  int y = 0;
  int w = 0;
  int h = 0;
  bool operator==(const ScreenRect&) const = default;
};

// The presentation of a src_w x src_h picture in an out_w x out_h output.
struct PictureFit {
  int whole_factor = 1;  // nearest-neighbour stage: the picture at whole_factor x its size
  ScreenRect dest;       // where the picture lands in the output (output pixels)
  // True when the linear stage has work to do (the destination is not the
  // nearest-neighbour picture at its own size).
  bool needs_filter() const;
  int src_w = 0;
  int src_h = 0;
};

// Fits the picture into the output. An output smaller than the picture
// shrinks it (linearly, in either mode); an empty output gives an empty
// destination.
PictureFit fit_picture(int src_w, int src_h, int out_w, int out_h, ScaleMode mode);

// Maps an output position (output pixels, may be fractional, may lie in the
// bars or outside the output) to the picture pixel under it, clamped to the
// picture so that the pointer sticks to the nearest edge.
void output_to_picture(const PictureFit& fit, double out_x, double out_y, int* pic_x, int* pic_y);

}  // namespace zel
