// Where the watermark goes (every region seen in the pixels, the centre's
// half pixel to even, larger watermarks, sizes beyond 32 bits) and how each
// mode code blends it.
#include "thumbnail/watermark.h"

#include <gtest/gtest.h>

#include <ostream>

#include "core/imaging/pixel_test_util.h"

namespace vr {

void PrintTo(const WMOffset& o, std::ostream* out) { *out << '(' << o.x << ", " << o.y << ')'; }

namespace {

using test::MakeImage;
using test::PixelAt;
using test::Rgba;

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kHuge = std::int64_t{1} << 40;
const Rgba kBlack{0, 0, 0, 255}, kWhite{255, 255, 255, 255};

// Where a one-pixel watermark lands on a 5 x 5 picture, counted from the
// picture's top: regions run down each column, left column first; one
// outside 1..9 is the bottom-left corner.
TEST(WMPlacementTest, EachRegionIsItsOwnCell) {
  const int cells[][3] = {{1, 0, 0}, {2, 0, 2}, {3, 0, 4}, {4, 2, 0}, {5, 2, 2}, {6, 2, 4},
                          {7, 4, 0}, {8, 4, 2}, {9, 4, 4}, {0, 0, 4}, {10, 0, 4}};
  for (const auto& [area, column, row] : cells) {
    Image picture = MakeImage(5, 5, kBlack);
    ASSERT_TRUE(ApplyMask(picture, MakeImage(1, 1, kWhite), GetWMPoint(5, 5, 1, 1, area), 100, 5));
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 5; ++x)
        EXPECT_EQ(PixelAt(picture, x, y), x == column && y == row ? kWhite : kBlack) << area;
  }
}

struct PointCase {
  std::int64_t picture_width, picture_height, wm_width, wm_height;
  std::int32_t area;
  WMOffset expected;
};

class WMPointTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(WMPointTest, GivesTheRegionsOffset) {
  const PointCase& c = GetParam();
  EXPECT_EQ(GetWMPoint(c.picture_width, c.picture_height, c.wm_width, c.wm_height, c.area), c.expected);
}

// y counts from the bottom; the centre's half pixel ties to the even
// neighbour in both signs; a larger watermark turns the signs; differences
// beyond 32 bits stay exact.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Offsets, WMPointTest, ::testing::Values(
    PointCase{300, 225, 100, 40, 2, {0, -92}}, PointCase{300, 225, 100, 40, 7, {-200, -185}},
    PointCase{301, 226, 100, 40, 5, {-100, -93}}, PointCase{7, 7, 4, 4, 5, {-2, -2}},
    PointCase{5, 5, 4, 4, 5, {0, 0}}, PointCase{9, 9, 4, 4, 5, {-2, -2}}, PointCase{4, 4, 7, 7, 5, {2, 2}},
    PointCase{4, 4, 9, 9, 5, {2, 2}}, PointCase{80, 60, 100, 100, 1, {0, 40}},
    PointCase{80, 60, 100, 100, 9, {20, 0}}, PointCase{300, 225, 100, 40, kIntMin, {0, 0}},
    PointCase{80, 60, 100, 100, kIntMax, {0, 0}}, PointCase{0, 0, kHuge, 3 * kHuge, 7, {kHuge, 3 * kHuge}},
    PointCase{kHuge, 0, 0, 0, 8, {-kHuge, 0}}));
// clang-format on

TEST(WMPlacementTest, OffsetsBeyond32BitsAreClampedAndALargerWatermarkIsCut) {
  for (const std::int64_t fits : {std::int64_t{-65534}, std::int64_t{kIntMin}, std::int64_t{kIntMax}})
    EXPECT_EQ(ClampOffset(fits), fits);
  EXPECT_EQ(ClampOffset(kHuge), kIntMax);
  EXPECT_EQ(ClampOffset(-kHuge), kIntMin);
  // A 4 x 4 watermark top right on a 2 x 2 picture shows its own top-right corner.
  const Image watermark = test::MakeRandomImage(4, 4, 9);
  Image picture = MakeImage(2, 2, kWhite);
  ASSERT_TRUE(ApplyMask(picture, watermark, GetWMPoint(2, 2, 4, 4, 7), 100, 5));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(PixelAt(picture, x, y), PixelAt(watermark, x + 2, y)) << x << "," << y;
}

// One opaque grey 0x60 pixel under an opaque 0xA0 watermark, values chosen
// so the bitwise modes differ; codes outside 0..9 mix nothing; opacity is
// passed on. Codes 5 and 8 differ where the picture is transparent: the
// source blend weights the colours by alpha, the copy does not.
TEST(ApplyMaskTest, EachCodeBlendsByItsRule) {
  // clang-format off
  const int blends[][3] = {{0, 100, 0xFF}, {1, 100, 0x20}, {2, 100, 0xC0}, {3, 100, 0xE0}, {4, 100, 60},
                           {5, 100, 0xA0}, {6, 100, 0x60}, {7, 100, 0x00}, {8, 100, 0xA0}, {5, 50, 0x80},
                           {9, 100, 0xA0}, {9, 50, 0x80}, {10, 100, 0x60}, {-1, 100, 0x60},
                           {kIntMin, 100, 0x60}};
  // clang-format on
  const Image watermark = MakeImage(1, 1, Rgba{0xA0, 0xA0, 0xA0, 255});
  for (const auto& [code, opacity, value] : blends) {
    Image picture = MakeImage(1, 1, Rgba{0x60, 0x60, 0x60, 255});
    EXPECT_EQ(ApplyMask(picture, watermark, WMOffset{}, opacity, code), code >= 0 && code <= 9);
    const auto v = static_cast<std::uint8_t>(value);
    EXPECT_EQ(PixelAt(picture, 0, 0), (Rgba{v, v, v, 255})) << "code " << code;
  }
  Image copy = MakeImage(1, 1, Rgba{0x60, 0x60, 0x60, 0}), blend = copy;
  ApplyMask(copy, watermark, WMOffset{}, 50, 5);
  ApplyMask(blend, watermark, WMOffset{}, 50, 8);
  EXPECT_NE(copy.pixels, blend.pixels);
  // Normal is the source blend by name.
  Image normal = MakeImage(1, 1, Rgba{0x60, 0x60, 0x60, 0});
  ApplyMask(normal, watermark, WMOffset{}, 50, kNormalWMMode);
  EXPECT_EQ(normal.pixels, blend.pixels);
}

}  // namespace
}  // namespace vr
