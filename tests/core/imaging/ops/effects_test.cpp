// Colour effects: noise, light, colorize, repair, grey scale and negative.
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
using test::PixelAt;
using test::Rgba;

// One pixel in, one pixel out.
Rgba Apply(const std::function<void(Image&)>& effect, Rgba in) {
  Image image = MakeImage(1, 1, in);
  effect(image);
  return PixelAt(image, 0, 0);
}

// A 256 x 1 ramp 0..255 in every colour channel, alpha kept at a value of its own.
Image Ramp() {
  Image image = MakeImage(256, 1, {0, 0, 0, 77});
  for (int v = 0; v < 256; ++v) {
    const auto b = static_cast<std::uint8_t>(v);
    test::SetPixel(image, v, 0, {b, b, b, 77});
  }
  return image;
}

// ---- Level 0 changes nothing -------------------------------------------------

struct NamedEffect {
  std::string name;
  std::function<void(Image&)> apply;
};

class IdentityAtZero : public testing::TestWithParam<NamedEffect> {};

TEST_P(IdentityAtZero, RandomPicturesWithAlphaComeBackUnchanged) {
  for (std::uint32_t seed : {1u, 2u, 3u}) {
    const Image original = MakeRandomImage(37, 23, seed, /*random_alpha=*/true);
    Image image = original;
    GetParam().apply(image);
    ASSERT_EQ(image.width, original.width);
    ASSERT_EQ(image.height, original.height);
    EXPECT_EQ(image.pixels, original.pixels) << "seed " << seed;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Effects, IdentityAtZero,
    testing::Values(NamedEffect{"NoiseZero", [](Image& i) { AddNoise(i, 0, 42); }},
                    NamedEffect{"NoiseNegative", [](Image& i) { AddNoise(i, -20, 42); }},
                    NamedEffect{"Light", [](Image& i) { AdjustLight(i, 0, 0); }},
                    NamedEffect{"Colorize", [](Image& i) { Colorize(i, 0); }},
                    NamedEffect{"Repair", [](Image& i) { RepairGamma(i, 0.0f); }},
                    NamedEffect{"RepairNegativeZero", [](Image& i) { RepairGamma(i, -0.0f); }},
                    NamedEffect{"RepairNaN", [](Image& i) { RepairGamma(i, std::nanf("")); }},
                    NamedEffect{"RepairInfinity",
                                [](Image& i) { RepairGamma(i, std::numeric_limits<float>::infinity()); }},
                    NamedEffect{"NegativeTwice",
                                [](Image& i) {
                                  Negative(i);
                                  Negative(i);
                                }}),
    [](const testing::TestParamInfo<NamedEffect>& info) { return info.param.name; });

TEST(Effects, EmptyPicturesAreLeftAlone) {
  Image empty;
  AddNoise(empty, 50, 1);
  AdjustLight(empty, 40, 40);
  Colorize(empty, 100);
  RepairGamma(empty, 0.5f);
  GrayScale(empty);
  Negative(empty);
  EXPECT_TRUE(empty.empty());
  EXPECT_TRUE(empty.pixels.empty());
}

// ---- Noise ---------------------------------------------------------------------

TEST(Noise, SameSeedSameResultOtherSeedOtherResult) {
  const Image original = MakeRandomImage(40, 30, 5, true);
  Image a = original, b = original, c = original;
  AddNoise(a, 30, 1234);
  AddNoise(b, 30, 1234);
  AddNoise(c, 30, 1235);
  EXPECT_EQ(a.pixels, b.pixels);
  EXPECT_NE(a.pixels, c.pixels);
  EXPECT_NE(a.pixels, original.pixels);
}

TEST(Noise, StaysWithinLevelAndKeepsAlpha) {
  for (int level : {1, 7, 100}) {
    const Image original = MakeRandomImage(64, 64, 9, true);
    Image image = original;
    AddNoise(image, level, 77);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
      if (i % 4 == 3) {
        ASSERT_EQ(image.pixels[i], original.pixels[i]) << "alpha at " << i;
      } else {
        ASSERT_LE(std::abs(image.pixels[i] - original.pixels[i]), level) << "byte " << i;
      }
    }
  }
}

TEST(Noise, IsUniformOverTheWholeRangeOnMidGrey) {
  // Mid-grey never clips at level 10, so every offset -10..10 shows up about
  // equally often and the mean stays at 128.
  Image image = MakeImage(100, 100, {128, 128, 128, 255});
  AddNoise(image, 10, 3);
  int counts[21] = {};
  double sum = 0;
  for (std::size_t i = 0; i < image.pixels.size(); i += 4)
    for (int c = 0; c < 3; ++c) {
      ++counts[image.pixels[i + c] - 118];
      sum += image.pixels[i + c];
    }
  const double expected = 30000.0 / 21;
  for (int k = 0; k < 21; ++k) EXPECT_NEAR(counts[k], expected, expected * 0.15) << "offset " << k - 10;
  EXPECT_NEAR(sum / 30000, 128.0, 0.2);
}

TEST(Noise, LevelsAbove255ActAs255AndClampToBytes) {
  const Image original = MakeRandomImage(16, 16, 4);
  Image big = original, max = original;
  AddNoise(big, 100000, 8);
  AddNoise(max, 255, 8);
  EXPECT_EQ(big.pixels, max.pixels);
  // With a full-range level, black and white both get pushed into the clamp.
  Image black = MakeImage(50, 50, {0, 0, 0, 255});
  AddNoise(black, 255, 8);
  int zeros = 0;
  for (std::size_t i = 0; i < black.pixels.size(); i += 4) zeros += black.pixels[i] == 0;
  EXPECT_GT(zeros, 2500 * 4 / 10);  // about half the draws are negative
}

// ---- Light ---------------------------------------------------------------------

TEST(Light, BrightnessShiftsAndClamps) {
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 50, 0); }, {10, 128, 230, 90}), (Rgba{60, 178, 255, 90}));
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, -50, 0); }, {10, 128, 230, 90}), (Rgba{0, 78, 180, 90}));
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 255, 0); }, {0, 1, 2, 3}), (Rgba{255, 255, 255, 3}));
  // Out-of-range values act as the ends of the range.
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 9999, 0); }, {0, 1, 2, 3}), (Rgba{255, 255, 255, 3}));
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, -9999, 0); }, {250, 251, 252, 3}), (Rgba{0, 0, 0, 3}));
}

TEST(Light, ContrastScalesAroundMidGrey) {
  // Factor at 100: 259 * 355 / (255 * 159) = 2.2677; 128 + 10f = 150.7, 128 - 28f = 64.5.
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 0, 100); }, {128, 138, 100, 255}), (Rgba{128, 151, 65, 255}));
  // At -255 everything collapses to mid-grey, then brightness applies.
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 0, -255); }, {0, 77, 255, 255}), (Rgba{128, 128, 128, 255}));
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 20, -255); }, {0, 77, 255, 255}), (Rgba{148, 148, 148, 255}));
  // At +255 it is close to a threshold.
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 0, 255); }, {126, 128, 130, 255}), (Rgba{0, 128, 255, 255}));
  EXPECT_EQ(Apply([](Image& i) { AdjustLight(i, 0, 100000); }, {126, 128, 130, 255}),
            (Rgba{0, 128, 255, 255}));
}

TEST(Light, IsMonotonicAtEveryContrast) {
  for (int contrast = -255; contrast <= 255; contrast += 15) {
    Image ramp = Ramp();
    AdjustLight(ramp, 0, contrast);
    for (int v = 1; v < 256; ++v)
      ASSERT_GE(ramp.at(v, 0)[0], ramp.at(v - 1, 0)[0]) << "contrast " << contrast << " at " << v;
    // Raising contrast stretches: dark gets darker, light gets lighter.
    if (contrast > 0) {
      EXPECT_LE(ramp.at(64, 0)[0], 64);
      EXPECT_GE(ramp.at(192, 0)[0], 192);
    } else {
      EXPECT_GE(ramp.at(64, 0)[0], 64);
      EXPECT_LE(ramp.at(192, 0)[0], 192);
    }
    EXPECT_EQ(ramp.at(0, 0)[3], 77);
  }
}

// ---- Colorize ------------------------------------------------------------------

TEST(Colorize, KnownPixels) {
  // Luma of (200, 100, 50) is (77*200 + 150*100 + 29*50 + 128) >> 8 = 124.
  EXPECT_EQ(Apply([](Image& i) { Colorize(i, 255); }, {200, 100, 50, 33}), (Rgba{255, 76, 0, 33}));
  EXPECT_EQ(Apply([](Image& i) { Colorize(i, -255); }, {200, 100, 50, 33}), (Rgba{124, 124, 124, 33}));
  // -128 keeps 127/255 of the distance: 124 + 76 * 127/255 = 161.85, 124 - 24 * 0.498 = 112.05.
  EXPECT_EQ(Apply([](Image& i) { Colorize(i, -128); }, {200, 100, 50, 33}), (Rgba{162, 112, 87, 33}));
  // Beyond the range clamps.
  EXPECT_EQ(Apply([](Image& i) { Colorize(i, 1000); }, {200, 100, 50, 33}),
            Apply([](Image& i) { Colorize(i, 255); }, {200, 100, 50, 33}));
  EXPECT_EQ(Apply([](Image& i) { Colorize(i, -1000); }, {200, 100, 50, 33}), (Rgba{124, 124, 124, 33}));
}

TEST(Colorize, LeavesGreyAloneAndFullDesaturationMatchesGrayScale) {
  for (int s : {-255, -40, 60, 255}) {
    Image ramp = Ramp();
    const Image before = ramp;
    Colorize(ramp, s);
    EXPECT_EQ(ramp.pixels, before.pixels) << "saturation " << s;
  }
  const Image original = MakeRandomImage(30, 20, 12, true);
  Image desaturated = original, grey = original;
  Colorize(desaturated, -255);
  GrayScale(grey);
  EXPECT_EQ(desaturated.pixels, grey.pixels);
}

// ---- Repair (gamma) ------------------------------------------------------------

TEST(Repair, KnownLevels) {
  // 0.5: gamma 2^-0.5 = 0.7071; 255 * (128/255)^0.7071 = 156.6.
  EXPECT_EQ(Apply([](Image& i) { RepairGamma(i, 0.5f); }, {0, 128, 255, 200}), (Rgba{0, 157, 255, 200}));
  // 1: gamma 0.5, the square root: 255 * sqrt(64/255) = 127.75.
  EXPECT_EQ(Apply([](Image& i) { RepairGamma(i, 1.0f); }, {64, 128, 255, 0}), (Rgba{128, 181, 255, 0}));
  // -1: gamma 2, the square: 255 * (128/255)^2 = 64.25.
  EXPECT_EQ(Apply([](Image& i) { RepairGamma(i, -1.0f); }, {0, 128, 255, 9}), (Rgba{0, 64, 255, 9}));
}

TEST(Repair, HugeCorrectionsStayDefined) {
  // Clamped to 8: gamma 1/256 lifts every non-black level almost to white.
  EXPECT_EQ(Apply([](Image& i) { RepairGamma(i, 1e30f); }, {0, 1, 128, 255}),
            Apply([](Image& i) { RepairGamma(i, 8.0f); }, {0, 1, 128, 255}));
  const Rgba lifted = Apply([](Image& i) { RepairGamma(i, 8.0f); }, {0, 1, 128, 255});
  EXPECT_EQ(lifted[0], 0);
  EXPECT_GE(lifted[1], 250);
  // Clamped to -8: gamma 256; 255 * (254/255)^256 = 93.3, mid-grey sinks to black.
  const Rgba darkened = Apply([](Image& i) { RepairGamma(i, -1e30f); }, {0, 254, 128, 255});
  EXPECT_EQ(darkened, (Rgba{0, 93, 0, 255}));
}

TEST(Repair, PositiveLiftsAndIsMonotonic) {
  Image ramp = Ramp();
  RepairGamma(ramp, 0.3f);
  for (int v = 1; v < 256; ++v) {
    ASSERT_GE(ramp.at(v, 0)[0], ramp.at(v - 1, 0)[0]) << v;
    ASSERT_GE(ramp.at(v, 0)[0], v) << v;
  }
  EXPECT_EQ(ramp.at(0, 0)[0], 0);
  EXPECT_EQ(ramp.at(255, 0)[0], 255);
}

// ---- Grey scale and negative ---------------------------------------------------

TEST(GrayScale, GreyStaysTheSameGrey) {
  Image ramp = Ramp();
  const Image before = ramp;
  GrayScale(ramp);
  EXPECT_EQ(ramp.pixels, before.pixels);
}

TEST(GrayScale, UsesRec601Weights) {
  EXPECT_EQ(Apply(GrayScale, {255, 0, 0, 10}), (Rgba{77, 77, 77, 10}));
  EXPECT_EQ(Apply(GrayScale, {0, 255, 0, 20}), (Rgba{149, 149, 149, 20}));  // 150*255/256 = 149.4
  EXPECT_EQ(Apply(GrayScale, {0, 0, 255, 30}), (Rgba{29, 29, 29, 30}));
  EXPECT_EQ(Apply(GrayScale, {200, 100, 50, 0}), (Rgba{124, 124, 124, 0}));
}

TEST(Negative, InvertsColourKeepsAlpha) {
  EXPECT_EQ(Apply(Negative, {0, 100, 255, 37}), (Rgba{255, 155, 0, 37}));
  EXPECT_EQ(Apply(Negative, {128, 127, 1, 0}), (Rgba{127, 128, 254, 0}));
}

}  // namespace
}  // namespace vr
