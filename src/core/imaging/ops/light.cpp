#include "imaging/ops/light.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "imaging/ops/tone.h"

namespace vr {
namespace {

struct Levels {
  int brightness;
  int contrast;
};

Levels Clamped(int brightness, int contrast) {
  return {std::clamp(brightness, -255, 255), std::clamp(contrast, -255, 255)};
}

int Apply(int value, Levels levels) {
  const double factor = (259.0 * (levels.contrast + 255)) / (255.0 * (259 - levels.contrast));
  // At contrast 0 the factor is exactly 1.0, so v - 128 comes back unchanged.
  const double out = factor * (value - 128) + 128 + levels.brightness;
  return static_cast<int>(std::clamp(std::lround(out), 0L, 255L));
}

}  // namespace

void AdjustLight(Image& image, int brightness, int contrast) {
  const Levels levels = Clamped(brightness, contrast);
  if ((levels.brightness == 0 && levels.contrast == 0) || image.empty()) return;
  ToneTable table;
  for (int v = 0; v < 256; ++v) table[v] = static_cast<std::uint8_t>(Apply(v, levels));
  ApplyToneTable(image, table);
}

}  // namespace vr
