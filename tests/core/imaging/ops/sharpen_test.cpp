// Sharpening after the shrink: none changes no byte; each level steepens a
// blurred edge more than the one before, leaves flat areas and alpha alone,
// and moves R, G and B together so no pixel changes hue, even at the ends of
// the range.
#include "imaging/ops/sharpen.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::MakeImage;
using test::MakeRandomImage;
using test::Rgba;

constexpr int kWidth = 64;
constexpr int kEdgeStart = 29;  // the ramp from one side to the other spans 6 columns
constexpr int kEdgeEnd = 35;

// Columns left of the edge `left`, right of it `right`, a linear ramp
// between: the softened edge a shrink leaves.
Image BlurredEdge(Rgba left, Rgba right) {
  Image image = MakeImage(kWidth, 12, left);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const double t = std::clamp((x - kEdgeStart + 0.5) / (kEdgeEnd - kEdgeStart), 0.0, 1.0);
      std::uint8_t* p = image.at(x, y);
      for (int c = 0; c < 4; ++c)
        p[c] = static_cast<std::uint8_t>(std::lround(left[c] + t * (right[c] - left[c])));
    }
  }
  return image;
}

Image Sharpened(Image image, SharpenLevel level) {
  Sharpen(image, level);
  return image;
}

// The steepest step between neighbours along the middle row, in grey.
int SteepestStep(const Image& image) {
  int steepest = 0;
  for (int x = 1; x < image.width; ++x)
    steepest = std::max(steepest, std::abs(image.at(x, 6)[1] - image.at(x - 1, 6)[1]));
  return steepest;
}

TEST(SharpenTest, NoneAndUnknownCodesChangeNoByte) {
  const Image original = MakeRandomImage(41, 29, 5, /*random_alpha=*/true);
  EXPECT_EQ(Sharpened(original, SharpenLevel::kNone).pixels, original.pixels);
  for (const std::int32_t code : {-1, 4, 100})
    EXPECT_EQ(Sharpened(original, SharpenLevelFromCode(code)).pixels, original.pixels) << code;
  EXPECT_TRUE(Sharpened(Image{}, SharpenLevel::kStrong).empty());
}

TEST(SharpenTest, NamesAndCodesGiveTheirLevels) {
  EXPECT_EQ(SharpenLevelFromName("none"), SharpenLevel::kNone);
  EXPECT_EQ(SharpenLevelFromName("light"), SharpenLevel::kLight);
  EXPECT_EQ(SharpenLevelFromName("medium"), SharpenLevel::kMedium);
  EXPECT_EQ(SharpenLevelFromName("strong"), SharpenLevel::kStrong);
  EXPECT_EQ(SharpenLevelFromName("Strong"), std::nullopt);
  EXPECT_EQ(SharpenLevelFromCode(2), SharpenLevel::kMedium);
}

TEST(SharpenTest, EachLevelSteepensABlurredEdgeMoreAndKeepsFlatAreas) {
  const Image edge = BlurredEdge({60, 60, 60, 255}, {190, 190, 190, 255});
  int previous = SteepestStep(edge);
  for (const SharpenLevel level : {SharpenLevel::kLight, SharpenLevel::kMedium, SharpenLevel::kStrong}) {
    const Image out = Sharpened(edge, level);
    const int steepest = SteepestStep(out);
    EXPECT_GT(steepest, previous) << static_cast<int>(level);
    previous = steepest;
    // The dark side darkens and the light side lightens next to the edge.
    EXPECT_LT(out.at(kEdgeStart, 6)[0], edge.at(kEdgeStart, 6)[0]);
    EXPECT_GT(out.at(kEdgeEnd - 1, 6)[0], edge.at(kEdgeEnd - 1, 6)[0]);
    // Farther than the blur reaches, the flat sides are untouched.
    for (int y = 0; y < out.height; ++y)
      for (int x : {0, 10, kEdgeStart - 4, kEdgeEnd + 3, 50, kWidth - 1})
        EXPECT_EQ(test::PixelAt(out, x, y), test::PixelAt(edge, x, y)) << x << "," << y;
  }
}

// Hue depends only on the differences between the channels; sharpening
// keeps them exactly, also where a channel is near 0 or 255.
TEST(SharpenTest, ColouredEdgesKeepTheirHue) {
  const std::pair<Rgba, Rgba> edges[] = {{{200, 80, 40, 255}, {30, 60, 150, 255}},
                                         {{255, 10, 10, 255}, {20, 0, 90, 255}},
                                         {{250, 250, 5, 255}, {3, 60, 3, 255}}};
  for (const auto& [left, right] : edges) {
    const Image edge = BlurredEdge(left, right);
    const Image out = Sharpened(edge, SharpenLevel::kStrong);
    EXPECT_NE(out.pixels, edge.pixels);
    for (int y = 0; y < out.height; ++y) {
      for (int x = 0; x < out.width; ++x) {
        const std::uint8_t* a = edge.at(x, y);
        const std::uint8_t* b = out.at(x, y);
        ASSERT_EQ(b[0] - b[1], a[0] - a[1]) << x;
        ASSERT_EQ(b[1] - b[2], a[1] - a[2]) << x;
        ASSERT_EQ(b[3], a[3]);
      }
    }
  }
}

TEST(SharpenTest, AlphaIsKeptAndTransparentPixelsAreLeft) {
  Image picture = MakeRandomImage(30, 30, 11, /*random_alpha=*/true);
  for (int x = 0; x < 30; ++x) picture.at(x, 4)[3] = 0;
  const Image out = Sharpened(picture, SharpenLevel::kStrong);
  EXPECT_NE(out.pixels, picture.pixels);
  for (std::size_t i = 3; i < out.pixels.size(); i += 4) ASSERT_EQ(out.pixels[i], picture.pixels[i]);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(test::PixelAt(out, x, 4), test::PixelAt(picture, x, 4));
}

}  // namespace
}  // namespace vr
