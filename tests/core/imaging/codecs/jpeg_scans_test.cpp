// Shrunk decodes of progressive JPEGs read only the scans the scale needs
// and still come out exactly as a decode of every scan.
#include "imaging/codecs/jpeg_scans.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/imaging/photo_test_util.h"
#include "imaging/codecs/jpeg_codec.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kWidth = 203;  // no multiple of 8: the scaled sides round up
constexpr int kHeight = 141;

// libjpeg's standard progressive script through TurboJPEG.
Bytes ProgressiveJpeg(int subsampling) {
  const Image photo = test::MakeDetailedPhoto(kWidth, kHeight, 7);
  tjhandle handle = tjInitCompress();
  unsigned char* jpeg = nullptr;
  unsigned long size = 0;
  EXPECT_EQ(tjCompress2(handle, photo.pixels.data(), kWidth, 0, kHeight, TJPF_RGBA, &jpeg, &size, subsampling,
                        90, TJFLAG_PROGRESSIVE),
            0);
  Bytes out(jpeg, jpeg + size);
  tjFree(jpeg);
  tjDestroy(handle);
  return out;
}

// TurboJPEG's decode of every scan at 1/d, the reference.
Image EveryScanAt(const Bytes& jpeg, int d) {
  Image out;
  out.Resize((kWidth + d - 1) / d, (kHeight + d - 1) / d);
  tjhandle handle = tjInitDecompress();
  EXPECT_EQ(tjDecompress2(handle, jpeg.data(), jpeg.size(), out.pixels.data(), out.width, 0, out.height,
                          TJPF_RGBA, 0),
            0);
  tjDestroy(handle);
  return out;
}

// SOS markers: FF DA never occurs inside entropy-coded data.
int ScanCount(const Bytes& jpeg) {
  int scans = 0;
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i) scans += jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA;
  return scans;
}

std::size_t NthScanStart(const Bytes& jpeg, int n) {
  for (std::size_t i = 0; i + 1 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA && n-- == 0) return i;
  return jpeg.size();
}

// A target whose DCT scale is d: half the scaled sides.
std::pair<int, int> TargetFor(int d) { return {(kWidth + d - 1) / d / 2, (kHeight + d - 1) / d / 2}; }

using ScanCase = std::tuple<int, int>;  // TurboJPEG subsampling, DCT scale

class ProgressiveShrink : public testing::TestWithParam<ScanCase> {};

TEST_P(ProgressiveShrink, MatchesADecodeOfEveryScanExactly) {
  const auto [subsampling, d] = GetParam();
  const Bytes jpeg = ProgressiveJpeg(subsampling);
  const auto [tw, th] = TargetFor(d);
  ASSERT_EQ(JpegScaleDenominator(kWidth, kHeight, tw, th), d);
  JpegCodec codec;
  Image shrunk;
  Expected<DecodeResult> result = codec.Decode(jpeg, "p.jpg", tw, th, shrunk);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  EXPECT_EQ(result->shrink, d);
  const Image reference = EveryScanAt(jpeg, d);
  ASSERT_EQ(shrunk.width, reference.width);
  ASSERT_EQ(shrunk.height, reference.height);
  EXPECT_EQ(shrunk.pixels, reference.pixels);
}

TEST_P(ProgressiveShrink, ReadsFewerScansOnlyWhereTheScaleLeavesCoefficientsOut) {
  const auto [subsampling, d] = GetParam();
  const Bytes jpeg = ProgressiveJpeg(subsampling);
  Image out;
  out.Resize((kWidth + d - 1) / d, (kHeight + d - 1) / d);
  const ScanDecode scans = DecodeProgressiveShrunk(jpeg, d, false, out.pixels.data(), out.width, out.height);
  ASSERT_TRUE(scans.ok) << scans.reason;
  const int total = ScanCount(jpeg);
  // The standard script refines every AC coefficient last, which the reduced
  // transforms at 1/4 and 1/2 all read; at 1/8 luma needs only its DC.
  if (d == 8)
    EXPECT_LT(scans.scans_read, total);
  else
    EXPECT_EQ(scans.scans_read, total);
  // Full chroma and grey shrink every component to one pixel a block: the
  // DC scans are all (7 of 10 in colour, 5 of 6 in grey).
  if (d == 8 && subsampling == TJSAMP_444) {
    EXPECT_EQ(scans.scans_read, 7);
  }
  if (d == 8 && subsampling == TJSAMP_GRAY) {
    EXPECT_EQ(scans.scans_read, 5);
  }
}

INSTANTIATE_TEST_SUITE_P(SubsamplingsAndScales, ProgressiveShrink,
                         testing::Combine(testing::Values(TJSAMP_420, TJSAMP_444, TJSAMP_GRAY),
                                          testing::Values(2, 4, 8)));

TEST(ProgressiveShrink, DataLostAfterTheScansNeededIsNoDamage) {
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(NthScanStart(jpeg, 8) + 40));
  const auto [tw, th] = TargetFor(8);
  JpegCodec codec;
  Image shrunk;
  Expected<DecodeResult> result = codec.Decode(cut, "cut.jpg", tw, th, shrunk);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  EXPECT_EQ(shrunk.pixels, EveryScanAt(jpeg, 8).pixels);
  // The full picture needs the lost scans.
  Image full;
  result = codec.Decode(cut, "cut.jpg", 0, 0, full);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_TRUE(result->damaged);
}

TEST(ProgressiveShrink, DataLostBeforeTheScansNeededIsDamage) {
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  const Bytes cut(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(NthScanStart(jpeg, 1) + 40));
  const auto [tw, th] = TargetFor(8);
  JpegCodec codec;
  Image shrunk;
  Expected<DecodeResult> result = codec.Decode(cut, "cut.jpg", tw, th, shrunk);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_TRUE(result->damaged);
  EXPECT_EQ(shrunk.width, (kWidth + 7) / 8);
}

TEST(ProgressiveShrink, EndlessScansAndBrokenHeadersFailByName) {
  // The first scan repeated 600 times before the rest: libjpeg only warns
  // about the repeats, the scan limit stops the file.
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  const std::size_t first = NthScanStart(jpeg, 0), second = NthScanStart(jpeg, 1);
  Bytes endless(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(second));
  for (int i = 0; i < 600; ++i)
    endless.insert(endless.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(first),
                   jpeg.begin() + static_cast<std::ptrdiff_t>(second));
  endless.insert(endless.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(second), jpeg.end());
  const auto [tw, th] = TargetFor(8);
  JpegCodec codec;
  Image out;
  Expected<DecodeResult> result = codec.Decode(endless, "endless.jpg", tw, th, out);
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.message().find("500 scans"), std::string::npos) << result.message();
  EXPECT_NE(result.message().find("endless.jpg"), std::string::npos) << result.message();
  EXPECT_TRUE(out.empty());

  // A Huffman table cut short is fatal in libjpeg.
  Bytes broken = jpeg;
  for (std::size_t i = 2; i + 4 < broken.size(); ++i)
    if (broken[i] == 0xFF && broken[i + 1] == 0xC4) {
      broken[i + 4] = 0xFF;  // a table class libjpeg refuses
      break;
    }
  result = codec.Decode(broken, "broken.jpg", tw, th, out);
  ASSERT_FALSE(result.ok());
  EXPECT_EQ(result.message().rfind("Invalid JPEG: ", 0), 0u) << result.message();
  EXPECT_TRUE(out.empty());
  // The codec is unharmed.
  EXPECT_TRUE(codec.Decode(jpeg, "p.jpg", tw, th, out).ok());
}

}  // namespace
}  // namespace vr
