// Rounding to whole numbers: the nearest, an exact half to the even
// neighbour in both signs; beyond int32 clamped, NaN gives 0.
#include "base/rounding.h"

#include <gtest/gtest.h>

namespace vr {
namespace {

constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min(),
                       kMax = std::numeric_limits<std::int32_t>::max();

TEST(Rounding, HalvesGoToTheEvenNeighbour) {
  // clang-format off
  const std::pair<double, std::int32_t> cases[] = {
      {0.5, 0},   {1.5, 2},   {2.5, 2},   {2.4999, 2},   {2.5001, 3},   {1e10, kMax},  {2147483646.5, 2147483646},
      {-0.5, 0},  {-1.5, -2}, {-2.5, -2}, {-2.4999, -2}, {-2.5001, -3}, {-1e10, kMin}, {std::nan(""), 0}};
  // clang-format on
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << value;
  // Halving whole numbers is the same rule, done exactly for any 64-bit value.
  for (std::int64_t v = -9; v <= 9; ++v) EXPECT_EQ(HalveToEven(v), RoundHalfEven(v / 2.0)) << v;
  EXPECT_EQ(HalveToEven(INT64_MAX), INT64_MAX / 2 + 1);
  EXPECT_EQ(HalveToEven(INT64_MIN), INT64_MIN / 2);
}

}  // namespace
}  // namespace vr
