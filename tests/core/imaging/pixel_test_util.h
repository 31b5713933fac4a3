// Small helpers the pixel-operation tests share: building pictures and
// reading pixels.
#pragma once

#include <array>
#include <cstdint>
#include <random>

#include "imaging/image.h"

namespace vr::test {

using Rgba = std::array<std::uint8_t, 4>;

inline Image MakeImage(int width, int height, Rgba fill) {
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int c = 0; c < 4; ++c) image.at(x, y)[c] = fill[c];
  return image;
}

// Opaque noise unless `random_alpha`.
inline Image MakeRandomImage(int width, int height, std::uint32_t seed, bool random_alpha = false) {
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  Image image;
  image.Resize(width, height);
  for (std::size_t i = 0; i < image.pixels.size(); ++i)
    image.pixels[i] = (i % 4 == 3 && !random_alpha) ? 255 : static_cast<std::uint8_t>(byte(rng));
  return image;
}

inline Rgba PixelAt(const Image& image, int x, int y) {
  const std::uint8_t* p = image.at(x, y);
  return {p[0], p[1], p[2], p[3]};
}

inline void SetPixel(Image& image, int x, int y, Rgba value) {
  for (int c = 0; c < 4; ++c) image.at(x, y)[c] = value[c];
}

}  // namespace vr::test
