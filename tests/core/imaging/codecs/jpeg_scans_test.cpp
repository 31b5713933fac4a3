// Shrunk decodes of progressive JPEGs read only the scans the scale needs
// and still come out exactly as TurboJPEG's decode of every scan.
#include "imaging/codecs/jpeg_scans.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/photo_test_util.h"
#include "imaging/codecs/jpeg_codec.h"

namespace vr {
namespace {

using test::Bytes;

constexpr int kWidth = 203;  // no multiple of 8: the scaled sides round up
constexpr int kHeight = 141;

// libjpeg's standard progressive script through TurboJPEG.
Bytes ProgressiveJpeg(int subsampling) {
  const Image photo = test::MakeDetailedPhoto(kWidth, kHeight, 7);
  return test::CompressJpeg(photo.pixels.data(), kWidth, kHeight, TJPF_RGBA, subsampling, TJFLAG_PROGRESSIVE);
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

// A target whose DCT scale is d: half the scaled sides.
Expected<DecodeResult> DecodeAt(const Bytes& jpeg, int d, Image& out) {
  JpegCodec codec;
  return codec.Decode(jpeg, "p.jpg", (kWidth + d - 1) / d / 2, (kHeight + d - 1) / d / 2, out);
}

using ScanCase = std::tuple<int, int>;  // TurboJPEG subsampling, DCT scale

class ProgressiveShrink : public testing::TestWithParam<ScanCase> {};

TEST_P(ProgressiveShrink, MatchesADecodeOfEveryScanExactly) {
  const auto [subsampling, d] = GetParam();
  const Bytes jpeg = ProgressiveJpeg(subsampling);
  Image shrunk;
  Expected<DecodeResult> result = DecodeAt(jpeg, d, shrunk);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  EXPECT_EQ(result->shrink, d);
  const Image reference = EveryScanAt(jpeg, d);
  ASSERT_EQ(shrunk.width, reference.width);
  ASSERT_EQ(shrunk.height, reference.height);
  EXPECT_EQ(shrunk.pixels, reference.pixels);

  // The standard script refines every AC coefficient last, which the reduced
  // transforms at 1/4 and 1/2 all read; at 1/8 only the DC scans are needed.
  const ScanDecode scans =
      DecodeProgressiveShrunk(jpeg, d, false, shrunk.pixels.data(), shrunk.width, shrunk.height);
  ASSERT_TRUE(scans.ok) << scans.reason;
  int total = 0;
  while (test::FindMarker(jpeg, 0xDA, total) < jpeg.size()) ++total;
  if (d == 8)
    EXPECT_LT(scans.scans_read, total);
  else
    EXPECT_EQ(scans.scans_read, total);
}

INSTANTIATE_TEST_SUITE_P(SubsamplingsAndScales, ProgressiveShrink,
                         testing::Combine(testing::Values(TJSAMP_420, TJSAMP_444, TJSAMP_GRAY),
                                          testing::Values(2, 4, 8)));

Bytes CutInScan(const Bytes& jpeg, int scan) {
  return Bytes(jpeg.begin(),
               jpeg.begin() + static_cast<std::ptrdiff_t>(test::FindMarker(jpeg, 0xDA, scan) + 40));
}

TEST(ProgressiveShrink, OnlyDataLostBeforeTheScansNeededIsDamage) {
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  Image shrunk;
  Expected<DecodeResult> result = DecodeAt(CutInScan(jpeg, 8), 8, shrunk);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_FALSE(result->damaged);
  EXPECT_EQ(shrunk.pixels, EveryScanAt(jpeg, 8).pixels);
  // The full picture needs the lost scans.
  Image full;
  JpegCodec codec;
  result = codec.Decode(CutInScan(jpeg, 8), "cut.jpg", 0, 0, full);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_TRUE(result->damaged);
  result = DecodeAt(CutInScan(jpeg, 1), 8, shrunk);
  ASSERT_TRUE(result.ok()) << result.message();
  EXPECT_TRUE(result->damaged);
  EXPECT_EQ(shrunk.width, (kWidth + 7) / 8);
}

TEST(ProgressiveShrink, EndlessScansAndBrokenTablesFailByName) {
  // The first scan repeated 600 times before the rest: libjpeg only warns
  // about the repeats, the scan limit stops the file.
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  const auto first = jpeg.begin() + static_cast<std::ptrdiff_t>(test::FindMarker(jpeg, 0xDA, 0));
  const auto second = jpeg.begin() + static_cast<std::ptrdiff_t>(test::FindMarker(jpeg, 0xDA, 1));
  Bytes endless(jpeg.begin(), second);
  for (int i = 0; i < 600; ++i) endless.insert(endless.end(), first, second);
  endless.insert(endless.end(), second, jpeg.end());
  JpegCodec codec;
  Image out;
  Expected<DecodeResult> result = codec.Decode(endless, "endless.jpg", 12, 9, out);
  EXPECT_NE(result.message().find("500 scans"), std::string::npos) << result.message();
  EXPECT_NE(result.message().find("endless.jpg"), std::string::npos) << result.message();
  EXPECT_TRUE(out.empty());

  Bytes broken = jpeg;
  broken[test::FindMarker(broken, 0xC4) + 4] = 0xFF;  // a table class libjpeg refuses
  result = codec.Decode(broken, "broken.jpg", 12, 9, out);
  EXPECT_EQ(result.message().rfind("Invalid JPEG: ", 0), 0u) << result.message();
  EXPECT_TRUE(out.empty());
  EXPECT_TRUE(codec.Decode(jpeg, "p.jpg", 12, 9, out).ok());
}

}  // namespace
}  // namespace vr
