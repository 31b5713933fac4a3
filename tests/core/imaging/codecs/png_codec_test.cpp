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
  if (!fs::is_directory(kSuite)) return names;
  for (const auto& entry : fs::directory_iterator(kSuite))
    if (entry.path().extension() == ".png") names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Size straight from the IHDR bytes, read without libpng.
std::pair<int, int> IhdrSize(const std::vector<std::uint8_t>& bytes) {
  auto be32 = [&](std::size_t at) {
    return static_cast<int>((std::uint32_t{bytes[at]} << 24) | (std::uint32_t{bytes[at + 1]} << 16) |
                            (std::uint32_t{bytes[at + 2]} << 8) | bytes[at + 3]);
  };
  return {be32(16), be32(20)};
}

// ---- The PngSuite corpus ------------------------------------------------------

class PngSuiteFile : public testing::TestWithParam<std::string> {};

TEST_P(PngSuiteFile, BrokenFilesFailAndOthersDecodeAtTheirSize) {
  const std::string name = GetParam();
  const std::vector<std::uint8_t> bytes = ReadSuiteFile(name);
  Image image;
  Status status = DecodePng(bytes, name, image);
  if (name[0] == 'x') {
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find(name), std::string::npos) << status.message();
    EXPECT_EQ(status.message().rfind("Invalid PNG: ", 0), 0u) << status.message();
    return;
  }
  ASSERT_TRUE(status.ok()) << status.message();
  auto [width, height] = IhdrSize(bytes);
  EXPECT_EQ(image.width, width);
  EXPECT_EQ(image.height, height);
  EXPECT_EQ(image.pixels.size(), static_cast<std::size_t>(width) * height * 4);
  Expected<ImageInfo> info = ReadPngInfo(bytes, name);
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->kind, FileKind::Png);
  EXPECT_EQ(info->width, width);
  EXPECT_EQ(info->height, height);
  EXPECT_EQ(info->orientation, 1);
}

std::string FileCaseName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param.substr(0, info.param.find('.'));
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

INSTANTIATE_TEST_SUITE_P(Corpus, PngSuiteFile, testing::ValuesIn(SuiteFiles()), FileCaseName);

TEST(PngSuite, CorpusIsPresent) { EXPECT_GT(SuiteFiles().size(), 150u) << "no corpus at " << kSuite; }

// ---- Known pixels ---------------------------------------------------------------

TEST(PngDecode, RgbPixelsAsStored) {
  Image image = DecodeSuiteFile("basn2c08.png");
  ASSERT_EQ(image.width, 32);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(PixelAt(image, 31, 0), (Rgba{255, 255, 224, 255}));
  EXPECT_EQ(PixelAt(image, 0, 31), (Rgba{31, 31, 31, 255}));
  EXPECT_EQ(PixelAt(image, 15, 15), (Rgba{255, 16, 255, 255}));
  EXPECT_EQ(PixelAt(image, 31, 31), (Rgba{0, 0, 0, 255}));
}

TEST(PngDecode, PaletteWithTransparencyGivesAlpha) {
  Image image = DecodeSuiteFile("tbbn3p08.png");
  ASSERT_EQ(image.width, 32);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 255, 255, 0}));
  EXPECT_EQ(PixelAt(image, 31, 31), (Rgba{255, 255, 255, 0}));
  EXPECT_EQ(PixelAt(image, 15, 15), (Rgba{158, 158, 158, 255}));
  EXPECT_EQ(PixelAt(image, 16, 8), (Rgba{168, 66, 66, 255}));
}

TEST(PngDecode, GrayIsSpreadToRgb) {
  Image image = DecodeSuiteFile("basn0g08.png");
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) {
      Rgba p = PixelAt(image, x, y);
      ASSERT_EQ(p[0], p[1]);
      ASSERT_EQ(p[1], p[2]);
      ASSERT_EQ(p[3], 255);
    }
}

// Each interlaced file holds the same picture as its sequential twin.
class InterlacedTwin : public testing::TestWithParam<const char*> {};

TEST_P(InterlacedTwin, EqualsSequentialFile) {
  const std::string kind = GetParam();
  Image interlaced = DecodeSuiteFile("basi" + kind + ".png");
  Image sequential = DecodeSuiteFile("basn" + kind + ".png");
  ASSERT_EQ(interlaced.width, sequential.width);
  ASSERT_EQ(interlaced.height, sequential.height);
  EXPECT_TRUE(interlaced.pixels == sequential.pixels);
}

INSTANTIATE_TEST_SUITE_P(Basic, InterlacedTwin,
                         testing::Values("0g01", "0g02", "0g04", "0g08", "0g16", "2c08", "2c16", "3p01",
                                         "3p02", "3p04", "3p08", "4a08", "4a16", "6a08", "6a16"));

// The small odd sizes of the s*i* files exercise Adam7 passes that are empty.
TEST(PngDecode, TinyInterlacedSizesEqualTheirTwins) {
  for (const char* size : {"01", "02", "03", "04", "05", "06", "07", "08", "09", "32", "33", "34", "35", "36",
                           "37", "38", "39", "40"}) {
    const std::string depth = std::stoi(size) < 5 ? "3p01" : std::stoi(size) < 32 ? "3p02" : "3p04";
    Image interlaced = DecodeSuiteFile(std::string("s") + size + "i" + depth + ".png");
    Image sequential = DecodeSuiteFile(std::string("s") + size + "n" + depth + ".png");
    EXPECT_EQ(interlaced.width, std::stoi(size));
    EXPECT_TRUE(interlaced.pixels == sequential.pixels) << size;
  }
}

// A 16-bit file written here with known samples: each is scaled to 8 bits
// with rounding, so 0x01FF (1.99 in 8-bit terms) becomes 2, not 1.
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
  Status status = DecodePng(file, "deep.png", image);
  ASSERT_TRUE(status.ok()) << status.message();
  ASSERT_EQ(image.width, 2);
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 0, 128, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{2, 127, 1, 255}));
}

TEST(PngDecode, SixteenBitSuiteFileMatchesItsEightBitScale) {
  // basn0g16 is a gray ramp; 16-bit 0 and 65535 must land on 0 and 255.
  Image image = DecodeSuiteFile("basn0g16.png");
  std::uint8_t lo = 255, hi = 0;
  for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
    lo = std::min(lo, image.pixels[i]);
    hi = std::max(hi, image.pixels[i]);
  }
  EXPECT_EQ(lo, 0);
  EXPECT_EQ(hi, 255);
}

// ---- Round trips --------------------------------------------------------------

TEST(PngRoundTrip, OpaquePictureIsWrittenAsRgbAndComesBackExactly) {
  Image original = test::MakeRandomImage(37, 23, 7);
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(EncodePng(original, file, "opaque.png").ok());
  ASSERT_GT(file.size(), 33u);
  EXPECT_EQ(file[25], PNG_COLOR_TYPE_RGB);  // IHDR colour type byte
  Image decoded;
  ASSERT_TRUE(DecodePng(file, "opaque.png", decoded).ok());
  ASSERT_EQ(decoded.width, 37);
  ASSERT_EQ(decoded.height, 23);
  EXPECT_TRUE(decoded.pixels == original.pixels);
}

TEST(PngRoundTrip, TransparentPictureIsWrittenAsRgbaAndComesBackExactly) {
  Image original = test::MakeRandomImage(16, 41, 11, /*random_alpha=*/true);
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(EncodePng(original, file, "alpha.png").ok());
  EXPECT_EQ(file[25], PNG_COLOR_TYPE_RGB_ALPHA);
  Image decoded;
  ASSERT_TRUE(DecodePng(file, "alpha.png", decoded).ok());
  EXPECT_TRUE(decoded.pixels == original.pixels);
}

TEST(PngRoundTrip, OnePixelPicture) {
  Image original = test::MakeImage(1, 1, {9, 8, 7, 0});
  std::vector<std::uint8_t> file;
  ASSERT_TRUE(EncodePng(original, file, "dot.png").ok());
  Image decoded;
  ASSERT_TRUE(DecodePng(file, "dot.png", decoded).ok());
  EXPECT_EQ(PixelAt(decoded, 0, 0), (Rgba{9, 8, 7, 0}));
}

TEST(PngEncode, EmptyPictureFailsAndLeavesNoBytes) {
  Image empty;
  std::vector<std::uint8_t> file = {1, 2, 3};
  Status status = EncodePng(empty, file, "none.png");
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("none.png"), std::string::npos);
  EXPECT_TRUE(file.empty());
}

// ---- Bad input ------------------------------------------------------------------

TEST(PngBadInput, EveryTruncationFailsCleanly) {
  for (const char* name : {"basn2c08.png", "basi6a16.png", "tbbn3p08.png"}) {
    const std::vector<std::uint8_t> whole = ReadSuiteFile(name);
    // Cut inside the signature, the IHDR, the chunks before IDAT and the
    // pixel data. The IEND chunk (last 12 bytes) is not needed for pixels.
    for (std::size_t length = 0; length + 12 < whole.size(); length += 7) {
      std::span<const std::uint8_t> part(whole.data(), length);
      Image image;
      Status status = DecodePng(part, name, image);
      EXPECT_FALSE(status.ok()) << name << " cut at " << length;
      EXPECT_NE(status.message().find(name), std::string::npos) << status.message();
    }
  }
}

// A 1x1 file whose IHDR is rewritten to claim another size, CRC fixed.
std::vector<std::uint8_t> PngClaimingSize(std::uint32_t width, std::uint32_t height) {
  std::vector<std::uint8_t> file;
  EXPECT_TRUE(EncodePng(test::MakeImage(1, 1, {0, 0, 0, 255}), file, "one.png").ok());
  for (int i = 0; i < 4; ++i) {
    file[16 + i] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
    file[20 + i] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
  }
  const auto crc = static_cast<std::uint32_t>(crc32(0, file.data() + 12, 17));
  for (int i = 0; i < 4; ++i) file[29 + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
  return file;
}

TEST(PngBadInput, HeaderBeyondSizeLimitIsRefused) {
  for (auto [width, height] : {std::pair{70000u, 1u}, {1u, 70000u}, {20000u, 20000u}}) {
    const auto file = PngClaimingSize(width, height);
    Expected<ImageInfo> info = ReadPngInfo(file, "big.png");
    EXPECT_FALSE(info.ok()) << width << "x" << height;
    EXPECT_NE(info.message().find("big.png"), std::string::npos);
    Image image;
    EXPECT_FALSE(DecodePng(file, "big.png", image).ok());
    EXPECT_TRUE(image.pixels.empty());
  }
}

// 10000 x 10000 is within the limits, but no deflate stream in a file this
// small can fill 300 MB of rows, so nothing is allocated.
TEST(PngBadInput, TinyFileClaimingALargePictureFailsBeforeAllocating) {
  const auto file = PngClaimingSize(10000, 10000);
  Expected<ImageInfo> info = ReadPngInfo(file, "liar.png");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->width, 10000);
  Image image;
  Status status = DecodePng(file, "liar.png", image);
  EXPECT_EQ(status.message(), "Invalid PNG: too little image data for 10000x10000 in liar.png");
  EXPECT_TRUE(image.pixels.empty());
}

TEST(PngBadInput, NotAPngFails) {
  const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_FALSE(IsPng(text));
  Image image;
  Status status = DecodePng(text, "hello.png", image);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(), "Invalid PNG: no PNG signature in hello.png");
}

}  // namespace
}  // namespace vr
