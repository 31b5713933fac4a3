// Small files that claim huge pictures, kept under tests/fuzz/seeds/: each
// is refused, or decoded at the size its data can fill, by the decode's
// price and the decode alike (and by the header reader where it can tell),
// before a large buffer is allocated.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/codec_dispatch.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/decode_footprint.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

// The seeds sit beside the fuzz targets: tests/fuzz/seeds/<format>/.
const fs::path kSeeds = fs::path(__FILE__).parent_path().parent_path().parent_path() / "fuzz" / "seeds";

std::vector<std::uint8_t> ReadSeed(const std::string& name) {
  std::ifstream in(kSeeds / name, std::ios::binary);
  EXPECT_TRUE(in) << (kSeeds / name);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

struct HostileCase {
  const char* seed;
  const char* refusal;  // part of the message; empty when the file decodes
  int width = 0;        // the size it then decodes at
  int height = 0;
};

class HostileInputTest : public ::testing::TestWithParam<HostileCase> {};

// A decoded seed may cost no more than this; a refused one costs nothing.
constexpr std::uint64_t kSmallDecode = std::uint64_t{16} << 20;

TEST_P(HostileInputTest, IsRefusedOrDecodedSmall) {
  const HostileCase& c = GetParam();
  const std::vector<std::uint8_t> bytes = ReadSeed(c.seed);
  ASSERT_FALSE(bytes.empty());
  const std::string file = fs::path(c.seed).filename().string();

  Expected<ImageInfo> info = ReadImageInfo(bytes, file);
  Expected<DecodeFootprint> footprint = ReadDecodeFootprint(bytes, file);
  JpegCodec jpeg;
  Image image;
  Expected<DecodeResult> decoded = DecodeImage(SniffFileKind(bytes), bytes, file, jpeg, 0, 0, image);
  const std::string refusal = c.refusal;
  if (!refusal.empty()) {
    // The header reader has no file length to judge by for JPEG and BMP;
    // the decode's price and the decode have.
    const bool header_judges = SniffFileKind(bytes) == FileKind::Gif;
    EXPECT_EQ(info.ok(), !header_judges) << info.message();
    for (const std::string& message :
         {header_judges ? info.message() : footprint.message(), footprint.message(), decoded.message()}) {
      EXPECT_NE(message.find(refusal), std::string::npos) << message;
      EXPECT_NE(message.find(file), std::string::npos) << message;
    }
    EXPECT_TRUE(image.pixels.empty());
    return;
  }
  ASSERT_TRUE(info.ok()) << info.message();
  ASSERT_TRUE(footprint.ok()) << footprint.message();
  ASSERT_TRUE(decoded.ok()) << decoded.message();
  EXPECT_EQ(info->width, c.width);
  EXPECT_EQ(info->height, c.height);
  EXPECT_EQ(image.width, c.width);
  EXPECT_EQ(image.height, c.height);
  EXPECT_LE(DecodeBytes(*footprint, 0, 0), kSmallDecode);
}

INSTANTIATE_TEST_SUITE_P(
    Seeds, HostileInputTest,
    ::testing::Values(
        // A 65535x4096 screen and frame from two bytes of LZW data.
        HostileCase{"gif/screen-65535x4096-frame-same.gif",
                    "Implausible GIF: a 65535x4096 frame from 2 bytes"},
        // The same screen round one pixel: cropped to the pixel.
        HostileCase{"gif/screen-65535x4096-frame-1x1.gif", "", 1, 1},
        // Two pixels at the screen's far corners span all of it.
        HostileCase{"gif/frames-in-far-corners.gif", "Implausible GIF: a 65535x4096 canvas from 4 bytes"},
        // Run-length codes for 122,400 pixels and 268 million claimed.
        HostileCase{"bmp/rle8-16384x16384-1kb.bmp", "Implausible BMP: a 16384x16384 picture from 960 bytes"},
        // Nothing but an end-of-bitmap code.
        HostileCase{"bmp/rle4-16384x16384-end-code-only.bmp",
                    "Implausible BMP: a 16384x16384 picture from 2 bytes"},
        // One row of 16384.
        HostileCase{"bmp/pal1-16384x16384-one-row.bmp",
                    "Implausible BMP: a 16384x16384 picture from 2048 bytes"},
        // Frame headers claiming 16384x16384 before a few bytes of a scan:
        // progressive ones would allocate their coefficients (1.6 GB at
        // 4:4:4) before reading it.
        HostileCase{"jpeg/progressive-16384x16384.jpg",
                    "Implausible JPEG: a 16384x16384 picture from 248 bytes"},
        HostileCase{"jpeg/progressive-420-16384x16384.jpg",
                    "Implausible JPEG: a 16384x16384 picture from 246 bytes"},
        HostileCase{"jpeg/arithmetic-progressive-16384x16384.jpg",
                    "Implausible JPEG: a 16384x16384 picture from 248 bytes"},
        HostileCase{"jpeg/baseline-16384x16384.jpg",
                    "Implausible JPEG: a 16384x16384 picture from 633 bytes"},
        // 268 million samples from a strip of 64 bytes, stored plain or
        // compressed.
        HostileCase{"tiff/gray-16384x16384-uncompressed-64b.tif",
                    "Implausible TIFF: a 16384x16384 picture from 186 bytes"},
        HostileCase{"tiff/gray-16384x16384-lzw-64b.tif",
                    "Implausible TIFF: a 16384x16384 picture from 186 bytes"},
        HostileCase{"tiff/gray-16384x16384-packbits-64b.tif",
                    "Implausible TIFF: a 16384x16384 picture from 186 bytes"},
        // Fax codes of a bit a row for 512 of 16384 rows: libtiff would
        // make up the rest.
        HostileCase{"tiff/bilevel-16384x16384-fax4-64b.tif",
                    "Implausible TIFF: a 16384x16384 picture from 186 bytes"}),
    [](const ::testing::TestParamInfo<HostileCase>& info) {
      std::string name = fs::path(info.param.seed).stem().string();
      for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
      return name;
    });

}  // namespace
}  // namespace vr
