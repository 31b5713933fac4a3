// Mixing an overlay into a picture: offsets (rows from the bottom), the
// rule of each mode, overlay alpha and opacity.
#include "imaging/ops/mix.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::MakeImage;
using test::MakeRandomImage;
using test::PixelAt;
using test::Rgba;
using test::SetPixel;

constexpr Rgba kGrey{90, 90, 90, 255};
constexpr Rgba kWhite{255, 255, 255, 255};

constexpr MixMode kAllModes[] = {MixMode::Add,     MixMode::And,  MixMode::Or,
                                 MixMode::Xor,     MixMode::Mask, MixMode::SrcCopy,
                                 MixMode::DstCopy, MixMode::Sub,  MixMode::SrcBlend};

// The pixels of `after` that differ from `before`, as (x, y) counted from the top.
std::vector<std::pair<int, int>> Changed(const Image& before, const Image& after) {
  std::vector<std::pair<int, int>> out;
  for (int y = 0; y < before.height; ++y)
    for (int x = 0; x < before.width; ++x)
      if (PixelAt(before, x, y) != PixelAt(after, x, y)) out.emplace_back(x, y);
  return out;
}

Rgba MixOne(MixMode mode, Rgba picture, Rgba overlay, int opacity = 100) {
  Image p = MakeImage(1, 1, picture);
  MixImages(p, MakeImage(1, 1, overlay), mode, 0, 0, opacity);
  return PixelAt(p, 0, 0);
}

// ---- Offsets -------------------------------------------------------------------

struct CornerCase {
  int x, y;          // offset for a 1 x 1 overlay on a 5 x 4 picture
  int top_x, top_y;  // the one pixel it reaches, counted from the top
};

class MixCorners : public testing::TestWithParam<CornerCase> {};

TEST_P(MixCorners, OnePixelOverlayLandsWhereRowsCountFromTheBottom) {
  const CornerCase c = GetParam();
  const Image before = MakeImage(5, 4, kGrey);
  Image picture = before;
  MixImages(picture, MakeImage(1, 1, kWhite), MixMode::SrcCopy, c.x, c.y, 100);
  ASSERT_EQ(Changed(before, picture), (std::vector<std::pair<int, int>>{{c.top_x, c.top_y}}));
  EXPECT_EQ(PixelAt(picture, c.top_x, c.top_y), kWhite);
}

// The overlay's lower-left corner lies at (-x, -y) from the picture's.
INSTANTIATE_TEST_SUITE_P(FourCorners, MixCorners,
                         testing::Values(CornerCase{0, 0, 0, 3},      // bottom left
                                         CornerCase{-4, 0, 4, 3},     // bottom right
                                         CornerCase{0, -3, 0, 0},     // top left
                                         CornerCase{-4, -3, 4, 0},    // top right
                                         CornerCase{-2, -1, 2, 2}));  // inside

TEST(MixOffsets, RightAndTopPlacementOfALargerOverlayPart) {
  // x = W2 - W1 puts the overlay against the right edge, y = H2 - H1 against the top.
  Image overlay = MakeImage(2, 2, kWhite);
  SetPixel(overlay, 0, 0, {1, 2, 3, 255});  // overlay's top-left
  SetPixel(overlay, 1, 1, {4, 5, 6, 255});  // overlay's bottom-right
  const Image before = MakeImage(6, 5, kGrey);
  Image picture = before;
  MixImages(picture, overlay, MixMode::SrcCopy, 2 - 6, 2 - 5, 100);
  EXPECT_EQ(PixelAt(picture, 4, 0), (Rgba{1, 2, 3, 255}));
  EXPECT_EQ(PixelAt(picture, 5, 1), (Rgba{4, 5, 6, 255}));
  EXPECT_EQ(Changed(before, picture).size(), 4u);
}

TEST(MixOffsets, OverlayLargerThanThePictureIsCutOff) {
  // Picture pixel (i, j) takes overlay pixel (i + 3, j + 2), rows from the bottom.
  const Image overlay = MakeRandomImage(10, 10, 6);
  Image picture = MakeImage(4, 4, kGrey);
  MixImages(picture, overlay, MixMode::SrcCopy, 3, 2, 100);
  for (int j = 0; j < 4; ++j)
    for (int i = 0; i < 4; ++i)
      ASSERT_EQ(PixelAt(picture, i, 3 - j), PixelAt(overlay, i + 3, 9 - (j + 2))) << i << "," << j;
}

TEST(MixOffsets, OverlayOffThePictureChangesNothing) {
  const Image before = MakeRandomImage(5, 4, 3, true);
  const Image overlay = MakeImage(2, 3, kWhite);
  const std::pair<int, int> offsets[] = {{2, 0},   {-5, 0}, {0, 3},  {0, -4}, {2, 3},
                                         {-5, -4}, {7, 7},  {-9, 1}, {1, -9}};
  for (auto [x, y] : offsets) {
    Image picture = before;
    MixImages(picture, overlay, MixMode::SrcCopy, x, y, 100);
    EXPECT_EQ(picture.pixels, before.pixels) << x << "," << y;
  }
}

TEST(MixOffsets, ExtremeOffsetsAreSafe) {
  const Image before = MakeRandomImage(5, 4, 3, true);
  const Image overlay = MakeImage(3, 3, kWhite);
  for (int x : {INT_MIN, INT_MIN + 1, -1, INT_MAX - 1, INT_MAX})
    for (int y : {INT_MIN, INT_MAX, 0}) {
      Image picture = before;
      MixImages(picture, overlay, MixMode::Add, x, y, 100);
      if (x == -1 && y == 0) continue;  // the one pair that overlaps
      EXPECT_EQ(picture.pixels, before.pixels) << x << "," << y;
    }
}

// ---- The rule of each mode -------------------------------------------------------

struct ModeCase {
  std::string name;
  MixMode mode;
  Rgba expected;
};

class MixModeRules : public testing::TestWithParam<ModeCase> {};

// Picture (200, 100, 50), overlay (100, 200, 30), both opaque.
TEST_P(MixModeRules, OpaqueOverlayAtFullOpacityGivesTheModesResult) {
  const ModeCase c = GetParam();
  EXPECT_EQ(MixOne(c.mode, {200, 100, 50, 255}, {100, 200, 30, 255}), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Modes, MixModeRules,
                         testing::Values(ModeCase{"Add", MixMode::Add, {255, 255, 80, 255}},  // saturating
                                         ModeCase{"Sub", MixMode::Sub, {100, 0, 20, 255}},  // saturating at 0
                                         ModeCase{"And", MixMode::And, {64, 64, 18, 255}},
                                         ModeCase{"Or", MixMode::Or, {236, 236, 62, 255}},
                                         ModeCase{"Xor", MixMode::Xor, {172, 172, 44, 255}},
                                         ModeCase{
                                             "Mask", MixMode::Mask, {78, 78, 6, 255}},  // 200*100/255 = 78.4
                                         ModeCase{"SrcCopy", MixMode::SrcCopy, {100, 200, 30, 255}},
                                         ModeCase{"DstCopy", MixMode::DstCopy, {200, 100, 50, 255}},
                                         ModeCase{"SrcBlend", MixMode::SrcBlend, {100, 200, 30, 255}}),
                         [](const testing::TestParamInfo<ModeCase>& info) { return info.param.name; });

TEST(MixModes, MaskKeepsUnderWhiteAndBlacksOutUnderBlack) {
  EXPECT_EQ(MixOne(MixMode::Mask, {200, 100, 50, 255}, {255, 0, 255, 255}), (Rgba{200, 0, 50, 255}));
}

TEST(MixModes, PictureAlphaIsKeptExceptByTheCopyingModes) {
  const Rgba picture{200, 100, 50, 100};
  const Rgba overlay{100, 200, 30, 255};
  for (MixMode mode :
       {MixMode::Add, MixMode::And, MixMode::Or, MixMode::Xor, MixMode::Mask, MixMode::Sub, MixMode::DstCopy})
    EXPECT_EQ(MixOne(mode, picture, overlay)[3], 100) << static_cast<int>(mode);
  EXPECT_EQ(MixOne(MixMode::SrcCopy, picture, overlay), overlay);
  EXPECT_EQ(MixOne(MixMode::SrcBlend, picture, overlay), overlay);
}

TEST(MixModes, SourceBlendCompositesOverTranslucentPictures) {
  // Over a fully transparent picture the overlay shows as it is.
  EXPECT_EQ(MixOne(MixMode::SrcBlend, {200, 200, 200, 0}, {10, 20, 30, 128}), (Rgba{10, 20, 30, 128}));
  // Half red over half blue: alpha 128 + 127 * 128/255 = 191.75; red 128*255/191.75,
  // blue 63.75*255/191.75.
  EXPECT_EQ(MixOne(MixMode::SrcBlend, {0, 0, 255, 128}, {255, 0, 0, 128}), (Rgba{170, 0, 85, 192}));
  // Source copy mixes the colours without weighting by the picture's alpha.
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {200, 200, 200, 0}, {10, 20, 30, 128}), (Rgba{105, 110, 115, 128}));
}

// ---- Overlay alpha and opacity ----------------------------------------------------

TEST(MixAlpha, TransparentOverlayPixelsChangeNothingInAnyMode) {
  const Image before = MakeRandomImage(6, 6, 30, true);
  Image overlay = MakeRandomImage(6, 6, 31, true);
  for (std::size_t i = 3; i < overlay.pixels.size(); i += 4) overlay.pixels[i] = 0;
  for (MixMode mode : kAllModes) {
    Image picture = before;
    MixImages(picture, overlay, mode, 0, 0, 100);
    EXPECT_EQ(picture.pixels, before.pixels) << static_cast<int>(mode);
  }
}

TEST(MixAlpha, PartialOverlayAlphaBlendsTheResultTowardThePicture) {
  // Add gives (255, 255, 80); alpha 128 takes 128/255 of the way there.
  EXPECT_EQ(MixOne(MixMode::Add, {200, 100, 50, 255}, {100, 200, 30, 128}), (Rgba{228, 178, 65, 255}));
  // And the opacity multiplies in: 64/255 of the way at alpha 128 and 50 %.
  EXPECT_EQ(MixOne(MixMode::Add, {200, 100, 50, 255}, {100, 200, 30, 128}, 50), (Rgba{214, 139, 58, 255}));
}

TEST(MixOpacity, ZeroIsIdentityAndHundredIsFull) {
  const Image before = MakeRandomImage(8, 7, 40, true);
  const Image overlay = MakeRandomImage(8, 7, 41, true);
  for (MixMode mode : kAllModes) {
    Image zero = before, negative = before;
    MixImages(zero, overlay, mode, 0, 0, 0);
    MixImages(negative, overlay, mode, 0, 0, -30);
    EXPECT_EQ(zero.pixels, before.pixels) << static_cast<int>(mode);
    EXPECT_EQ(negative.pixels, before.pixels) << static_cast<int>(mode);
    Image full = before, beyond = before;
    MixImages(full, overlay, mode, 0, 0, 100);
    MixImages(beyond, overlay, mode, 0, 0, 250);
    EXPECT_EQ(full.pixels, beyond.pixels) << static_cast<int>(mode);
  }
  // Opaque overlay at 100 % replaces; at 50 % goes half way; at 1 % barely moves.
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {0, 100, 255, 255}, {200, 200, 55, 255}, 100),
            (Rgba{200, 200, 55, 255}));
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {0, 100, 255, 255}, {200, 200, 55, 255}, 50),
            (Rgba{100, 150, 155, 255}));
  EXPECT_EQ(MixOne(MixMode::SrcCopy, {0, 100, 255, 255}, {200, 200, 55, 255}, 1), (Rgba{2, 101, 253, 255}));
}

TEST(MixEmpty, EmptyOverlayOrPictureMixesAsNothing) {
  const Image before = MakeRandomImage(4, 4, 50, true);
  for (MixMode mode : kAllModes) {
    Image picture = before;
    MixImages(picture, Image{}, mode, 0, 0, 100);
    EXPECT_EQ(picture.pixels, before.pixels);
    Image empty;
    MixImages(empty, before, mode, 0, 0, 100);
    EXPECT_TRUE(empty.empty());
  }
}

}  // namespace
}  // namespace vr
