#include "imaging/ops/repair.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace vr {

void RepairGamma(Image& image, float correction) {
  double c = std::isfinite(correction) ? static_cast<double>(correction) : 0.0;
  c = std::clamp(c, -8.0, 8.0);
  if (c == 0.0 || image.empty()) return;
  const double gamma = std::exp2(-c);
  std::array<std::uint8_t, 256> table;
  for (int v = 0; v < 256; ++v) {
    const double out = 255.0 * std::pow(v / 255.0, gamma);
    table[v] = static_cast<std::uint8_t>(std::clamp(std::lround(out), 0L, 255L));
  }
  std::uint8_t* p = image.pixels.data();
  const std::size_t count = image.pixels.size();
  for (std::size_t i = 0; i < count; i += 4) {
    p[i] = table[p[i]];
    p[i + 1] = table[p[i + 1]];
    p[i + 2] = table[p[i + 2]];
  }
}

}  // namespace vr
