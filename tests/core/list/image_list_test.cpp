// The image list model: columns, rows, and what a row shows for a file.
#include "list/image_list.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "imaging/codecs/png_codec.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

std::vector<std::string> Headers(const ImageList& list) {
  std::vector<std::string> headers;
  for (const ImageListColumn& column : list.columns()) headers.push_back(column.header);
  return headers;
}

using Headings = std::vector<std::string>;

TEST(ImageListColumns, FollowTheExtraSetting) {
  ImageList plain;
  plain.CreateColumns(false);
  EXPECT_EQ(Headers(plain), (Headings{"File", "Size"}));
  ImageList extra;
  extra.CreateColumns(true);
  EXPECT_EQ(Headers(extra), (Headings{"File", "Size", "Dimensions", "Date"}));
  EXPECT_EQ(extra.columns()[0].width, 280);
  EXPECT_EQ(extra.columns()[2].key, "dim");
  EXPECT_EQ(extra.columns()[3].key, "data");
}

TEST(ImageListColumns, AddedAfterASaveAreEmptyForOldRowsAndNeverDoubled) {
  ImageList list;
  list.CreateColumns(false);
  list.AddFile("/no/such/a.jpg", false);
  list.ApplyDisplaySettings(true);
  EXPECT_EQ(Headers(list), (Headings{"File", "Size", "Dimensões", "Data"}));
  EXPECT_EQ(list.CellText(1, 3), "");
  list.ApplyDisplaySettings(true);
  EXPECT_EQ(list.columns().size(), 4u);
  list.ApplyDisplaySettings(false);
  EXPECT_EQ(Headers(list), (Headings{"File", "Size"}));
  EXPECT_EQ(list.CellText(1, 1), "/no/such/a.jpg");

  ImageList started_extra;
  started_extra.CreateColumns(true);
  started_extra.ApplyDisplaySettings(true);
  EXPECT_EQ(Headers(started_extra), (Headings{"File", "Size", "Dimensions", "Date"}));
}

class ImageListFiles : public ::testing::Test {
 protected:
  std::string WritePng(const std::string& name, int width, int height) {
    Image image;
    image.Resize(width, height);
    std::fill(image.pixels.begin(), image.pixels.end(), 200);
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(EncodePng(image, bytes, name));
    std::string path = folder_.File(name);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return path;
  }
  static void SetModified(const std::string& path, int year, int month, int day) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    timeval times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
    ASSERT_EQ(utimes(path.c_str(), times), 0);
  }
  test::TempFolder folder_;
};

TEST_F(ImageListFiles, RowShowsPathSizeDimensionsAndDate) {
  std::string path = WritePng("photo.png", 64, 48);
  SetModified(path, 2004, 3, 7);
  ImageList list;
  list.CreateColumns(true);
  list.AddFile(path, true);
  ASSERT_EQ(list.RowCount(), 1);
  EXPECT_EQ(list.CellText(1, 1), path);
  EXPECT_EQ(list.CellText(1, 2), std::to_string(std::filesystem::file_size(path)));
  EXPECT_EQ(list.CellText(1, 3), "64x48");
  EXPECT_EQ(list.CellText(1, 4), "03/07/2004");
  list.AddFile(path, true, '.');
  EXPECT_EQ(list.CellText(2, 4), "03.07.2004");
}

TEST_F(ImageListFiles, SizeIsPlainDigits) {
  std::string path = folder_.File("big.bin");
  std::ofstream(path, std::ios::binary) << std::string(1234567, 'x');
  ImageList list;
  list.CreateColumns(false);
  list.AddFile(path, false);
  EXPECT_EQ(list.CellText(1, 2), "1234567");
}

TEST_F(ImageListFiles, UnreadableFilesStillGetARowWithEmptyCells) {
  std::string good = WritePng("good.png", 10, 20);
  std::string broken = folder_.File("broken.png");
  std::ofstream(broken, std::ios::binary) << "not a picture";
  ImageList list;
  list.CreateColumns(true);
  list.AddFile(good, true);
  list.AddFile(broken, true);
  list.AddFile(folder_.File("vanished.png"), true);
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(list.CellText(2, 3), "") << "a broken file must not show the size of the file before it";
  EXPECT_EQ(list.CellText(2, 2), "13");
  EXPECT_EQ(list.CellText(3, 1), folder_.File("vanished.png"));
  EXPECT_EQ(list.CellText(3, 2), "");
  EXPECT_EQ(list.CellText(3, 4), "");
}

TEST_F(ImageListFiles, ExtraCellsOnlyWhenAskedAtAddTime) {
  std::string path = WritePng("a.png", 3, 3);
  ImageList list;
  list.CreateColumns(true);
  list.AddFile(path, false);
  EXPECT_EQ(list.CellText(1, 3), "");
  EXPECT_EQ(list.CellText(1, 4), "");
}

TEST(ImageListRows, DuplicatesRemovalAndClear) {
  ImageList list;
  list.CreateColumns(false);
  for (const char* name : {"/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/1"}) list.AddFile(name, false);
  EXPECT_EQ(list.RowCount(), 6);
  EXPECT_EQ(list.CellText(6, 1), list.CellText(1, 1));
  list.RemoveRow(3);
  EXPECT_EQ(list.RowCount(), 5);
  EXPECT_EQ(list.CellText(3, 1), "/p/4");
  EXPECT_EQ(list.CellText(4, 1), "/p/5");
  list.RemoveRow(0);
  list.RemoveRow(99);
  EXPECT_EQ(list.RowCount(), 5);
  EXPECT_EQ(list.CellText(9, 1), "");
  EXPECT_EQ(list.CellText(1, 7), "");
  list.Clear();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.columns().size(), 2u);
}

}  // namespace
}  // namespace vr
