// The image list: its columns follow the extra setting without doubling, a
// row shows a file's path, size, dimensions and date or empty cells, its
// dimensions arrive later by the row's id whatever was removed meanwhile,
// and the list hands a build its paths and the folders they came from.
#include "list/image_list.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <filesystem>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using Cells = std::vector<std::string>;

Cells Row(const ImageList& list, int row, int columns = 4, char separator = '/') {
  Cells cells;
  for (int column = 1; column <= columns; ++column) cells.push_back(list.CellText(row, column, separator));
  return cells;
}

TEST(ImageList, ColumnsFollowTheExtraSettingAndAreNeverDoubled) {
  ImageList list, extra;
  list.CreateColumns(false);
  list.AddFile("/no/such/a.jpg");
  for (int twice = 0; twice < 2; ++twice) list.ApplyDisplaySettings(true);
  std::vector<std::string> headers;
  for (const ImageListColumn& column : list.columns()) headers.push_back(column.header);
  EXPECT_EQ(headers, (Cells{"File", "Size", "Dimensões", "Data"}));
  EXPECT_EQ(Row(list, 0), (Cells{"/no/such/a.jpg", "", "", ""}));
  list.ApplyDisplaySettings(false);
  EXPECT_EQ(list.columns().size(), 2u);
  EXPECT_EQ(list.RowCount(), 1) << "the rows stay";
  extra.CreateColumns(true);
  extra.ApplyDisplaySettings(true);
  EXPECT_EQ(extra.columns().at(2).header, "Dimensions");
  EXPECT_EQ(extra.ColumnWithKey(kDateColumnKey), 4);
}

// The size in plain digits and the date as the file has them; dimensions
// only once read, and a broken file never shows another file's.
TEST(ImageList, ARowShowsWhatTheFileHasAndNothingElse) {
  test::TempFolder folder;
  const std::string photo = folder.File("photo.png"), broken = folder.File("broken.png");
  test::WritePng(photo, test::MakeRandomImage(64, 48, 1));
  test::WriteTextFile(broken, "not a picture");
  const timeval times[2] = {{1078660800, 0}, {1078660800, 0}};  // noon on 7 March 2004, UTC
  ASSERT_EQ(utimes(photo.c_str(), times) + utimes(broken.c_str(), times), 0);
  ImageList list;
  list.CreateColumns(true);
  for (const std::string& path : {photo, broken, folder.File("gone.png")}) list.AddFile(path);
  const std::string size = std::to_string(std::filesystem::file_size(photo));
  EXPECT_EQ(Row(list, 0, 4, '.'), (Cells{photo, size, "", "03.07.2004"}));
  for (const DimensionsRequest& request : list.TakeDimensionsRequests())
    list.SetDimensions(request.id, ReadPictureSize(request.path));
  const Cells expected[] = {{photo, size, "64x48", "03/07/2004"},
                            {broken, "13", "", "03/07/2004"},
                            {folder.File("gone.png"), "", "", ""}};
  for (int row = 0; row < 3; ++row) EXPECT_EQ(Row(list, row), expected[row]);
  EXPECT_EQ(list.row(1).dimensions_state, DimensionsState::kNone);
  EXPECT_EQ(list.CellText(9, 1) + list.CellText(0, 7) + list.CellText(-1, 1), "");
}

// Read off the window's thread, dimensions come back by id: to the row that
// moved up, to no row when it was removed, and each row is asked for once.
TEST(ImageList, DimensionsFindTheirRowByIdAfterRemovals) {
  ImageList list;
  list.CreateColumns(true);
  for (const char* path : {"/a.jpg", "/b.jpg", "/c.jpg", "/d.jpg"}) list.AddFile(path);
  const std::vector<DimensionsRequest> first = list.TakeDimensionsRequests(2);
  ASSERT_EQ(first.size(), 2u);
  EXPECT_EQ(first[0].path, "/c.jpg");
  const std::vector<DimensionsRequest> rest = list.TakeDimensionsRequests();
  EXPECT_EQ(rest.size(), 2u) << "only the two not asked for yet";
  EXPECT_TRUE(list.TakeDimensionsRequests().empty());
  list.RemoveRows(0, 1);
  list.RemoveRows(2, 1);  // d.jpg
  EXPECT_EQ(list.SetDimensions(first[0].id, PictureSize{30, 20}), 1);
  EXPECT_EQ(list.SetDimensions(first[1].id, PictureSize{30, 20}), -1);
  EXPECT_EQ(list.SetDimensions(rest[0].id, PictureSize{99, 99}), -1) << "a.jpg is gone, b.jpg is not it";
  EXPECT_EQ(list.CellText(0, 3), "");
  EXPECT_EQ(list.CellText(1, 3), "30x20");
  EXPECT_EQ(list.paths(), (Cells{"/b.jpg", "/c.jpg"}));
}

TEST(ImageList, PathsComeWithTheFolderEachWasAddedFrom) {
  ImageList list;
  list.CreateColumns(false);
  list.AddFile("/one/by/one.jpg");
  const std::vector<ScannedPicture> scanned = {{"/pics/a.jpg", 10, 0}, {"/pics/sub/b.png", 20, 0}};
  list.AddScanned(scanned, "/pics");
  list.AddFile("/other/c.jpg", "/other");
  list.AddScanned(std::span(scanned).first(1), "/pics");
  EXPECT_EQ(list.paths(),
            (Cells{"/one/by/one.jpg", "/pics/a.jpg", "/pics/sub/b.png", "/other/c.jpg", "/pics/a.jpg"}));
  EXPECT_EQ(list.roots(), (Cells{"", "/pics", "/pics", "/other", "/pics"}));
  EXPECT_EQ(list.CellText(2, 2), "20") << "a scan's size is listed as measured";
  list.RemoveRows(1, 2);
  for (const std::int32_t outside : {-5, 99}) list.RemoveRows(outside, 1);
  list.RemoveRows(0, 0);
  EXPECT_EQ(list.roots(), (Cells{"", "/other", "/pics"}));
  list.Clear();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.columns().size(), 2u);
}

}  // namespace
}  // namespace vr
