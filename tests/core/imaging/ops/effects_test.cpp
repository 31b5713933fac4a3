// Colour effects as rules over whole ramps and random pictures: level 0
// changes nothing, alpha is never touched, grey and mid-grey stay where the
// effect's rule puts them, and the direction of every level is the named one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>

#include "core/imaging/pixel_test_util.h"
#include "imaging/ops/colorize.h"
#include "imaging/ops/light.h"
#include "imaging/ops/noise.h"
#include "imaging/ops/repair.h"
#include "imaging/ops/tone.h"

namespace vr {
namespace {

using test::MakeImage;
using test::MakeRandomImage;
using Effect = std::function<void(Image&)>;

// A 256 x 1 ramp 0..255 in every colour channel, alpha kept at a value of its own.
Image Ramp() {
  Image image = MakeImage(256, 1, {0, 0, 0, 77});
  for (int v = 0; v < 256; ++v) image.at(v, 0)[0] = image.at(v, 0)[1] = image.at(v, 0)[2] = std::uint8_t(v);
  return image;
}

Image Applied(Image image, const Effect& effect) {
  effect(image);
  return image;
}

int Luma(const std::uint8_t* p) { return (77 * p[0] + 150 * p[1] + 29 * p[2] + 128) >> 8; }

struct NamedEffect {
  std::string name;
  Effect apply;
};

class IdentityAtZero : public testing::TestWithParam<NamedEffect> {};

TEST_P(IdentityAtZero, RandomPicturesWithAlphaAndEmptyOnesComeBackUnchanged) {
  for (std::uint32_t seed : {1u, 2u}) {
    const Image original = MakeRandomImage(37, 23, seed, /*random_alpha=*/true);
    EXPECT_EQ(Applied(original, GetParam().apply).pixels, original.pixels) << "seed " << seed;
  }
  EXPECT_TRUE(Applied(Image{}, GetParam().apply).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Effects, IdentityAtZero,
    testing::Values(NamedEffect{"NoiseZero", [](Image& i) { AddNoise(i, 0, 42); }},
                    NamedEffect{"NoiseNegative", [](Image& i) { AddNoise(i, -20, 42); }},
                    NamedEffect{"Light", [](Image& i) { AdjustLight(i, 0, 0); }},
                    NamedEffect{"Colorize", [](Image& i) { Colorize(i, 0); }},
                    NamedEffect{"Repair", [](Image& i) { RepairGamma(i, 0.0f); }},
                    NamedEffect{"RepairNaN", [](Image& i) { RepairGamma(i, std::nanf("")); }},
                    NamedEffect{"RepairInfinity",
                                [](Image& i) { RepairGamma(i, std::numeric_limits<float>::infinity()); }},
                    NamedEffect{"NegativeTwice",
                                [](Image& i) {
                                  Negative(i);
                                  Negative(i);
                                }}),
    [](const testing::TestParamInfo<NamedEffect>& info) { return info.param.name; });

TEST(Noise, IsSeededStaysWithinItsLevelAndKeepsAlpha) {
  const Image original = MakeRandomImage(64, 64, 9, true);
  const Image a = Applied(original, [](Image& i) { AddNoise(i, 7, 1234); });
  EXPECT_EQ(a.pixels, Applied(original, [](Image& i) { AddNoise(i, 7, 1234); }).pixels);
  EXPECT_NE(a.pixels, Applied(original, [](Image& i) { AddNoise(i, 7, 1235); }).pixels);
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    ASSERT_LE(std::abs(a.pixels[i] - original.pixels[i]), i % 4 == 3 ? 0 : 7) << "byte " << i;
  // Levels past a byte's range act as the full range.
  EXPECT_EQ(Applied(original, [](Image& i) { AddNoise(i, 100000, 8); }).pixels,
            Applied(original, [](Image& i) { AddNoise(i, 255, 8); }).pixels);
}

TEST(Noise, IsUniformOverTheWholeRangeOnMidGrey) {
  // Mid-grey never clips at level 10: every offset -10..10 about equally often.
  const Image image =
      Applied(MakeImage(100, 100, {128, 128, 128, 255}), [](Image& i) { AddNoise(i, 10, 3); });
  int counts[21] = {};
  for (std::size_t i = 0; i < image.pixels.size(); i += 4)
    for (int c = 0; c < 3; ++c) ++counts[image.pixels[i + c] - 118];
  for (int k = 0; k < 21; ++k)
    EXPECT_NEAR(counts[k], 30000.0 / 21, 30000.0 / 21 * 0.15) << "offset " << k - 10;
}

TEST(Light, BrightnessShiftsEveryLevelAndClamps) {
  for (int brightness : {-50, 50, 9999}) {
    const Image ramp = Applied(Ramp(), [&](Image& i) { AdjustLight(i, brightness, 0); });
    for (int v = 0; v < 256; ++v)
      ASSERT_EQ(ramp.at(v, 0)[1], std::clamp(v + brightness, 0, 255)) << brightness << " at " << v;
  }
}

// Contrast pivots on mid-grey: 128 stays, the ramp stays in order, and it
// stretches away from 128 when raised and toward it when lowered.
TEST(Light, ContrastKeepsMidGreyAndOrderAtEveryLevel) {
  for (int contrast = -255; contrast <= 255; contrast += 15) {
    const Image ramp = Applied(Ramp(), [&](Image& i) { AdjustLight(i, 0, contrast); });
    EXPECT_EQ(ramp.at(128, 0)[0], 128) << contrast;
    for (int v = 1; v < 256; ++v)
      ASSERT_GE(ramp.at(v, 0)[0], ramp.at(v - 1, 0)[0]) << "contrast " << contrast << " at " << v;
    EXPECT_EQ(contrast > 0, ramp.at(64, 0)[0] < 64 && ramp.at(192, 0)[0] > 192) << contrast;
    EXPECT_EQ(ramp.at(0, 0)[3], 77);
  }
}

// Saturation scales each channel's distance from the pixel's luma: grey stays
// grey, -255 is the grey scale, positive levels push colour outward.
TEST(Colorize, ScalesTheDistanceFromLuma) {
  for (int s : {-255, -40, 60, 255})
    EXPECT_EQ(Applied(Ramp(), [&](Image& i) { Colorize(i, s); }).pixels, Ramp().pixels);
  const Image original = MakeRandomImage(30, 20, 12, true);
  EXPECT_EQ(Applied(original, [](Image& i) { Colorize(i, -255); }).pixels,
            Applied(original, GrayScale).pixels);
  EXPECT_EQ(Applied(original, [](Image& i) { Colorize(i, -1000); }).pixels,
            Applied(original, GrayScale).pixels);
  for (int s : {-128, 128}) {
    const Image out = Applied(original, [&](Image& i) { Colorize(i, s); });
    for (std::size_t i = 0; i < out.pixels.size(); i += 4) {
      const int luma = Luma(&original.pixels[i]);
      for (int c = 0; c < 3; ++c) {
        const int before = std::abs(original.pixels[i + c] - luma),
                  after = std::abs(out.pixels[i + c] - luma);
        ASSERT_TRUE(s > 0 ? after >= before - 1 : after <= before + 1) << s << " byte " << i + c;
      }
      ASSERT_EQ(out.pixels[i + 3], original.pixels[i + 3]);
    }
  }
}

// Gamma repair: positive lifts, negative darkens, black and white stay,
// order is kept; corrections past 8 act as 8.
TEST(Repair, LiftsOrDarkensInOrderWithTheEndsFixed) {
  for (float correction : {0.3f, 1.0f, -1.0f, 8.0f, -8.0f}) {
    const Image ramp = Applied(Ramp(), [&](Image& i) { RepairGamma(i, correction); });
    EXPECT_EQ(ramp.at(0, 0)[0], 0);
    EXPECT_EQ(ramp.at(255, 0)[0], 255);
    for (int v = 1; v < 255; ++v) {
      ASSERT_GE(ramp.at(v, 0)[0], ramp.at(v - 1, 0)[0]) << correction << " at " << v;
      ASSERT_TRUE(correction > 0 ? ramp.at(v, 0)[0] >= v : ramp.at(v, 0)[0] <= v)
          << correction << " at " << v;
    }
    EXPECT_NE(ramp.at(128, 0)[0], 128) << correction;
  }
  for (float huge : {1e30f, -1e30f})
    EXPECT_EQ(Applied(Ramp(), [&](Image& i) { RepairGamma(i, huge); }).pixels,
              Applied(Ramp(), [&](Image& i) { RepairGamma(i, huge > 0 ? 8.0f : -8.0f); }).pixels);
}

TEST(GrayScale, GreyStaysAndGreenWeighsMostThenRedThenBlue) {
  EXPECT_EQ(Applied(Ramp(), GrayScale).pixels, Ramp().pixels);
  Image primaries = MakeImage(3, 1, {0, 0, 0, 9});
  primaries.at(0, 0)[0] = primaries.at(1, 0)[1] = primaries.at(2, 0)[2] = 255;
  GrayScale(primaries);
  EXPECT_GT(primaries.at(1, 0)[0], primaries.at(0, 0)[0]);
  EXPECT_GT(primaries.at(0, 0)[0], primaries.at(2, 0)[2]);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(primaries.at(x, 0)[1], primaries.at(x, 0)[2]);
}

TEST(Negative, InvertsColourAndKeepsAlpha) {
  const Image original = MakeRandomImage(9, 9, 4, true);
  const Image negative = Applied(original, Negative);
  for (std::size_t i = 0; i < original.pixels.size(); ++i)
    EXPECT_EQ(negative.pixels[i], i % 4 == 3 ? original.pixels[i] : 255 - original.pixels[i]);
}

}  // namespace
}  // namespace vr
