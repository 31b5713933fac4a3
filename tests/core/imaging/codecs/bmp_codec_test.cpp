// BMP writing and reading back, header facts, and how bad headers and
// truncated files are handled.
#include "imaging/codecs/bmp_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/imaging/bmp_test_util.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::BmpSpec;
using test::BuildBmp;
using test::PixelAt;
using test::Rgba;

std::uint32_t Le32At(const std::vector<std::uint8_t>& b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct RoundTripCase {
  int width;
  int height;
  bool alpha;
};

class BmpRoundTripTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(BmpRoundTripTest, DecodesToTheSamePixels) {
  const RoundTripCase& c = GetParam();
  const Image original = test::MakeRandomImage(c.width, c.height, 1234 + c.width, c.alpha);
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(EncodeBmp(original, bytes, "out.bmp").ok());

  const int bits = c.alpha ? 32 : 24;
  const std::size_t row = (static_cast<std::size_t>(c.width) * bits + 31) / 32 * 4;
  const std::size_t header = 14 + (c.alpha ? 108 : 40);
  EXPECT_EQ(bytes.size(), header + row * c.height);
  EXPECT_EQ(Le32At(bytes, 2), bytes.size());
  EXPECT_EQ(bytes[28], bits);
  EXPECT_EQ(Le32At(bytes, 30), c.alpha ? 3u : 0u);  // BI_BITFIELDS or BI_RGB

  Image decoded;
  Expected<DecodeResult> result = DecodeBmp(bytes, "out.bmp", decoded);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  ASSERT_EQ(decoded.width, c.width);
  ASSERT_EQ(decoded.height, c.height);
  EXPECT_EQ(decoded.pixels, original.pixels);
}

INSTANTIATE_TEST_SUITE_P(Sizes, BmpRoundTripTest,
                         ::testing::Values(RoundTripCase{1, 1, false}, RoundTripCase{1, 1, true},
                                           RoundTripCase{2, 3, false}, RoundTripCase{3, 2, false},
                                           RoundTripCase{5, 7, false}, RoundTripCase{5, 7, true},
                                           RoundTripCase{127, 4, false}, RoundTripCase{128, 3, true}));

// Bottom row first, blue-green-red, each row padded with zeros to 4 bytes.
TEST(BmpEncodeTest, OpaqueRowsAreBottomUpBgrAndPadded) {
  Image image = test::MakeImage(1, 2, {0, 0, 0, 255});
  test::SetPixel(image, 0, 0, {10, 20, 30, 255});  // top
  test::SetPixel(image, 0, 1, {40, 50, 60, 255});  // bottom
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(EncodeBmp(image, bytes, "out.bmp").ok());
  ASSERT_EQ(bytes.size(), 54u + 8u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 54, bytes.end()),
            (std::vector<std::uint8_t>{60, 50, 40, 0, 30, 20, 10, 0}));
  EXPECT_EQ(Le32At(bytes, 10), 54u);                           // pixel offset
  EXPECT_EQ(static_cast<std::int32_t>(Le32At(bytes, 22)), 2);  // positive height: bottom-up
}

TEST(BmpEncodeTest, TransparencyGivesVersion4HeaderWithAlphaMask) {
  Image image = test::MakeImage(1, 1, {1, 2, 3, 128});
  std::vector<std::uint8_t> bytes;
  ASSERT_TRUE(EncodeBmp(image, bytes, "out.bmp").ok());
  EXPECT_EQ(Le32At(bytes, 14), 108u);
  EXPECT_EQ(Le32At(bytes, 54), 0x00FF0000u);
  EXPECT_EQ(Le32At(bytes, 58), 0x0000FF00u);
  EXPECT_EQ(Le32At(bytes, 62), 0x000000FFu);
  EXPECT_EQ(Le32At(bytes, 66), 0xFF000000u);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.end() - 4, bytes.end()),
            (std::vector<std::uint8_t>{3, 2, 1, 128}));
}

TEST(BmpEncodeTest, EmptyPictureFailsAndLeavesNothing) {
  std::vector<std::uint8_t> bytes = {1, 2, 3};
  Status status = EncodeBmp(Image{}, bytes, "empty.bmp");
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("empty.bmp"), std::string::npos);
  EXPECT_TRUE(bytes.empty());
}

TEST(BmpInfoTest, HeaderAloneGivesSizeAndTopDownIsPositive) {
  BmpSpec layout;
  layout.width = 300;
  layout.height = -200;
  const auto bytes = BuildBmp(layout);  // no pixels at all: the header suffices
  EXPECT_TRUE(IsBmp(bytes));
  Expected<ImageInfo> info = ReadBmpInfo(bytes, "a.bmp");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->kind, FileKind::Bmp);
  EXPECT_EQ(info->width, 300);
  EXPECT_EQ(info->height, 200);
  EXPECT_EQ(info->orientation, 1);
}

TEST(BmpInfoTest, Os2CoreHeaderHas16BitSides) {
  BmpSpec layout;
  layout.header_size = 12;
  layout.width = 40000;
  layout.height = 3;
  Expected<ImageInfo> info = ReadBmpInfo(BuildBmp(layout), "os2.bmp");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->width, 40000);
  EXPECT_EQ(info->height, 3);
}

TEST(BmpInfoTest, IsBmpNeedsBothLetters) {
  EXPECT_FALSE(IsBmp(std::vector<std::uint8_t>{'B'}));
  EXPECT_FALSE(IsBmp(std::vector<std::uint8_t>{'B', 'A', 0, 0}));
  EXPECT_TRUE(IsBmp(std::vector<std::uint8_t>{'B', 'M'}));
}

struct BadHeaderCase {
  const char* name;
  BmpSpec layout;
  const char* message_part;
};

class BmpBadHeaderTest : public ::testing::TestWithParam<BadHeaderCase> {};

// Each fails in the header, before any pixel buffer is sized.
TEST_P(BmpBadHeaderTest, FailsWithReasonAndFile) {
  const auto bytes = BuildBmp(GetParam().layout);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "bad.bmp", image);
  ASSERT_FALSE(decoded.ok());
  EXPECT_NE(decoded.message().find(GetParam().message_part), std::string::npos) << decoded.message();
  EXPECT_NE(decoded.message().find(" in bad.bmp"), std::string::npos) << decoded.message();
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_FALSE(ReadBmpInfo(bytes, "bad.bmp").ok());
}

BmpSpec With(void (*change)(BmpSpec&)) {
  BmpSpec layout;
  layout.pixels.assign(4, 0);
  change(layout);
  return layout;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BmpBadHeaderTest,
    ::testing::Values(
        BadHeaderCase{"ZeroWidth", With([](BmpSpec& s) { s.width = 0; }), "Invalid BMP: width 0"},
        BadHeaderCase{"NegativeWidth", With([](BmpSpec& s) { s.width = -5; }), "Invalid BMP: width -5"},
        BadHeaderCase{"ZeroHeight", With([](BmpSpec& s) { s.height = 0; }), "Invalid BMP: height 0"},
        BadHeaderCase{"TooWide", With([](BmpSpec& s) { s.width = 65536; }), "too large"},
        BadHeaderCase{"TooManyPixels", With([](BmpSpec& s) {
                        s.width = 65535;
                        s.height = 65535;
                      }),
                      "too large"},
        BadHeaderCase{"MostNegativeHeight", With([](BmpSpec& s) { s.height = INT32_MIN; }), "too large"},
        BadHeaderCase{"TwoPlanes", With([](BmpSpec& s) { s.planes = 2; }), "2 planes"},
        BadHeaderCase{"ThreeBits", With([](BmpSpec& s) { s.bits = 3; }), "3 bits per pixel"},
        BadHeaderCase{"UnknownHeaderSize", With([](BmpSpec& s) { s.header_size = 44; }), "header size 44"},
        BadHeaderCase{"Rle8WithFourBits", With([](BmpSpec& s) {
                        s.bits = 4;
                        s.compression = 1;
                      }),
                      "RLE8 with 4 bits"},
        BadHeaderCase{"BitfieldsWith24Bits", With([](BmpSpec& s) { s.compression = 3; }), "bit fields"},
        BadHeaderCase{"UnknownCompression", With([](BmpSpec& s) { s.compression = 9; }),
                      "Unsupported BMP: compression type 9"},
        BadHeaderCase{"TopDownRle", With([](BmpSpec& s) {
                        s.bits = 8;
                        s.compression = 1;
                        s.height = -1;
                        s.palette = {{1, 2, 3}};
                      }),
                      "top-down"},
        BadHeaderCase{"SixtyFourBits", With([](BmpSpec& s) { s.bits = 64; }), "Unsupported BMP: 64 bits"}),
    [](const ::testing::TestParamInfo<BadHeaderCase>& info) { return std::string(info.param.name); });

// The size is known without a palette; decoding needs one.
TEST(BmpBadInputTest, PaletteMissingFailsOnDecode) {
  BmpSpec layout;
  layout.bits = 8;
  layout.pixels.assign(4, 0);
  const auto bytes = BuildBmp(layout);
  EXPECT_TRUE(ReadBmpInfo(bytes, "nopal.bmp").ok());
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "nopal.bmp", image);
  ASSERT_FALSE(decoded.ok());
  EXPECT_EQ(decoded.message(), "Invalid BMP: missing palette in nopal.bmp");
}

TEST(BmpBadInputTest, ShortAndForeignBytesFail) {
  Image image;
  for (const std::vector<std::uint8_t>& bytes :
       {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{'B', 'M', 0, 0},
        std::vector<std::uint8_t>(60, 'x')}) {
    Expected<DecodeResult> decoded = DecodeBmp(bytes, "x.bmp", image);
    ASSERT_FALSE(decoded.ok());
    EXPECT_EQ(decoded.message().rfind("Invalid BMP: ", 0), 0u) << decoded.message();
  }
}

TEST(BmpBadInputTest, HeaderCutShortFails) {
  auto bytes = BuildBmp(BmpSpec{});
  bytes.resize(40);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "cut.bmp", image);
  ASSERT_FALSE(decoded.ok());
  EXPECT_NE(decoded.message().find("truncated info header"), std::string::npos) << decoded.message();
}

// A 2x4 24-bit file: 8 bytes a row with padding, rows stored bottom-up.
BmpSpec FourRows() {
  BmpSpec layout;
  layout.width = 2;
  layout.height = 4;
  for (int row = 0; row < 4; ++row) {
    const auto v = static_cast<std::uint8_t>(10 * (row + 1));
    layout.pixels.insert(layout.pixels.end(), {v, v, v, v, v, v, 0, 0});
  }
  return layout;
}

// Damaged rather than failed: the rows that arrived are worth a thumbnail.
TEST(BmpTruncationTest, MissingRowsAreTransparentAndFlagged) {
  auto bytes = BuildBmp(FourRows());
  bytes.resize(bytes.size() - 8 - 3);  // the last stored row, the top one, half gone too
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "short.bmp", image);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_TRUE(decoded->damaged);
  ASSERT_EQ(image.height, 4);
  EXPECT_EQ(PixelAt(image, 1, 3), (Rgba{10, 10, 10, 255}));  // first stored row: the bottom
  EXPECT_EQ(PixelAt(image, 0, 2), (Rgba{20, 20, 20, 255}));
  EXPECT_EQ(PixelAt(image, 0, 1), (Rgba{0, 0, 0, 0}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{0, 0, 0, 0}));
}

TEST(BmpTruncationTest, TopDownKeepsTheTopRows) {
  BmpSpec layout = FourRows();
  layout.height = -4;
  auto bytes = BuildBmp(layout);
  bytes.resize(bytes.size() - 16);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "short.bmp", image);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_TRUE(decoded->damaged);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{10, 10, 10, 255}));
  EXPECT_EQ(PixelAt(image, 0, 1), (Rgba{20, 20, 20, 255}));
  EXPECT_EQ(PixelAt(image, 0, 2), (Rgba{0, 0, 0, 0}));
}

TEST(BmpTruncationTest, LessThanOneRowFails) {
  auto bytes = BuildBmp(FourRows());
  bytes.resize(bytes.size() - 32 + 7);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "stub.bmp", image);
  ASSERT_FALSE(decoded.ok());
  EXPECT_EQ(decoded.message(), "Invalid BMP: truncated pixel data in stub.bmp");
}

TEST(BmpTruncationTest, NoPixelDataFails) {
  auto bytes = BuildBmp(FourRows());
  bytes.resize(bytes.size() - 32);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "stub.bmp", image);
  ASSERT_FALSE(decoded.ok());
  EXPECT_EQ(decoded.message(), "Invalid BMP: no pixel data in stub.bmp");
}

// How much a file must hold for its picture to be allocated: the bounds
// are met exactly by the first of each pair and missed by one by the second.
struct PlausibilityCase {
  const char* label;
  BmpSpec layout;
  bool decodes;
};

BmpSpec Rows(int height, int rows_present) {
  BmpSpec layout;
  layout.width = 2;
  layout.height = height;
  layout.pixels.assign(static_cast<std::size_t>(rows_present) * 8, 0x40);
  return layout;
}

BmpSpec Rle8(int width, int height, std::vector<std::uint8_t> stream) {
  BmpSpec layout;
  layout.bits = 8;
  layout.compression = 1;
  layout.width = width;
  layout.height = height;
  layout.palette = {{1, 2, 3}};
  layout.pixels = std::move(stream);
  return layout;
}

class BmpPlausibilityTest : public ::testing::TestWithParam<PlausibilityCase> {};

TEST_P(BmpPlausibilityTest, TooLittleDataForThePictureIsRefusedUnallocated) {
  const PlausibilityCase& c = GetParam();
  const auto bytes = BuildBmp(c.layout);
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(bytes, "claim.bmp", image);
  Status from_start = CheckBmpFileLength(std::span(bytes).first(60), bytes.size(), "claim.bmp");
  EXPECT_EQ(from_start.ok(), c.decodes) << from_start.message();
  ASSERT_EQ(decoded.ok(), c.decodes) << decoded.message();
  if (c.decodes) return;
  EXPECT_EQ(decoded.message().rfind("Implausible BMP: a ", 0), 0u) << decoded.message();
  EXPECT_NE(decoded.message().find("claim.bmp"), std::string::npos);
  EXPECT_TRUE(image.pixels.empty());
}

INSTANTIATE_TEST_SUITE_P(Bounds, BmpPlausibilityTest,
                         ::testing::Values(
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
                         [](const ::testing::TestParamInfo<PlausibilityCase>& info) {
                           return std::string(info.param.label);
                         });

TEST(BmpTruncationTest, CompleteFileIsNotDamaged) {
  Image image;
  Expected<DecodeResult> decoded = DecodeBmp(BuildBmp(FourRows()), "full.bmp", image);
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_FALSE(decoded->damaged);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{40, 40, 40, 255}));
}

}  // namespace
}  // namespace vr
