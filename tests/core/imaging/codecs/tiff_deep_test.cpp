// TIFF beyond libtiff's RGBA reader: 12- and 32-bit integers and floats
// scaled to 8 bits, in strips, tiles and planes; BigTIFF read as the
// classic file; CMYK, also JPEG-compressed. Files written with libtiff.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/tiff_codec.h"
#include "imaging/decode_footprint.h"

namespace vr {
namespace {

using namespace test;

Image DecodeTiffFile(const Bytes& file) {
  Image image;
  const Status status = DecodeTiff(file, "deep.tif", image);
  EXPECT_TRUE(status.ok()) << status.message();
  return image;
}

// 12-bit samples packed high bits first, two in three bytes.
Bytes Pack12(const std::vector<std::uint16_t>& samples) {
  Bytes packed;
  for (std::size_t i = 0; i < samples.size(); i += 2) {
    const unsigned a = samples[i], b = i + 1 < samples.size() ? samples[i + 1] : 0;
    packed.insert(packed.end(),
                  {std::uint8_t(a >> 4), std::uint8_t((a & 15) << 4 | b >> 8), std::uint8_t(b)});
  }
  return packed;
}

// Each kind of sample, one grey row of values and the levels they read as:
// integers to the nearest level, floats as 0..1 clamped, NaN black.
struct DeepCase {
  const char* name;
  int bits, format;
  Bytes samples;
  std::vector<int> levels;
};

std::vector<DeepCase> DeepCases() {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  return {
      {"12-bit", 12, SAMPLEFORMAT_UINT, Pack12({0, 8, 2048, 4095}), {0, 0, 128, 255}},
      {"32-bit",
       32,
       SAMPLEFORMAT_UINT,
       SampleBytes<std::uint32_t>({0, 1u << 31, 0xFFFFFFFF, 8421504}),
       {0, 128, 255, 0}},
      {"float", 32, SAMPLEFORMAT_IEEEFP, SampleBytes<float>({0.5f, 1.0f, -0.25f, 7.0f}), {128, 255, 0, 255}},
      {"float NaN", 32, SAMPLEFORMAT_IEEEFP, SampleBytes<float>({nan, 0.2f, 0.0f, 0.998f}), {0, 51, 0, 254}},
      {"double", 64, SAMPLEFORMAT_IEEEFP, SampleBytes<double>({0.25, 0.75, 2.0, 0.0}), {64, 191, 255, 0}},
      {"half",
       16,
       SAMPLEFORMAT_IEEEFP,
       SampleBytes<std::uint16_t>({0x3800, 0x3C00, 0xBC00, 0x3400}),
       {128, 255, 0, 64}},
  };
}

TEST(TiffDeepSamples, EveryKindIsScaledToEightBits) {
  for (const DeepCase& c : DeepCases())
    for (int compression : {COMPRESSION_NONE, COMPRESSION_ADOBE_DEFLATE}) {
      SCOPED_TRACE(std::string(c.name) + " compression " + std::to_string(compression));
      TiffLayout layout{.width = 4,
                        .height = 1,
                        .samples = 1,
                        .bits = c.bits,
                        .photometric = PHOTOMETRIC_MINISBLACK,
                        .compression = compression,
                        .samples_data = c.samples,
                        .sample_format = c.format};
      const Image image = DecodeTiffFile(WriteTiff(layout));
      ASSERT_EQ(image.width, 4);
      for (int x = 0; x < 4; ++x) {
        const auto level = static_cast<std::uint8_t>(c.levels[static_cast<std::size_t>(x)]);
        EXPECT_EQ(PixelAt(image, x, 0), (Rgba{level, level, level, 255})) << x;
      }
    }
  // White is zero: the levels turn.
  TiffLayout white{.width = 2,
                   .height = 1,
                   .samples = 1,
                   .bits = 32,
                   .photometric = PHOTOMETRIC_MINISWHITE,
                   .samples_data = SampleBytes<float>({0.0f, 0.25f}),
                   .sample_format = SAMPLEFORMAT_IEEEFP};
  const Image turned = DecodeTiffFile(WriteTiff(white));
  EXPECT_EQ(PixelAt(turned, 0, 0), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(PixelAt(turned, 1, 0), (Rgba{191, 191, 191, 255}));
}

// Float RGBA in strips, tiles and planes, samples of every pixel apart, with
// alpha made straight when the file stores it premultiplied.
TEST(TiffDeepSamples, FloatRgbaInStripsTilesAndPlanes) {
  constexpr int kWidth = 37, kHeight = 21;
  std::vector<float> samples;
  for (int i = 0; i < kWidth * kHeight * 4; ++i)
    samples.push_back(static_cast<float>((i * 37 + i / 5) % 256) / 255);
  for (std::size_t i = 3; i < samples.size(); i += 4)
    samples[i] = 1.0f;  // opaque, so premultiplied is straight
  samples[3] = 0.5f;    // but for the first pixel
  for (bool tiled : {false, true})
    for (bool planes : {false, true})
      for (int extra : {EXTRASAMPLE_UNASSALPHA, EXTRASAMPLE_ASSOCALPHA}) {
        SCOPED_TRACE(std::string(tiled ? "tiles" : "strips") + (planes ? " planes" : "") + " alpha " +
                     std::to_string(extra));
        TiffLayout layout{.width = kWidth,
                          .height = kHeight,
                          .samples = 4,
                          .bits = 32,
                          .extra = extra,
                          .compression = COMPRESSION_LZW,
                          .rows_per_strip = 4,
                          .samples_data = SampleBytes(samples),
                          .sample_format = SAMPLEFORMAT_IEEEFP,
                          .tile = tiled ? 16 : 0,
                          .planes = planes};
        const Bytes file = WriteTiff(layout);
        const Image image = DecodeTiffFile(file);
        ASSERT_EQ(std::pair(image.width, image.height), std::pair(kWidth, kHeight));
        // Priced as the picture and one strip or tile of every plane: 16 bytes a pixel.
        Expected<DecodeFootprint> footprint = ReadDecodeFootprint(file, "deep.tif");
        ASSERT_TRUE(footprint.ok()) << footprint.message();
        EXPECT_EQ(DecodeBytes(*footprint, 0, 0),
                  kWidth * kHeight * 4u + (tiled ? 16 * 16 : 4 * kWidth) * 16u);
        for (std::size_t i = 4; i < samples.size(); ++i)
          ASSERT_EQ(image.pixels[i], std::lround(samples[i] * 255)) << i;
        const long straight = std::lround(samples[0] * 255 * (extra == EXTRASAMPLE_ASSOCALPHA ? 2 : 1));
        EXPECT_NEAR(image.pixels[0], std::min(255L, straight), 1);
        EXPECT_EQ(image.pixels[3], 128);
      }
}

// 16-bit samples through libtiff's own reader, CMYK among them, and 8-bit
// CMYK compressed as JPEG.
TEST(TiffDeepSamples, SixteenBitAndCmykCome) {
  TiffLayout grey{.width = 3,
                  .height = 1,
                  .samples = 1,
                  .bits = 16,
                  .photometric = PHOTOMETRIC_MINISBLACK,
                  .samples_data = SampleBytes<std::uint16_t>({65535, 0, 32896})};
  const Image deep = DecodeTiffFile(WriteTiff(grey));
  EXPECT_EQ(PixelAt(deep, 0, 0), (Rgba{255, 255, 255, 255}));
  EXPECT_EQ(PixelAt(deep, 1, 0), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(PixelAt(deep, 2, 0), (Rgba{128, 128, 128, 255}));

  TiffLayout cmyk16{.width = 1,
                    .height = 1,
                    .samples = 4,
                    .bits = 16,
                    .photometric = PHOTOMETRIC_SEPARATED,
                    .samples_data = SampleBytes<std::uint16_t>({0, 65535, 65535, 0})};
  EXPECT_EQ(PixelAt(DecodeTiffFile(WriteTiff(cmyk16)), 0, 0), (Rgba{255, 0, 0, 255}));

  // Flat ink, so the lossy compression keeps it to a level or two.
  TiffLayout cmyk_jpeg{.width = 32,
                       .height = 16,
                       .samples = 4,
                       .bits = 8,
                       .photometric = PHOTOMETRIC_SEPARATED,
                       .compression = COMPRESSION_JPEG,
                       .rows_per_strip = 16};
  for (int i = 0; i < 32 * 16; ++i)
    cmyk_jpeg.samples_data.insert(cmyk_jpeg.samples_data.end(), {0, 255, 255, 64});
  const Image red = DecodeTiffFile(WriteTiff(cmyk_jpeg));
  ASSERT_EQ(red.width, 32);
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(PixelAt(red, 17, 9)[c], (Rgba{191, 0, 0, 255})[c], 2) << c;
}

// A BigTIFF holds the same picture as the classic file, and is priced and
// judged by its strips alike.
TEST(TiffDeepSamples, BigTiffReadsAsTheClassicFile) {
  for (int compression : {COMPRESSION_NONE, COMPRESSION_LZW})
    for (int bits : {8, 32})
      for (int tile : {0, 16}) {
        SCOPED_TRACE("compression " + std::to_string(compression) + " bits " + std::to_string(bits) +
                     " tile " + std::to_string(tile));
        TiffLayout layout = RgbTiff(40, 33, compression);
        layout.tile = tile, layout.rows_per_strip = 5;
        if (bits == 32) {
          layout.samples_data = SampleBytes<std::uint32_t>(
              std::vector<std::uint32_t>(layout.samples_data.begin(), layout.samples_data.end()));
          for (std::size_t i = 0; i < layout.samples_data.size(); i += 4) layout.samples_data[i + 3] = 0x80;
          layout.bits = 32;
        }
        const Bytes classic = WriteTiff(layout);
        layout.big = true;
        const Bytes big = WriteTiff(layout);
        ASSERT_EQ(big[2], 43);
        EXPECT_EQ(DecodeTiffFile(big).pixels, DecodeTiffFile(classic).pixels);
        Expected<DecodeFootprint> footprint = ReadDecodeFootprint(big, "big.tif");
        ASSERT_TRUE(footprint.ok()) << footprint.message();
        EXPECT_EQ(std::pair(footprint->info.width, footprint->info.height), std::pair(40, 33));
      }
}

// libtiff's count of a strip that starts 780 bytes past the file's end is
// negative, and reads so, for both sample readers.
TEST(TiffMessages, CountsArePrintedSigned) {
  for (int bits : {8, 32}) {
    TiffLayout layout{.width = 16,
                      .height = 16,
                      .samples = 1,
                      .bits = bits,
                      .photometric = PHOTOMETRIC_MINISBLACK,
                      .samples_data = SamplePattern(16 * 16 * bits / 8)};
    Bytes file = WriteTiff(layout);
    PatchTiffTag(file, TIFFTAG_STRIPOFFSETS, static_cast<std::uint32_t>(file.size() + 780));
    Image image;
    const Status status = DecodeTiff(file, "past.tif", image);
    EXPECT_EQ(status.message(), "Invalid TIFF: Read error on strip 0; got -780 bytes, expected " +
                                    std::to_string(16 * 16 * bits / 8) + " in past.tif");
  }
}

}  // namespace
}  // namespace vr
