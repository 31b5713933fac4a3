// JPEG colour spaces the encoder never writes (grey, CMYK with and without
// Adobe's marker), the scale the decoder shrinks to, errors that libjpeg
// reports as warnings, and what the encoder's quality decides.
#include "imaging/codecs/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/photo_test_util.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::Bytes;

Image Decode(const Bytes& jpeg) {
  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "t.jpg", 0, 0, decoded);
  EXPECT_TRUE(result.ok()) << result.message();
  return decoded;
}

// TurboJPEG's own decode of the samples as stored.
Bytes Samples(const Bytes& jpeg, int width, int height, int pixel_format) {
  Bytes out(static_cast<std::size_t>(width) * height * tjPixelSize[pixel_format]);
  tjhandle handle = tjInitDecompress();
  EXPECT_EQ(tjDecompress2(handle, jpeg.data(), jpeg.size(), out.data(), width, 0, height, pixel_format, 0),
            0);
  tjDestroy(handle);
  return out;
}

TEST(JpegDecode, GreyBecomesOpaqueRgbOfTheSameLevel) {
  const Image photo = test::MakeDetailedPhoto(40, 30);
  Bytes grey;
  for (std::size_t i = 0; i < photo.pixels.size(); i += 4) grey.push_back(photo.pixels[i]);
  const Bytes jpeg = test::CompressJpeg(grey.data(), 40, 30, TJPF_GRAY, TJSAMP_GRAY);
  const Bytes stored = Samples(jpeg, 40, 30, TJPF_GRAY);
  const Image decoded = Decode(jpeg);
  for (std::size_t i = 0; i < stored.size(); ++i)
    ASSERT_EQ(test::PixelAt(decoded, int(i % 40), int(i / 40)),
              (test::Rgba{stored[i], stored[i], stored[i], 255}));
}

// Each channel is the nearest level to the product of its ink's and black's
// whiteness. Adobe's files (with an APP14 marker) store whiteness, 255 for
// no ink; others store ink.
TEST(JpegDecode, CmykIsTheNearestLevelToTheInksProduct) {
  const Image photo = test::MakeDetailedPhoto(48, 32, 3);
  Bytes inks = photo.pixels;  // four made-up channels a pixel
  for (std::size_t i = 0; i < inks.size(); i += 4)
    inks[i + 3] = static_cast<std::uint8_t>(inks[i] ^ inks[i + 2]);
  const Bytes adobe = test::CompressJpeg(inks.data(), 48, 32, TJPF_CMYK, TJSAMP_444, TJFLAG_ACCURATEDCT, 95);
  Bytes plain = adobe;
  const std::size_t app14 = test::FindMarker(plain, 0xEE);
  ASSERT_LT(app14, plain.size());
  plain.erase(
      plain.begin() + static_cast<std::ptrdiff_t>(app14),
      plain.begin() + static_cast<std::ptrdiff_t>(app14 + 2 + (plain[app14 + 2] << 8 | plain[app14 + 3])));
  for (const auto& [jpeg, inverted] : {std::pair{adobe, true}, {plain, false}}) {
    const Bytes stored = Samples(jpeg, 48, 32, TJPF_CMYK);
    const Image decoded = Decode(jpeg);
    for (std::size_t i = 0; i < stored.size(); i += 4) {
      const int white_k = inverted ? stored[i + 3] : 255 - stored[i + 3];
      for (int c = 0; c < 3; ++c) {
        const int white = inverted ? stored[i + c] : 255 - stored[i + c];
        ASSERT_LE(std::abs(255 * decoded.pixels[i + c] - white * white_k), 127)
            << inverted << " byte " << i + c;
      }
      ASSERT_EQ(decoded.pixels[i + 3], 255);
    }
  }
}

// TurboJPEG reports a fatal error that follows a warning as a warning. A
// stray byte in the header (a warning) and a broken Huffman table between
// progressive scans (fatal) must not give a picture with rows never written.
TEST(JpegDecode, AFatalErrorAfterAWarningIsNotTakenForDamage) {
  const Image picture = test::MakeRandomImage(64, 64, 13);
  const Bytes clean =
      test::CompressJpeg(picture.pixels.data(), 64, 64, TJPF_RGBA, TJSAMP_420, TJFLAG_PROGRESSIVE);
  Bytes jpeg = clean;
  std::size_t late_table = test::FindMarker(jpeg, 0xDA);  // the first DHT after the first scan
  while (late_table + 4 < jpeg.size() && !(jpeg[late_table] == 0xFF && jpeg[late_table + 1] == 0xC4))
    ++late_table;
  ASSERT_LT(late_table + 4, jpeg.size());
  jpeg[late_table + 4] = 0x0F;  // table class 0, index 15: there are only 4
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(test::FindMarker(jpeg, 0xDB)), 0x00);
  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "mixed.jpg", 0, 0, decoded);
  if (result.ok()) {
    EXPECT_TRUE(result->damaged);
    EXPECT_FALSE(decoded.HasTransparency());
  } else {
    EXPECT_TRUE(decoded.empty());
  }
  Expected<DecodeResult> after = codec.Decode(clean, "clean.jpg", 0, 0, decoded);
  ASSERT_TRUE(after.ok()) << after.message();
  EXPECT_FALSE(after->damaged);
}

struct ScaleCase {
  int width, height, target_width, target_height, denominator;
};

class JpegScaleRule : public testing::TestWithParam<ScaleCase> {};

// The largest DCT scale whose rounded-up sides are still twice the target's.
TEST_P(JpegScaleRule, LeavesAtLeastTwiceTheTarget) {
  const ScaleCase& c = GetParam();
  EXPECT_EQ(JpegScaleDenominator(c.width, c.height, c.target_width, c.target_height), c.denominator);
}

INSTANTIATE_TEST_SUITE_P(Table, JpegScaleRule,
                         testing::Values(ScaleCase{6000, 4000, 300, 200, 8},
                                         ScaleCase{4799, 3199, 300, 200, 8},  // ceil rounds 599.9 up to 600
                                         ScaleCase{4792, 3200, 300, 200, 4},  // 599 wide at 1/8: one short
                                         ScaleCase{6000, 1000, 300, 200, 2},  // the height decides
                                         ScaleCase{1198, 800, 300, 200, 1},   // 600 wide at 1/2 needs 1199
                                         ScaleCase{6000, 4000, 0, 0, 1},      // no target: the full picture
                                         ScaleCase{6000, 4000, -5, 200, 1},
                                         ScaleCase{100, 100, 300, 200, 1}));  // enlarging

// Qualities are held to 1..100; from 90 up colour keeps its full resolution.
TEST(JpegEncode, QualityIsHeldToItsRangeAndFullChromaStartsAt90) {
  const Image image = test::MakeDetailedPhoto(64, 64);
  JpegCodec codec;
  auto encoded = [&](int quality) {
    Bytes out;
    EXPECT_TRUE(codec.Encode(image, quality, out, "q.jpg").ok());
    return out;
  };
  EXPECT_EQ(encoded(-20), encoded(1));
  EXPECT_EQ(encoded(250), encoded(100));
  EXPECT_LT(encoded(1).size() * 4, encoded(100).size());
  for (int quality : {1, 89, 90, 100}) {
    const Bytes jpeg = encoded(quality);
    tjhandle handle = tjInitDecompress();
    int width = 0, height = 0, subsampling = -1, colorspace = -1;
    EXPECT_EQ(
        tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colorspace), 0);
    tjDestroy(handle);
    EXPECT_EQ(subsampling, quality >= 90 ? TJSAMP_444 : TJSAMP_420) << quality;
  }
  // A moved codec, and one assigned back to, keep working.
  JpegCodec moved = std::move(codec);
  Bytes jpeg;
  EXPECT_TRUE(moved.Encode(image, 75, jpeg, "m.jpg").ok());
  codec = std::move(moved);
  Image decoded;
  EXPECT_TRUE(codec.Decode(jpeg, "m.jpg", 0, 0, decoded).ok());
  EXPECT_EQ(decoded.width, 64);
}

}  // namespace
}  // namespace vr
