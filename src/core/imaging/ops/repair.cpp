#include "imaging/ops/repair.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "imaging/ops/tone.h"

namespace vr {

void RepairGamma(Image& image, float correction) {
  double c = std::isfinite(correction) ? static_cast<double>(correction) : 0.0;
  c = std::clamp(c, -8.0, 8.0);
  if (c == 0.0 || image.empty()) return;
  const double gamma = std::exp2(-c);
  ToneTable table;
  for (int v = 0; v < 256; ++v) {
    const double out = 255.0 * std::pow(v / 255.0, gamma);
    table[v] = static_cast<std::uint8_t>(std::clamp(std::lround(out), 0L, 255L));
  }
  ApplyToneTable(image, table);
}

}  // namespace vr
