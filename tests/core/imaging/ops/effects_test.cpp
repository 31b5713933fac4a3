// Colour effects and mixing as rules over whole ramps and random pictures:
// level 0 changes nothing, alpha is never touched, grey and mid-grey stay
// where the rule puts them, every level goes the named way; an overlay lands
// with rows counted from the bottom and weighs in by its alpha and opacity.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>

#include "core/imaging/pixel_test_util.h"
#include "imaging/ops/colorize.h"
#include "imaging/ops/light.h"
#include "imaging/ops/mix.h"
#include "imaging/ops/noise.h"
#include "imaging/ops/repair.h"
#include "imaging/ops/tone.h"

namespace vr {
namespace {

using namespace test;
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

TEST(Effects, LevelZeroChangesNothingAndEmptyPicturesStayEmpty) {
  // clang-format off
  const Effect identities[] = {
      [](Image& i) { AddNoise(i, 0, 42); },   [](Image& i) { AddNoise(i, -20, 42); },  [](Image& i) { AdjustLight(i, 0, 0); },
      [](Image& i) { Colorize(i, 0); },       [](Image& i) { RepairGamma(i, 0.0f); },  [](Image& i) { RepairGamma(i, NAN); },
      [](Image& i) { RepairGamma(i, INFINITY); }, [](Image& i) { Negative(i), Negative(i); }};
  // clang-format on
  const Image original = MakeRandomImage(37, 23, 1, /*random_alpha=*/true);
  for (const Effect& identity : identities) {
    EXPECT_EQ(Applied(original, identity).pixels, original.pixels) << &identity - identities;
    EXPECT_TRUE(Applied(Image{}, identity).empty());
  }
}

TEST(Noise, IsSeededUniformOverItsLevelAndKeepsAlpha) {
  const Image original = MakeRandomImage(64, 64, 9, true);
  const Image a = Applied(original, [](Image& i) { AddNoise(i, 7, 1234); });
  EXPECT_EQ(a.pixels, Applied(original, [](Image& i) { AddNoise(i, 7, 1234); }).pixels);
  EXPECT_NE(a.pixels, Applied(original, [](Image& i) { AddNoise(i, 7, 1235); }).pixels);
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    ASSERT_LE(std::abs(a.pixels[i] - original.pixels[i]), i % 4 == 3 ? 0 : 7) << "byte " << i;
  // Levels past a byte's range act as the full range.
  EXPECT_EQ(Applied(original, [](Image& i) { AddNoise(i, 100000, 8); }).pixels,
            Applied(original, [](Image& i) { AddNoise(i, 255, 8); }).pixels);
  // Mid-grey never clips at level 10: every offset -10..10 about equally often.
  const Image grey = Applied(MakeImage(100, 100, {128, 128, 128, 255}), [](Image& i) { AddNoise(i, 10, 3); });
  int counts[21] = {};
  for (std::size_t i = 0; i < grey.pixels.size(); i += 4)
    for (int c = 0; c < 3; ++c) ++counts[grey.pixels[i + c] - 118];
  for (int k = 0; k < 21; ++k) EXPECT_NEAR(counts[k], 30000 / 21, 30000 / 21 * 0.15) << "offset " << k - 10;
}

// Brightness shifts every level and clamps. Contrast pivots on mid-grey: 128
// stays, the ramp stays in order, and it stretches away from 128 when raised
// and toward it when lowered.
TEST(Light, BrightnessShiftsAndContrastPivotsOnMidGrey) {
  for (int brightness : {-50, 50, 9999}) {
    const Image ramp = Applied(Ramp(), [&](Image& i) { AdjustLight(i, brightness, 0); });
    for (int v = 0; v < 256; ++v)
      ASSERT_EQ(ramp.at(v, 0)[1], std::clamp(v + brightness, 0, 255)) << brightness;
  }
  for (int contrast = -255; contrast <= 255; contrast += 15) {
    const Image ramp = Applied(Ramp(), [&](Image& i) { AdjustLight(i, 0, contrast); });
    for (int v = 1; v < 256; ++v)
      ASSERT_GE(ramp.at(v, 0)[0], ramp.at(v - 1, 0)[0]) << contrast << " at " << v;
    EXPECT_TRUE(ramp.at(128, 0)[0] == 128 && ramp.at(0, 0)[3] == 77) << contrast;
    EXPECT_EQ(contrast > 0, ramp.at(64, 0)[0] < 64 && ramp.at(192, 0)[0] > 192) << contrast;
  }
}

// Saturation scales each channel's distance from the pixel's luma: grey stays
// grey, -255 and below is the grey scale, positive levels push colour outward.
TEST(Colorize, ScalesTheDistanceFromLuma) {
  const Image original = MakeRandomImage(30, 20, 12, true), grey = Applied(original, GrayScale);
  for (int s : {-255, -40, 60, 255})
    EXPECT_EQ(Applied(Ramp(), [&](Image& i) { Colorize(i, s); }).pixels, Ramp().pixels);
  for (int s : {-255, -1000})
    EXPECT_EQ(Applied(original, [&](Image& i) { Colorize(i, s); }).pixels, grey.pixels);
  const Image out = Applied(original, [&](Image& i) { Colorize(i, 128); });
  for (std::size_t i = 0; i < out.pixels.size(); ++i)
    ASSERT_GE(std::abs(out.pixels[i] - grey.pixels[i]), std::abs(original.pixels[i] - grey.pixels[i])) << i;
}

// Gamma repair: positive lifts, negative darkens, black and white stay, order
// is kept; corrections past 8 act as 8.
TEST(Repair, LiftsOrDarkensInOrderWithTheEndsFixed) {
  for (float correction : {0.3f, 1.0f, -1.0f, 8.0f, -8.0f}) {
    const Image ramp = Applied(Ramp(), [&](Image& i) { RepairGamma(i, correction); });
    EXPECT_TRUE(std::abs(correction) != 8 ||
                ramp.pixels == Applied(Ramp(), [&](Image& i) { RepairGamma(i, correction * 1e29f); }).pixels);
    EXPECT_TRUE(ramp.at(0, 0)[0] == 0 && ramp.at(255, 0)[0] == 255 && ramp.at(128, 0)[0] != 128)
        << correction;
    for (int v = 1; v < 255; ++v)
      ASSERT_TRUE(ramp.at(v, 0)[0] >= ramp.at(v - 1, 0)[0] && (correction > 0) == (ramp.at(v, 0)[0] >= v))
          << correction << " at " << v;
  }
}

// Grey stays grey; green weighs most, then red, then blue. The negative
// inverts colour and keeps alpha.
TEST(Tone, GreyScaleWeighsGreenMostAndTheNegativeInverts) {
  EXPECT_EQ(Applied(Ramp(), GrayScale).pixels, Ramp().pixels);
  const Image grey = Applied(MakeImage(3, 1, {0, 0, 0, 9}), [](Image& i) {
    i.at(0, 0)[0] = i.at(1, 0)[1] = i.at(2, 0)[2] = 255, GrayScale(i);
  });
  EXPECT_TRUE(grey.at(1, 0)[2] > grey.at(0, 0)[1] && grey.at(0, 0)[1] > grey.at(2, 0)[0]);
  const Image original = MakeRandomImage(9, 9, 4, true), negative = Applied(original, Negative);
  for (std::size_t i = 0; i < original.pixels.size(); ++i)
    EXPECT_EQ(negative.pixels[i], i % 4 == 3 ? original.pixels[i] : 255 - original.pixels[i]);
}

// ---- Mixing ----------------------------------------------------------------------

constexpr MixMode kAllModes[] = {MixMode::Add,     MixMode::And,     MixMode::Or,
                                 MixMode::Xor,     MixMode::Mask,    MixMode::Sub,
                                 MixMode::DstCopy, MixMode::SrcCopy, MixMode::SrcBlend};

Image Mixed(Image picture, const Image& overlay, MixMode mode, int x = 0, int y = 0, int opacity = 100) {
  MixImages(picture, overlay, mode, x, y, opacity);
  return picture;
}

Rgba MixOne(MixMode mode, Rgba picture, Rgba overlay, int opacity = 100) {
  return PixelAt(Mixed(MakeImage(1, 1, picture), MakeImage(1, 1, overlay), mode, 0, 0, opacity), 0, 0);
}

// The overlay's lower-left corner lies at (-x, -y) from the picture's: picture
// pixel (i, j), both counted from the bottom, takes overlay pixel (i + x, j + y).
TEST(Mix, EachPictureRowFromTheBottomTakesTheOverlayRowOffsetFromItsBottom) {
  const Image before = MakeRandomImage(5, 4, 3, true), overlay = MakeRandomImage(3, 2, 4);
  const std::pair<int, int> offsets[] = {
      {0, 0},  {-2, -2},     {-3, -1},           {1, 1},       {2, 0}, {-5, 0},
      {0, -4}, {INT_MIN, 0}, {INT_MAX, INT_MIN}, {-1, INT_MAX}};
  for (auto [x, y] : offsets) {
    const Image after = Mixed(before, overlay, MixMode::SrcCopy, x, y);
    for (int j = 0; j < 4; ++j)
      for (int i = 0; i < 5; ++i) {
        const std::int64_t ox = std::int64_t{i} + x, oy = std::int64_t{j} + y;
        const bool covered = ox >= 0 && ox < 3 && oy >= 0 && oy < 2;
        ASSERT_EQ(PixelAt(after, i, 3 - j),
                  covered ? PixelAt(overlay, int(ox), int(1 - oy)) : PixelAt(before, i, 3 - j))
            << x << "," << y << " at " << i << "," << j;
      }
  }
}

// Picture (200, 100, 50), overlay (100, 200, 30), both opaque: each mode's
// rule, saturating; the mask is p * o / 255 rounded.
TEST(Mix, EachModeGivesItsRule) {
  const Rgba expected[] = {{255, 255, 80, 255}, {64, 64, 18, 255},   {236, 236, 62, 255},
                           {172, 172, 44, 255}, {78, 78, 6, 255},    {100, 0, 20, 255},
                           {200, 100, 50, 255}, {100, 200, 30, 255}, {100, 200, 30, 255}};
  for (int m = 0; m < 9; ++m)
    EXPECT_EQ(MixOne(kAllModes[m], {200, 100, 50, 255}, {100, 200, 30, 255}), expected[m]) << m;
  // Only the copying modes take the overlay's alpha; source blend composites
  // over the picture's alpha, source copy does not weigh by it.
  for (int m = 0; m < 7; ++m)
    EXPECT_EQ(MixOne(kAllModes[m], {200, 100, 50, 100}, {100, 200, 30, 255})[3], 100) << m;
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {200, 100, 50, 100}, {100, 200, 30, 255}), (Rgba{100, 200, 30, 255}));
  EXPECT_EQ(MixOne(MixMode::SrcBlend, {200, 200, 200, 0}, {10, 20, 30, 128}), (Rgba{10, 20, 30, 128}));
  EXPECT_EQ(MixOne(MixMode::SrcBlend, {0, 0, 255, 128}, {255, 0, 0, 128}), (Rgba{170, 0, 85, 192}));
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {200, 200, 200, 0}, {10, 20, 30, 128}), (Rgba{105, 110, 115, 128}));
}

// Overlay alpha times opacity is the share of the way from the picture to the
// mode's result, rounded: transparent or 0 % is nothing, over 100 % is 100 %.
TEST(Mix, OverlayAlphaAndOpacityWeighTheResultTowardThePicture) {
  EXPECT_EQ(MixOne(MixMode::Add, {200, 100, 50, 255}, {100, 200, 30, 128}), (Rgba{228, 178, 65, 255}));
  EXPECT_EQ(MixOne(MixMode::Add, {200, 100, 50, 255}, {100, 200, 30, 128}, 50), (Rgba{214, 139, 58, 255}));
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {0, 100, 255, 255}, {200, 200, 55, 255}, 1), (Rgba{2, 101, 253, 255}));
  const Image before = MakeRandomImage(8, 7, 40, true), overlay = MakeRandomImage(8, 7, 41, true);
  Image clear = overlay;
  for (std::size_t i = 3; i < clear.pixels.size(); i += 4) clear.pixels[i] = 0;
  for (MixMode mode : kAllModes) {
    for (const Image& nothing : {Mixed(before, clear, mode), Mixed(before, overlay, mode, 0, 0, 0),
                                 Mixed(before, overlay, mode, 0, 0, -30), Mixed(before, Image{}, mode)})
      EXPECT_EQ(nothing.pixels, before.pixels) << static_cast<int>(mode);
    EXPECT_EQ(Mixed(before, overlay, mode, 0, 0, 250).pixels, Mixed(before, overlay, mode).pixels);
    EXPECT_TRUE(Mixed(Image{}, before, mode).empty());
  }
}

}  // namespace
}  // namespace vr
