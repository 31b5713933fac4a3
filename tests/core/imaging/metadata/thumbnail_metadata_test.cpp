// What a thumbnail keeps of its source's metadata, through the engine as a
// row renders it: a camera's EXIF (copyright, date, orientation 6, an
// embedded thumbnail, a GPS position), XMP, IPTC and comments, from JPEG
// and PNG sources into JPEG, PNG and BMP thumbnails, under each mode. The
// outputs are searched byte by byte, so nothing left anywhere in a file
// goes unseen.
#include <gtest/gtest.h>

#include "base/file_bytes.h"
#include "core/imaging/metadata/metadata_files.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/engine.h"
#include "imaging/format_codes.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/metadata/jpeg_segments.h"
#include "imaging/metadata/metadata_reader.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using test::Bytes;
using test::Contains;

constexpr std::string_view kXmpMark = "xmp-marker-Lindqvist-portfolio";
constexpr std::string_view kComment = "Shot for the harbour festival";
constexpr std::string_view kCaption = "Boats at dawn";  // IPTC caption

std::string Xmp() {
  return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
         "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
         "<rdf:Description rdf:about=\"\" xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\""
         " xmlns:exif=\"http://ns.adobe.com/exif/1.0/\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\""
         " tiff:Orientation=\"6\" exif:GPSLatitude=\"59,19.4N\">\n"
         "<exif:GPSLongitude>18,4.1E</exif:GPSLongitude>\n<dc:source>" +
         std::string(kXmpMark) + "</dc:source></rdf:Description></rdf:RDF></x:xmpmeta>";
}

// Photoshop resources: a thumbnail resource (0x040C), which must go, and
// the IPTC record with a caption (2:120).
Bytes PhotoshopResources() {
  Bytes out;
  const auto resource = [&](std::uint16_t id, const Bytes& data) {
    out.insert(out.end(), {'8', 'B', 'I', 'M', std::uint8_t(id >> 8), std::uint8_t(id), 0, 0, 0, 0,
                           std::uint8_t(data.size() >> 8), std::uint8_t(data.size())});
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) out.push_back(0);
  };
  resource(0x040C, test::ToBytes("PHOTOSHOP-THUMBNAIL"));
  Bytes iptc = {0x1C, 2, 120, 0, std::uint8_t(kCaption.size())};
  iptc.insert(iptc.end(), kCaption.begin(), kCaption.end());
  resource(0x0404, iptc);
  return out;
}

Bytes CameraJpeg(bool big_endian) {
  using namespace test;
  return JpegWith(
      {MakeSegment(0xE1, kExifPrefix, CameraExif(big_endian, 6)),
       MakeSegment(0xE1, kXmpPrefix, ToBytes(Xmp())),
       MakeSegment(0xED, kPhotoshopPrefix, PhotoshopResources()), MakeSegment(0xFE, "", ToBytes(kComment))},
      80, 60);
}

Bytes CameraPng() {
  using namespace test;
  return PngWith(
      {MakeChunk("eXIf", CameraExif(true, 6)), TextChunk("iTXt", "XML:com.adobe.xmp", Xmp(), true)},
      {TextChunk("tEXt", "Comment", kComment)}, 80, 60);
}

class ThumbnailMetadataTest : public testing::Test {
 protected:
  // The thumbnail of `source` (20 x 15 upright: the source is 80 x 60 turned
  // a quarter) in `format` under `mode`.
  Bytes Thumbnail(const Bytes& source, int format, MetadataMode mode) {
    const std::string path = folder_.File("source");
    test::WriteTextFile(path, std::string(source.begin(), source.end()));
    Engine engine;
    engine.SetMetadataMode(mode);
    Bytes out;
    EXPECT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok());
    EXPECT_TRUE(engine.Resample(15, 20).ok());
    EXPECT_TRUE(engine.Encode(format, out, "thumb").ok());
    return out;
  }

  test::TempFolder folder_;
};

struct Source {
  const char* name;
  Bytes bytes;
};

std::vector<Source> Sources() {
  return {{"JPEG, little-endian EXIF", CameraJpeg(false)},
          {"JPEG, big-endian EXIF", CameraJpeg(true)},
          {"PNG", CameraPng()}};
}

// Keep: copyright, date, XMP and comments stay; orientation 1, the
// thumbnail's size, no embedded thumbnail. Without location the same,
// minus the GPS directory and XMP's GPS properties.
TEST_F(ThumbnailMetadataTest, KeepMakesTheExifTrueOfTheThumbnailAndNoLocationDropsOnlyThePosition) {
  for (const Source& source : Sources()) {
    for (const int format : {kFormatJpeg, kFormatPng}) {
      for (const MetadataMode mode : {MetadataMode::kKeep, MetadataMode::kKeepButLocation}) {
        SCOPED_TRACE(std::string(source.name) + (format == kFormatJpeg ? " to JPEG" : " to PNG") +
                     (mode == MetadataMode::kKeep ? ", keep" : ", no location"));
        const Bytes out = Thumbnail(source.bytes, format, mode);
        const PictureMetadata kept = ReadPictureMetadata(out);
        ASSERT_FALSE(kept.exif.empty());
        EXPECT_TRUE(Contains(kept.exif, test::kCopyright));
        EXPECT_TRUE(Contains(kept.exif, test::kTakenAt));
        EXPECT_EQ(FindTiffOrientation(kept.exif), 1);
        EXPECT_FALSE(Contains(out, test::kThumbnailPixels));
        const std::optional<ExifBlock> block = ParseExifBlock(kept.exif);
        ASSERT_TRUE(block && block->exif);
        for (const auto& [directory, tag, size] : {std::tuple{&*block->exif, 0xA002, 15},
                                                   {&*block->exif, 0xA003, 20},
                                                   {&block->ifd0, 0x0100, 15},
                                                   {&block->ifd0, 0x0101, 20}}) {
          const ExifEntry* entry = FindExifEntry(*directory, static_cast<std::uint16_t>(tag));
          ASSERT_NE(entry, nullptr) << tag;
          const Bytes& v = entry->value;
          EXPECT_EQ(block->big_endian ? v[3] : v[0], size) << tag;
        }
        EXPECT_NE(kept.xmp.find(kXmpMark), std::string::npos);
        EXPECT_NE(kept.xmp.find("tiff:Orientation=\"1\""), std::string::npos);
        EXPECT_EQ(kept.comments, std::vector<std::string>{std::string(kComment)});
        const bool location = mode == MetadataMode::kKeep;
        EXPECT_EQ(Contains(out, test::kGpsDatum), location);
        EXPECT_EQ(block->gps.has_value(), location);
        EXPECT_EQ(kept.xmp.find("GPSLatitude") != std::string::npos, location);
        EXPECT_EQ(kept.xmp.find("GPSLongitude") != std::string::npos, location);
        // IPTC only where the source and the output can hold it.
        const bool iptc = format == kFormatJpeg && source.bytes[0] == 0xFF;
        EXPECT_EQ(Contains(out, kCaption), iptc);
        EXPECT_FALSE(Contains(out, "PHOTOSHOP-THUMBNAIL"));
      }
    }
  }
}

// Strip writes exactly what the encoder writes, and BMP never holds any.
TEST_F(ThumbnailMetadataTest, StripAndBmpLeaveNoMetadataAnywhere) {
  for (const Source& source : Sources()) {
    for (const auto& [format, mode] : {std::pair{kFormatJpeg, MetadataMode::kStrip},
                                       {kFormatPng, MetadataMode::kStrip},
                                       {kFormatBmp, MetadataMode::kKeep}}) {
      SCOPED_TRACE(std::string(source.name) + " as format " + std::to_string(format));
      const Bytes out = Thumbnail(source.bytes, format, mode);
      for (std::string_view mark :
           {std::string_view("Exif"), test::kCopyright, test::kTakenAt, test::kGpsDatum, kXmpMark,
            std::string_view("adobe"), kComment, kCaption, std::string_view("8BIM"), std::string_view("eXIf"),
            std::string_view("iTXt"), std::string_view("tEXt")})
        EXPECT_FALSE(Contains(out, mark)) << mark;
      if (format == kFormatJpeg) {
        for (const JpegSegment& segment : JpegHeaderSegments(out))
          EXPECT_TRUE(segment.marker < 0xE1 || segment.marker > 0xEF) << int(segment.marker);
      }
    }
  }
}

// Strip writes what the encoder alone writes: a camera file gives the same
// bytes as the same pixels with only their orientation, and keep adds
// nothing where there is nothing to keep.
TEST_F(ThumbnailMetadataTest, StripGivesTheBytesOfASourceWithoutMetadata) {
  using namespace test;
  const Bytes turned_only = JpegWith({MakeSegment(0xE1, kExifPrefix, OrientationExif(false, 6))}, 80, 60);
  const Bytes bare = JpegWith({}, 80, 60);
  for (const int format : {kFormatJpeg, kFormatPng}) {
    EXPECT_EQ(Thumbnail(CameraJpeg(false), format, MetadataMode::kStrip),
              Thumbnail(turned_only, format, MetadataMode::kStrip));
    EXPECT_EQ(Thumbnail(bare, format, MetadataMode::kKeep), Thumbnail(bare, format, MetadataMode::kStrip));
  }
}

// Comments that are not ASCII and XMP without EXIF go through both formats.
TEST_F(ThumbnailMetadataTest, XmpAndCommentsRoundTripThroughJpegAndPng) {
  using namespace test;
  const std::string utf8_comment = "Fj\xC3\xA4rden i gryningen";
  const std::string xmp = XmpAttribute(1);
  const struct {
    const char* name;
    Bytes bytes;
  } sources[] = {
      {"JPEG",
       JpegWith({MakeSegment(0xE1, kXmpPrefix, ToBytes(xmp)), MakeSegment(0xFE, "", ToBytes(utf8_comment)),
                 MakeSegment(0xFE, "", ToBytes("second"))})},
      {"PNG", PngWith({TextChunk("iTXt", "XML:com.adobe.xmp", xmp),
                       TextChunk("iTXt", "Comment", utf8_comment, true)},
                      {TextChunk("zTXt", "Comment", "second")})},
      {"PNG, Latin-1 comment", PngWith({TextChunk("iTXt", "XML:com.adobe.xmp", xmp),
                                        TextChunk("tEXt", "Comment", "Fj\xE4rden i gryningen"),
                                        TextChunk("tEXt", "Comment", "second")})},
  };
  for (const auto& source : sources) {
    for (const int format : {kFormatJpeg, kFormatPng}) {
      SCOPED_TRACE(std::string(source.name) + " as format " + std::to_string(format));
      const PictureMetadata kept = ReadPictureMetadata(Thumbnail(source.bytes, format, MetadataMode::kKeep));
      EXPECT_EQ(kept.xmp, xmp);
      EXPECT_EQ(kept.comments, (std::vector<std::string>{utf8_comment, "second"}));
      EXPECT_TRUE(kept.exif.empty());
    }
  }
}

}  // namespace
}  // namespace vr
