// The PngSuite corpus replayed, and what no replay of it shows: Adam7
// against the sequential twins, pixels against values known from the suite,
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
  EXPECT_TRUE(ReadWholeFileInto((kSuite / name).string(), bytes).ok()) << name;
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
  EXPECT_GT(names.size(), 150u) << "no corpus at " << kSuite;
  return names;
}

class PngSuiteFile : public testing::TestWithParam<std::string> {};

// The suite's broken files start with x; the size comes from the IHDR bytes.
// An interlaced file (basi*, s01i*) holds the same picture as its sequential
// twin; the small odd sizes of the s*i* files leave Adam7 passes empty.
TEST_P(PngSuiteFile, BrokenFilesFailAndOthersDecodeAtTheirSizeAsTheirSequentialTwin) {
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
  EXPECT_EQ(std::pair(image.width, image.height), std::pair(be32(16), be32(20)));
  std::string twin = name;
  twin[3] = 'n';
  if (name[3] == 'i' && (name[0] == 'b' || name[0] == 's') && fs::exists(kSuite / twin)) {
    EXPECT_EQ(image.pixels, DecodeSuiteFile(twin).pixels) << twin;
  }
}

INSTANTIATE_TEST_SUITE_P(Corpus, PngSuiteFile, testing::ValuesIn(SuiteFiles()),
                         [](const testing::TestParamInfo<std::string>& info) {
                           std::string name = info.param.substr(0, info.param.find('.'));
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(PngDecode, KnownPixelsOfSuiteFiles) {
  const Image rgb = DecodeSuiteFile("basn2c08.png");
  EXPECT_EQ(PixelAt(rgb, 31, 0), (Rgba{255, 255, 224, 255}));
  EXPECT_EQ(PixelAt(rgb, 0, 31), (Rgba{31, 31, 31, 255}));
  // A palette with transparency gives alpha.
  const Image palette = DecodeSuiteFile("tbbn3p08.png");
  EXPECT_EQ(PixelAt(palette, 0, 0), (Rgba{255, 255, 255, 0}));
  EXPECT_EQ(PixelAt(palette, 16, 8), (Rgba{168, 66, 66, 255}));
  // Grey is spread to all three channels.
  const Image grey = DecodeSuiteFile("basn0g08.png");
  for (std::size_t i = 0; i < grey.pixels.size(); i += 4)
    ASSERT_TRUE(grey.pixels[i] == grey.pixels[i + 1] && grey.pixels[i] == grey.pixels[i + 2]) << i;
}

// 16-bit samples go to the nearest 8-bit level, v * 255 / 65535 rounded: the
// high byte alone would be a level off for most values.
TEST(PngDecode, SixteenBitSamplesGoToTheNearestLevel) {
  std::vector<std::uint16_t> samples(3 * 256);
  for (std::size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<std::uint16_t>(i * 85 + i * i * 7);
  png_image layout{};
  layout.version = PNG_IMAGE_VERSION;
  layout.width = 256;
  layout.height = 1;
  layout.format = PNG_FORMAT_LINEAR_RGB;
  png_alloc_size_t size = 0;
  ASSERT_NE(png_image_write_get_memory_size(layout, size, 0, samples.data(), 0, nullptr), 0)
      << layout.message;
  std::vector<std::uint8_t> file(size);
  ASSERT_NE(png_image_write_to_memory(&layout, file.data(), &size, 0, samples.data(), 0, nullptr), 0);
  Image image;
  ASSERT_TRUE(DecodePng(file, "deep.png", image).ok());
  for (std::size_t i = 0; i < samples.size(); ++i)
    ASSERT_LE(std::abs(image.pixels[i / 3 * 4 + i % 3] * 65535.0 / 255 - samples[i]), 65535.0 / 255 / 2 + 1)
        << i;
}

// 10000 x 10000 is within the limits, but no deflate stream in a file this
// small can fill 300 MB of rows, so nothing is allocated.
TEST(PngDecode, ATinyFileClaimingALargePictureFailsBeforeAllocating) {
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(EncodePng(test::MakeImage(1, 1, {0, 0, 0, 255}), file, "liar.png").ok());
  file[18] = file[22] = 0x27;  // 0x2710 = 10000
  file[19] = file[23] = 0x10;
  const auto crc = static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17));
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  ASSERT_TRUE(ReadPngInfo(file, "liar.png").ok());
  Image image;
  EXPECT_EQ(DecodePng(file, "liar.png", image).message(),
            "Invalid PNG: too little image data for 10000x10000 in liar.png");
  EXPECT_TRUE(image.pixels.empty());
}

}  // namespace
}  // namespace vr
