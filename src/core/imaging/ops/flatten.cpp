#include "imaging/ops/flatten.h"

#include <cstddef>

namespace vr {
namespace {

// x / 255 rounded to the nearest whole number, exact for x up to 255 * 255.
inline std::uint8_t DivideBy255(std::uint32_t x) {
  x += 128;
  return static_cast<std::uint8_t>((x + (x >> 8)) >> 8);
}

}  // namespace

void FlattenOnto(Image& image, Background background) {
  const std::uint8_t under[3] = {background.red, background.green, background.blue};
  std::uint8_t* p = image.pixels.data();
  for (std::size_t i = 0, n = image.pixels.size(); i < n; i += 4) {
    const std::uint32_t alpha = p[i + 3];
    if (alpha == 255) continue;
    for (int c = 0; c < 3; ++c) p[i + c] = DivideBy255(p[i + c] * alpha + under[c] * (255 - alpha));
    p[i + 3] = 255;
  }
}

void FillTransparent(Image& image, Background background) {
  std::uint8_t* p = image.pixels.data();
  for (std::size_t i = 0, n = image.pixels.size(); i < n; i += 4) {
    if (p[i + 3] != 0) continue;
    p[i] = background.red;
    p[i + 1] = background.green;
    p[i + 2] = background.blue;
  }
}

}  // namespace vr
