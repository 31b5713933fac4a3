#include "imaging/ops/tone.h"

#include <cstddef>

namespace vr {

void GrayScale(Image& image) {
  std::uint8_t* p = image.pixels.data();
  const std::size_t count = image.pixels.size();
  for (std::size_t i = 0; i < count; i += 4) {
    const auto y = static_cast<std::uint8_t>(Luma601(p[i], p[i + 1], p[i + 2]));
    p[i] = p[i + 1] = p[i + 2] = y;
  }
}

void Negative(Image& image) {
  std::uint8_t* p = image.pixels.data();
  const std::size_t count = image.pixels.size();
  for (std::size_t i = 0; i < count; i += 4) {
    p[i] = static_cast<std::uint8_t>(255 - p[i]);
    p[i + 1] = static_cast<std::uint8_t>(255 - p[i + 1]);
    p[i + 2] = static_cast<std::uint8_t>(255 - p[i + 2]);
  }
}

void ApplyToneTable(Image& image, const ToneTable& table) {
  std::uint8_t* p = image.pixels.data();
  const std::size_t count = image.pixels.size();
  for (std::size_t i = 0; i < count; i += 4) {
    p[i] = table[p[i]];
    p[i + 1] = table[p[i + 1]];
    p[i + 2] = table[p[i + 2]];
  }
}

}  // namespace vr
