// Metadata from files built to break its readers: offsets past the end,
// directories that point at themselves or each other, counts far beyond
// the bytes, values shared by thousands of entries, truncation at every
// length, broken XMP, PNG text and Photoshop resources. Nothing may crash
// or read outside the bytes (the sanitizer builds check that); a part that
// cannot be read safely is dropped, the rest kept.
#include <gtest/gtest.h>

#include "base/file_bytes.h"
#include "core/imaging/metadata/metadata_files.h"
#include "imaging/codecs/exif_orientation.h"
#include "imaging/engine.h"
#include "imaging/format_codes.h"
#include "imaging/metadata/exif_block.h"
#include "imaging/metadata/metadata_reader.h"
#include "imaging/metadata/png_chunks.h"
#include "imaging/metadata/thumbnail_metadata.h"
#include "imaging/metadata/xmp_packet.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using test::Bytes;
using test::ExifWriter;

// What a hostile block must come to once made into a thumbnail's.
enum class Outcome { kDropped, kKeptWithoutExifDirectory, kKeptWithExifDirectory };

struct HostileExif {
  const char* name;
  Bytes block;
  Outcome outcome;
};

std::vector<HostileExif> HostileBlocks() {
  std::vector<HostileExif> cases;
  {
    ExifWriter w(false);
    Bytes b = w.Finish(w.Directory({w.Ascii(0x8298, test::kCopyright)}));
    b[4] = 0xF0, b[5] = 0xFF, b[6] = 0xFF, b[7] = 0xFF;
    cases.push_back({"IFD0 past the end", b, Outcome::kDropped});
  }
  {
    ExifWriter w(true);
    cases.push_back({"Exif pointer past the end",
                     w.Finish(w.Directory({w.Ascii(0x8298, test::kCopyright), w.Long(0x8769, 0x7FFFFFF0)})),
                     Outcome::kKeptWithoutExifDirectory});
  }
  {
    ExifWriter w(false);
    // IFD0 lands right after the header: its Exif pointer is itself.
    cases.push_back({"Exif pointer back to IFD0",
                     w.Finish(w.Directory({w.Long(0x8769, 8), w.Long(0x8825, 8), w.Ascii(0x8298, "x")})),
                     Outcome::kKeptWithoutExifDirectory});
  }
  {
    ExifWriter w(false);
    // The Exif directory's Interoperability pointer leads back to it, and
    // GPS shares it: each directory is read once.
    const std::uint32_t exif_at = 8;
    const std::uint32_t exif = w.Directory({w.Long(0xA005, exif_at), w.Ascii(0x9003, test::kTakenAt)});
    cases.push_back(
        {"directories pointing at each other",
         w.Finish(w.Directory({w.Long(0x8769, exif), w.Long(0x8825, exif), w.Short(0x0112, 6)}, 8)),
         Outcome::kKeptWithExifDirectory});
  }
  {
    ExifWriter w(false);
    cases.push_back(
        {"counts far beyond the bytes",
         w.Finish(w.Directory({test::Field{0x010E, 2, 0xFFFFFFFF, w.U32(8)},
                               test::Field{0x8298, 4, 0x40000001, w.U32(8)}, w.Short(0x0112, 3)})),
         Outcome::kKeptWithoutExifDirectory});
  }
  {
    ExifWriter w(true);
    cases.push_back({"unknown types and an empty entry",
                     w.Finish(w.Directory({test::Field{0x010E, 99, 4, w.U32(0)},
                                           test::Field{0x010F, 2, 0, {}}, w.Short(0x0112, 8)})),
                     Outcome::kKeptWithoutExifDirectory});
  }
  {
    // Thousands of entries sharing one 30000-byte value would multiply it.
    ExifWriter w(false);
    const std::uint32_t shared = w.Data(Bytes(30000, 0x41));
    std::vector<test::Field> fields;
    for (std::uint16_t tag = 1; tag <= 3000; ++tag) fields.push_back({tag, 7, 30000, w.U32(shared)});
    cases.push_back({"one value shared by 3000 entries", w.Finish(w.Directory(fields)),
                     Outcome::kKeptWithoutExifDirectory});
  }
  {
    ExifWriter w(false);
    Bytes b = w.Finish(w.Directory({w.Short(0x0112, 6)}));
    b[8] = 0xFF, b[9] = 0xFF;  // 65535 entries claimed
    cases.push_back({"a directory count past the end", b, Outcome::kDropped});
  }
  cases.push_back({"not TIFF at all", test::ToBytes("MM\0+garbage-garbage"), Outcome::kDropped});
  return cases;
}

TEST(HostileExif, IsDroppedOrKeptSafelyAndNeverGrows) {
  for (const HostileExif& c : HostileBlocks()) {
    SCOPED_TRACE(c.name);
    const Bytes kept = ExifForThumbnail(c.block, 30, 20, false);
    EXPECT_EQ(kept.empty(), c.outcome == Outcome::kDropped);
    if (kept.empty()) continue;
    // What is kept reads again, and no shared value was copied many times.
    const std::optional<ExifBlock> again = ParseExifBlock(kept);
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->exif.has_value(), c.outcome == Outcome::kKeptWithExifDirectory);
    EXPECT_LE(kept.size(), 2 * c.block.size() + 256);
    EXPECT_EQ(FindTiffOrientation(kept).value_or(1), 1);
  }
}

// Every prefix of a camera's block, and every byte of it flipped in turn:
// the result is dropped or a block that reads again.
TEST(HostileExif, TruncatedOrCorruptedAtEveryByteNeverBreaks) {
  const Bytes camera = test::CameraExif(false, 6);
  for (std::size_t n = 0; n <= camera.size(); ++n) {
    const Bytes kept = ExifForThumbnail(std::span(camera).first(n), 30, 20, true);
    EXPECT_TRUE(kept.empty() || ParseExifBlock(kept).has_value()) << n;
  }
  for (std::size_t i = 0; i < camera.size(); ++i) {
    Bytes damaged = camera;
    damaged[i] ^= 0xA5;
    const Bytes kept = ExifForThumbnail(damaged, 30, 20, true);
    EXPECT_TRUE(kept.empty() || ParseExifBlock(kept).has_value()) << i;
  }
}

// Through the engine: a thumbnail is still made, without the bad parts.
TEST(HostileExif, AThumbnailIsStillMadeFromAFileCarryingIt) {
  test::TempFolder folder;
  for (const HostileExif& c : HostileBlocks()) {
    if (c.block.size() > 65000) continue;  // one APP1 segment
    SCOPED_TRACE(c.name);
    const Bytes jpeg = test::JpegWith({test::MakeSegment(0xE1, test::kExifPrefix, c.block)});
    test::WriteTextFile(folder.File("hostile.jpg"), std::string(jpeg.begin(), jpeg.end()));
    Engine engine;
    engine.SetMetadataMode(MetadataMode::kKeep);
    ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, folder.File("hostile.jpg")).ok());
    ASSERT_TRUE(engine.Resample(16, 12).ok());
    Bytes out;
    ASSERT_TRUE(engine.Encode(kFormatJpeg, out, "out.jpg").ok());
    EXPECT_EQ(ReadPictureMetadata(out).exif.empty(), c.outcome == Outcome::kDropped);
  }
}

TEST(HostileXmp, BrokenPropertiesAreNotReadAndLocationThatCannotBeCutDropsThePacket) {
  const struct {
    const char* xmp;
    std::optional<int> orientation;
    bool location_removable;
  } cases[] = {
      {"<d tiff:Orientation=\"6", std::nullopt, true},
      {"<d tiff:Orientation=6/>", std::nullopt, true},
      {"<tiff:Orientation>6", std::nullopt, true},
      {"<tiff:Orientation>66</tiff:Orientation>", std::nullopt, true},
      {"<tiff:OrientationX>6</tiff:OrientationX> <tiff:Orientation>3</tiff:Orientation>", 3, true},
      {"<d exif:GPSLatitude=\"59,1N\" exif:GPSLongitude", std::nullopt, false},
      {"<exif:GPSLatitude>59,1N", std::nullopt, false},
      {"xmlns:tiff=\"http://ns.adobe.com/tiff/1.0/\"", std::nullopt, true},
      {"=\"http://ns.adobe.com/tiff/1.0/\" <:Orientation>2</:Orientation>", std::nullopt, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindXmpOrientation(c.xmp), c.orientation) << c.xmp;
    EXPECT_EQ(XmpWithoutLocation(c.xmp).has_value(), c.location_removable) << c.xmp;
    (void)XmpWithUprightOrientation(c.xmp);
  }
}

TEST(HostilePng, TextAndProfilesOutsideTheRulesGiveNothing) {
  using namespace test;
  const Bytes bomb = [] {
    // 64 MiB of zeros deflate to about 64 KiB: past the cap, never inflated whole.
    const std::string zeros(std::size_t{64} << 20, '\0');
    return Deflated(zeros);
  }();
  Bytes ztxt = ToBytes("Comment");
  ztxt.insert(ztxt.end(), {0, 0});
  ztxt.insert(ztxt.end(), bomb.begin(), bomb.end());
  const struct {
    const char* name;
    Bytes chunk;
  } cases[] = {
      {"inflates past the cap", MakeChunk("zTXt", ztxt)},
      {"no keyword end", MakeChunk("tEXt", ToBytes("Comment"))},
      {"unknown compression", MakeChunk("zTXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 7, 1, 2})},
      {"iTXt cut short", MakeChunk("iTXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 1})},
      {"broken deflate",
       MakeChunk("iTXt", {'C', 'o', 'm', 'm', 'e', 'n', 't', 0, 1, 0, 0, 0, 0x78, 0x9C, 1})},
  };
  for (const auto& c : cases) {
    const Bytes png = PngWith({c.chunk});
    EXPECT_TRUE(ReadPictureMetadata(png).comments.empty()) << c.name;
  }
  for (const char* profile : {"", "\nexif\n", "\nexif\n  4\n0102", "\nexif\n  2\n01zz",
                              "\nexif\n 99999999999\n00", "\nexif\n  0\n"})
    EXPECT_FALSE(DecodeRawProfile(profile).has_value()) << profile;
  EXPECT_EQ(DecodeRawProfile("\nexif\n  3\n01\n02 0\n3"), (Bytes{1, 2, 3}));
}

TEST(HostilePhotoshop, ResourcesOutsideTheBytesAreLeftOut) {
  const Bytes iptc = {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0, 0, 3, 0x1C, 2, 5, 0};
  const struct {
    const char* name;
    Bytes resources;
    Bytes kept;
  } cases[] = {
      {"whole", iptc, iptc},
      {"size past the end", {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0xFF, 0xFF, 0xFF, 0xF0, 1, 2}, {}},
      {"name past the end", {'8', 'B', 'I', 'M', 0x04, 0x04, 0xFF, 0, 0, 0, 0, 0}, {}},
      {"not 8BIM", {'8', 'B', 'I', 'X', 0x04, 0x04, 0, 0, 0, 0, 0, 0}, {}},
      {"last pad byte missing", Bytes(iptc.begin(), iptc.end() - 1), Bytes(iptc.begin(), iptc.end() - 1)},
  };
  for (const auto& c : cases) EXPECT_EQ(IptcResources(c.resources), c.kept) << c.name;
}

}  // namespace
}  // namespace vr
