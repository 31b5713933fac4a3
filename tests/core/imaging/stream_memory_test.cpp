// What a streamed decode holds: a window of rows however large the picture,
// a price that follows what streams, and a large file mapped and let go as
// the rows are read, its facts read without its pixels.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>

#include "base/file_bytes.h"
#include "core/imaging/stream_test_util.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/decode_footprint.h"
#include "imaging/engine.h"
#include "imaging/file_view.h"
#include "imaging/ops/row_shrinker.h"
#include "quality/luma_ssim.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace test;

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
