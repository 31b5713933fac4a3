// Where the watermark goes (every region, the centre's half pixel, larger
// watermarks, sizes beyond 32 bits) and how each mode code blends it.
#include "thumbnail/watermark.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <ostream>

#include "core/imaging/pixel_test_util.h"
#include "imaging/ops/mix.h"

namespace vr {

void PrintTo(const WMOffset& o, std::ostream* out) { *out << '(' << o.x << ", " << o.y << ')'; }

namespace {

using test::MakeImage;
using test::PixelAt;
using test::Rgba;

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kHuge = std::int64_t{1} << 40;

struct PointCase {
  std::int64_t picture_width, picture_height, wm_width, wm_height;
  std::int32_t area;
  WMOffset expected;
};

void PrintTo(const PointCase& c, std::ostream* out) {
  *out << "picture " << c.picture_width << "x" << c.picture_height << ", watermark " << c.wm_width << "x"
       << c.wm_height << ", region " << c.area << " -> (" << c.expected.x << ", " << c.expected.y << ")";
}

class WMPointTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(WMPointTest, GivesTheRegionsOffset) {
  const PointCase& c = GetParam();
  EXPECT_EQ(GetWMPoint(c.picture_width, c.picture_height, c.wm_width, c.wm_height, c.area), c.expected);
}

// Regions run down each column, left column first. On a 300 x 225 picture x
// is 0 at the left, -200 at the right; y is 0 at the bottom, -185 at the
// top; the centre row's -92.5 goes to the even -92. A larger watermark turns
// the signs; a region outside 1..9 is the bottom-left corner.
INSTANTIATE_TEST_SUITE_P(
    Regions, WMPointTest,
    ::testing::Values(
        PointCase{300, 225, 100, 40, 1, {0, -185}}, PointCase{300, 225, 100, 40, 2, {0, -92}},
        PointCase{300, 225, 100, 40, 3, {0, 0}}, PointCase{300, 225, 100, 40, 4, {-100, -185}},
        PointCase{300, 225, 100, 40, 5, {-100, -92}}, PointCase{300, 225, 100, 40, 6, {-100, 0}},
        PointCase{300, 225, 100, 40, 7, {-200, -185}}, PointCase{300, 225, 100, 40, 8, {-200, -92}},
        PointCase{300, 225, 100, 40, 9, {-200, 0}}, PointCase{80, 60, 100, 100, 1, {0, 40}},
        PointCase{80, 60, 100, 100, 5, {10, 20}}, PointCase{80, 60, 100, 100, 9, {20, 0}},
        PointCase{300, 225, 100, 40, 0, {0, 0}}, PointCase{300, 225, 100, 40, 10, {0, 0}},
        PointCase{300, 225, 100, 40, kIntMin, {0, 0}}, PointCase{80, 60, 100, 100, kIntMax, {0, 0}}));

// The centre's half pixel ties to the even neighbour in both signs; sizes
// whose differences do not fit 32 bits stay exact.
INSTANTIATE_TEST_SUITE_P(CentreAndLargeSizes, WMPointTest,
                         ::testing::Values(PointCase{7, 7, 4, 4, 5, {-2, -2}},  // -1.5 -> -2
                                           PointCase{5, 5, 4, 4, 5, {0, 0}},    // -0.5 -> 0
                                           PointCase{9, 9, 4, 4, 5, {-2, -2}},  // -2.5 -> -2
                                           PointCase{4, 4, 7, 7, 5, {2, 2}},    // 1.5 -> 2
                                           PointCase{4, 4, 9, 9, 5, {2, 2}},    // 2.5 -> 2
                                           PointCase{301, 226, 100, 40, 5, {-100, -93}},
                                           PointCase{65535, 65535, 1, 1, 5, {-32767, -32767}},
                                           PointCase{0, 0, kHuge, 3 * kHuge, 7, {kHuge, 3 * kHuge}},
                                           PointCase{kHuge, 0, 0, 0, 8, {-kHuge, 0}}));

TEST(ClampOffsetTest, NarrowsOnlyWhatDoesNotFit) {
  EXPECT_EQ(ClampOffset(-65534), -65534);
  EXPECT_EQ(ClampOffset(kIntMin), kIntMin);
  EXPECT_EQ(ClampOffset(kHuge), kIntMax);
  EXPECT_EQ(ClampOffset(-kHuge), kIntMin);
}

// Each code seen in the pixels: one opaque grey pixel 0x60 under an opaque
// 0xA0 watermark at full opacity, values chosen so the bitwise modes differ.
struct BlendCase {
  std::int32_t code;
  std::uint8_t expected;
};

class ApplyMaskPixelTest : public ::testing::TestWithParam<BlendCase> {};

TEST_P(ApplyMaskPixelTest, BlendsWithTheCodesRule) {
  Image picture = MakeImage(1, 1, Rgba{0x60, 0x60, 0x60, 255});
  const Image watermark = MakeImage(1, 1, Rgba{0xA0, 0xA0, 0xA0, 255});
  EXPECT_TRUE(ApplyMask(picture, watermark, WMOffset{}, 100, GetParam().code));
  const std::uint8_t v = GetParam().expected;
  EXPECT_EQ(PixelAt(picture, 0, 0), (Rgba{v, v, v, 255}));
}

INSTANTIATE_TEST_SUITE_P(EveryCode, ApplyMaskPixelTest,
                         ::testing::Values(BlendCase{0, 0xFF},    // add, clamped
                                           BlendCase{1, 0x20},    // AND
                                           BlendCase{2, 0xC0},    // XOR
                                           BlendCase{3, 0xE0},    // OR
                                           BlendCase{4, 60},      // mask: 96 * 160 / 255
                                           BlendCase{5, 0xA0},    // source copy
                                           BlendCase{6, 0x60},    // destination copy: unchanged
                                           BlendCase{7, 0x00},    // subtract, clamped
                                           BlendCase{8, 0xA0}));  // source blend over an opaque picture

TEST(ApplyMaskTest, UnknownCodesMixNothingAndOpacityIsPassedOn) {
  const Image watermark = MakeImage(2, 2, Rgba{200, 200, 200, 255});
  for (std::int32_t code : {9, -1, kIntMin, kIntMax}) {
    Image picture = MakeImage(2, 2, Rgba{100, 100, 100, 255});
    EXPECT_FALSE(ApplyMask(picture, watermark, WMOffset{}, 100, code)) << code;
    EXPECT_EQ(PixelAt(picture, 0, 0), (Rgba{100, 100, 100, 255})) << code;
  }
  Image half = MakeImage(1, 1, Rgba{100, 100, 100, 255});
  ApplyMask(half, watermark, WMOffset{}, 50, 5);
  EXPECT_EQ(PixelAt(half, 0, 0), (Rgba{150, 150, 150, 255}));
}

// Codes 5 and 8 differ where the picture is transparent: the source blend
// weights the colours by alpha, the source copy does not.
TEST(ApplyMaskTest, SourceCopyAndSourceBlendAreTheirOwnMixes) {
  const Image watermark = MakeImage(1, 1, Rgba{0xA0, 0xA0, 0xA0, 255});
  Image copy = MakeImage(1, 1, Rgba{0x60, 0x60, 0x60, 0}), blend = copy;
  ApplyMask(copy, watermark, WMOffset{}, 50, 5);
  ApplyMask(blend, watermark, WMOffset{}, 50, 8);
  EXPECT_NE(copy.pixels, blend.pixels);
}

// Where a one-pixel watermark lands on a 5 x 5 picture, as a column and a row
// counted from the picture's top: the offsets' rows count from the bottom.
struct LandingCase {
  std::int32_t area;
  int column, top_row;
};

class WMLandingTest : public ::testing::TestWithParam<LandingCase> {};

TEST_P(WMLandingTest, OnePixelLandsInItsCell) {
  Image picture = MakeImage(5, 5, Rgba{0, 0, 0, 255});
  const WMOffset at = GetWMPoint(5, 5, 1, 1, GetParam().area);
  ASSERT_TRUE(ApplyMask(picture, MakeImage(1, 1, Rgba{255, 255, 255, 255}), at, 100, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(PixelAt(picture, x, y)[0], x == GetParam().column && y == GetParam().top_row ? 255 : 0)
          << "pixel " << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(EveryRegion, WMLandingTest,
                         ::testing::Values(LandingCase{1, 0, 0}, LandingCase{2, 0, 2}, LandingCase{3, 0, 4},
                                           LandingCase{4, 2, 0}, LandingCase{5, 2, 2}, LandingCase{6, 2, 4},
                                           LandingCase{7, 4, 0}, LandingCase{8, 4, 2}, LandingCase{9, 4, 4},
                                           LandingCase{0, 0, 4}));

// A 4 x 4 watermark on a 2 x 2 picture in the top-right region: the picture
// shows the watermark's own top-right corner, the rest is cut off.
TEST(WMPlacementTest, ALargerWatermarkIsCutAtThePicturesEdges) {
  const Image watermark = test::MakeRandomImage(4, 4, 9);
  Image picture = MakeImage(2, 2, Rgba{255, 255, 255, 255});
  ASSERT_TRUE(ApplyMask(picture, watermark, GetWMPoint(2, 2, 4, 4, 7), 100, 5));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(PixelAt(picture, x, y), PixelAt(watermark, x + 2, y)) << x << "," << y;
}

}  // namespace
}  // namespace vr
