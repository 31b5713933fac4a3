// Decoding rows straight into the shrink: the thumbnail is the one a full
// decode then a resample gives (the same pixels where the picture is not
// turned, luma SSIM 0.999 where the turn comes after the shrink), failures
// stay failures, and what the stream holds stays a few rows however large
// the picture.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "base/file_bytes.h"
#include "core/imaging/codecs/codec_files.h"
#include "imaging/codec_dispatch.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/decode_footprint.h"
#include "imaging/engine.h"
#include "imaging/file_view.h"
#include "imaging/ops/colour_transform.h"
#include "imaging/ops/orientation.h"
#include "imaging/ops/resample.h"
#include "imaging/ops/row_shrinker.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace test;

constexpr double kMinSsim = 0.999;

std::string Write(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return path;
}

struct Thumb {
  Status status = Status::Ok();
  Image picture;
  DecodeFlaw flaw = DecodeFlaw::kNone;
};

// The engine's thumbnail of `path`, by the stream where the file allows.
Thumb Thumbnail(const std::string& path, int width, int height,
                std::optional<SourceBox> region = std::nullopt) {
  Engine engine;
  Thumb thumb;
  thumb.status = engine.LoadImage(1, path);
  if (thumb.status.ok()) thumb.status = engine.Resample(width, height, region);
  thumb.picture = engine.picture(1);
  thumb.flaw = engine.warning(1).flaw;
  return thumb;
}

// The thumbnail as the engine made it before rows streamed: the whole
// picture decoded and turned upright, resampled, then its colours
// converted (the engine's order for a shrink).
Thumb FullDecodeThumbnail(const std::string& path, int width, int height,
                          std::optional<SourceBox> region = std::nullopt) {
  Thumb thumb;
  Bytes bytes;
  thumb.status = ReadWholeFileInto(path, bytes);
  if (!thumb.status.ok()) return thumb;
  Expected<ImageInfo> info = ReadImageInfo(bytes, path);
  if (!info) return {info.status(), {}, {}};
  JpegCodec jpeg;
  Image decoded;
  Expected<DecodeResult> result = DecodeImage(info->kind, bytes, path, jpeg, 0, 0, decoded);
  if (!result) return {result.status(), {}, {}};
  thumb.flaw = result->warning.flaw;
  ApplyOrientation(decoded, info->orientation);
  const SourceBox box =
      region ? UprightBox(*region, info->width, info->height, info->orientation) : WholeSourceBox(decoded);
  thumb.picture = ResampleImage(decoded, box, width, height);
  if (result->colour.Tagged() && !result->colour.converted) {
    ColourTransforms colour;
    std::vector<std::uint8_t> profile;
    colour.Apply(result->colour, ColourOutput::kSrgb, thumb.picture, profile);
  }
  return thumb;
}

// A third of each upright side, so every picture shrinks.
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

TiffLayout PhotoTiff(int width, int height, int samples, int bits) {
  const Image photo = MakeDetailedPhoto(width, height, static_cast<std::uint32_t>(samples * bits));
  TiffLayout layout{.width = width, .height = height, .samples = samples, .bits = bits};
  layout.photometric = samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
  const int bytes = bits / 8;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      for (int s = 0; s < samples; ++s) {
        // Alpha fades across, so transparent and opaque rows both occur.
        const int v = s == 3 ? std::min(255, x * 300 / width) : photo.at(x, y)[s % 3];
        const std::uint16_t wide = static_cast<std::uint16_t>(v * 257 + (x + y) % 200);
        if (bytes == 2)
          layout.samples_data.insert(layout.samples_data.end(), reinterpret_cast<const std::uint8_t*>(&wide),
                                     reinterpret_cast<const std::uint8_t*>(&wide) + 2);
        else
          layout.samples_data.push_back(static_cast<std::uint8_t>(v));
      }
  if (samples == 4 || samples == 2) layout.extra = EXTRASAMPLE_UNASSALPHA;
  return layout;
}

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

// ---- Memory ----------------------------------------------------------------------------

// A large grey PNG written row by row, so the test itself never holds it;
// `grain` makes its samples random, so the file is about as large as its
// pixels.
Bytes LargeGreyPng(int width, int height, bool grain = false, int orientation = 0) {
  TempFolder folder;
  const std::string path = folder.File("large.png");
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
  std::uint64_t noise = 0x9E3779B97F4A7C15u;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      noise ^= noise << 13, noise ^= noise >> 7, noise ^= noise << 17;
      row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(grain ? noise >> 56 : (x ^ y) & 0xFF);
    }
    png_write_row(png, row.data());
  }
  if (orientation > 0) {
    // An EXIF block of one entry, written behind the pixels.
    png_byte exif[] = {'M',  'M',  0, 42, 0, 0, 0, 8, 0, 1,
                       0x01, 0x12, 0, 3,  0, 0, 0, 1, 0, static_cast<png_byte>(orientation),
                       0,    0,    0, 0,  0, 0};
    png_set_eXIf_1(png, info, sizeof exif, exif);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  Bytes bytes;
  EXPECT_TRUE(ReadWholeFileInto(path, bytes).ok());
  return bytes;
}

// An 8000 x 5333 picture (170 MB decoded) shrunk to 300 x 200: the shrink
// holds a window of filtered rows, within what its price allows, and the
// price of the whole decode is the picture's while the streamed one is a
// few rows and the thumbnail.
TEST(StreamedMemory, ALargePictureHoldsAFewRows) {
  constexpr int kWidth = 8000, kHeight = 5333;
  const Bytes png = LargeGreyPng(kWidth, kHeight);
  const SourceBox whole{0, 0, kWidth, kHeight};
  RowShrinker shrinker;
  Image thumbnail;
  ASSERT_TRUE(shrinker.Start(kWidth, kHeight, whole, 300, 200, thumbnail));
  std::size_t most_held = 0;
  int rows = 0;
  ASSERT_TRUE(DecodePngRows(png, "large.png", [&](const std::uint8_t* row) {
                shrinker.Add(row);
                ++rows;
                most_held = std::max(most_held, shrinker.HeldBytes());
                return !shrinker.done();
              }).ok());
  EXPECT_EQ(rows, kHeight);
  EXPECT_TRUE(shrinker.done());
  EXPECT_LE(most_held, RowShrinker::BytesFor(kWidth, kHeight, whole, 300, 200));
  EXPECT_LT(most_held, std::size_t{1} << 20);

  Expected<DecodeFootprint> footprint = ReadDecodeFootprint(png, "large.png");
  ASSERT_TRUE(footprint.ok()) << footprint.message();
  EXPECT_TRUE(footprint->rows_stream);
  const std::uint64_t streamed = DecodeBytes(*footprint, 300, 200);
  EXPECT_GE(streamed, 2 * thumbnail.pixels.size() + most_held + std::uint64_t{kWidth} * 4);
  EXPECT_LT(streamed, std::uint64_t{4} << 20);
  EXPECT_EQ(DecodeBytes(*footprint, 0, 0), std::uint64_t{kWidth} * kHeight * 4);
  // Enlarging needs the whole picture, and is priced so.
  EXPECT_EQ(DecodeBytes(*footprint, 9000, 6000), std::uint64_t{kWidth} * kHeight * 4);
}

// The price of a streamed TIFF covers its band of converted rows and
// libtiff's strip, and an interlaced PNG, decoded whole, is priced whole.
TEST(StreamedMemory, PricesFollowWhatStreams) {
  TiffLayout layout = PhotoTiff(300, 200, 3, 8);
  layout.rows_per_strip = 20;
  const Bytes tiff = WriteTiff(layout);
  Expected<DecodeFootprint> f = ReadDecodeFootprint(tiff, "t.tif");
  ASSERT_TRUE(f.ok()) << f.message();
  EXPECT_TRUE(f->rows_stream);
  EXPECT_EQ(f->row_band, 20);
  EXPECT_GE(DecodeBytes(*f, 30, 20), 300u * 20 * 4 + f->chunk_bytes);
  EXPECT_LT(DecodeBytes(*f, 30, 20), DecodeBytes(*f, 0, 0));

  Bytes interlaced;
  ASSERT_TRUE(
      ReadWholeFileInto((fs::path(VARENNA_CORPUS_DIR) / "pngsuite" / "basi2c08.png").string(), interlaced)
          .ok());
  Expected<DecodeFootprint> i = ReadDecodeFootprint(interlaced, "i.png");
  ASSERT_TRUE(i.ok());
  EXPECT_FALSE(i->rows_stream);
  EXPECT_EQ(DecodeBytes(*i, 8, 8), 32u * 32 * 4);
}

// A file past FileView::kMapFrom is mapped, not read; its pages go and come
// back as the stream reads on, and the thumbnail is the full decode's.
TEST(StreamedMemory, AMappedFileGivesTheSameThumbnail) {
  TempFolder folder;
  const Bytes png = LargeGreyPng(3100, 3000, true);
  ASSERT_GT(png.size(), FileView::kMapFrom);
  const std::string path = Write(folder.File("mapped.png"), png);
  FileView view;
  ASSERT_TRUE(view.Open(path).ok());
  EXPECT_TRUE(view.mapped());
  view.DropResident();
  EXPECT_TRUE(std::equal(png.begin(), png.end(), view.bytes().begin(), view.bytes().end()));
  view.Close();
  EXPECT_TRUE(view.bytes().empty());

  const Thumb fast = Thumbnail(path, 310, 300), whole = FullDecodeThumbnail(path, 310, 300);
  ASSERT_TRUE(fast.status.ok() && whole.status.ok()) << fast.status.message();
  EXPECT_TRUE(fast.picture.pixels == whole.picture.pixels);
}

// A small file is read into memory; a folder and a named pipe are refused
// as the reader refuses them, naming them, the pipe without waiting for a
// writer.
TEST(StreamedMemory, SmallFilesAreReadAndFoldersAndPipesRefused) {
  TempFolder folder;
  const std::string path = Write(folder.File("small.bin"), Bytes{1, 2, 3});
  FileView view;
  ASSERT_TRUE(view.Open(path).ok());
  EXPECT_FALSE(view.mapped());
  EXPECT_EQ(view.bytes().size(), 3u);
  const Status refused = view.Open(folder.path());
  EXPECT_FALSE(refused.ok());
  EXPECT_NE(refused.message().find(folder.path()), std::string::npos) << refused.message();
  EXPECT_TRUE(view.bytes().empty());
  const std::string pipe = folder.File("pipe.png");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const Status not_a_file = view.Open(pipe);
  EXPECT_FALSE(not_a_file.ok());
  EXPECT_NE(not_a_file.message().find(pipe), std::string::npos) << not_a_file.message();
}

// A mapped PNG's facts come from its chunks without its pixels: an
// orientation behind the pixels still turns the thumbnail.
TEST(StreamedMemory, AMappedPngsOrientationBehindItsPixelsCounts) {
  TempFolder folder;
  const Bytes png = LargeGreyPng(3100, 2900, true, 6);
  ASSERT_GT(png.size(), FileView::kMapFrom);
  const std::string path = Write(folder.File("turned.png"), png);
  Engine engine;
  ASSERT_TRUE(engine.LoadImage(1, path).ok());
  int width = 0, height = 0;
  ASSERT_TRUE(engine.GetImageSize(1, width, height).ok());
  EXPECT_EQ(std::pair(width, height), std::pair(2900, 3100));
  const Thumb fast = Thumbnail(path, 290, 310), whole = FullDecodeThumbnail(path, 290, 310);
  ASSERT_TRUE(fast.status.ok() && whole.status.ok()) << fast.status.message();
  EXPECT_GE(LumaSsim(fast.picture, whole.picture), kMinSsim);
}

}  // namespace
}  // namespace vr
