// Known pixels through each BMP pixel format: palettes, bit fields and the
// run-length codes, in small hand-made files.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/imaging/bmp_test_util.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/bmp_codec.h"

namespace vr {
namespace {

using test::BmpSpec;
using test::BuildBmp;
using test::PixelAt;
using test::Rgba;

constexpr Rgba kClear = {0, 0, 0, 0};

Image Decode(const BmpSpec& layout, bool expect_damaged = false) {
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(BuildBmp(layout), "t.bmp", image);
  EXPECT_TRUE(decoded.ok()) << decoded.message();
  if (decoded.ok()) {
    EXPECT_EQ(decoded->damaged, expect_damaged);
  }
  return image;
}

BmpSpec Paletted(int bits, int width, std::vector<std::uint8_t> pixels) {
  BmpSpec layout;
  layout.bits = static_cast<std::uint16_t>(bits);
  layout.width = width;
  layout.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  layout.pixels = std::move(pixels);
  return layout;
}

TEST(BmpPaletteTest, OneBitIndicesFromTheHighBit) {
  const Image image = Decode(Paletted(1, 10, {0b10100000, 0b01000000, 0, 0}));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(PixelAt(image, 2, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(PixelAt(image, 9, 0), (Rgba{0, 255, 0, 255}));
}

TEST(BmpPaletteTest, TwoAndFourBitIndices) {
  const Image two = Decode(Paletted(2, 4, {0b00011011, 0, 0, 0}));
  EXPECT_EQ(PixelAt(two, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(PixelAt(two, 2, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(PixelAt(two, 3, 0), (Rgba{9, 9, 9, 255}));
  const Image four = Decode(Paletted(4, 3, {0x21, 0x30, 0, 0}));
  EXPECT_EQ(PixelAt(four, 0, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(PixelAt(four, 1, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(PixelAt(four, 2, 0), (Rgba{9, 9, 9, 255}));
}

// Indices the palette does not reach are black, not a neighbour's colour.
TEST(BmpPaletteTest, IndexPastThePaletteIsBlack) {
  BmpSpec layout = Paletted(8, 3, {1, 4, 255, 0});
  layout.colors_used = 4;
  const Image image = Decode(layout);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(PixelAt(image, 2, 0), (Rgba{0, 0, 0, 255}));
}

// Colours-used beyond what the bit depth can index is clamped.
TEST(BmpPaletteTest, OversizedColourCountIsClamped) {
  BmpSpec layout = Paletted(1, 2, {0b01000000, 0, 0, 0});
  layout.colors_used = 1000000;
  const Image image = Decode(layout);
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{0, 255, 0, 255}));
}

TEST(BmpPaletteTest, Os2PaletteHasThreeByteEntries) {
  BmpSpec layout = Paletted(8, 2, {2, 3, 0, 0});
  layout.header_size = 12;
  const Image image = Decode(layout);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{0, 0, 255, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{9, 9, 9, 255}));
}

BmpSpec Masked(int bits, std::uint32_t compression, std::vector<std::uint32_t> masks,
               std::vector<std::uint8_t> px) {
  BmpSpec layout;
  layout.bits = static_cast<std::uint16_t>(bits);
  layout.compression = compression;
  layout.masks = std::move(masks);
  layout.width = static_cast<int>(px.size() * 8 / bits);
  layout.pixels = std::move(px);
  return layout;
}

TEST(BmpBitfieldsTest, Default16BitIs555AndFullScaleIsWhite) {
  const Image image = Decode(Masked(16, 0, {}, {0xFF, 0xFF, 0x00, 0x7C}));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 255, 255, 255}));  // the spare top bit is ignored
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{255, 0, 0, 255}));
}

TEST(BmpBitfieldsTest, Mask565) {
  const Image image = Decode(Masked(16, 3, {0xF800, 0x07E0, 0x001F}, {0xE0, 0x07, 0x10, 0x00}));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{0, 0, 132, 255}));  // 16 of 31, rounded
}

// Narrow channels are scaled, not shifted: 2 bits give 0, 85, 170, 255.
TEST(BmpBitfieldsTest, NarrowMasksScaleToFullRange) {
  const Image image = Decode(Masked(16, 3, {0x3, 0xC, 0x30}, {0x39, 0x00, 0x06, 0x00}));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{85, 170, 255, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{170, 85, 0, 255}));
}

TEST(BmpBitfieldsTest, WideMasksScaleWithRounding) {
  // 10-bit red of 1023 and 512, green 0, blue mask empty.
  const Image image = Decode(Masked(32, 3, {0x3FF, 0xFFC00, 0}, {0xFF, 0x03, 0, 0, 0x00, 0x02, 0, 0}));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{128, 0, 0, 255}));
}

// The spare byte of a plain 32-bit pixel is not alpha.
TEST(BmpBitfieldsTest, Plain32BitIsOpaque) {
  const Image image = Decode(Masked(32, 0, {}, {1, 2, 3, 0x40}));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{3, 2, 1, 255}));
}

TEST(BmpBitfieldsTest, AlphaFromVersion4Mask) {
  BmpSpec layout = Masked(32, 3, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, {1, 2, 3, 0x40});
  layout.header_size = 108;
  EXPECT_EQ(PixelAt(Decode(layout), 0, 0), (Rgba{3, 2, 1, 0x40}));
}

TEST(BmpBitfieldsTest, AlphaBitfieldsAfterVersion3Header) {
  const BmpSpec layout = Masked(32, 6, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, {1, 2, 3, 0x80});
  EXPECT_EQ(PixelAt(Decode(layout), 0, 0), (Rgba{1, 2, 3, 0x80}));
}

// A fourth mask after a version 3 header with plain BI_BITFIELDS is not read.
TEST(BmpBitfieldsTest, ThreeMasksAfterVersion3HeaderMeanOpaque) {
  const BmpSpec layout = Masked(32, 3, {0x000000FF, 0x0000FF00, 0x00FF0000}, {1, 2, 3, 0x80});
  EXPECT_EQ(PixelAt(Decode(layout), 0, 0), (Rgba{1, 2, 3, 255}));
}

TEST(BmpRowsTest, TopDownAndBottomUp) {
  BmpSpec layout;
  layout.height = 2;
  layout.pixels = {1, 1, 1, 0, 2, 2, 2, 0};
  EXPECT_EQ(PixelAt(Decode(layout), 0, 0), (Rgba{2, 2, 2, 255}));
  layout.height = -2;
  EXPECT_EQ(PixelAt(Decode(layout), 0, 0), (Rgba{1, 1, 1, 255}));
}

BmpSpec Rle(int bits, int width, int height, std::vector<std::uint8_t> stream) {
  BmpSpec layout;
  layout.bits = static_cast<std::uint16_t>(bits);
  layout.compression = bits == 8 ? 1 : 2;
  layout.width = width;
  layout.height = height;
  layout.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  layout.pixels = std::move(stream);
  return layout;
}

constexpr Rgba kRed = {255, 0, 0, 255};
constexpr Rgba kGreen = {0, 255, 0, 255};
constexpr Rgba kBlue = {0, 0, 255, 255};
constexpr Rgba kGrey = {9, 9, 9, 255};

TEST(BmpRleTest, Rle8RunsLiteralsAndEndOfLine) {
  // Bottom line: 2 x index 1, then literal 2,3,0 (odd: one pad byte). Next
  // line: end of line right away, so it stays transparent. Top line: run.
  const Image image = Decode(Rle(8, 5, 3, {2, 1, 0, 3, 2, 3, 0, 0, 0, 0, 0, 0, 5, 2, 0, 1}));
  EXPECT_EQ(PixelAt(image, 0, 2), kGreen);
  EXPECT_EQ(PixelAt(image, 1, 2), kGreen);
  EXPECT_EQ(PixelAt(image, 2, 2), kBlue);
  EXPECT_EQ(PixelAt(image, 3, 2), kGrey);
  EXPECT_EQ(PixelAt(image, 4, 2), kRed);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(image, x, 1), kClear);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(PixelAt(image, x, 0), kBlue);
}

TEST(BmpRleTest, DeltaSkipsPixelsAndKeepsTheColumn) {
  // Run of 1 at (0, bottom); delta right 2, up 1; run of 1 there.
  const Image image = Decode(Rle(8, 4, 2, {1, 1, 0, 2, 2, 1, 1, 2, 0, 1}));
  EXPECT_EQ(PixelAt(image, 0, 1), kGreen);
  EXPECT_EQ(PixelAt(image, 1, 1), kClear);
  EXPECT_EQ(PixelAt(image, 3, 0), kBlue);
  EXPECT_EQ(PixelAt(image, 2, 0), kClear);
  EXPECT_EQ(PixelAt(image, 0, 0), kClear);
}

TEST(BmpRleTest, EarlyEndOfBitmapLeavesTheRestTransparent) {
  const Image image = Decode(Rle(8, 3, 2, {1, 3, 0, 1}));
  EXPECT_EQ(PixelAt(image, 0, 1), kGrey);
  EXPECT_EQ(PixelAt(image, 1, 1), kClear);
  EXPECT_EQ(PixelAt(image, 0, 0), kClear);
}

TEST(BmpRleTest, Rle4AlternatesNibbles) {
  // Run of 3 alternating 1 and 2; literal of 3 nibbles 3,0,1 (2 bytes, even).
  const Image image = Decode(Rle(4, 6, 1, {3, 0x12, 0, 3, 0x30, 0x10, 0, 1}));
  EXPECT_EQ(PixelAt(image, 0, 0), kGreen);
  EXPECT_EQ(PixelAt(image, 1, 0), kBlue);
  EXPECT_EQ(PixelAt(image, 2, 0), kGreen);
  EXPECT_EQ(PixelAt(image, 3, 0), kGrey);
  EXPECT_EQ(PixelAt(image, 4, 0), kRed);
  EXPECT_EQ(PixelAt(image, 5, 0), kGreen);
}

// Runs past the right edge are cut there; they never wrap to the next line.
TEST(BmpRleTest, RunsAreClippedAtTheEdge) {
  const Image image = Decode(Rle(8, 2, 2, {200, 1, 0, 1}));
  EXPECT_EQ(PixelAt(image, 1, 1), kGreen);
  EXPECT_EQ(PixelAt(image, 0, 0), kClear);
}

TEST(BmpRleTest, MovesPastTheTopStopDecoding) {
  const Image image = Decode(Rle(8, 2, 2, {0, 2, 0, 200, 1, 1, 0, 1}));
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) EXPECT_EQ(PixelAt(image, x, y), kClear);
}

// A stream cut before its end-of-bitmap code is damaged; what arrived stays.
TEST(BmpRleTest, TruncatedStreamIsDamaged) {
  const Image cut_run = Decode(Rle(8, 4, 2, {2, 1, 0}), true);
  EXPECT_EQ(PixelAt(cut_run, 1, 1), kGreen);
  EXPECT_EQ(PixelAt(cut_run, 2, 1), kClear);
  const Image cut_literal = Decode(Rle(8, 4, 2, {0, 4, 3, 2}), true);
  EXPECT_EQ(PixelAt(cut_literal, 0, 1), kGrey);
  EXPECT_EQ(PixelAt(cut_literal, 1, 1), kBlue);
  EXPECT_EQ(PixelAt(cut_literal, 2, 1), kClear);
  Decode(Rle(8, 4, 2, {0, 2, 1}), true);  // delta without its offsets
}

TEST(BmpRleTest, FilledPictureNeedsNoEndCode) {
  const Image image = Decode(Rle(8, 2, 1, {2, 3, 0, 0}));
  EXPECT_EQ(PixelAt(image, 1, 0), kGrey);
}

TEST(BmpRleTest, Os2Rle24) {
  BmpSpec layout;
  layout.header_size = 64;
  layout.compression = 4;
  layout.width = 3;
  // A run is a count and one blue-green-red pixel.
  layout.pixels = {2, 1, 2, 3, 1, 7, 8, 9, 0, 1};
  const Image image = Decode(layout);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{3, 2, 1, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{3, 2, 1, 255}));
  EXPECT_EQ(PixelAt(image, 2, 0), (Rgba{9, 8, 7, 255}));
}

}  // namespace
}  // namespace vr
