// JPEG colour spaces the encoder never writes (grey, CMYK with and without
// Adobe's marker), the scale the decoder shrinks to, errors that libjpeg
// reports as warnings, and the quality range.
#include "imaging/codecs/jpeg_codec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/pixel_test_util.h"

namespace vr {
namespace {

using test::Bytes;
using test::Rgba;

double MeanAbsRgbError(const Image& a, const Image& b) {
  double sum = 0;
  for (std::size_t i = 0; i < a.pixels.size(); ++i)
    if (i % 4 != 3) sum += std::abs(a.pixels[i] - b.pixels[i]);
  return sum / (0.75 * static_cast<double>(a.pixels.size()));
}

Image Decode(const Bytes& jpeg) {
  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "t.jpg", 0, 0, decoded);
  EXPECT_TRUE(result.ok()) << result.message();
  return decoded;
}

void ExpectNear(const Rgba& got, const Rgba& want, int tolerance) {
  for (int c = 0; c < 4; ++c) EXPECT_NEAR(got[c], want[c], tolerance) << "channel " << c;
}

TEST(JpegDecode, GreyBecomesOpaqueRgb) {
  Bytes grey(40 * 30);
  for (int i = 0; i < 40 * 30; ++i) grey[i] = static_cast<std::uint8_t>(i % 40 < 20 ? 60 : 190);
  const Image decoded = Decode(test::CompressJpeg(grey.data(), 40, 30, TJPF_GRAY, TJSAMP_GRAY));
  ASSERT_EQ(decoded.width, 40);
  ExpectNear(test::PixelAt(decoded, 5, 15), {60, 60, 60, 255}, 3);
  ExpectNear(test::PixelAt(decoded, 35, 15), {190, 190, 190, 255}, 3);
}

// 16x16 blocks of CMYK samples side by side, in the order TurboJPEG takes them.
Bytes CmykJpeg(const std::vector<Rgba>& blocks) {
  Bytes samples;
  for (int y = 0; y < 16; ++y)
    for (const Rgba& block : blocks)
      for (int x = 0; x < 16; ++x) samples.insert(samples.end(), block.begin(), block.end());
  return test::CompressJpeg(samples.data(), 16 * static_cast<int>(blocks.size()), 16, TJPF_CMYK, TJSAMP_444,
                            TJFLAG_ACCURATEDCT, 95);
}

TEST(JpegDecode, AdobeCmykIsTakenAsInvertedInk) {
  // As Photoshop stores it, 255 means no ink: red is full magenta and
  // yellow; the last block is 50% black.
  const Image decoded =
      Decode(CmykJpeg({{255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}}));
  const std::vector<Rgba> expected = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {128, 128, 128, 255}};
  for (int b = 0; b < 4; ++b) ExpectNear(test::PixelAt(decoded, 16 * b + 8, 8), expected[b], 4);
}

TEST(JpegDecode, CmykWithoutAdobesMarkerIsNotInverted) {
  // TurboJPEG stores CMYK as YCCK: for (v, v, v, 0) its planes hold 255 - v,
  // 128, 128 and 0, so a plain reading gives (v, 127, 127); an inverted one
  // would give black.
  Bytes jpeg = CmykJpeg({{50, 50, 50, 0}});
  const std::size_t app14 = test::FindMarker(jpeg, 0xEE);
  ASSERT_LT(app14, jpeg.size());
  const std::size_t length = std::size_t{jpeg[app14 + 2]} << 8 | jpeg[app14 + 3];
  jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(app14),
             jpeg.begin() + static_cast<std::ptrdiff_t>(app14 + 2 + length));
  ExpectNear(test::PixelAt(Decode(jpeg), 8, 8), {50, 127, 127, 255}, 3);
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

TEST(JpegEncode, QualitiesOutOfRangeAreHeldToIt) {
  Image image;
  image.Resize(64, 64);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      test::SetPixel(image, x, y,
                     {static_cast<std::uint8_t>(4 * x), static_cast<std::uint8_t>(4 * y),
                      static_cast<std::uint8_t>(128 + 100 * std::sin((x + y) / 9.0)), 255});
  JpegCodec codec;
  Bytes coarsest, finest, out;
  ASSERT_TRUE(codec.Encode(image, -20, coarsest, "q.jpg").ok());
  ASSERT_TRUE(codec.Encode(image, 250, finest, "q.jpg").ok());
  ASSERT_TRUE(codec.Encode(image, 1, out, "q.jpg").ok());
  EXPECT_EQ(out, coarsest);
  ASSERT_TRUE(codec.Encode(image, 100, out, "q.jpg").ok());
  EXPECT_EQ(out, finest);
  EXPECT_LT(MeanAbsRgbError(image, Decode(coarsest)), 40.0);
  EXPECT_LT(MeanAbsRgbError(image, Decode(finest)), 1.0);
}

TEST(JpegCodecObject, AMovedCodecKeepsWorking) {
  JpegCodec first;
  Bytes jpeg;
  ASSERT_TRUE(first.Encode(test::MakeRandomImage(20, 10, 1), 75, jpeg, "m.jpg").ok());
  JpegCodec second = std::move(first);
  Image decoded;
  ASSERT_TRUE(second.Decode(jpeg, "m.jpg", 0, 0, decoded).ok());
  EXPECT_EQ(decoded.width, 20);
  first = std::move(second);  // a moved-from codec can be assigned and used again
  EXPECT_TRUE(first.Encode(decoded, 75, jpeg, "m.jpg").ok());
}

}  // namespace
}  // namespace vr
