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

// Stored samples come back as they are, grey spread to all three channels.
// Every orientation is reported and none is applied: row 0 stays the first
// row of the file, so the engine turns the picture exactly once.
TEST(TiffDecode, EveryCompressionAndOrientationGivesTheStoredSamples) {
  for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS})
    for (int orientation = 1; orientation <= 8; ++orientation)
      for (int samples : {1, 3}) {
        const TiffSpec layout{.width = 31,
                              .height = 17,
                              .samples = samples,
                              .photometric = samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB,
                              .orientation = orientation,
                              .compression = compression,
                              .rows_per_strip = 3,
                              .samples_data = test::SamplePattern(31u * 17u * samples)};
        const Bytes file = test::WriteTiff(layout);
        Expected<ImageInfo> info = ReadTiffInfo(file, "turned.tif");
        ASSERT_TRUE(info.ok()) << info.message();
        EXPECT_EQ(info->orientation, orientation);
        const Image image = Decode(file);
        ASSERT_EQ(std::pair(image.width, image.height), std::pair(31, 17));
        for (int i = 0; i < 31 * 17; ++i) {
          const std::uint8_t* s = &layout.samples_data[static_cast<std::size_t>(i * samples)];
          ASSERT_EQ(PixelAt(image, i % 31, i / 31), (Rgba{s[0], s[samples / 2], s[samples - 1], 255})) << i;
        }
      }
}

// libtiff hands back premultiplied colour; ours is straight again, exact
// where alpha is full and within rounding elsewhere, whichever alpha the
// file stores.
TEST(TiffDecode, AlphaComesBackStraight) {
  TiffSpec layout{.width = 4, .height = 1, .samples = 4, .extra = EXTRASAMPLE_UNASSALPHA};
  layout.samples_data = {200, 100, 50, 255, 200, 100, 50, 128, 240, 30, 90, 40, 77, 66, 55, 0};
  const Image straight = Decode(test::WriteTiff(layout));
  for (int x = 0; x < 3; ++x) {
    const Rgba p = PixelAt(straight, x, 0);
    EXPECT_EQ(p[3], layout.samples_data[static_cast<std::size_t>(x * 4 + 3)]);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(p[c], layout.samples_data[static_cast<std::size_t>(x * 4 + c)], x == 0 ? 0 : 255.0 / p[3])
          << x;
  }
  EXPECT_EQ(PixelAt(straight, 3, 0)[3], 0);
  layout.extra = EXTRASAMPLE_ASSOCALPHA;
  layout.samples_data = {100, 50, 0, 128, 60, 60, 60, 255, 0, 0, 0, 0, 0, 0, 0, 0};  // premultiplied
  const Image associated = Decode(test::WriteTiff(layout));
  EXPECT_EQ(PixelAt(associated, 0, 0), (Rgba{199, 100, 0, 128}));
  EXPECT_EQ(PixelAt(associated, 1, 0), (Rgba{60, 60, 60, 255}));
}

// A strip past the end fails by name. More rows claimed than the stored
// strips could give are refused before the picture is allocated, from the
// header alone, judged by the length of the whole file of which the bytes
// given are the start.
TEST(TiffHostile, StripsThatCannotHoldTheClaimAreRefused) {
  Bytes file = test::WriteTiff(test::RgbTiff(8, 8));
  test::PatchTiffTag(file, TIFFTAG_STRIPOFFSETS, static_cast<std::uint32_t>(file.size() - 10));
  Image image;
  EXPECT_NE(DecodeTiff(file, "short.tif", image).message().find("short.tif"), std::string::npos);
  for (int compression : {COMPRESSION_NONE, COMPRESSION_PACKBITS}) {
    TiffSpec layout = test::RgbTiff(64, 4, compression);
    layout.rows_per_strip = 4;
    file = test::WriteTiff(layout);
    // 64 x 4000 RGB: 768,000 bytes, beyond even PackBits' 64 times.
    test::PatchTiffTag(file, TIFFTAG_IMAGELENGTH, 4000);
    test::PatchTiffTag(file, TIFFTAG_ROWSPERSTRIP, 4000);
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
