// What the BMP reader decides on its own, beyond the bmpsuite corpus: the
// byte layout it writes, the rows of a cut file, the bounds on what a file
// may claim, and hostile indices and run-length codes.
#include "imaging/codecs/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::BmpSpec;
using test::BuildBmp;
using test::Bytes;
using test::PixelAt;
using test::Rgba;

constexpr Rgba kClear = {0, 0, 0, 0};
constexpr Rgba kGreen = {0, 255, 0, 255};

Image Decode(const BmpSpec& layout, bool expect_damaged = false, std::size_t cut = 0) {
  Bytes bytes = BuildBmp(layout);
  bytes.resize(bytes.size() - cut);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "t.bmp", image);
  EXPECT_TRUE(decoded.ok()) << decoded.message();
  if (decoded.ok()) {
    EXPECT_EQ(decoded->damaged, expect_damaged);
  }
  return image;
}

// Our own reader would not notice a writer that swaps channels or rows the
// same way it does; other programs would. Bottom row first, blue-green-red,
// rows padded to four bytes; alpha as a fourth byte.
TEST(BmpEncode, RowsAreBottomUpBgrAndPadded) {
  Image image = test::MakeImage(1, 2, {10, 20, 30, 255});
  test::SetPixel(image, 0, 1, {40, 50, 60, 255});
  Bytes bytes;
  ASSERT_TRUE(EncodeBmp(image, bytes, "out.bmp").ok());
  EXPECT_EQ(Bytes(bytes.begin() + 54, bytes.end()), (Bytes{60, 50, 40, 0, 30, 20, 10, 0}));
  test::SetPixel(image, 0, 0, {1, 2, 3, 128});
  ASSERT_TRUE(EncodeBmp(image, bytes, "out.bmp").ok());
  EXPECT_EQ(Bytes(bytes.end() - 4, bytes.end()), (Bytes{3, 2, 1, 128}));
}

// A 2 x 4 24-bit file (8 bytes a row with padding) whose stored rows are 10, 20, 30, 40.
BmpSpec FourRows(int height) {
  BmpSpec layout{.width = 2, .height = height};
  for (std::uint8_t v : {10, 20, 30, 40}) layout.pixels.insert(layout.pixels.end(), {v, v, v, v, v, v, 0, 0});
  return layout;
}

// Damaged rather than failed: the rows that arrived are worth a thumbnail.
TEST(BmpTruncation, RowsThatArrivedStayAndTheRestIsTransparent) {
  const Image bottom_up = Decode(FourRows(4), true, 8 + 3);  // the top row gone, the one below half gone
  EXPECT_EQ(PixelAt(bottom_up, 1, 3), (Rgba{10, 10, 10, 255}));
  EXPECT_EQ(PixelAt(bottom_up, 0, 2), (Rgba{20, 20, 20, 255}));
  EXPECT_EQ(PixelAt(bottom_up, 0, 1), kClear);
  const Image top_down = Decode(FourRows(-4), true, 16);
  EXPECT_EQ(PixelAt(top_down, 0, 1), (Rgba{20, 20, 20, 255}));
  EXPECT_EQ(PixelAt(top_down, 0, 2), kClear);
}

BmpSpec Rle8(int width, int height, Bytes stream) {
  return {width, height, 8, 1, 0, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}}, std::move(stream)};
}

BmpSpec Rows(int height, int rows_present) {
  return {2, height, 24, 0, 0, {}, Bytes(rows_present * 8u, 0x40)};
}

// How much a file must hold for its picture to be allocated: the bounds are
// met exactly by the first of each pair and missed by one by the second.
struct PlausibilityCase {
  const char* label;
  BmpSpec layout;
  bool decodes;
};

class BmpPlausibility : public testing::TestWithParam<PlausibilityCase> {};

TEST_P(BmpPlausibility, TooLittleDataForThePictureIsRefusedUnallocated) {
  const PlausibilityCase& c = GetParam();
  const Bytes bytes = BuildBmp(c.layout);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "claim.bmp", image);
  // The header at the file's start is judged by the whole file's length.
  EXPECT_EQ(CheckBmpFileLength(std::span(bytes).first(60), bytes.size(), "claim.bmp").ok(), c.decodes);
  ASSERT_EQ(decoded.ok(), c.decodes) << decoded.message();
  if (c.decodes) return;
  EXPECT_EQ(decoded.message().rfind("Implausible BMP: a ", 0), 0u) << decoded.message();
  EXPECT_TRUE(image.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(Bounds, BmpPlausibility,
                         testing::Values(
                             // A cut file keeps its picture while one row in eight is there.
                             PlausibilityCase{"OneRowOfEight", Rows(8, 1), true},
                             PlausibilityCase{"OneRowOfNine", Rows(9, 1), false},
                             PlausibilityCase{"TwoRowsOfSixteen", Rows(16, 2), true},
                             // One run-length code draws at most 255 pixels.
                             PlausibilityCase{"RunOf255", Rle8(255, 1, {255, 0}), true},
                             PlausibilityCase{"RunOf255For256", Rle8(256, 1, {255, 0}), false},
                             PlausibilityCase{"TwoCodesFor510", Rle8(255, 2, {255, 0, 255, 0}), true},
                             // An end-of-bitmap code alone leaves the rest transparent, but not
                             // more of it than a code could have drawn.
                             PlausibilityCase{"EndCodeFor255", Rle8(17, 15, {0, 1}), true},
                             PlausibilityCase{"EndCodeFor256", Rle8(16, 16, {0, 1}), false}),
                         [](const testing::TestParamInfo<PlausibilityCase>& info) {
                           return info.param.label;
                         });

// Indices the palette does not reach are black, not a neighbour's colour or
// whatever lies past the table; a colour count past what the bits can index
// is cut to it.
TEST(BmpHostile, IndicesPastThePaletteAreBlack) {
  BmpSpec layout = Rle8(3, 1, {1, 4, 255, 0});
  layout.compression = 0;
  layout.colors_used = 4;
  const Image image = Decode(layout);
  EXPECT_EQ(PixelAt(image, 0, 0), kGreen);
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(PixelAt(image, 2, 0), (Rgba{0, 0, 0, 255}));
  layout.colors_used = 1000000;
  EXPECT_EQ(PixelAt(Decode(layout), 0, 0), kGreen);
}

// A delta moves right and up (rows count from the bottom) and skipped pixels
// stay transparent; runs past the right edge are cut there, never wrapping;
// a move past the top ends the picture; a stream cut short is damaged.
TEST(BmpHostile, RunLengthCodesStayInsideThePicture) {
  const Image delta = Decode(Rle8(4, 2, {0, 2, 2, 1, 1, 1, 0, 1}));
  EXPECT_EQ(PixelAt(delta, 2, 0), kGreen);
  EXPECT_EQ(PixelAt(delta, 0, 0), kClear);
  EXPECT_EQ(PixelAt(delta, 1, 1), kClear);
  const Image clipped = Decode(Rle8(2, 2, {200, 1, 0, 1}));
  EXPECT_EQ(PixelAt(clipped, 1, 1), kGreen);
  EXPECT_EQ(PixelAt(clipped, 0, 0), kClear);
  const Image moved = Decode(Rle8(2, 2, {0, 2, 0, 200, 1, 1, 0, 1}));
  EXPECT_EQ(moved.pixels, Decode(Rle8(2, 2, {0, 1})).pixels);
  const Image cut = Decode(Rle8(4, 2, {2, 1, 0}), true);
  EXPECT_EQ(PixelAt(cut, 1, 1), kGreen);
  EXPECT_EQ(PixelAt(cut, 2, 1), kClear);
  Decode(Rle8(4, 2, {0, 2, 1}), true);  // a delta without its offsets
}

}  // namespace
}  // namespace vr
