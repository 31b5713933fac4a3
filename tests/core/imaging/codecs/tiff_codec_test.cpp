#include "imaging/codecs/tiff_codec.h"

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::PixelAt;
using test::Rgba;

// What the test writes with libtiff into a temporary file.
struct TiffSpec {
  int width = 4, height = 3;
  int samples = 3;
  int bits = 8;
  int photometric = PHOTOMETRIC_RGB;
  int extra = -1;       // EXTRASAMPLE_* for the fourth sample, -1 for none
  int orientation = 0;  // 0: tag not written
  int compression = COMPRESSION_NONE;
  int rows_per_strip = 0;                  // 0: libtiff's default
  std::vector<std::uint8_t> samples_data;  // rows top-down, 16-bit samples in host order
};

std::vector<std::uint8_t> WriteTiff(const TiffSpec& layout) {
  // ctest runs every case as a process of its own, in parallel: the name
  // carries the process id so two cases never share a file.
  static int serial = 0;
  const std::filesystem::path path =
      std::filesystem::path(testing::TempDir()) /
      ("tiff_codec_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + ".tif");
  TIFF* tif = TIFFOpen(path.c_str(), "w");
  EXPECT_NE(tif, nullptr);
  if (tif == nullptr) return {};
  TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(layout.width));
  TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(layout.height));
  TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, static_cast<std::uint16_t>(layout.samples));
  TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, static_cast<std::uint16_t>(layout.bits));
  TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, static_cast<std::uint16_t>(layout.photometric));
  TIFFSetField(tif, TIFFTAG_PLANARCONFIG, static_cast<std::uint16_t>(PLANARCONFIG_CONTIG));
  TIFFSetField(tif, TIFFTAG_COMPRESSION, static_cast<std::uint16_t>(layout.compression));
  if (layout.extra >= 0) {
    const std::uint16_t extra = static_cast<std::uint16_t>(layout.extra);
    TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
  }
  if (layout.orientation != 0)
    TIFFSetField(tif, TIFFTAG_ORIENTATION, static_cast<std::uint16_t>(layout.orientation));
  if (layout.rows_per_strip > 0)
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(layout.rows_per_strip));
  const std::size_t row_bytes = static_cast<std::size_t>(layout.width) * layout.samples * layout.bits / 8;
  std::vector<std::uint8_t> row(row_bytes);
  for (int y = 0; y < layout.height; ++y) {
    std::copy_n(layout.samples_data.begin() + static_cast<std::ptrdiff_t>(y * row_bytes), row_bytes,
                row.begin());
    EXPECT_EQ(TIFFWriteScanline(tif, row.data(), static_cast<std::uint32_t>(y), 0), 1);
  }
  TIFFClose(tif);
  std::vector<std::uint8_t> bytes;
  EXPECT_TRUE(ReadWholeFileInto(path.string(), bytes).ok());
  std::filesystem::remove(path);
  return bytes;
}

std::vector<std::uint8_t> Pattern(std::size_t count, std::uint32_t seed) {
  std::vector<std::uint8_t> data(count);
  for (std::size_t i = 0; i < count; ++i)
    data[i] = static_cast<std::uint8_t>((i * 37 + seed * 11 + i * i) & 0xFF);
  return data;
}

Image Decode(const std::vector<std::uint8_t>& file) {
  Image image;
  Status status = DecodeTiff(file, "test.tif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  return image;
}

void ExpectRgbPixels(const Image& image, const TiffSpec& layout) {
  ASSERT_EQ(image.width, layout.width);
  ASSERT_EQ(image.height, layout.height);
  for (int y = 0; y < layout.height; ++y)
    for (int x = 0; x < layout.width; ++x) {
      const std::uint8_t* s = &layout.samples_data[static_cast<std::size_t>((y * layout.width + x) * 3)];
      ASSERT_EQ(PixelAt(image, x, y), (Rgba{s[0], s[1], s[2], 255})) << x << "," << y;
    }
}

TiffSpec RgbSpec(int width, int height) {
  TiffSpec layout;
  layout.width = width;
  layout.height = height;
  layout.samples_data = Pattern(static_cast<std::size_t>(width) * height * 3, 1);
  return layout;
}

TEST(TiffDecode, RgbPixelsAsStored) {
  TiffSpec layout = RgbSpec(5, 4);
  const auto file = WriteTiff(layout);
  ExpectRgbPixels(Decode(file), layout);
  Expected<ImageInfo> info = ReadTiffInfo(file, "test.tif");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->kind, FileKind::Tiff);
  EXPECT_EQ(info->width, 5);
  EXPECT_EQ(info->height, 4);
  EXPECT_EQ(info->orientation, 1);
}

TEST(TiffDecode, CompressedStripsDecode) {
  for (int compression : {COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
    TiffSpec layout = RgbSpec(31, 17);
    layout.compression = compression;
    layout.rows_per_strip = 3;
    ExpectRgbPixels(Decode(WriteTiff(layout)), layout);
  }
}

// Every orientation is reported and none is applied: row 0 stays the first
// row of the file, so the engine can turn the picture exactly once.
class TiffOrientation : public testing::TestWithParam<int> {};

TEST_P(TiffOrientation, TagIsReportedAndRowsStayAsStored) {
  TiffSpec layout = RgbSpec(6, 3);
  layout.orientation = GetParam();
  const auto file = WriteTiff(layout);
  Expected<ImageInfo> info = ReadTiffInfo(file, "turned.tif");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->orientation, GetParam());
  EXPECT_EQ(info->width, 6);
  EXPECT_EQ(info->height, 3);
  ExpectRgbPixels(Decode(file), layout);
}

INSTANTIATE_TEST_SUITE_P(AllEight, TiffOrientation, testing::Range(1, 9));

TEST(TiffDecode, GrayIsSpreadToRgb) {
  TiffSpec layout;
  layout.samples = 1;
  layout.photometric = PHOTOMETRIC_MINISBLACK;
  layout.samples_data = {0, 1, 2, 127, 128, 200, 254, 255, 9, 8, 7, 6};
  Image image = Decode(WriteTiff(layout));
  ASSERT_EQ(image.width, 4);
  for (int i = 0; i < 12; ++i) {
    const std::uint8_t v = layout.samples_data[static_cast<std::size_t>(i)];
    EXPECT_EQ(PixelAt(image, i % 4, i / 4), (Rgba{v, v, v, 255})) << i;
  }
}

TEST(TiffDecode, SixteenBitSamplesScaleToEight) {
  TiffSpec layout;
  layout.width = 2;
  layout.height = 1;
  layout.bits = 16;
  const std::vector<std::uint16_t> samples = {0xFFFF, 0x0000, 0x8080, 0x0101, 0x7F7F, 0xFEFE};
  layout.samples_data.resize(samples.size() * 2);
  std::memcpy(layout.samples_data.data(), samples.data(), layout.samples_data.size());
  Image image = Decode(WriteTiff(layout));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{255, 0, 128, 255}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{1, 127, 254, 255}));
}

// libtiff hands back premultiplied colour; ours is straight again, exact
// where alpha is full and within rounding elsewhere.
TEST(TiffDecode, UnassociatedAlphaComesBackStraight) {
  TiffSpec layout;
  layout.width = 4;
  layout.height = 1;
  layout.samples = 4;
  layout.extra = EXTRASAMPLE_UNASSALPHA;
  layout.samples_data = {200, 100, 50, 255, 200, 100, 50, 128, 240, 30, 90, 40, 77, 66, 55, 0};
  Image image = Decode(WriteTiff(layout));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{200, 100, 50, 255}));
  for (int x = 1; x < 3; ++x) {
    Rgba p = PixelAt(image, x, 0);
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(p[c], layout.samples_data[static_cast<std::size_t>(x * 4 + c)], 255.0 / p[3])
          << x << " " << c;
    EXPECT_EQ(p[3], layout.samples_data[static_cast<std::size_t>(x * 4 + 3)]);
  }
  EXPECT_EQ(PixelAt(image, 3, 0)[3], 0);
}

TEST(TiffDecode, AssociatedAlphaIsMadeStraight) {
  TiffSpec layout;
  layout.width = 2;
  layout.height = 1;
  layout.samples = 4;
  layout.extra = EXTRASAMPLE_ASSOCALPHA;
  layout.samples_data = {100, 50, 0, 128, 60, 60, 60, 255};  // premultiplied in the file
  Image image = Decode(WriteTiff(layout));
  EXPECT_EQ(PixelAt(image, 0, 0), (Rgba{199, 100, 0, 128}));
  EXPECT_EQ(PixelAt(image, 1, 0), (Rgba{60, 60, 60, 255}));
}

// ---- Bad input ------------------------------------------------------------------

TEST(TiffBadInput, EveryTruncationFailsCleanly) {
  TiffSpec layout = RgbSpec(9, 7);
  layout.compression = COMPRESSION_LZW;
  layout.rows_per_strip = 2;
  const auto whole = WriteTiff(layout);
  for (std::size_t length = 0; length < whole.size(); ++length) {
    Image image;
    Status status = DecodeTiff(std::span(whole.data(), length), "cut.tif", image);
    EXPECT_FALSE(status.ok()) << "cut at " << length;
    EXPECT_NE(status.message().find("cut.tif"), std::string::npos) << status.message();
  }
}

// Points the first directory's tag at a new 32-bit value.
void PatchLongTag(std::vector<std::uint8_t>& file, std::uint16_t tag, std::uint32_t value) {
  ASSERT_EQ(file[0], 'I');  // libtiff writes the host's order
  auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>(file[at] | file[at + 1] << 8); };
  const std::size_t ifd = file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::size_t>(file[7]) << 24;
  for (std::size_t i = 0, n = u16(ifd); i < n; ++i) {
    const std::size_t entry = ifd + 2 + i * 12;
    if (u16(entry) != tag) continue;
    file[entry + 2] = 4;  // LONG
    file[entry + 3] = 0;
    for (int b = 0; b < 4; ++b) file[entry + 8 + b] = static_cast<std::uint8_t>(value >> (8 * b));
    return;
  }
  FAIL() << "tag " << tag << " not found";
}

TEST(TiffBadInput, OversizedDirectoryIsRefusedBeforeAllocating) {
  for (auto [width, height] : {std::pair{70000u, 1u}, {20000u, 20000u}}) {
    auto file = WriteTiff(RgbSpec(1, 1));
    PatchLongTag(file, TIFFTAG_IMAGEWIDTH, width);
    PatchLongTag(file, TIFFTAG_IMAGELENGTH, height);
    Expected<ImageInfo> info = ReadTiffInfo(file, "huge.tif");
    EXPECT_FALSE(info.ok());
    Image image;
    Status status = DecodeTiff(file, "huge.tif", image);
    EXPECT_FALSE(status.ok());
    EXPECT_NE(status.message().find("huge.tif"), std::string::npos) << status.message();
    EXPECT_TRUE(image.pixels.empty());
  }
}

TEST(TiffBadInput, StripPastTheEndFails) {
  TiffSpec layout = RgbSpec(8, 8);
  auto file = WriteTiff(layout);
  PatchLongTag(file, TIFFTAG_STRIPOFFSETS, static_cast<std::uint32_t>(file.size() - 10));
  Image image;
  Status status = DecodeTiff(file, "short.tif", image);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("short.tif"), std::string::npos) << status.message();
}

// A flat picture is what each compression packs best, up to its bound on
// bytes decoded per byte stored; an honest file of it still decodes.
TEST(TiffDecode, FlatPicturesAtEveryCompressionDecode) {
  for (int compression :
       {COMPRESSION_NONE, COMPRESSION_LZW, COMPRESSION_ADOBE_DEFLATE, COMPRESSION_PACKBITS}) {
    TiffSpec layout;
    layout.width = 1200;
    layout.height = 900;
    layout.samples = 1;
    layout.photometric = PHOTOMETRIC_MINISBLACK;
    layout.compression = compression;
    layout.samples_data.assign(1200u * 900u, 0);
    const auto file = WriteTiff(layout);
    Image image;
    Status status = DecodeTiff(file, "flat.tif", image);
    ASSERT_TRUE(status.ok()) << compression << ": " << status.message();
    EXPECT_EQ(PixelAt(image, 1199, 899), (Rgba{0, 0, 0, 255}));
    EXPECT_TRUE(CheckTiffFileLength(file, file.size(), "flat.tif").ok());
  }
}

// A blank page in Group 4 fax codes takes about a bit a row, the most any
// kind without a bound of its own may pack; it still decodes.
TEST(TiffDecode, ABlankFaxPageDecodes) {
  TiffSpec layout;
  layout.width = 4096;
  layout.height = 4096;
  layout.samples = 1;
  layout.bits = 1;
  layout.photometric = PHOTOMETRIC_MINISWHITE;
  layout.compression = COMPRESSION_CCITTFAX4;
  layout.samples_data.assign(4096u / 8u * 4096u, 0);
  const auto file = WriteTiff(layout);
  ASSERT_LT(file.size(), 4096u * 4096u / 8u / 1000u);  // packed over a thousand times
  Image image;
  Status status = DecodeTiff(file, "fax.tif", image);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(PixelAt(image, 4095, 4095), (Rgba{255, 255, 255, 255}));
}

// More rows claimed than the stored strips could give: refused, with the
// file named, before the picture is allocated. The header alone tells.
TEST(TiffBadInput, AClaimBeyondWhatTheStripsHoldIsRefused) {
  for (int compression : {COMPRESSION_NONE, COMPRESSION_PACKBITS}) {
    TiffSpec layout = RgbSpec(64, 4);
    layout.compression = compression;
    layout.rows_per_strip = 4;
    auto file = WriteTiff(layout);
    // 64 x 4000 RGB: 768,000 bytes, beyond even PackBits' 64 times.
    PatchLongTag(file, TIFFTAG_IMAGELENGTH, 4000);
    PatchLongTag(file, TIFFTAG_ROWSPERSTRIP, 4000);
    Image image;
    Status status = DecodeTiff(file, "claim.tif", image);
    EXPECT_EQ(status.message(), "Implausible TIFF: a 64x4000 picture from " + std::to_string(file.size()) +
                                    " bytes in claim.tif");
    EXPECT_TRUE(image.pixels.empty());
    EXPECT_EQ(CheckTiffFileLength(file, file.size(), "claim.tif").message(), status.message());
    // Judged by the length of the whole file, of which these are the start.
    EXPECT_TRUE(CheckTiffFileLength(file, 768'000, "claim.tif").ok());
  }
}

TEST(TiffBadInput, GarbageFailsCleanly) {
  std::vector<std::uint8_t> file = {'I', 'I', 42, 0, 8, 0, 0, 0};
  std::uint32_t state = 99;
  for (int i = 0; i < 600; ++i) {
    state = state * 1664525u + 1013904223u;
    file.push_back(static_cast<std::uint8_t>(state >> 24));
  }
  Image image;
  EXPECT_FALSE(DecodeTiff(file, "noise.tif", image).ok());
  const std::vector<std::uint8_t> text = {'n', 'o', 'p', 'e'};
  EXPECT_FALSE(IsTiff(text));
  Status status = DecodeTiff(text, "nope.tif", image);
  EXPECT_EQ(status.message(), "Invalid TIFF: no TIFF signature in nope.tif");
}

}  // namespace
}  // namespace vr
