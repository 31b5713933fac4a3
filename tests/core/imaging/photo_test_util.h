// Photo-like test pictures and JPEG files made from them, for the tests that
// hold a short cut (shrinking in the DCT, skipping scans) to a full decode.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "imaging/image.h"

namespace vr::test {

// Detail at every scale a thumbnail keeps or loses: broad gradients, ripples
// of several frequencies and directions, hard-edged discs and fine grain.
// Deterministic for a seed.
inline Image MakeDetailedPhoto(int width, int height, std::uint32_t seed = 1) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Disc {
    double x, y, r, level;
  };
  std::vector<Disc> discs(12);
  for (Disc& d : discs) d = {unit(rng) * width, unit(rng) * height, 5 + unit(rng) * width / 10, unit(rng)};
  std::normal_distribution<double> grain(0.0, 6.0);
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      double base = 60 + 120.0 * x / width + 30 * std::sin(y * 0.013);
      base += 25 * std::sin(x * 0.21 + y * 0.05) + 15 * std::sin(x * 0.043 - y * 0.37);
      for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) < d.r * d.r)
          base = base * 0.5 + 255 * d.level * 0.5;
      const double g = grain(rng);
      std::uint8_t* p = image.at(x, y);
      p[0] = static_cast<std::uint8_t>(std::clamp(base + g, 0.0, 255.0));
      p[1] = static_cast<std::uint8_t>(std::clamp(base * 0.8 + 40 * std::cos(y * 0.11) + g, 0.0, 255.0));
      p[2] = static_cast<std::uint8_t>(std::clamp(255 - base * 0.7 + g, 0.0, 255.0));
      p[3] = 255;
    }
  return image;
}

// Puts an APP1 EXIF segment with the given orientation right after SOI.
inline std::vector<std::uint8_t> WithExifOrientation(std::vector<std::uint8_t> jpeg,
                                                     std::uint8_t orientation) {
  const std::vector<std::uint8_t> app1 = {
      0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 0x4D, 0x4D,        0, 42, 0, 0, 0, 8,
      0,    1,    1,    0x12, 0,   3,   0,   0,   0, 1, 0,    orientation, 0, 0,  0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  return jpeg;
}

}  // namespace vr::test
