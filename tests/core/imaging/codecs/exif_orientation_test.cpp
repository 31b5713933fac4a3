#include "imaging/codecs/exif_orientation.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Builds TIFF-structured blocks in either byte order.
class TiffBuilder {
 public:
  explicit TiffBuilder(bool big_endian) : big_endian_(big_endian) {
    bytes_ = big_endian ? Bytes{'M', 'M'} : Bytes{'I', 'I'};
    U16(42);
  }
  TiffBuilder& U16(std::uint32_t v) {
    bytes_.insert(bytes_.end(),
                  {std::uint8_t(v >> (big_endian_ ? 8 : 0)), std::uint8_t(v >> (big_endian_ ? 0 : 8))});
    return *this;
  }
  TiffBuilder& U32(std::uint32_t v) { return big_endian_ ? U16(v >> 16).U16(v) : U16(v).U16(v >> 16); }
  // One directory entry whose value fits in the entry (a SHORT left-aligned).
  TiffBuilder& Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint16_t value) {
    return U16(tag).U16(type).U32(count).U16(value).U16(0);
  }
  Bytes bytes() const { return bytes_; }

 private:
  bool big_endian_;
  Bytes bytes_;
};

constexpr std::uint16_t kOrientation = 0x0112;
constexpr std::uint16_t kShort = 3;

// IFD0 right after the header with a Make-like entry first, so the reader
// has to step over entries.
Bytes ExifBlock(bool big_endian, std::uint16_t orientation) {
  return TiffBuilder(big_endian)
      .U32(8)
      .U16(2)
      .Entry(0x010F, 2, 2, 'A')
      .Entry(kOrientation, kShort, 1, orientation)
      .U32(0)
      .bytes();
}

Bytes Segment(std::uint8_t marker, const Bytes& payload) {
  const std::size_t length = payload.size() + 2;
  Bytes out = {0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes App1Exif(const Bytes& tiff) {
  Bytes payload = {'E', 'x', 'i', 'f', 0, 0};
  payload.insert(payload.end(), tiff.begin(), tiff.end());
  return Segment(0xE1, payload);
}

// SOI, the given segments, then a start of scan and EOI.
Bytes Jpeg(const std::vector<Bytes>& segments) {
  Bytes out = {0xFF, 0xD8};
  for (const Bytes& s : segments) out.insert(out.end(), s.begin(), s.end());
  const Bytes tail = {0xFF, 0xDA, 0x00, 0x02, 0x12, 0x34, 0xFF, 0xD9};
  out.insert(out.end(), tail.begin(), tail.end());
  return out;
}

// Every value in either byte order, read straight after SOI and behind
// other segments and a fill byte.
TEST(ExifOrientation, ReadsTheTagFromApp1InBothByteOrders) {
  const std::string xmp = "http://ns.adobe.com/xap/1.0/";
  const Bytes jfif = Segment(0xE0, {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0});
  const Bytes xmp_app1 = Segment(0xE1, Bytes(xmp.begin(), xmp.end()));
  for (bool big_endian : {false, true})
    for (std::uint16_t orientation = 1; orientation <= 8; ++orientation) {
      const Bytes exif = App1Exif(ExifBlock(big_endian, orientation));
      EXPECT_EQ(ReadExifOrientation(Jpeg({exif})), orientation);
      Bytes behind = Jpeg({jfif, xmp_app1, exif});
      behind.insert(behind.begin() + 2, 0xFF);
      EXPECT_EQ(ReadExifOrientation(behind), orientation);
    }
}

struct MalformedCase {
  const char* name;
  Bytes jpeg;
};

class MalformedExifTest : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedExifTest, GivesOne) { EXPECT_EQ(ReadExifOrientation(GetParam().jpeg), 1); }

Bytes WithTiff(const TiffBuilder& tiff) { return Jpeg({App1Exif(tiff.bytes())}); }

std::vector<MalformedCase> MalformedCases() {
  std::vector<MalformedCase> cases;
  // A directory claiming 65535 entries where there is room for one.
  cases.push_back({"EntryCountOverflow",
                   WithTiff(TiffBuilder(false).U32(8).U16(0xFFFF).Entry(kOrientation, kShort, 1, 6))});
  cases.push_back({"IfdOffsetPastEnd",
                   WithTiff(TiffBuilder(true).U32(0xFFFFFFF0).U16(1).Entry(kOrientation, kShort, 1, 6))});
  // IFD0 pointing back at the header: its "count" would be the byte order mark.
  cases.push_back(
      {"IfdOffsetIntoHeader", WithTiff(TiffBuilder(false).U32(0).Entry(kOrientation, kShort, 1, 6))});
  // IFD0 whose next-directory link points at itself, with no orientation:
  // the reader must not follow it round and round.
  cases.push_back({"SelfLoop", WithTiff(TiffBuilder(false).U32(8).U16(1).Entry(0x010F, 2, 2, 'A').U32(8))});
  cases.push_back(
      {"HugeValueCount",
       WithTiff(TiffBuilder(false).U32(8).U16(1).Entry(kOrientation, kShort, 0xFFFFFFFF, 6).U32(0))});
  cases.push_back(
      {"WrongType", WithTiff(TiffBuilder(true).U32(8).U16(1).Entry(kOrientation, 4, 1, 6).U32(0))});
  cases.push_back(
      {"ValueZero", WithTiff(TiffBuilder(false).U32(8).U16(1).Entry(kOrientation, kShort, 1, 0))});
  cases.push_back({"ValueNine", WithTiff(TiffBuilder(true).U32(8).U16(1).Entry(kOrientation, kShort, 1, 9))});
  cases.push_back({"BadMagic", WithTiff(TiffBuilder(false).U16(43).U32(8))});
  Bytes mixed_order = ExifBlock(false, 6);
  mixed_order[1] = 'M';  // "IM"
  cases.push_back({"BadByteOrder", Jpeg({App1Exif(mixed_order)})});
  // The TIFF block cut in the middle of the orientation entry.
  Bytes cut = ExifBlock(true, 6);
  cut.resize(8 + 2 + 12 + 6);
  cases.push_back({"TruncatedEntry", Jpeg({App1Exif(cut)})});
  // The segment length runs past the end of the file.
  Bytes long_segment = App1Exif(ExifBlock(false, 6));
  long_segment[2] = 0x7F;
  cases.push_back({"SegmentPastEnd", Bytes{0xFF, 0xD8}});
  cases.back().jpeg.insert(cases.back().jpeg.end(), long_segment.begin(), long_segment.end());
  // A length below 2 would make a walker stand still.
  cases.push_back(
      {"SegmentLengthZero", Jpeg({Bytes{0xFF, 0xE0, 0x00, 0x00}, App1Exif(ExifBlock(false, 6))})});
  // Metadata after the start of scan is part of the entropy data.
  Bytes after_scan = Jpeg({});
  const Bytes exif = App1Exif(ExifBlock(false, 6));
  after_scan.insert(after_scan.end() - 2, exif.begin(), exif.end());
  cases.push_back({"AfterStartOfScan", after_scan});
  cases.push_back({"WrongPrefix", Jpeg({Segment(0xE1, {'E', 'x', 'i', 'f', 0, 1, 'I', 'I', 42, 0})})});
  cases.push_back({"NoSoi", App1Exif(ExifBlock(false, 6))});
  cases.push_back({"Empty", Bytes{}});
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Hostile, MalformedExifTest, testing::ValuesIn(MalformedCases()),
                         [](const testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

// Every prefix of a valid file reads as 1 until the whole segment (SOI,
// marker and length, "Exif\0\0", 38 bytes of TIFF) is there, then as the
// tag; nothing outside the bytes given is read (checked under the sanitizers).
TEST(ExifOrientationTruncation, EveryPrefixIsSafe) {
  for (bool big_endian : {false, true}) {
    const Bytes jpeg = Jpeg({App1Exif(ExifBlock(big_endian, 6))});
    for (std::size_t n = 0; n <= jpeg.size(); ++n)
      EXPECT_EQ(ReadExifOrientation(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(n))),
                n < 2 + 4 + 6 + 38 ? 1 : 6)
          << n;
  }
}

}  // namespace
}  // namespace vr
