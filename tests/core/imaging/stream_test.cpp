// Decoding rows straight into the shrink: the thumbnail is the one a full
// decode then a resample gives (the same pixels where the picture is not
// turned, luma SSIM 0.999 where the turn comes after the shrink), failures
// stay failures, on the corpora, TIFF strips and tiles, GIF canvases and
// every orientation (stream_memory_test holds what the stream keeps).
#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_bytes.h"
#include "core/imaging/stream_test_util.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/engine.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace test;

Sides Third(const std::string& path) {
  Bytes bytes;
  if (!ReadWholeFileInto(path, bytes).ok()) return {};
  Expected<ImageInfo> info = ReadImageInfo(bytes, path);
  if (!info) return {};
  const Sides upright = UprightSides(*info);
  return {std::max(1, upright.width / 3), std::max(1, upright.height / 3)};
}

// Streamed and full thumbnails of every file in a corpus folder: the same
// outcome, the same pixels. Returns how many files streamed.
int CompareCorpus(const fs::path& folder) {
  int streamed = 0;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    const std::string path = entry.path().string();
    if (!entry.is_regular_file() ||
        (entry.path().extension() != ".png" && entry.path().extension() != ".bmp"))
      continue;
    const Sides target = Third(path);
    if (target.width == 0) continue;  // unreadable: the codec tests cover it
    Bytes bytes;
    EXPECT_TRUE(ReadWholeFileInto(path, bytes).ok());
    if (RowsStream(bytes)) ++streamed;
    const Thumb fast = Thumbnail(path, target.width, target.height);
    const Thumb whole = FullDecodeThumbnail(path, target.width, target.height);
    EXPECT_EQ(fast.status.ok(), whole.status.ok()) << path << ": " << fast.status.message();
    if (!fast.status.ok()) {
      EXPECT_NE(fast.status.message().find(path), std::string::npos) << fast.status.message();
      continue;
    }
    EXPECT_EQ(fast.picture.width, target.width) << path;
    EXPECT_TRUE(fast.picture.pixels == whole.picture.pixels) << path;
    EXPECT_EQ(fast.flaw, whole.flaw) << path;
  }
  return streamed;
}

// ---- The corpora -------------------------------------------------------------------

TEST(StreamedCorpus, PngSuiteGivesTheFullDecodesThumbnails) {
  // Every non-interlaced file streams: 16-bit, palettes, grey, tRNS, alpha,
  // gamma and profiles (converted after the shrink either way).
  EXPECT_GE(CompareCorpus(fs::path(VARENNA_CORPUS_DIR) / "pngsuite"), 80);
}

// Bottom-up and top-down rows, bit fields, palettes, and files cut short
// (their missing rows transparent, the same warning); run-length files are
// decoded whole.
TEST(StreamedCorpus, BmpSuiteGivesTheFullDecodesThumbnails) {
  EXPECT_GE(CompareCorpus(fs::path(VARENNA_CORPUS_DIR) / "bmpsuite"), 40);
}

// A frame at its place on a larger screen, its transparent index clear; an
// interlaced one is decoded whole.
TEST(StreamedGif, FramesOnTheirScreenGiveTheFullDecodesThumbnail) {
  TempFolder folder;
  for (bool interlace : {false, true}) {
    GifFrame frame = PatternFrame(90, 70, 3);
    frame.left = 13, frame.top = 21, frame.transparent = 5, frame.interlace = interlace;
    const Bytes gif = WriteGif(130, 110, {frame});
    EXPECT_EQ(RowsStream(gif), !interlace);
    const std::string path = Write(folder.File(interlace ? "i.gif" : "s.gif"), gif);
    const Thumb fast = Thumbnail(path, 43, 36), whole = FullDecodeThumbnail(path, 43, 36);
    ASSERT_TRUE(fast.status.ok() && whole.status.ok()) << fast.status.message();
    EXPECT_TRUE(fast.picture.pixels == whole.picture.pixels) << interlace;
    EXPECT_TRUE(fast.picture.HasTransparency());
  }
}

// ---- TIFF strips and tiles ----------------------------------------------------------

struct TiffCase {
  const char* name;
  int samples, bits, rows_per_strip, tile, compression;
};

class StreamedTiff : public testing::TestWithParam<TiffCase> {
 protected:
  TempFolder folder_;
};

TEST_P(StreamedTiff, GivesTheFullDecodesThumbnail) {
  const TiffCase c = GetParam();
  TiffLayout layout = PhotoTiff(203, 141, c.samples, c.bits);
  layout.rows_per_strip = c.rows_per_strip;
  layout.tile = c.tile;
  layout.compression = c.compression;
  const Bytes bytes = WriteTiff(layout);
  ASSERT_TRUE(RowsStream(bytes));
  const std::string path = Write(folder_.File("t.tif"), bytes);
  const Thumb fast = Thumbnail(path, 61, 40), whole = FullDecodeThumbnail(path, 61, 40);
  ASSERT_TRUE(fast.status.ok() && whole.status.ok()) << fast.status.message() << whole.status.message();
  EXPECT_TRUE(fast.picture.pixels == whole.picture.pixels);
}

INSTANTIATE_TEST_SUITE_P(Layouts, StreamedTiff,
                         testing::Values(TiffCase{"Rgb8Strips7", 3, 8, 7, 0, COMPRESSION_NONE},
                                         TiffCase{"Rgb8OneStrip", 3, 8, 141, 0, COMPRESSION_LZW},
                                         TiffCase{"Rgb16Strips", 3, 16, 5, 0, COMPRESSION_ADOBE_DEFLATE},
                                         TiffCase{"Rgba8Strips", 4, 8, 3, 0, COMPRESSION_NONE},
                                         TiffCase{"Rgba16Tiles32", 4, 16, 0, 32, COMPRESSION_NONE},
                                         TiffCase{"Grey8Tiles16", 1, 8, 0, 16, COMPRESSION_LZW},
                                         TiffCase{"GreyAlpha16Strips", 2, 16, 9, 0, COMPRESSION_NONE}),
                         [](const testing::TestParamInfo<TiffCase>& info) {
                           return std::string(info.param.name);
                         });

// ---- Orientation and regions ---------------------------------------------------------

class StreamedOrientation : public testing::TestWithParam<int> {
 protected:
  TempFolder folder_;
};

// The shrink works on the stored axes and the turn follows on the
// thumbnail; the full decode turns first. Unturned, they are one sum.
TEST_P(StreamedOrientation, LooksLikeTheFullDecode) {
  const int orientation = GetParam();
  TiffLayout layout = PhotoTiff(420, 300, 3, 8);
  layout.orientation = orientation;
  layout.rows_per_strip = 16;
  const std::string path = Write(folder_.File("o.tif"), WriteTiff(layout));
  const Sides upright = OrientedSides(140, 100, orientation);
  const Thumb fast = Thumbnail(path, upright.width, upright.height);
  const Thumb whole = FullDecodeThumbnail(path, upright.width, upright.height);
  ASSERT_TRUE(fast.status.ok() && whole.status.ok()) << fast.status.message();
  ASSERT_EQ(std::pair(fast.picture.width, fast.picture.height), std::pair(upright.width, upright.height));
  EXPECT_GE(LumaSsim(fast.picture, whole.picture), kMinSsim);
  if (orientation == 1) {
    EXPECT_TRUE(fast.picture.pixels == whole.picture.pixels);
  }

  // A region of the stored picture lands on the same part of the picture
  // either way.
  const SourceBox region{50.5, 30, 240, 171.25};
  const Sides small = OrientedSides(80, 57, orientation);
  const Thumb part = Thumbnail(path, small.width, small.height, region);
  const Thumb part_whole = FullDecodeThumbnail(path, small.width, small.height, region);
  ASSERT_TRUE(part.status.ok() && part_whole.status.ok()) << part.status.message();
  EXPECT_GE(LumaSsim(part.picture, part_whole.picture), kMinSsim);
  EXPECT_LT(LumaSsim(part.picture, FullDecodeThumbnail(path, small.width, small.height).picture), 0.9);
}

INSTANTIATE_TEST_SUITE_P(AllEight, StreamedOrientation, testing::Range(1, 9));

// A JPEG shrinks in the DCT instead; with a region its scale is chosen for
// the region, so a small part of a large photo keeps its detail.
TEST(StreamedRegion, AJpegsRegionKeepsItsDetail) {
  TempFolder folder;
  const Image photo = MakeDetailedPhoto(1600, 1200, 7);
  const Bytes jpeg = CompressJpeg(photo.pixels.data(), 1600, 1200, TJPF_RGBA, TJSAMP_444, 0, 95);
  const std::string path = Write(folder.File("r.jpg"), jpeg);
  const SourceBox region{401, 299, 480, 360};
  const Thumb fast = Thumbnail(path, 200, 150, region), whole = FullDecodeThumbnail(path, 200, 150, region);
  ASSERT_TRUE(fast.status.ok() && whole.status.ok()) << fast.status.message();
  EXPECT_GE(LumaSsim(fast.picture, whole.picture), kMinSsim);
}

// ---- Damage --------------------------------------------------------------------------

// A file cut short fails the streamed thumbnail as it fails the full decode,
// naming the file, and leaves no picture behind.
TEST(StreamedDamage, CutFilesStillFail) {
  TempFolder folder;
  Bytes png;
  ASSERT_TRUE(EncodePng(MakeDetailedPhoto(160, 120), png, "p.png").ok());
  TiffLayout layout = PhotoTiff(160, 120, 3, 8);
  layout.rows_per_strip = 8;
  layout.compression = COMPRESSION_LZW;
  const Bytes tiff = WriteTiff(layout);
  // The PNG loses its last third; the TIFF keeps its directory (written
  // last) but its strips' codes from a third of the way on are garbage.
  Bytes cut_png(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() * 2 / 3));
  Bytes bad_tiff = tiff;
  std::fill(bad_tiff.begin() + static_cast<std::ptrdiff_t>(tiff.size() / 3),
            bad_tiff.begin() + static_cast<std::ptrdiff_t>(tiff.size() * 2 / 3), 0xFF);
  const Bytes gif = WriteGif(160, 120, {PatternFrame(160, 120, 1)});
  Bytes cut_gif(gif.begin(), gif.begin() + static_cast<std::ptrdiff_t>(gif.size() / 2));
  for (const auto& [name, cut] :
       {std::pair{"p.png", cut_png}, std::pair{"t.tif", bad_tiff}, std::pair{"g.gif", cut_gif}}) {
    const std::string path = Write(folder.File(name), cut);
    Engine engine;
    ASSERT_TRUE(engine.LoadImage(1, path).ok());
    const Status streamed = engine.Resample(40, 30);
    const Thumb whole = FullDecodeThumbnail(path, 40, 30);
    EXPECT_FALSE(streamed.ok()) << name;
    EXPECT_FALSE(whole.status.ok()) << name;
    EXPECT_NE(streamed.message().find(path), std::string::npos) << streamed.message();
    EXPECT_TRUE(engine.empty(1));
  }
}

}  // namespace
}  // namespace vr
