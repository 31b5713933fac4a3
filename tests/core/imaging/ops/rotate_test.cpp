// Rotation: exact quarter turns and their direction, free angles that keep
// colour and coverage with transparent corners, and angles and canvases no
// picture can have.
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

TEST(RotateQuarter, NinetyTurnsCounterClockwise) {
  Image image = MakeImage(4, 3, kGrey);
  SetPixel(image, 3, 0, kRed);
  const Image turned = RotateImage(image, 90.0f);
  ASSERT_EQ(turned.width, 3);
  ASSERT_EQ(turned.height, 4);
  EXPECT_EQ(PixelAt(turned, 0, 0), kRed);  // the top-right corner became the top-left
  EXPECT_EQ(PixelAt(RotateImage(image, -90.0f), 2, 3), kRed);
}

TEST(RotateQuarter, EveryWholeNumberOfQuartersIsExact) {
  const Image original = MakeRandomImage(7, 4, 21, /*random_alpha=*/true);
  const Image once = RotateImage(original, 90.0f);
  Image four = original;
  for (int k = 0; k < 4; ++k) four = RotateImage(four, 90.0f);
  ExpectSame(four, original);
  ExpectSame(RotateImage(original, 180.0f), RotateImage(once, 90.0f));
  ExpectSame(RotateImage(original, -90.0f), RotateImage(original, 270.0f));
  for (float angle : {450.0f, -630.0f, 3600090.0f}) ExpectSame(RotateImage(original, angle), once);
  // 1e10 is exact in float and leaves 280 after whole turns.
  ExpectSame(RotateImage(original, 1e10f), RotateImage(original, 280.0f));
  for (float angle : {0.0f, -0.0f, 360.0f, -720.0f, std::numeric_limits<float>::quiet_NaN(),
                      std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()})
    ExpectSame(RotateImage(original, angle), original);
}

// Left half opaque, right half fully transparent but holding red: at any
// angle the canvas just holds the turned picture, the covered area is kept,
// visible pixels keep the colour and nothing of the red bleeds in.
TEST(RotateFree, KeepsColourAndCoverageAndLendsNothingFromTransparentPixels) {
  const Rgba colour{200, 17, 99, 255};
  Image image = MakeImage(40, 20, colour);
  for (int y = 0; y < 20; ++y)
    for (int x = 20; x < 40; ++x) SetPixel(image, x, y, {255, 0, 0, 0});
  for (float angle : {10.0f, 45.0f, 137.0f, 300.0f}) {
    const Image turned = RotateImage(image, angle);
    const double a = angle * M_PI / 180;
    EXPECT_EQ(turned.width, int(std::ceil(40 * std::abs(std::cos(a)) + 20 * std::abs(std::sin(a)) - 1e-9)));
    EXPECT_EQ(turned.height, int(std::ceil(40 * std::abs(std::sin(a)) + 20 * std::abs(std::cos(a)) - 1e-9)));
    double coverage = 0;
    for (std::size_t i = 0; i < turned.pixels.size(); i += 4) {
      coverage += turned.pixels[i + 3] / 255.0;
      const Rgba p{turned.pixels[i], turned.pixels[i + 1], turned.pixels[i + 2], 255};
      ASSERT_TRUE(turned.pixels[i + 3] == 0 || p == colour) << angle << " at byte " << i;
    }
    EXPECT_NEAR(coverage, 400.0, 6.0) << angle;
  }
}

TEST(RotateFree, TurnsTheSameWayAsTheQuarterTurn) {
  // A red block at the top-right of a tall picture ends up top-left after
  // 80 degrees, as it does after 90.
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

TEST(RotateVulnerability, ACanvasBeyondTheSizeLimitsGivesEmpty) {
  // 65535 x 1 turned 45 degrees would need a 46341-pixel square, over 256 megapixels.
  const Image line = MakeImage(65535, 1, kGrey);
  EXPECT_TRUE(RotateImage(line, 45.0f).empty());
  // The quarter turn needs no more room than the picture had.
  EXPECT_EQ(RotateImage(line, 90.0f).height, 65535);
  EXPECT_TRUE(RotateImage(Image{}, 30.0f).empty());
  EXPECT_TRUE(RotateImage(Image{}, 90.0f).empty());
}

}  // namespace
}  // namespace vr
