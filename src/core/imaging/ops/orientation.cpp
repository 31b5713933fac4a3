#include "imaging/ops/orientation.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

namespace vr {
namespace {

// Source pixel for output pixel (x, y) is (x0 + x*xx + y*xy, y0 + x*yx + y*yy),
// in source coordinates. One table entry per orientation.
struct Mapping {
  bool swaps_sides;
  int xx, xy, yx, yy;  // each -1, 0 or 1
};

Mapping MappingFor(int orientation) {
  switch (orientation) {
    case 2:
      return {false, -1, 0, 0, 1};
    case 3:
      return {false, -1, 0, 0, -1};
    case 4:
      return {false, 1, 0, 0, -1};
    case 5:
      return {true, 0, 1, 1, 0};  // out(x, y) = in(y, x)
    case 6:
      return {true, 0, 1, -1, 0};  // out(x, y) = in(y, H-1-x)
    case 7:
      return {true, 0, -1, -1, 0};  // out(x, y) = in(W-1-y, H-1-x)
    case 8:
      return {true, 0, -1, 1, 0};  // out(x, y) = in(W-1-y, x)
    default:
      return {false, 1, 0, 0, 1};
  }
}

std::uint32_t LoadPixel(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void StorePixel(std::uint8_t* p, std::uint32_t v) { std::memcpy(p, &v, 4); }

// Side of the square tiles a quarter turn is copied in, so that both the
// rows read and the rows written stay in cache.
constexpr int kTile = 64;

}  // namespace

void ApplyOrientation(Image& image, int orientation) {
  if (orientation < 2 || orientation > 8 || image.empty()) return;
  const Mapping m = MappingFor(orientation);
  const int in_w = image.width;
  const int in_h = image.height;
  const int out_w = m.swaps_sides ? in_h : in_w;
  const int out_h = m.swaps_sides ? in_w : in_h;
  // The corner a negative step starts from.
  const int x0 = (m.xx < 0 || m.xy < 0) ? in_w - 1 : 0;
  const int y0 = (m.yx < 0 || m.yy < 0) ? in_h - 1 : 0;

  Image out;
  out.Resize(out_w, out_h);
  for (int ty = 0; ty < out_h; ty += kTile) {
    const int ty_end = std::min(out_h, ty + kTile);
    for (int tx = 0; tx < out_w; tx += kTile) {
      const int tx_end = std::min(out_w, tx + kTile);
      for (int y = ty; y < ty_end; ++y) {
        std::uint8_t* dst = out.at(tx, y);
        for (int x = tx; x < tx_end; ++x, dst += 4) {
          const int sx = x0 + x * m.xx + y * m.xy;
          const int sy = y0 + x * m.yx + y * m.yy;
          StorePixel(dst, LoadPixel(image.at(sx, sy)));
        }
      }
    }
  }
  image = std::move(out);
}

}  // namespace vr
