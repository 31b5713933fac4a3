#include "imaging/codecs/jpeg_codec.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/exif_orientation.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A smooth picture with a soft diagonal pattern: JPEG's kind of content, so
// the round-trip error says something about the codec, not about noise.
Image MakeSmoothImage(int width, int height) {
  Image image;
  image.Resize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = image.at(x, y);
      p[0] = static_cast<std::uint8_t>(255 * x / std::max(1, width - 1));
      p[1] = static_cast<std::uint8_t>(255 * y / std::max(1, height - 1));
      p[2] = static_cast<std::uint8_t>(128 + 100 * std::sin((x + y) / 9.0));
      p[3] = 255;
    }
  return image;
}

double MeanAbsRgbError(const Image& a, const Image& b) {
  double sum = 0;
  for (int y = 0; y < a.height; ++y)
    for (int x = 0; x < a.width; ++x)
      for (int c = 0; c < 3; ++c) sum += std::abs(a.at(x, y)[c] - b.at(x, y)[c]);
  return sum / (3.0 * a.width * a.height);
}

Bytes EncodeOrDie(const Image& image, int quality) {
  JpegCodec codec;
  Bytes out;
  const Status status = codec.Encode(image, quality, out, "test.jpg");
  EXPECT_TRUE(status.ok()) << status.message();
  return out;
}

// Compresses raw samples with TurboJPEG itself, for inputs our encoder never
// writes (grayscale, CMYK, progressive).
Bytes CompressRaw(const Bytes& samples, int width, int height, int pixel_format, int subsampling,
                  int flags = 0) {
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  const int rc = tjCompress2(handle, samples.data(), width, 0, height, pixel_format, &jpeg, &size,
                             subsampling, 95, flags | TJFLAG_ACCURATEDCT);
  EXPECT_EQ(rc, 0) << tjGetErrorStr2(handle);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  return out;
}

// The byte offset of the first `marker` segment, or npos.
std::size_t FindMarker(const Bytes& jpeg, std::uint8_t marker) {
  for (std::size_t i = 2; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return i;
  return std::string::npos;
}

int EncodedSubsampling(const Bytes& jpeg) {
  tjhandle handle = tjInitDecompress();
  int width = 0, height = 0, subsampling = -1, colorspace = -1;
  tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colorspace);
  tjDestroy(handle);
  return subsampling;
}

TEST(JpegCodec, RoundTripKeepsSizeAndLooks) {
  const Image original = MakeSmoothImage(97, 61);
  const Bytes jpeg = EncodeOrDie(original, 95);
  ASSERT_TRUE(IsJpeg(jpeg));

  JpegCodec codec;
  Expected<ImageInfo> info = codec.ReadInfo(jpeg, "test.jpg");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->kind, FileKind::Jpeg);
  EXPECT_EQ(info->width, 97);
  EXPECT_EQ(info->height, 61);
  EXPECT_EQ(info->orientation, 1);

  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "test.jpg", 0, 0, decoded);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  ASSERT_EQ(decoded.width, 97);
  ASSERT_EQ(decoded.height, 61);
  EXPECT_LT(MeanAbsRgbError(original, decoded), 2.0);
  EXPECT_FALSE(decoded.HasTransparency());
}

TEST(JpegCodec, AlphaIsDroppedAndComesBackOpaque) {
  const Image clear = test::MakeImage(16, 16, {200, 100, 50, 0});
  JpegCodec codec;
  Image decoded;
  ASSERT_TRUE(codec.Decode(EncodeOrDie(clear, 90), "a.jpg", 0, 0, decoded).ok());
  const test::Rgba p = test::PixelAt(decoded, 8, 8);
  EXPECT_NEAR(p[0], 200, 3);
  EXPECT_NEAR(p[1], 100, 3);
  EXPECT_NEAR(p[2], 50, 3);
  EXPECT_EQ(p[3], 255);
}

TEST(JpegCodec, ProgressiveDecodes) {
  const Image original = MakeSmoothImage(64, 40);
  Bytes rgb;
  for (std::size_t i = 0; i < original.pixels.size(); ++i)
    if (i % 4 != 3) rgb.push_back(original.pixels[i]);
  const Bytes jpeg = CompressRaw(rgb, 64, 40, TJPF_RGB, TJSAMP_444, TJFLAG_PROGRESSIVE);
  ASSERT_NE(FindMarker(jpeg, 0xC2), std::string::npos);  // SOF2: progressive
  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "p.jpg", 0, 0, decoded);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  EXPECT_LT(MeanAbsRgbError(original, decoded), 2.0);
}

TEST(JpegCodec, GrayscaleBecomesRgb) {
  Bytes gray(40 * 30);
  for (int i = 0; i < 40 * 30; ++i) gray[i] = static_cast<std::uint8_t>(i % 40 < 20 ? 60 : 190);
  const Bytes jpeg = CompressRaw(gray, 40, 30, TJPF_GRAY, TJSAMP_GRAY);
  JpegCodec codec;
  Image decoded;
  ASSERT_TRUE(codec.Decode(jpeg, "g.jpg", 0, 0, decoded).ok());
  ASSERT_EQ(decoded.width, 40);
  for (const auto& [x, level] : {std::pair{5, 60}, std::pair{35, 190}}) {
    const test::Rgba p = test::PixelAt(decoded, x, 15);
    EXPECT_NEAR(p[0], level, 3);
    EXPECT_EQ(p[0], p[1]);
    EXPECT_EQ(p[1], p[2]);
    EXPECT_EQ(p[3], 255);
  }
}

// Four 16x16 blocks of CMYK samples in the order TurboJPEG takes them.
Bytes CmykBlocks(const std::vector<test::Rgba>& blocks) {
  Bytes samples;
  for (int y = 0; y < 16; ++y)
    for (const test::Rgba& block : blocks)
      for (int x = 0; x < 16; ++x) samples.insert(samples.end(), block.begin(), block.end());
  return samples;
}

TEST(JpegCodec, AdobeCmykIsTakenAsInverted) {
  // Inverted ink as Photoshop stores it: 255 means no ink. Red is full
  // magenta and yellow; the last block is 50% black.
  const std::vector<test::Rgba> inverted = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {255, 255, 255, 128}};
  const Bytes jpeg = CompressRaw(CmykBlocks(inverted), 64, 16, TJPF_CMYK, TJSAMP_444);
  const auto adobe = ReadAdobeMarker(jpeg);
  ASSERT_TRUE(adobe.has_value());
  EXPECT_EQ(adobe->transform, 2);  // TurboJPEG stores CMYK as YCCK

  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "cmyk.jpg", 0, 0, decoded);
  ASSERT_TRUE(result.ok()) << result.message();
  ASSERT_EQ(decoded.width, 64);
  const std::vector<test::Rgba> expected = {
      {255, 0, 0, 255}, {0, 255, 0, 255}, {0, 0, 255, 255}, {128, 128, 128, 255}};
  for (int b = 0; b < 4; ++b) {
    const test::Rgba p = test::PixelAt(decoded, 16 * b + 8, 8);
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(p[c], expected[b][c], 4) << "block " << b << " channel " << c;
  }
}

TEST(JpegCodec, CmykWithoutAdobeMarkerIsNotInverted) {
  // Without APP14 the decoder reads TurboJPEG's YCCK planes as plain CMYK.
  // For a neutral input (v, v, v, 0) those planes hold 255 - v, 128, 128 and
  // 0, so a plain reading gives RGB (v, 127, 127); an inverted one would
  // give black.
  const Bytes samples = CmykBlocks({{50, 50, 50, 0}});
  Bytes jpeg = CompressRaw(samples, 16, 16, TJPF_CMYK, TJSAMP_444);
  const std::size_t app14 = FindMarker(jpeg, 0xEE);
  ASSERT_NE(app14, std::string::npos);
  const std::size_t length = std::size_t{jpeg[app14 + 2]} << 8 | jpeg[app14 + 3];
  jpeg.erase(jpeg.begin() + static_cast<std::ptrdiff_t>(app14),
             jpeg.begin() + static_cast<std::ptrdiff_t>(app14 + 2 + length));
  ASSERT_FALSE(ReadAdobeMarker(jpeg).has_value());

  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(jpeg, "plain.jpg", 0, 0, decoded);
  ASSERT_TRUE(result.ok()) << result.message();
  const test::Rgba p = test::PixelAt(decoded, 8, 8);
  EXPECT_NEAR(p[0], 50, 3);
  EXPECT_NEAR(p[1], 127, 3);
  EXPECT_NEAR(p[2], 127, 3);
}

TEST(JpegCodec, ExifOrientationReachesInfo) {
  Bytes jpeg = EncodeOrDie(MakeSmoothImage(30, 20), 80);
  // APP1 "Exif\0\0", big-endian IFD0 with one entry: Orientation = 6.
  const Bytes app1 = {0xFF, 0xE1, 0x00, 0x22, 'E', 'x', 'i', 'f', 0, 0, 'M', 'M', 0, 42, 0, 0, 0, 8,
                      0,    1,    0x01, 0x12, 0,   3,   0,   0,   0, 1, 0,   6,   0, 0,  0, 0, 0, 0};
  jpeg.insert(jpeg.begin() + 2, app1.begin(), app1.end());
  JpegCodec codec;
  Expected<ImageInfo> info = codec.ReadInfo(jpeg, "exif.jpg");
  ASSERT_TRUE(info.ok()) << info.message();
  EXPECT_EQ(info->orientation, 6);
  EXPECT_EQ(info->width, 30);  // as stored: the engine turns it
  Image decoded;
  ASSERT_TRUE(codec.Decode(jpeg, "exif.jpg", 0, 0, decoded).ok());
  EXPECT_EQ(decoded.width, 30);
}

struct ScaleCase {
  int width, height, target_width, target_height, denominator;
};

class JpegScaleRule : public testing::TestWithParam<ScaleCase> {};

TEST_P(JpegScaleRule, PicksLargestScaleLeavingTwiceTheTarget) {
  const ScaleCase& c = GetParam();
  EXPECT_EQ(JpegScaleDenominator(c.width, c.height, c.target_width, c.target_height), c.denominator);
}

INSTANTIATE_TEST_SUITE_P(Table, JpegScaleRule,
                         testing::Values(ScaleCase{6000, 4000, 300, 200, 8},  // decodes at 750 x 500
                                         ScaleCase{1365, 910, 300, 200,
                                                   2},  // ceil(1365/2) = 683 >= 600, 342 is not
                                         ScaleCase{2400, 1600, 300, 200, 4},  // exactly twice at 1/4
                                         ScaleCase{4799, 3199, 300, 200, 8},  // ceil rounds 599.9 up to 600
                                         ScaleCase{4792, 3200, 300, 200, 4},  // 599 wide at 1/8: one short
                                         ScaleCase{6000, 1000, 300, 200, 2},  // the height decides
                                         ScaleCase{1198, 800, 300, 200, 1},   // 600 wide at 1/2 needs 1199
                                         ScaleCase{6000, 4000, 0, 0, 1},      // no target: full picture
                                         ScaleCase{6000, 4000, 300, 0, 1}, ScaleCase{6000, 4000, -5, 200, 1},
                                         ScaleCase{100, 100, 300, 200, 1},  // enlarging
                                         ScaleCase{1, 1, 1, 1, 1}));

TEST(JpegCodec, ScaledDecodeHasScaledSizeAndSameLook) {
  const Image original = MakeSmoothImage(203, 117);
  const Bytes jpeg = EncodeOrDie(original, 95);
  JpegCodec codec;
  Image full, quarter;
  ASSERT_TRUE(codec.Decode(jpeg, "s.jpg", 0, 0, full).ok());
  // ceil(203/4) = 51 >= 50 and ceil(117/4) = 30 >= 28; at 1/8, 26 < 50.
  Expected<DecodeResult> result = codec.Decode(jpeg, "s.jpg", 25, 14, quarter);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_EQ(quarter.width, 51);
  EXPECT_EQ(quarter.height, 30);
  // Each scaled pixel stands for a 4x4 block of the full decode.
  double error = 0;
  int samples = 0;
  for (int y = 1; y < 28; ++y)
    for (int x = 1; x < 49; ++x)
      for (int c = 0; c < 3; ++c, ++samples) {
        int sum = 0;
        for (int dy = 0; dy < 4; ++dy)
          for (int dx = 0; dx < 4; ++dx) sum += full.at(4 * x + dx, 4 * y + dy)[c];
        error += std::abs(quarter.at(x, y)[c] - sum / 16.0);
      }
  EXPECT_LT(error / samples, 3.0);
  // Half scale of the same file, reusing the codec and the output buffer.
  ASSERT_TRUE(codec.Decode(jpeg, "s.jpg", 50, 29, quarter).ok());
  EXPECT_EQ(quarter.width, 102);
  EXPECT_EQ(quarter.height, 59);
}

TEST(JpegCodec, TruncatedDataGivesDamagedPartialPicture) {
  const Image original = MakeSmoothImage(256, 256);
  const Bytes jpeg = EncodeOrDie(original, 90);
  const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 6 / 10));
  JpegCodec codec;
  Image decoded;
  Expected<DecodeResult> result = codec.Decode(cut, "cut.jpg", 0, 0, decoded);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_TRUE(result->damaged);
  ASSERT_EQ(decoded.width, 256);
  ASSERT_EQ(decoded.height, 256);
  // The top rows were in the data and survive.
  double error = 0;
  for (int x = 0; x < 256; ++x)
    for (int c = 0; c < 3; ++c) error += std::abs(decoded.at(x, 10)[c] - original.at(x, 10)[c]);
  EXPECT_LT(error / (256 * 3), 3.0);
  // The warning does not stick to the codec: the whole file is clean.
  Expected<DecodeResult> whole = codec.Decode(jpeg, "whole.jpg", 0, 0, decoded);
  ASSERT_TRUE(whole.ok()) << whole.message();
  EXPECT_FALSE(whole->damaged);
}

TEST(JpegCodec, EveryTruncationIsDamagedOrFailsCleanly) {
  for (const int flags : {0, TJFLAG_PROGRESSIVE}) {
    Bytes rgb(48 * 32 * 3);
    for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7 / 5);
    const Bytes jpeg = CompressRaw(rgb, 48, 32, TJPF_RGB, TJSAMP_420, flags);
    JpegCodec codec;
    Image decoded;
    for (std::size_t n = 0; n < jpeg.size(); n += 3) {
      const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(n));
      Expected<DecodeResult> result = codec.Decode(cut, "cut.jpg", 0, 0, decoded);
      if (result.ok()) {
        EXPECT_TRUE(result->damaged) << n;
        EXPECT_EQ(decoded.width, 48);
        EXPECT_EQ(decoded.pixels.size(), std::size_t{48} * 32 * 4);
      } else {
        EXPECT_EQ(result.message().rfind("Invalid JPEG: ", 0), 0u) << result.message();
        EXPECT_NE(result.message().find(" in cut.jpg"), std::string::npos) << result.message();
        EXPECT_TRUE(decoded.empty());
      }
    }
    // The same codec still decodes a whole file after all those failures.
    Expected<DecodeResult> fresh = JpegCodec().Decode(jpeg, "whole.jpg", 0, 0, decoded);
    ASSERT_TRUE(fresh.ok()) << fresh.message() << " flags " << flags;
    Expected<DecodeResult> whole = codec.Decode(jpeg, "whole.jpg", 0, 0, decoded);
    ASSERT_TRUE(whole.ok()) << whole.message();
    EXPECT_FALSE(whole->damaged);
  }
}

// TurboJPEG reports a fatal error that follows a warning as a warning. A
// stray byte in the header (a warning) and a broken Huffman table between
// progressive scans (fatal) must not give a picture with rows never written.
TEST(JpegCodec, FatalErrorAfterWarningIsNotTakenForDamage) {
  Bytes rgb(64 * 64 * 3);
  for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 13 / 7);
  Bytes jpeg = CompressRaw(rgb, 64, 64, TJPF_RGB, TJSAMP_420, TJFLAG_PROGRESSIVE);
  const Bytes clean = jpeg;
  const std::size_t first_scan = FindMarker(jpeg, 0xDA);
  std::size_t late_table = std::string::npos;
  for (std::size_t i = first_scan; i + 4 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC4) {
      late_table = i;
      break;
    }
  ASSERT_NE(late_table, std::string::npos);
  jpeg[late_table + 4] = 0x0F;  // table class 0, index 15: there are only 4
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(FindMarker(jpeg, 0xDB)), 0x00);

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
  EXPECT_FALSE(decoded.HasTransparency());
}

TEST(JpegCodec, GarbageAfterSoiFailsCleanly) {
  JpegCodec codec;
  Image decoded;
  Bytes garbage = {0xFF, 0xD8, 0xFF};
  for (int i = 0; i < 500; ++i) garbage.push_back(static_cast<std::uint8_t>(i * 37 + 11));
  for (const Bytes& bytes : {garbage, Bytes{0xFF, 0xD8, 0x12, 0x34}, Bytes{0xFF, 0xD8}, Bytes{}}) {
    Expected<ImageInfo> info = codec.ReadInfo(bytes, "junk.jpg");
    EXPECT_FALSE(info.ok());
    Expected<DecodeResult> result = codec.Decode(bytes, "junk.jpg", 0, 0, decoded);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.message().rfind("Invalid JPEG: ", 0), 0u) << result.message();
    EXPECT_NE(result.message().find("junk.jpg"), std::string::npos);
    EXPECT_TRUE(decoded.empty());
  }
}

TEST(JpegCodec, OversizedFrameIsRejectedBeforeDecoding) {
  Bytes jpeg = EncodeOrDie(MakeSmoothImage(16, 16), 80);
  const std::size_t sof = FindMarker(jpeg, 0xC0);
  ASSERT_NE(sof, std::string::npos);
  // SOF0: length (2), precision (1), height (2), width (2). 60000 x 60000.
  jpeg[sof + 5] = 0xEA;
  jpeg[sof + 6] = 0x60;
  jpeg[sof + 7] = 0xEA;
  jpeg[sof + 8] = 0x60;
  JpegCodec codec;
  Expected<ImageInfo> info = codec.ReadInfo(jpeg, "huge.jpg");
  ASSERT_FALSE(info.ok());
  EXPECT_NE(info.message().find("too large"), std::string::npos) << info.message();
  Image decoded;
  // Even a small target does not get past the limit on the stored size.
  EXPECT_FALSE(codec.Decode(jpeg, "huge.jpg", 100, 100, decoded).ok());
  EXPECT_TRUE(decoded.pixels.empty());
}

TEST(JpegCodec, QualityExtremesEncode) {
  const Image image = MakeSmoothImage(64, 64);
  const Bytes coarsest = EncodeOrDie(image, 0);
  const Bytes finest = EncodeOrDie(image, 100);
  ASSERT_FALSE(coarsest.empty());
  EXPECT_GT(finest.size(), coarsest.size());
  // 0 and below encode as 1; above 100 as 100.
  EXPECT_EQ(EncodeOrDie(image, 1), coarsest);
  EXPECT_EQ(EncodeOrDie(image, -20), coarsest);
  EXPECT_EQ(EncodeOrDie(image, 250), finest);

  JpegCodec codec;
  Image decoded;
  ASSERT_TRUE(codec.Decode(coarsest, "q0.jpg", 0, 0, decoded).ok());
  EXPECT_EQ(decoded.width, 64);
  EXPECT_LT(MeanAbsRgbError(image, decoded), 40.0);
  ASSERT_TRUE(codec.Decode(finest, "q100.jpg", 0, 0, decoded).ok());
  EXPECT_LT(MeanAbsRgbError(image, decoded), 1.0);
}

TEST(JpegCodec, FullChromaFromQuality90) {
  const Image image = MakeSmoothImage(32, 32);
  EXPECT_EQ(EncodedSubsampling(EncodeOrDie(image, 89)), TJSAMP_420);
  EXPECT_EQ(EncodedSubsampling(EncodeOrDie(image, 90)), TJSAMP_444);
}

TEST(JpegCodec, EncodeRefusesEmptyOrInconsistentPicture) {
  JpegCodec codec;
  Bytes out = {1, 2, 3};
  EXPECT_FALSE(codec.Encode(Image{}, 80, out, "empty.jpg").ok());
  EXPECT_TRUE(out.empty());
  Image broken = MakeSmoothImage(8, 8);
  broken.pixels.resize(10);
  const Status status = codec.Encode(broken, 80, out, "broken.jpg");
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.message().find("broken.jpg"), std::string::npos);
}

TEST(JpegCodec, MovedCodecKeepsWorking) {
  JpegCodec first;
  Bytes jpeg;
  ASSERT_TRUE(first.Encode(MakeSmoothImage(20, 10), 75, jpeg, "m.jpg").ok());
  JpegCodec second = std::move(first);
  Image decoded;
  ASSERT_TRUE(second.Decode(jpeg, "m.jpg", 0, 0, decoded).ok());
  EXPECT_EQ(decoded.width, 20);
  first = std::move(second);  // a moved-from codec can be assigned and used again
  ASSERT_TRUE(first.Encode(decoded, 75, jpeg, "m.jpg").ok());
}

}  // namespace
}  // namespace vr
