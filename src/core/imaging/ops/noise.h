// Noise: every colour channel moves by a uniform whole number in
// [-level, +level] drawn from a generator seeded by `seed`; alpha is kept.
#pragma once

#include <cstdint>

#include "imaging/image.h"

namespace vr {

// `level` <= 0 leaves the picture exactly as it is; levels above 255 act as
// 255. The same picture, level and seed always give the same result, on any
// platform and standard library (the generator is our own PCG32, not one of
// the <random> distributions, whose output differs between libraries).
// Channels are drawn in memory order: R, G, B of each pixel, row by row from
// the top.
void AddNoise(Image& image, int level, std::uint32_t seed);

}  // namespace vr
