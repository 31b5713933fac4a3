#include "imaging/ops/colorize.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "imaging/ops/tone.h"

namespace vr {
namespace {

// Rounds n / 255 to the nearest whole number, halves away from zero, so
// pushing colour up and pulling it down are mirror images.
int DivideBy255Rounded(int n) { return n >= 0 ? (n + 127) / 255 : -((-n + 127) / 255); }

}  // namespace

void Colorize(Image& image, int saturation) {
  saturation = std::clamp(saturation, -255, 255);
  if (saturation == 0 || image.empty()) return;
  const int scale = 255 + saturation;  // 0..510, in 255ths
  std::uint8_t* p = image.pixels.data();
  const std::size_t count = image.pixels.size();
  for (std::size_t i = 0; i < count; i += 4) {
    const int y = Luma601(p[i], p[i + 1], p[i + 2]);
    for (int c = 0; c < 3; ++c) {
      const int out = y + DivideBy255Rounded((p[i + c] - y) * scale);
      p[i + c] = static_cast<std::uint8_t>(std::clamp(out, 0, 255));
    }
  }
}

}  // namespace vr
