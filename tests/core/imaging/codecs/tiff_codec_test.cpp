// TIFF pictures written with libtiff: samples through every compression,
// the orientation tag reported but never applied, alpha made straight, and
// strips that cannot hold what the directory claims.
#include "imaging/codecs/tiff_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::Bytes;
using test::PixelAt;
using test::Rgba;
using test::TiffSpec;

Image Decode(const Bytes& file) {
  Image image;
  Status status = DecodeTiff(file, "test.tif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  return image;
}

void ExpectRgbSamples(const Image& image, const TiffSpec& layout) {
  ASSERT_EQ(image.width, layout.width);
  ASSERT_EQ(image.height, layout.height);
  for (int y = 0; y < layout.height; ++y)
    for (int x = 0; x < layout.width; ++x) {
      const std::uint8_t* s = &layout.samples_data[static_cast<std::size_t>((y * layout.width + x) * 3)];
      ASSERT_EQ(PixelAt(image, x, y), (Rgba{s[0], s[1], s[2], 255})) << x << "," << y;
    }
}

TEST(TiffDecode, EveryCompressionGivesTheStoredSamples) {
  for (int compression :
       {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
    TiffSpec layout = test::RgbTiff(31, 17);
    layout.compression = compression;
    layout.rows_per_strip = 3;
    ExpectRgbSamples(Decode(test::WriteTiff(layout)), layout);
  }
  // Grey is spread to all three channels.
  TiffSpec grey;
  grey.samples = 1;
  grey.photometric = PHOTOMETRIC_MINISBLACK;
  grey.samples_data = {0, 1, 2, 127, 128, 200, 254, 255, 9, 8, 7, 6};
  const Image image = Decode(test::WriteTiff(grey));
  for (int i = 0; i < 12; ++i) {
    const std::uint8_t v = grey.samples_data[static_cast<std::size_t>(i)];
    EXPECT_EQ(PixelAt(image, i % 4, i / 4), (Rgba{v, v, v, 255})) << i;
  }
}

// Every orientation is reported and none is applied: row 0 stays the first
// row of the file, so the engine turns the picture exactly once.
TEST(TiffDecode, TheOrientationIsReportedAndTheRowsStayAsStored) {
  for (int orientation = 1; orientation <= 8; ++orientation) {
    TiffSpec layout = test::RgbTiff(6, 3);
    layout.orientation = orientation;
    const Bytes file = test::WriteTiff(layout);
    Expected<ImageInfo> info = ReadTiffInfo(file, "turned.tif");
    ASSERT_TRUE(info.ok()) << info.message();
    EXPECT_EQ(info->orientation, orientation);
    EXPECT_EQ(info->width, 6);
    ExpectRgbSamples(Decode(file), layout);
  }
}

// libtiff hands back premultiplied colour; ours is straight again, exact
// where alpha is full and within rounding elsewhere, whichever alpha the
// file stores.
TEST(TiffDecode, AlphaComesBackStraight) {
  TiffSpec layout;
  layout.width = 4;
  layout.height = 1;
  layout.samples = 4;
  layout.extra = EXTRASAMPLE_UNASSALPHA;
  layout.samples_data = {200, 100, 50, 255, 200, 100, 50, 128, 240, 30, 90, 40, 77, 66, 55, 0};
  const Image straight = Decode(test::WriteTiff(layout));
  EXPECT_EQ(PixelAt(straight, 0, 0), (Rgba{200, 100, 50, 255}));
  for (int x = 1; x < 3; ++x) {
    const Rgba p = PixelAt(straight, x, 0);
    EXPECT_EQ(p[3], layout.samples_data[static_cast<std::size_t>(x * 4 + 3)]);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(p[c], layout.samples_data[static_cast<std::size_t>(x * 4 + c)], 255.0 / p[3]) << x;
  }
  EXPECT_EQ(PixelAt(straight, 3, 0)[3], 0);

  layout.extra = EXTRASAMPLE_ASSOCALPHA;
  layout.samples_data = {100, 50, 0, 128, 60, 60, 60, 255, 0, 0, 0, 0, 0, 0, 0, 0};  // premultiplied
  const Image associated = Decode(test::WriteTiff(layout));
  EXPECT_EQ(PixelAt(associated, 0, 0), (Rgba{199, 100, 0, 128}));
  EXPECT_EQ(PixelAt(associated, 1, 0), (Rgba{60, 60, 60, 255}));
}

TEST(TiffHostile, AStripPastTheEndFailsByName) {
  Bytes file = test::WriteTiff(test::RgbTiff(8, 8));
  test::PatchTiffTag(file, TIFFTAG_STRIPOFFSETS, static_cast<std::uint32_t>(file.size() - 10));
  Image image;
  Status status = DecodeTiff(file, "short.tif", image);
  EXPECT_NE(status.message().find("short.tif"), std::string::npos) << status.message();
}

// More rows claimed than the stored strips could give: refused before the
// picture is allocated, from the header alone, judged by the length of the
// whole file of which the bytes given are the start.
TEST(TiffHostile, AClaimBeyondWhatTheStripsHoldIsRefused) {
  for (int compression : {COMPRESSION_NONE, COMPRESSION_PACKBITS}) {
    TiffSpec layout = test::RgbTiff(64, 4);
    layout.compression = compression;
    layout.rows_per_strip = 4;
    Bytes file = test::WriteTiff(layout);
    // 64 x 4000 RGB: 768,000 bytes, beyond even PackBits' 64 times.
    test::PatchTiffTag(file, TIFFTAG_IMAGELENGTH, 4000);
    test::PatchTiffTag(file, TIFFTAG_ROWSPERSTRIP, 4000);
    Image image;
    Status status = DecodeTiff(file, "claim.tif", image);
    EXPECT_EQ(status.message(), "Implausible TIFF: a 64x4000 picture from " + std::to_string(file.size()) +
                                    " bytes in claim.tif");
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(CheckTiffFileLength(file, file.size(), "claim.tif").message(), status.message());
    EXPECT_TRUE(CheckTiffFileLength(file, 768'000, "claim.tif").ok());
  }
}

}  // namespace
}  // namespace vr
