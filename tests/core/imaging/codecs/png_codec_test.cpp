// The PngSuite corpus replayed, and what no replay of it shows: pixels
// against values known from the suite, Adam7 against the sequential twins,
// 16-bit samples, and a file too small for the picture it claims.
#include "imaging/codecs/png_codec.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using test::PixelAt;
using test::Rgba;

const fs::path kSuite = fs::path(VARENNA_CORPUS_DIR) / "pngsuite";

std::vector<std::uint8_t> ReadSuiteFile(const std::string& name) {
  std::vector<std::uint8_t> bytes;
  Status read = ReadWholeFileInto((kSuite / name).string(), bytes);
  EXPECT_TRUE(read.ok()) << read.message();
  return bytes;
}

Image DecodeSuiteFile(const std::string& name) {
  Image image;
  Status status = DecodePng(ReadSuiteFile(name), name, image);
  EXPECT_TRUE(status.ok()) << status.message();
  return image;
}

std::vector<std::string> SuiteFiles() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(kSuite))
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class PngSuiteFile : public testing::TestWithParam<std::string> {};

// The suite's broken files start with x; the size comes from the IHDR bytes.
TEST_P(PngSuiteFile, BrokenFilesFailAndOthersDecodeAtTheirSize) {
  const std::string name = GetParam();
  const std::vector<std::uint8_t> bytes = ReadSuiteFile(name);
  Image image;
  Status status = DecodePng(bytes, name, image);
  if (name[0] == 'x') {
    EXPECT_EQ(status.message().rfind("Invalid PNG: ", 0), 0u) << status.message();
    EXPECT_NE(status.message().find(name), std::string::npos) << status.message();
    return;
  }
  ASSERT_TRUE(status.ok()) << status.message();
  auto be32 = [&](std::size_t at) {
    return bytes[at] << 24 | bytes[at + 1] << 16 | bytes[at + 2] << 8 | bytes[at + 3];
  };
  EXPECT_EQ(image.width, be32(16));
  EXPECT_EQ(image.height, be32(20));
  Expected<ImageInfo> info = ReadPngInfo(bytes, name);
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->width, image.width);
  EXPECT_EQ(info->height, image.height);
}

INSTANTIATE_TEST_SUITE_P(Corpus, PngSuiteFile, testing::ValuesIn(SuiteFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.substr(0, info.param.find('.'));
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(PngSuite, CorpusIsPresent) { EXPECT_GT(SuiteFiles().size(), 150u) << "no corpus at " << kSuite; }

TEST(PngDecode, KnownPixelsOfSuiteFiles) {
  const Image rgb = DecodeSuiteFile("basn2c08.png");
  EXPECT_EQ(PixelAt(rgb, 31, 0), (Rgba{255, 255, 224, 255}));
  EXPECT_EQ(PixelAt(rgb, 0, 31), (Rgba{31, 31, 31, 255}));
  EXPECT_EQ(PixelAt(rgb, 15, 15), (Rgba{255, 16, 255, 255}));
  // A palette with transparency gives alpha.
  const Image palette = DecodeSuiteFile("tbbn3p08.png");
  EXPECT_EQ(PixelAt(palette, 0, 0), (Rgba{255, 255, 255, 0}));
  EXPECT_EQ(PixelAt(palette, 16, 8), (Rgba{168, 66, 66, 255}));
  // Grey is spread to all three channels.
  const Image grey = DecodeSuiteFile("basn0g08.png");
  for (std::size_t i = 0; i < grey.pixels.size(); i += 4) {
    ASSERT_EQ(grey.pixels[i], grey.pixels[i + 1]);
    ASSERT_EQ(grey.pixels[i], grey.pixels[i + 2]);
  }
}

// Each interlaced file holds the same picture as its sequential twin; the
// small odd sizes of the s*i* files leave Adam7 passes empty.
class InterlacedTwin : public testing::TestWithParam<std::string> {};

TEST_P(InterlacedTwin, EqualsTheSequentialFile) {
  std::string sequential = GetParam();
  sequential[sequential.find('i')] = 'n';
  const Image a = DecodeSuiteFile(GetParam() + ".png");
  const Image b = DecodeSuiteFile(sequential + ".png");
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  EXPECT_EQ(a.pixels, b.pixels);
}

INSTANTIATE_TEST_SUITE_P(Suite, InterlacedTwin,
                         testing::Values("basi0g01", "basi0g02", "basi0g04", "basi0g08", "basi0g16",
                                         "basi2c08", "basi2c16", "basi3p01", "basi3p02", "basi3p04",
                                         "basi3p08", "basi4a08", "basi4a16", "basi6a08", "basi6a16",
                                         "s01i3p01", "s02i3p01", "s03i3p01", "s04i3p01", "s05i3p02",
                                         "s06i3p02", "s07i3p02", "s08i3p02", "s09i3p02", "s32i3p04",
                                         "s33i3p04", "s34i3p04", "s35i3p04", "s36i3p04", "s37i3p04",
                                         "s38i3p04", "s39i3p04", "s40i3p04"));

// Samples scaled to 8 bits with rounding: 0x01FF (1.99 in 8-bit terms)
// becomes 2, and the high byte counts, not the low.
TEST(PngDecode, SixteenBitSamplesAreScaledWithRounding) {
  const std::vector<std::uint16_t> samples = {0xFFFF, 0x0000, 0x8080, 0x01FF, 0x7F7F, 0x0100};
  png_image layout{};
  layout.version = PNG_IMAGE_VERSION;
  layout.width = 2;
  layout.height = 1;
  layout.format = PNG_FORMAT_LINEAR_RGB;
  png_alloc_size_t size = 0;
  ASSERT_NE(png_image_write_get_memory_size(layout, size, 0, samples.data(), 0, nullptr), 0)
      << layout.message;
  std::vector<std::uint8_t> file(size);
  ASSERT_NE(png_image_write_to_memory(&layout, file.data(), &size, 0, samples.data(), 0, nullptr), 0);
  file.resize(size);
  Image image;
  ASSERT_TRUE(DecodePng(file, "deep.png", image).ok());
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 0, 128, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{2, 127, 1, 255}));
}

// 10000 x 10000 is within the limits, but no deflate stream in a file this
// small can fill 300 MB of rows, so nothing is allocated.
TEST(PngDecode, ATinyFileClaimingALargePictureFailsBeforeAllocating) {
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(EncodePng(test::MakeImage(1, 1, {0, 0, 0, 255}), file, "liar.png").ok());
  file[18] = file[22] = 0x27;  // 0x2710 = 10000
  file[19] = file[23] = 0x10;
  const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17));
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  ASSERT_TRUE(ReadPngInfo(file, "liar.png").ok());
  Image image;
  Status status = DecodePng(file, "liar.png", image);
  EXPECT_EQ(status.message(), "Invalid PNG: too little image data for 10000x10000 in liar.png");
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
}  // namespace vr
