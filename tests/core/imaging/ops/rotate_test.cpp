// Rotation: direction, exact quarter turns, canvas size, transparent corners.
#include "imaging/ops/rotate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::MakeImage;
using test::MakeRandomImage;
using test::PixelAt;
using test::Rgba;
using test::SetPixel;

constexpr Rgba kRed{255, 0, 0, 255};
constexpr Rgba kGrey{90, 90, 90, 255};

void ExpectSame(const Image& a, const Image& b) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  EXPECT_EQ(a.pixels, b.pixels);
}

// ---- Quarter turns -----------------------------------------------------------

TEST(RotateQuarter, FourQuarterTurnsGiveBackTheOriginal) {
  const Image original = MakeRandomImage(7, 4, 21, /*random_alpha=*/true);
  for (float step : {90.0f, -90.0f, 270.0f}) {
    Image image = original;
    for (int k = 0; k < 4; ++k) image = RotateImage(image, step);
    ExpectSame(image, original);
  }
}

TEST(RotateQuarter, NinetyTurnsCounterClockwise) {
  // 4 wide, 3 high; mark the top-right and bottom-left corners.
  Image image = MakeImage(4, 3, kGrey);
  SetPixel(image, 3, 0, kRed);
  SetPixel(image, 0, 2, {0, 0, 255, 128});
  const Image turned = RotateImage(image, 90.0f);
  ASSERT_EQ(turned.width, 3);
  ASSERT_EQ(turned.height, 4);
  EXPECT_EQ(PixelAt(turned, 0, 0), kRed);                    // top-right became top-left
  EXPECT_EQ(PixelAt(turned, 2, 3), (Rgba{0, 0, 255, 128}));  // bottom-left became bottom-right
  EXPECT_EQ(PixelAt(turned, 2, 0), kGrey);
  // A quarter turn clockwise puts the top-right corner at the bottom-right.
  const Image back = RotateImage(image, -90.0f);
  EXPECT_EQ(PixelAt(back, 2, 3), kRed);
}

TEST(RotateQuarter, HalfAndThreeQuarterTurnsAreRepeatedQuarters) {
  const Image original = MakeRandomImage(5, 3, 8, true);
  const Image once = RotateImage(original, 90.0f);
  const Image twice = RotateImage(once, 90.0f);
  ExpectSame(RotateImage(original, 180.0f), twice);
  ExpectSame(RotateImage(original, -180.0f), twice);
  ExpectSame(RotateImage(original, 270.0f), RotateImage(twice, 90.0f));
  ExpectSame(RotateImage(original, -90.0f), RotateImage(original, 270.0f));
  ExpectSame(RotateImage(original, 450.0f), once);
  ExpectSame(RotateImage(original, -630.0f), once);
  ExpectSame(RotateImage(original, 3600090.0f), once);
}

TEST(RotateQuarter, ZeroFullTurnsAndNonFiniteAnglesCopy) {
  const Image original = MakeRandomImage(6, 5, 2, true);
  for (float angle : {0.0f, -0.0f, 360.0f, -720.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()})
    ExpectSame(RotateImage(original, angle), original);
}

TEST(Rotate, EmptyPictureGivesEmpty) {
  EXPECT_TRUE(RotateImage(Image{}, 30.0f).empty());
  EXPECT_TRUE(RotateImage(Image{}, 90.0f).empty());
}

// ---- Free angles -------------------------------------------------------------

struct CanvasCase {
  int width, height;
  float degrees;
  int expected_width, expected_height;
};

class RotateCanvas : public testing::TestWithParam<CanvasCase> {};

TEST_P(RotateCanvas, GrowsToTheBoundingBox) {
  const CanvasCase c = GetParam();
  const Image turned = RotateImage(MakeImage(c.width, c.height, kGrey), c.degrees);
  EXPECT_EQ(turned.width, c.expected_width);
  EXPECT_EQ(turned.height, c.expected_height);
}

INSTANTIATE_TEST_SUITE_P(Angles, RotateCanvas,
                         testing::Values(CanvasCase{100, 50, 45.0f, 107, 107},  // 150 / sqrt 2 = 106.07
                                         CanvasCase{100, 50, -45.0f, 107, 107},
                                         CanvasCase{100, 50, 30.0f, 112, 94},   // 111.6 x 93.3
                                         CanvasCase{100, 50, 120.0f, 94, 112},  // 93.3 x 111.6
                                         CanvasCase{1, 1, 45.0f, 2, 2},         // 1.414
                                         CanvasCase{10, 10, 1e-3f, 11, 11}));   // a sliver more

TEST(RotateFree, ConstantOpaquePictureKeepsItsColourWithTransparentCorners) {
  const Rgba colour{200, 17, 99, 255};
  const Image turned = RotateImage(MakeImage(40, 20, colour), 45.0f);
  ASSERT_EQ(turned.width, 43);
  ASSERT_EQ(turned.height, 43);
  for (int y = 0; y < turned.height; ++y)
    for (int x = 0; x < turned.width; ++x) {
      const Rgba p = PixelAt(turned, x, y);
      if (p[3] == 0) {
        ASSERT_EQ(p, (Rgba{0, 0, 0, 0})) << x << "," << y;
      } else {
        // Edges are partly transparent but never take another colour.
        ASSERT_EQ(p[0], colour[0]) << x << "," << y;
        ASSERT_EQ(p[1], colour[1]) << x << "," << y;
        ASSERT_EQ(p[2], colour[2]) << x << "," << y;
      }
    }
  for (auto [x, y] : {std::pair{0, 0}, {42, 0}, {0, 42}, {42, 42}}) EXPECT_EQ(PixelAt(turned, x, y)[3], 0);
  // The middle of the picture is fully covered.
  for (int d = -5; d <= 5; ++d) EXPECT_EQ(PixelAt(turned, 21 + d, 21 - d), colour) << d;
}

TEST(RotateFree, KeepsTheCoveredArea) {
  // Turning neither grows nor shrinks the picture: total coverage stays the area.
  for (float angle : {10.0f, 45.0f, 137.0f, 300.0f}) {
    const Image turned = RotateImage(MakeImage(30, 20, kGrey), angle);
    double coverage = 0;
    for (std::size_t i = 3; i < turned.pixels.size(); i += 4) coverage += turned.pixels[i] / 255.0;
    EXPECT_NEAR(coverage, 600.0, 6.0) << angle;
  }
}

TEST(RotateFree, NoColourBleedsFromTransparentPixels) {
  // Left half opaque blue, right half fully transparent but holding red.
  Image image = MakeImage(20, 20, {0, 0, 255, 255});
  for (int y = 0; y < 20; ++y)
    for (int x = 10; x < 20; ++x) SetPixel(image, x, y, {255, 0, 0, 0});
  const Image turned = RotateImage(image, 33.0f);
  int visible = 0;
  for (std::size_t i = 0; i < turned.pixels.size(); i += 4)
    if (turned.pixels[i + 3] > 0) {
      ++visible;
      ASSERT_EQ(turned.pixels[i], 0) << "red bled in at byte " << i;
      ASSERT_EQ(turned.pixels[i + 2], 255);
    }
  EXPECT_GT(visible, 150);
}

TEST(RotateFree, TurnsTheSameWayAsTheQuarterTurn) {
  // A red block at the top-right of a tall picture ends up top-left after a
  // turn of 80 degrees, as it does after 90.
  Image image = MakeImage(21, 41, kGrey);
  for (int y = 0; y < 5; ++y)
    for (int x = 16; x < 21; ++x) SetPixel(image, x, y, kRed);
  const Image turned = RotateImage(image, 80.0f);
  double sum_x = 0, sum_y = 0, weight = 0;
  for (int y = 0; y < turned.height; ++y)
    for (int x = 0; x < turned.width; ++x) {
      const Rgba p = PixelAt(turned, x, y);
      const double redness = (p[0] - p[1]) * p[3];
      sum_x += redness * x;
      sum_y += redness * y;
      weight += redness;
    }
  ASSERT_GT(weight, 0);
  EXPECT_LT(sum_x / weight, turned.width / 3.0);
  EXPECT_LT(sum_y / weight, turned.height / 3.0);
}

TEST(RotateFree, HugeAnglesReduceModulo360) {
  // 1e10 is exact in float and leaves 280 after whole turns.
  const Image original = MakeRandomImage(9, 6, 4, true);
  ExpectSame(RotateImage(original, 1e10f), RotateImage(original, 280.0f));
  ExpectSame(RotateImage(original, -1e10f), RotateImage(original, 80.0f));
}

TEST(RotateFree, CanvasBeyondTheSizeLimitsGivesEmpty) {
  // 65535 x 1 turned 45 degrees would need a 46341-pixel square, over 256 megapixels.
  const Image line = MakeImage(65535, 1, kGrey);
  EXPECT_TRUE(RotateImage(line, 45.0f).empty());
  // The quarter turn needs no more room than the picture had.
  const Image upright = RotateImage(line, 90.0f);
  EXPECT_EQ(upright.width, 1);
  EXPECT_EQ(upright.height, 65535);
}

}  // namespace
}  // namespace vr
