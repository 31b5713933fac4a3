// The orientation from every place files keep it, through the header
// readers the engine and the planner use: one file per place and value,
// built here, plus the files that hold it twice (EXIF wins over XMP) or
// hold values outside 1..8 (ignored).
#include "imaging/metadata/orientation_sources.h"

#include <gtest/gtest.h>

#include <functional>

#include "core/imaging/codecs/codec_files.h"
#include "core/imaging/metadata/metadata_files.h"
#include "imaging/codec_dispatch.h"
#include "imaging/decode_footprint.h"

namespace vr {
namespace {

using test::Bytes;

Bytes PngExifProfile(std::string_view type, std::string_view keyword, int orientation, bool with_header,
                     bool compressed = false) {
  Bytes profile = with_header ? test::ToBytes(test::kExifPrefix) : Bytes();
  const Bytes exif = test::OrientationExif(false, static_cast<std::uint16_t>(orientation));
  profile.insert(profile.end(), exif.begin(), exif.end());
  return test::PngWith({test::TextChunk(type, keyword, test::RawProfile("exif", profile), compressed)});
}

struct Place {
  const char* name;
  std::function<Bytes(int)> file;
};

const std::vector<Place>& Places() {
  using namespace test;
  static const std::vector<Place> places = {
      {"JPEG APP1 Exif, little-endian",
       [](int o) { return JpegWith({MakeSegment(0xE1, kExifPrefix, OrientationExif(false, o))}); }},
      {"JPEG APP1 Exif, big-endian",
       [](int o) { return JpegWith({MakeSegment(0xE1, kExifPrefix, OrientationExif(true, o))}); }},
      {"JPEG APP1 XMP, attribute",
       [](int o) { return JpegWith({MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpAttribute(o)))}); }},
      {"JPEG APP1 XMP, element under its own prefix",
       [](int o) { return JpegWith({MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpElement(o)))}); }},
      {"PNG eXIf before the pixels",
       [](int o) { return PngWith({MakeChunk("eXIf", OrientationExif(true, o))}); }},
      {"PNG eXIf after the pixels",
       [](int o) { return PngWith({}, {MakeChunk("eXIf", OrientationExif(false, o))}); }},
      {"PNG tEXt raw profile exif",
       [](int o) { return PngExifProfile("tEXt", "Raw profile type exif", o, true); }},
      {"PNG zTXt raw profile exif",
       [](int o) { return PngExifProfile("zTXt", "Raw profile type exif", o, true); }},
      {"PNG zTXt raw profile without Exif header",
       [](int o) { return PngExifProfile("zTXt", "Raw profile type exif", o, false); }},
      {"PNG iTXt compressed raw profile APP1",
       [](int o) { return PngExifProfile("iTXt", "Raw profile type APP1", o, true, true); }},
      {"PNG iTXt XMP, attribute",
       [](int o) { return PngWith({TextChunk("iTXt", "XML:com.adobe.xmp", XmpAttribute(o))}); }},
      {"PNG iTXt XMP compressed, element, after the pixels",
       [](int o) { return PngWith({}, {TextChunk("iTXt", "XML:com.adobe.xmp", XmpElement(o), true)}); }},
      {"TIFF orientation tag",
       [](int o) {
         TiffLayout layout = RgbTiff(6, 4);
         layout.orientation = o;
         return WriteTiff(layout);
       }},
  };
  return places;
}

TEST(OrientationSources, EveryPlaceGivesEveryValueToTheHeaderReaders) {
  for (const Place& place : Places()) {
    for (int orientation = 1; orientation <= 8; ++orientation) {
      const Bytes file = place.file(orientation);
      Expected<ImageInfo> info = ReadImageInfo(file, "t");
      ASSERT_TRUE(info.ok()) << place.name << ": " << info.message();
      EXPECT_EQ(info->orientation, orientation) << place.name;
      // The planner reads the same from the start of the file.
      Expected<DecodeFootprint> footprint = ReadDecodeFootprint(file, "t");
      ASSERT_TRUE(footprint.ok()) << place.name;
      EXPECT_EQ(footprint->info.orientation, orientation) << place.name;
    }
  }
}

// A picture turned a quarter reports its sides swapped, wherever the
// orientation came from.
TEST(OrientationSources, AQuarterTurnSwapsTheUprightSides) {
  for (const Place& place : Places()) {
    Expected<ImageInfo> info = ReadImageInfo(place.file(6), "t");
    ASSERT_TRUE(info.ok()) << place.name;
    EXPECT_EQ(UprightSides(*info), (Sides{info->height, info->width})) << place.name;
  }
}

TEST(OrientationSources, ExifWinsOverXmpAndValuesOutsideOneToEightAreIgnored) {
  using namespace test;
  const Bytes exif6 = OrientationExif(false, 6), exif0 = OrientationExif(false, 0),
              exif9 = OrientationExif(true, 9);
  const Bytes no_tag = [] {
    ExifWriter w(false);
    return w.Finish(w.Directory({w.Ascii(0x8298, kCopyright)}));
  }();
  const struct {
    const char* name;
    Bytes file;
    int expected;
  } cases[] = {
      {"JPEG EXIF 6, XMP 3",
       JpegWith(
           {MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpAttribute(3))), MakeSegment(0xE1, kExifPrefix, exif6)}),
       6},
      {"JPEG EXIF 0, XMP 5",
       JpegWith(
           {MakeSegment(0xE1, kExifPrefix, exif0), MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpElement(5)))}),
       5},
      {"JPEG EXIF without the tag, XMP 8",
       JpegWith(
           {MakeSegment(0xE1, kExifPrefix, no_tag), MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpAttribute(8)))}),
       8},
      {"JPEG EXIF 9, XMP 0",
       JpegWith(
           {MakeSegment(0xE1, kExifPrefix, exif9), MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpAttribute(0)))}),
       1},
      {"JPEG XMP 12", JpegWith({MakeSegment(0xE1, kXmpPrefix, ToBytes(XmpAttribute(12)))}), 1},
      {"PNG XMP 2 first, eXIf 7 after the pixels",
       PngWith({TextChunk("iTXt", "XML:com.adobe.xmp", XmpAttribute(2))},
               {MakeChunk("eXIf", OrientationExif(false, 7))}),
       7},
      {"PNG eXIf 9, raw profile 4",
       PngWith({MakeChunk("eXIf", exif9),
                TextChunk("zTXt", "Raw profile type exif", RawProfile("exif", OrientationExif(false, 4)))}),
       4},
      {"PNG XMP under another keyword", PngWith({TextChunk("iTXt", "Comment", XmpAttribute(6))}), 1},
      {"PNG raw profile with a short count",
       PngWith({TextChunk("tEXt", "Raw profile type exif", "\nexif\n   900\n4d4d002a")}), 1},
  };
  for (const auto& c : cases) {
    Expected<ImageInfo> info = ReadImageInfo(c.file, "t");
    ASSERT_TRUE(info.ok()) << c.name;
    EXPECT_EQ(info->orientation, c.expected) << c.name;
  }
  EXPECT_EQ(DecideOrientation(std::nullopt, std::nullopt), 1);
  EXPECT_EQ(DecideOrientation(-3, 2), 2);
}

}  // namespace
}  // namespace vr
