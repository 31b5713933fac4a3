// Mixing an overlay into a picture: where it lands (rows counted from the
// bottom), the rule of each mode, and how overlay alpha and opacity weigh it.
#include "imaging/ops/mix.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::MakeImage;
using test::MakeRandomImage;
using test::PixelAt;
using test::Rgba;

constexpr MixMode kAllModes[] = {MixMode::Add,     MixMode::And,  MixMode::Or,
                                 MixMode::Xor,     MixMode::Mask, MixMode::SrcCopy,
                                 MixMode::DstCopy, MixMode::Sub,  MixMode::SrcBlend};

Rgba MixOne(MixMode mode, Rgba picture, Rgba overlay, int opacity = 100) {
  Image p = MakeImage(1, 1, picture);
  MixImages(p, MakeImage(1, 1, overlay), mode, 0, 0, opacity);
  return PixelAt(p, 0, 0);
}

Image Mixed(Image picture, const Image& overlay, MixMode mode, int x, int y, int opacity = 100) {
  MixImages(picture, overlay, mode, x, y, opacity);
  return picture;
}

// The overlay's lower-left corner lies at (-x, -y) from the picture's: picture
// pixel (i, j), both counted from the bottom, takes overlay pixel (i + x, j + y).
class MixPlacement : public testing::TestWithParam<std::pair<int, int>> {};

TEST_P(MixPlacement, EachPictureRowFromTheBottomTakesTheOverlayRowOffsetFromItsBottom) {
  const auto [x, y] = GetParam();
  const Image before = MakeRandomImage(5, 4, 3, true);
  const Image overlay = MakeRandomImage(3, 2, 4);
  const Image after = Mixed(before, overlay, MixMode::SrcCopy, x, y);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 5; ++i) {
      const std::int64_t ox = std::int64_t{i} + x, oy = std::int64_t{j} + y;
      const bool covered = ox >= 0 && ox < 3 && oy >= 0 && oy < 2;
      const Rgba want = covered ? PixelAt(overlay, int(ox), int(1 - oy)) : PixelAt(before, i, 3 - j);
      ASSERT_EQ(PixelAt(after, i, 3 - j), want) << i << "," << j;
    }
}

INSTANTIATE_TEST_SUITE_P(Offsets, MixPlacement,
                         testing::Values(std::pair{0, 0}, std::pair{-2, -2}, std::pair{-3, -1},
                                         std::pair{1, 1}, std::pair{2, 0}, std::pair{-5, 0}, std::pair{0, -4},
                                         std::pair{INT_MIN, 0}, std::pair{INT_MAX, INT_MIN},
                                         std::pair{-1, INT_MAX}));

struct ModeCase {
  std::string name;
  MixMode mode;
  Rgba expected;
};

class MixModeRules : public testing::TestWithParam<ModeCase> {};

// Picture (200, 100, 50), overlay (100, 200, 30), both opaque.
TEST_P(MixModeRules, OpaqueOverlayAtFullOpacityGivesTheModesResult) {
  EXPECT_EQ(MixOne(GetParam().mode, {200, 100, 50, 255}, {100, 200, 30, 255}), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, MixModeRules,
                         testing::Values(ModeCase{"Add", MixMode::Add, {255, 255, 80, 255}},  // saturating
                                         ModeCase{"Sub", MixMode::Sub, {100, 0, 20, 255}},  // saturating at 0
                                         ModeCase{"And", MixMode::And, {64, 64, 18, 255}},
                                         ModeCase{"Or", MixMode::Or, {236, 236, 62, 255}},
                                         ModeCase{"Xor", MixMode::Xor, {172, 172, 44, 255}},
                                         ModeCase{"Mask", MixMode::Mask, {78, 78, 6, 255}},  // p * o / 255
                                         ModeCase{"SrcCopy", MixMode::SrcCopy, {100, 200, 30, 255}},
                                         ModeCase{"DstCopy", MixMode::DstCopy, {200, 100, 50, 255}},
                                         ModeCase{"SrcBlend", MixMode::SrcBlend, {100, 200, 30, 255}}),
                         [](const testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

TEST(MixAlpha, OnlyTheCopyingModesTakeTheOverlaysAlpha) {
  const Rgba picture{200, 100, 50, 100}, overlay{100, 200, 30, 255};
  for (MixMode mode : kAllModes) {
    if (mode != MixMode::SrcCopy && mode != MixMode::SrcBlend) {
      EXPECT_EQ(MixOne(mode, picture, overlay)[3], 100) << static_cast<int>(mode);
    }
  }
  EXPECT_EQ(MixOne(MixMode::SrcCopy, picture, overlay), overlay);
  EXPECT_EQ(MixOne(MixMode::SrcBlend, picture, overlay), overlay);
  // Source blend composites over the picture's alpha; source copy does not weigh by it.
  EXPECT_EQ(MixOne(MixMode::SrcBlend, {200, 200, 200, 0}, {10, 20, 30, 128}), (Rgba{10, 20, 30, 128}));
  EXPECT_EQ(MixOne(MixMode::SrcBlend, {0, 0, 255, 128}, {255, 0, 0, 128}), (Rgba{170, 0, 85, 192}));
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {200, 200, 200, 0}, {10, 20, 30, 128}), (Rgba{105, 110, 115, 128}));
}

// Overlay alpha times opacity is the share of the way from the picture to the
// mode's result, rounded: transparent or 0 % is nothing, over 100 % is 100 %.
TEST(MixAlpha, OverlayAlphaAndOpacityWeighTheResultTowardThePicture) {
  EXPECT_EQ(MixOne(MixMode::Add, {200, 100, 50, 255}, {100, 200, 30, 128}), (Rgba{228, 178, 65, 255}));
  EXPECT_EQ(MixOne(MixMode::Add, {200, 100, 50, 255}, {100, 200, 30, 128}, 50), (Rgba{214, 139, 58, 255}));
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {0, 100, 255, 255}, {200, 200, 55, 255}, 1), (Rgba{2, 101, 253, 255}));
  const Image before = MakeRandomImage(8, 7, 40, true);
  const Image overlay = MakeRandomImage(8, 7, 41, true);
  Image clear = overlay;
  for (std::size_t i = 3; i < clear.pixels.size(); i += 4) clear.pixels[i] = 0;
  for (MixMode mode : kAllModes) {
    EXPECT_EQ(Mixed(before, clear, mode, 0, 0).pixels, before.pixels) << static_cast<int>(mode);
    EXPECT_EQ(Mixed(before, overlay, mode, 0, 0, 0).pixels, before.pixels) << static_cast<int>(mode);
    EXPECT_EQ(Mixed(before, overlay, mode, 0, 0, -30).pixels, before.pixels) << static_cast<int>(mode);
    EXPECT_EQ(Mixed(before, overlay, mode, 0, 0, 250).pixels, Mixed(before, overlay, mode, 0, 0).pixels);
    EXPECT_EQ(Mixed(before, Image{}, mode, 0, 0).pixels, before.pixels);
    EXPECT_TRUE(Mixed(Image{}, before, mode, 0, 0).empty());
  }
}

}  // namespace
}  // namespace vr
