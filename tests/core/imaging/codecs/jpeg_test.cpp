// JPEG: colour spaces the encoder never writes (grey, CMYK with and without
// Adobe's marker) against TurboJPEG's own samples, the scale the decoder
// shrinks to, shrunk progressive decodes reading only the scans they need,
// what the encoder's quality decides, and the EXIF orientation read from
// hostile metadata.
#include <gtest/gtest.h>

#include "core/imaging/codecs/codec_files.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/jpeg_scans.h"

namespace vr {
namespace {

using namespace test;

Expected<DecodeResult> Decode(const Bytes& jpeg, Image& out, int target_width = 0, int target_height = 0) {
  JpegCodec codec;
  return codec.Decode(jpeg, "t.jpg", target_width, target_height, out);
}

// TurboJPEG's own decode of the samples as stored, at 1/d.
Bytes Samples(const Bytes& jpeg, int width, int height, int pixel_format, int d = 1) {
  Bytes out(static_cast<std::size_t>((width + d - 1) / d) * ((height + d - 1) / d) *
            tjPixelSize[pixel_format]);
  tjhandle handle = tjInitDecompress();
  EXPECT_EQ(tjDecompress2(handle, jpeg.data(), jpeg.size(), out.data(), (width + d - 1) / d, 0,
                          (height + d - 1) / d, pixel_format, 0),
            0);
  tjDestroy(handle);
  return out;
}

// Grey becomes opaque RGB of the same level; CMYK channels are the nearest
// level to the product of their ink's and black's whiteness. Adobe's files
// (with an APP14 marker) store whiteness, 255 for no ink; others store ink.
TEST(JpegDecode, GreyAndCmykBecomeOpaqueRgbOfTheStoredSamples) {
  Image photo = MakeDetailedPhoto(48, 32, 3), decoded;
  Bytes grey;
  for (std::size_t i = 0; i < photo.pixels.size(); i += 4)  // the grey, and a black channel
    grey.push_back(photo.pixels[i]),
        photo.pixels[i + 3] = std::uint8_t(photo.pixels[i] ^ photo.pixels[i + 2]);
  const Bytes grey_jpeg = CompressJpeg(grey.data(), 48, 32, TJPF_GRAY, TJSAMP_GRAY),
              stored_grey = Samples(grey_jpeg, 48, 32, TJPF_GRAY);
  ASSERT_TRUE(Decode(grey_jpeg, decoded).ok());
  for (std::size_t i = 0; i < stored_grey.size(); ++i)
    ASSERT_EQ(PixelAt(decoded, int(i % 48), int(i / 48)),
              (Rgba{stored_grey[i], stored_grey[i], stored_grey[i], 255}));
  const Bytes adobe =
      CompressJpeg(photo.pixels.data(), 48, 32, TJPF_CMYK, TJSAMP_444, TJFLAG_ACCURATEDCT, 95);
  Bytes plain = adobe;
  const std::size_t app14 = FindMarker(plain, 0xEE);
  ASSERT_LT(app14, plain.size());
  plain.erase(
      plain.begin() + static_cast<std::ptrdiff_t>(app14),
      plain.begin() + static_cast<std::ptrdiff_t>(app14 + 2 + (plain[app14 + 2] << 8 | plain[app14 + 3])));
  for (const auto& [jpeg, inverted] : {std::pair{adobe, true}, {plain, false}}) {
    const Bytes stored = Samples(jpeg, 48, 32, TJPF_CMYK);
    ASSERT_TRUE(Decode(jpeg, decoded).ok());
    for (std::size_t i = 0; i < stored.size(); ++i) {
      const int white = inverted ? stored[i] : 255 - stored[i],
                white_k = inverted ? stored[i | 3] : 255 - stored[i | 3];
      ASSERT_LE(std::abs(255 * decoded.pixels[i] - (i % 4 == 3 ? 255 * 255 : white * white_k)), 127)
          << inverted << i;
    }
  }
}

// The largest DCT scale whose rounded-up sides still leave twice the target
// at 1/8 and two and a half times at 1/4 and 1/2.
TEST(JpegScale, LeavesRoomForTheFilter) {
  const std::array<int, 5> cases[] = {
      {6000, 4000, 300, 200, 8}, {4799, 3199, 300, 200, 8},  // ceil rounds 599.9 up to 600
      {4792, 3200, 300, 200, 4},                             // 599 wide at 1/8: one short
      {3000, 2000, 300, 200, 4}, {2996, 2000, 300, 200, 2},  // 750 wide at 1/4 is 2.5x, 749 is not
      {2560, 1600, 300, 188, 2},                             // 2.13x at 1/4 is too little
      {6000, 1000, 300, 200, 2},                             // the height decides
      {1498, 1000, 300, 200, 1},                             // 750 wide at 1/2 needs 1499
      {6000, 4000, 0, 0, 1},                                 // no target: the full picture
      {6000, 4000, -5, 200, 1},  {100, 100, 300, 200, 1}};   // enlarging
  for (const auto& [w, h, tw, th, d] : cases)
    EXPECT_EQ(JpegScaleDenominator(w, h, tw, th), d) << w << "x" << h;
}

// A progressive picture whose sides are no multiple of 8, by libjpeg's
// standard script through TurboJPEG.
constexpr int kWidth = 203, kHeight = 141;

Bytes ProgressiveJpeg(int subsampling) {
  const Image photo = MakeDetailedPhoto(kWidth, kHeight, 7);
  return CompressJpeg(photo.pixels.data(), kWidth, kHeight, TJPF_RGBA, subsampling, TJFLAG_PROGRESSIVE);
}

// A target whose DCT scale is d: as large as that scale leaves room for.
Expected<DecodeResult> DecodeAt(const Bytes& jpeg, int d, Image& out) {
  auto target = [d](int side) { return d == 8 ? (side + 7) / 8 / 2 : (side + d - 1) / d * 2 / 5; };
  return Decode(jpeg, out, target(kWidth), target(kHeight));
}

class ProgressiveShrink : public testing::TestWithParam<std::tuple<int, int>> {};  // subsampling, scale

// Exactly TurboJPEG's decode of every scan. The standard script refines every
// AC coefficient last, which the reduced transforms at 1/4 and 1/2 all read;
// at 1/8 only the DC scans are needed.
TEST_P(ProgressiveShrink, MatchesADecodeOfEveryScanReadingOnlyTheScansNeeded) {
  const auto [subsampling, d] = GetParam();
  const Bytes jpeg = ProgressiveJpeg(subsampling);
  Image shrunk;
  Expected<DecodeResult> result = DecodeAt(jpeg, d, shrunk);
  ASSERT_TRUE(result.ok() && !result->warning.damaged() && result->shrink == d) << result.message();
  EXPECT_EQ(shrunk.pixels, Samples(jpeg, kWidth, kHeight, TJPF_RGBA, d));
  const ScanDecode scans =
      DecodeProgressiveShrunk(jpeg, d, false, shrunk.pixels.data(), shrunk.width, shrunk.height);
  ASSERT_TRUE(scans.ok) << scans.reason;
  int total = 0;
  while (FindMarker(jpeg, 0xDA, total) < jpeg.size()) ++total;
  EXPECT_EQ(scans.scans_read < total, d == 8) << scans.scans_read << " of " << total;
}

INSTANTIATE_TEST_SUITE_P(SubsamplingsAndScales, ProgressiveShrink,
                         testing::Combine(testing::Values(TJSAMP_420, TJSAMP_444, TJSAMP_GRAY),
                                          testing::Values(2, 4, 8)));

// Only data lost before the scans needed is damage; the full picture needs
// every scan.
TEST(ProgressiveShrinkDamage, OnlyDataLostBeforeTheScansNeededIsDamage) {
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  auto cut_in_scan = [&](int scan) {
    return Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(FindMarker(jpeg, 0xDA, scan) + 40));
  };
  Image shrunk, full;
  Expected<DecodeResult> result = DecodeAt(cut_in_scan(8), 8, shrunk);
  ASSERT_TRUE(result.ok() && !result->warning.damaged()) << result.message();
  EXPECT_EQ(shrunk.pixels, Samples(jpeg, kWidth, kHeight, TJPF_RGBA, 8));
  result = Decode(cut_in_scan(8), full);
  EXPECT_TRUE(result.ok() && result->warning.damaged()) << result.message();
  result = DecodeAt(cut_in_scan(1), 8, shrunk);
  EXPECT_TRUE(result.ok() && result->warning.damaged() && shrunk.width == (kWidth + 7) / 8)
      << result.message();
}

// The first scan repeated 600 times before the rest: libjpeg only warns
// about the repeats, the scan limit stops the file, and the failure does not
// stick.
TEST(ProgressiveShrinkDamage, EndlessScansFailByName) {
  const Bytes jpeg = ProgressiveJpeg(TJSAMP_444);
  const auto first = jpeg.begin() + static_cast<std::ptrdiff_t>(FindMarker(jpeg, 0xDA, 0));
  const auto second = jpeg.begin() + static_cast<std::ptrdiff_t>(FindMarker(jpeg, 0xDA, 1));
  Bytes endless(jpeg.begin(), second);
  for (int i = 0; i < 600; ++i) endless.insert(endless.end(), first, second);
  endless.insert(endless.end(), second, jpeg.end());
  JpegCodec codec;
  Image out;
  Expected<DecodeResult> result = codec.Decode(endless, "endless.jpg", 12, 9, out);
  EXPECT_TRUE(result.message().find("500 scans in endless.jpg") != std::string::npos && out.empty());
  EXPECT_TRUE(codec.Decode(jpeg, "p.jpg", 12, 9, out).ok());
}

// Qualities are held to 1..100 and decide the size; from 90 up colour keeps
// its full resolution.
TEST(JpegEncode, QualityIsHeldToItsRangeAndFullChromaStartsAt90) {
  const Image image = MakeDetailedPhoto(64, 64);
  JpegCodec codec;
  auto encoded = [&](int quality) {
    Bytes out;
    EXPECT_TRUE(codec.Encode(image, quality, out, "q.jpg").ok());
    return out;
  };
  EXPECT_EQ(encoded(-20), encoded(1));
  EXPECT_EQ(encoded(250), encoded(100));
  EXPECT_LT(encoded(1).size() * 4, encoded(100).size());
  tjhandle handle = tjInitDecompress();
  for (int quality : {1, 89, 90, 100}) {
    const Bytes jpeg = encoded(quality);
    int width = 0, height = 0, subsampling = -1, colorspace = -1;
    tjDecompressHeader3(handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling, &colorspace);
    EXPECT_EQ(subsampling, quality >= 90 ? TJSAMP_444 : TJSAMP_420) << quality;
  }
  tjDestroy(handle);
}

// ---- EXIF orientation ------------------------------------------------------------

// TIFF-structured blocks in either byte order.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool big_endian) : big_(big_endian) {
    bytes_ = big_ ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
  }
  TiffBuilder& U16(std::uint32_t v) {
    bytes_.insert(bytes_.end(), {std::uint8_t(v >> (big_ ? 8 : 0)), std::uint8_t(v >> (big_ ? 0 : 8))});
    return *this;
  }
  TiffBuilder& U32(std::uint32_t v) { return big_ ? U16(v >> 16).U16(v) : U16(v).U16(v >> 16); }
  // One directory entry whose value fits in the entry (a SHORT left-aligned).
  TiffBuilder& Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint16_t value) {
    return U16(tag).U16(type).U32(count).U16(value).U16(0);
  }
  Bytes bytes_;

 private:
  bool big_;
};

constexpr std::uint16_t kOrientation = 0x0112, kShort = 3;

// IFD0 right after the header with a Make-like entry first, so the reader
// has to step over entries.
Bytes ExifBlock(bool big, std::uint16_t value) {
  return TiffBuilder(big)
      .U32(8)
      .U16(2)
      .Entry(0x010F, 2, 2, 'A')
      .Entry(kOrientation, kShort, 1, value)
      .U32(0)
      .bytes_;
}

Bytes Segment(std::uint8_t marker, const Bytes& payload) {
  Bytes out = {0xFF, marker, static_cast<std::uint8_t>((payload.size() + 2) >> 8),
               static_cast<std::uint8_t>(payload.size() + 2)};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes App1Exif(const Bytes& tiff) {
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return Segment(0xE1, payload);
}

// SOI, the given segments, then a start of scan and EOI.
Bytes WithSegments(const std::vector<Bytes>& segments) {
  Bytes out = {0xFF, 0xD8};
  for (const Bytes& s : segments) out.insert(out.end(), s.begin(), s.end());
  out.insert(out.end(), {0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9});
  return out;
}

// Every value in either byte order, read straight after SOI and behind
// other segments and a fill byte. Every prefix reads as 1 until the whole
// segment (SOI, marker and length, "Exif\0\0", 38 bytes of TIFF) is there;
// nothing outside the bytes given is read (checked under the sanitizers).
TEST(ExifOrientation, ReadsTheTagFromApp1InBothByteOrdersOnceItIsWhole) {
  const std::string xmp = "http://ns.adobe.com/xap/1.0/";
  const Bytes jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  for (bool big_endian : {false, true}) {
    for (std::uint16_t orientation = 1; orientation <= 8; ++orientation) {
      const Bytes exif = App1Exif(ExifBlock(big_endian, orientation));
      EXPECT_EQ(ReadExifOrientation(WithSegments({exif})), orientation);
      Bytes behind = WithSegments({jfif, Segment(0xE1, Bytes(xmp.begin(), xmp.end())), exif});
      behind.insert(behind.begin() + 2, 0xFF);
      EXPECT_EQ(ReadExifOrientation(behind), orientation);
    }
    const Bytes jpeg = WithSegments({App1Exif(ExifBlock(big_endian, 6))});
    for (std::size_t n = 0; n <= jpeg.size(); ++n)
      EXPECT_EQ(ReadExifOrientation(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(n))),
                n < 2 + 4 + 6 + 38 ? 1 : 6)
          << n;
  }
}

// Hostile metadata gives 1, the upright picture.
TEST(ExifOrientation, MalformedMetadataGivesOne) {
  auto exif_of = [](const TiffBuilder& tiff) { return WithSegments({App1Exif(tiff.bytes_)}); };
  const TiffBuilder little(false), big(true);
  Bytes mixed_order = ExifBlock(false, 6), cut = ExifBlock(true, 6),
        long_segment = App1Exif(ExifBlock(false, 6));
  mixed_order[1] = 'M';        // "IM"
  cut.resize(8 + 2 + 12 + 6);  // in the middle of the orientation entry
  long_segment[2] = 0x7F;      // a length past the end of the file
  long_segment.insert(long_segment.begin(), {0xFF, 0xD8});
  Bytes after_scan = WithSegments({});  // metadata after the start of scan is entropy data
  const Bytes exif = App1Exif(ExifBlock(false, 6));
  after_scan.insert(after_scan.end() - 2, exif.begin(), exif.end());
  const Bytes cases[] = {
      // A directory claiming 65535 entries where there is room for one.
      exif_of(TiffBuilder(little).U32(8).U16(0xFFFF).Entry(kOrientation, kShort, 1, 6)),
      exif_of(TiffBuilder(big).U32(0xFFFFFFF0).U16(1).Entry(kOrientation, kShort, 1, 6)),
      // IFD0 pointing back at the header: its "count" would be the byte order mark.
      exif_of(TiffBuilder(little).U32(0).Entry(kOrientation, kShort, 1, 6)),
      // A next-directory link pointing at itself, with no orientation: not followed round and round.
      exif_of(TiffBuilder(little).U32(8).U16(1).Entry(0x010F, 2, 2, 'A').U32(8)),
      exif_of(TiffBuilder(little).U32(8).U16(1).Entry(kOrientation, kShort, 0xFFFFFFFF, 6).U32(0)),
      exif_of(TiffBuilder(big).U32(8).U16(1).Entry(kOrientation, kShort, 1, 9)),
      WithSegments({App1Exif(mixed_order)}), WithSegments({App1Exif(cut)}), long_segment,
      // A length below 2 would make a walker stand still.
      WithSegments({Bytes{0xFF, 0xE0, 0x00, 0x00}, exif}), after_scan,
      exif,  // no SOI
      Bytes{}};
  for (const Bytes& jpeg : cases) EXPECT_EQ(ReadExifOrientation(jpeg), 1) << &jpeg - cases;
}

}  // namespace
}  // namespace vr
