#include "thumbnail/watermark.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <ostream>

#include "core/imaging/pixel_test_util.h"
#include "imaging/ops/mix.h"

namespace vr {

void PrintTo(const WMOffset& o, std::ostream* out) { *out << '(' << o.x << ", " << o.y << ')'; }

namespace {

using test::MakeImage;
using test::PixelAt;
using test::Rgba;
using test::SetPixel;

constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

// ---- Offsets for every region ------------------------------------------------

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

TEST_P(WMPointTest, GivesRegionOffset) {
  const PointCase& c = GetParam();
  EXPECT_EQ(GetWMPoint(c.picture_width, c.picture_height, c.wm_width, c.wm_height, c.area), c.expected);
}

// A small watermark on a 300 x 225 picture: x is 0 at the left, -200 at the
// right; y is 0 at the bottom, -185 at the top; the centre row's -92.5 goes to
// the even -92.
INSTANTIATE_TEST_SUITE_P(SmallWatermark, WMPointTest,
                         ::testing::Values(PointCase{300, 225, 100, 40, 1, {0, -185}},
                                           PointCase{300, 225, 100, 40, 2, {0, -92}},
                                           PointCase{300, 225, 100, 40, 3, {0, 0}},
                                           PointCase{300, 225, 100, 40, 4, {-100, -185}},
                                           PointCase{300, 225, 100, 40, 5, {-100, -92}},
                                           PointCase{300, 225, 100, 40, 6, {-100, 0}},
                                           PointCase{300, 225, 100, 40, 7, {-200, -185}},
                                           PointCase{300, 225, 100, 40, 8, {-200, -92}},
                                           PointCase{300, 225, 100, 40, 9, {-200, 0}}));

// A watermark larger than the picture: the signs turn and the watermark's
// edges meet the picture's from outside.
INSTANTIATE_TEST_SUITE_P(
    LargerWatermark, WMPointTest,
    ::testing::Values(PointCase{80, 60, 100, 100, 1, {0, 40}}, PointCase{80, 60, 100, 100, 2, {0, 20}},
                      PointCase{80, 60, 100, 100, 3, {0, 0}}, PointCase{80, 60, 100, 100, 4, {10, 40}},
                      PointCase{80, 60, 100, 100, 5, {10, 20}}, PointCase{80, 60, 100, 100, 6, {10, 0}},
                      PointCase{80, 60, 100, 100, 7, {20, 40}}, PointCase{80, 60, 100, 100, 8, {20, 20}},
                      PointCase{80, 60, 100, 100, 9, {20, 0}}));

// Equal sizes: nothing to move in any region.
INSTANTIATE_TEST_SUITE_P(
    EqualSize, WMPointTest,
    ::testing::Values(PointCase{64, 48, 64, 48, 1, {0, 0}}, PointCase{64, 48, 64, 48, 2, {0, 0}},
                      PointCase{64, 48, 64, 48, 3, {0, 0}}, PointCase{64, 48, 64, 48, 4, {0, 0}},
                      PointCase{64, 48, 64, 48, 5, {0, 0}}, PointCase{64, 48, 64, 48, 6, {0, 0}},
                      PointCase{64, 48, 64, 48, 7, {0, 0}}, PointCase{64, 48, 64, 48, 8, {0, 0}},
                      PointCase{64, 48, 64, 48, 9, {0, 0}}));

// The centre's half pixel: ties to the even neighbour in both signs, and odd
// differences that are no tie at all.
INSTANTIATE_TEST_SUITE_P(CentreRounding, WMPointTest,
                         ::testing::Values(PointCase{7, 7, 4, 4, 5, {-2, -2}},  // -1.5 -> -2
                                           PointCase{5, 5, 4, 4, 5, {0, 0}},    // -0.5 -> 0
                                           PointCase{9, 9, 4, 4, 5, {-2, -2}},  // -2.5 -> -2
                                           PointCase{4, 4, 5, 5, 5, {0, 0}},    // 0.5 -> 0
                                           PointCase{4, 4, 7, 7, 5, {2, 2}},    // 1.5 -> 2
                                           PointCase{4, 4, 9, 9, 5, {2, 2}},    // 2.5 -> 2
                                           PointCase{301, 226, 100, 40, 5, {-100, -93}},
                                           PointCase{301, 226, 100, 40, 4, {-100, -186}}));

// Any region outside 1..9 puts the watermark at the bottom-left corner.
INSTANTIATE_TEST_SUITE_P(
    OutOfRange, WMPointTest,
    ::testing::Values(PointCase{300, 225, 100, 40, 0, {0, 0}}, PointCase{300, 225, 100, 40, 10, {0, 0}},
                      PointCase{300, 225, 100, 40, -1, {0, 0}}, PointCase{300, 225, 100, 40, kIntMin, {0, 0}},
                      PointCase{300, 225, 100, 40, kIntMax, {0, 0}}, PointCase{80, 60, 100, 100, 0, {0, 0}}));

// The largest pictures, and sizes whose differences would not fit 32 bits.
INSTANTIATE_TEST_SUITE_P(
    LargeSizes, WMPointTest,
    ::testing::Values(PointCase{65535, 65535, 1, 1, 9, {-65534, 0}},
                      PointCase{65535, 65535, 1, 1, 1, {0, -65534}},
                      PointCase{65535, 65535, 1, 1, 5, {-32767, -32767}},
                      PointCase{1, 1, 65535, 65535, 7, {65534, 65534}},
                      PointCase{0,
                                0,
                                std::int64_t{1} << 40,
                                std::int64_t{3} << 33,
                                7,
                                {std::int64_t{1} << 40, std::int64_t{3} << 33}},
                      PointCase{std::int64_t{1} << 40, 0, 0, 0, 8, {-(std::int64_t{1} << 40), 0}}));

TEST(WMAreaTest, OnlyOneToNineAreRegions) {
  for (std::int32_t area = 1; area <= 9; ++area) EXPECT_TRUE(IsWMArea(area)) << area;
  for (std::int32_t area : {0, 10, -1, -9, kIntMin, kIntMax}) EXPECT_FALSE(IsWMArea(area)) << area;
}

TEST(ClampOffsetTest, NarrowsOnlyWhatDoesNotFit) {
  EXPECT_EQ(ClampOffset(-65534), -65534);
  EXPECT_EQ(ClampOffset(kIntMax), kIntMax);
  EXPECT_EQ(ClampOffset(kIntMin), kIntMin);
  EXPECT_EQ(ClampOffset(std::int64_t{1} << 40), kIntMax);
  EXPECT_EQ(ClampOffset(-(std::int64_t{1} << 40)), kIntMin);
}

// ---- Mode codes ----------------------------------------------------------------

struct ModeCase {
  std::int32_t code;
  std::optional<MixMode> mode;
};

void PrintTo(const ModeCase& c, std::ostream* out) {
  *out << "code " << c.code << " -> " << (c.mode ? static_cast<int>(*c.mode) : -1);
}

class MixModeTest : public ::testing::TestWithParam<ModeCase> {};

TEST_P(MixModeTest, PicksTheMix) { EXPECT_EQ(MixModeForCode(GetParam().code), GetParam().mode); }

INSTANTIATE_TEST_SUITE_P(EveryCode, MixModeTest,
                         ::testing::Values(ModeCase{0, MixMode::Add}, ModeCase{1, MixMode::And},
                                           ModeCase{2, MixMode::Xor}, ModeCase{3, MixMode::Or},
                                           ModeCase{4, MixMode::Mask}, ModeCase{5, MixMode::SrcCopy},
                                           ModeCase{6, MixMode::DstCopy}, ModeCase{7, MixMode::Sub},
                                           ModeCase{8, MixMode::SrcBlend}));

INSTANTIATE_TEST_SUITE_P(UnknownCodes, MixModeTest,
                         ::testing::Values(ModeCase{9, std::nullopt}, ModeCase{-1, std::nullopt},
                                           ModeCase{100, std::nullopt}, ModeCase{kIntMin, std::nullopt},
                                           ModeCase{kIntMax, std::nullopt}));

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
  EXPECT_EQ(PixelAt(picture, 0, 0),
            (Rgba{GetParam().expected, GetParam().expected, GetParam().expected, 255}));
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

TEST(ApplyMaskTest, UnknownCodeMixesNothing) {
  const Image watermark = MakeImage(2, 2, Rgba{0xA0, 0x10, 0x20, 255});
  for (std::int32_t code : {9, -1, kIntMin, kIntMax}) {
    Image picture = MakeImage(2, 2, Rgba{0x60, 0x61, 0x62, 255});
    const Image before = picture;
    EXPECT_FALSE(ApplyMask(picture, watermark, WMOffset{}, 100, code)) << code;
    EXPECT_EQ(picture.pixels, before.pixels) << code;
  }
}

// Codes 5 and 8 differ where the picture is transparent: the source blend
// weights the colours by alpha, the source copy does not.
TEST(ApplyMaskTest, SourceCopyAndSourceBlendAreTheirOwnMixes) {
  const Image picture = MakeImage(1, 1, Rgba{0x60, 0x60, 0x60, 0});
  const Image watermark = MakeImage(1, 1, Rgba{0xA0, 0xA0, 0xA0, 255});
  for (auto [code, mode] : {std::pair{5, MixMode::SrcCopy}, std::pair{8, MixMode::SrcBlend}}) {
    Image ours = picture, reference = picture;
    ApplyMask(ours, watermark, WMOffset{}, 50, code);
    MixImages(reference, watermark, mode, 0, 0, 50);
    EXPECT_EQ(ours.pixels, reference.pixels) << code;
  }
  Image copy = picture, blend = picture;
  ApplyMask(copy, watermark, WMOffset{}, 50, 5);
  ApplyMask(blend, watermark, WMOffset{}, 50, 8);
  EXPECT_NE(copy.pixels, blend.pixels);
}

TEST(ApplyMaskTest, PassesTheOpacity) {
  const Image watermark = MakeImage(1, 1, Rgba{200, 200, 200, 255});
  Image none = MakeImage(1, 1, Rgba{100, 100, 100, 255});
  ApplyMask(none, watermark, WMOffset{}, 0, 5);
  EXPECT_EQ(PixelAt(none, 0, 0), (Rgba{100, 100, 100, 255}));
  Image half = MakeImage(1, 1, Rgba{100, 100, 100, 255});
  ApplyMask(half, watermark, WMOffset{}, 50, 5);
  EXPECT_EQ(PixelAt(half, 0, 0), (Rgba{150, 150, 150, 255}));
}

// ---- Placement seen in the pixels ------------------------------------------------

constexpr Rgba kBlack{0, 0, 0, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

// Where a one-pixel watermark lands on a 5 x 5 picture, as a column and a row
// of the picture counted from its top, as the picture is stored.
struct LandingCase {
  std::int32_t area;
  int column, top_row;
};

class WMLandingTest : public ::testing::TestWithParam<LandingCase> {};

TEST_P(WMLandingTest, OnePixelLandsInItsCell) {
  Image picture = MakeImage(5, 5, kBlack);
  const Image watermark = MakeImage(1, 1, kWhite);
  const WMOffset at = GetWMPoint(picture.width, picture.height, 1, 1, GetParam().area);
  ASSERT_TRUE(ApplyMask(picture, watermark, at, 100, 5));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      const bool hit = x == GetParam().column && y == GetParam().top_row;
      EXPECT_EQ(PixelAt(picture, x, y), hit ? kWhite : kBlack) << "pixel " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRegion, WMLandingTest,
                         ::testing::Values(LandingCase{1, 0, 0}, LandingCase{2, 0, 2}, LandingCase{3, 0, 4},
                                           LandingCase{4, 2, 0}, LandingCase{5, 2, 2}, LandingCase{6, 2, 4},
                                           LandingCase{7, 4, 0}, LandingCase{8, 4, 2}, LandingCase{9, 4, 4},
                                           LandingCase{0, 0, 4}, LandingCase{10, 0, 4}));

TEST(WMPlacementTest, CornersOfAWidePicture) {
  const Image watermark = MakeImage(1, 1, kWhite);
  Image top_left = MakeImage(6, 4, kBlack);
  const WMOffset first = GetWMPoint(6, 4, 1, 1, 1);
  MixImages(top_left, watermark, MixMode::SrcCopy, ClampOffset(first.x), ClampOffset(first.y), 100);
  EXPECT_EQ(PixelAt(top_left, 0, 0), kWhite);
  EXPECT_EQ(PixelAt(top_left, 0, 3), kBlack);

  Image bottom_right = MakeImage(6, 4, kBlack);
  const WMOffset last = GetWMPoint(6, 4, 1, 1, 9);
  MixImages(bottom_right, watermark, MixMode::SrcCopy, ClampOffset(last.x), ClampOffset(last.y), 100);
  EXPECT_EQ(PixelAt(bottom_right, 5, 3), kWhite);
  EXPECT_EQ(PixelAt(bottom_right, 5, 0), kBlack);
}

// A 4 x 4 watermark on a 2 x 2 picture in the top-right region: the picture
// shows the watermark's own top-right corner, the rest is cut off.
TEST(WMPlacementTest, LargerWatermarkIsCutAtThePicturesEdges) {
  Image watermark = MakeImage(4, 4, kBlack);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x)
      SetPixel(watermark, x, y,
               Rgba{static_cast<std::uint8_t>(x * 10), static_cast<std::uint8_t>(y * 10), 7, 255});
  Image picture = MakeImage(2, 2, kWhite);
  const WMOffset at = GetWMPoint(2, 2, 4, 4, 7);
  EXPECT_EQ(at, (WMOffset{2, 2}));
  ASSERT_TRUE(ApplyMask(picture, watermark, at, 100, 5));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x)
      EXPECT_EQ(PixelAt(picture, x, y), PixelAt(watermark, x + 2, y)) << x << "," << y;
}

}  // namespace
}  // namespace vr
