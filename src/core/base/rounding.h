// Rounding to a whole number the way the build run needs it everywhere
// (thumbnail sizes, watermark offsets): nearest integer, an exact half goes to
// the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
//
// Written out by hand rather than relying on std::nearbyint so the result does
// not depend on the floating-point rounding mode some library may have left
// behind. Values outside the int32 range are clamped; NaN gives 0.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace vr {

inline std::int32_t RoundHalfEven(double value) {
  if (std::isnan(value)) return 0;
  constexpr double kMin = static_cast<double>(std::numeric_limits<std::int32_t>::min());
  constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
  if (value <= kMin) return std::numeric_limits<std::int32_t>::min();
  if (value >= kMax) return std::numeric_limits<std::int32_t>::max();

  const double floor_value = std::floor(value);
  const double fraction = value - floor_value;  // exact for doubles in int32 range
  double rounded = floor_value;
  if (fraction > 0.5) {
    rounded = floor_value + 1.0;
  } else if (fraction == 0.5) {
    // Tie: keep the even one of floor and floor + 1.
    rounded = (std::fmod(floor_value, 2.0) == 0.0) ? floor_value : floor_value + 1.0;
  }
  return static_cast<std::int32_t>(rounded);
}

// The same rule for half of a whole number, done in integers so it is exact
// for any 64-bit value (-185 / 2 -> -92, 5 / 2 -> 2, 7 / 2 -> 4).
inline std::int64_t HalveToEven(std::int64_t value) {
  const std::int64_t floor_half = value >> 1;  // floor, negative values included (C++20)
  if (value % 2 == 0) return floor_half;
  // value / 2 is floor_half + 0.5: keep whichever neighbour is even.
  return (floor_half % 2 == 0) ? floor_half : floor_half + 1;
}

}  // namespace vr
