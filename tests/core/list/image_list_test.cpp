// The image list: its columns follow the extra setting without doubling, a
// row shows a file's path, size, dimensions and date or empty cells, and
// rows are numbered from 1 whatever is removed.
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

Cells Row(const ImageList& list, int row, int columns = 4) {
  Cells cells;
  for (int column = 1; column <= columns; ++column) cells.push_back(list.CellText(row, column));
  return cells;
}

// Added after a save, the extra columns are empty for old rows.
TEST(ImageList, ColumnsFollowTheExtraSettingAndAreNeverDoubled) {
  ImageList list, extra;
  list.CreateColumns(false);
  list.AddFile("/no/such/a.jpg", false);
  for (int twice = 0; twice < 2; ++twice) list.ApplyDisplaySettings(true);
  std::vector<std::string> headers;
  for (const ImageListColumn& column : list.columns()) headers.push_back(column.header);
  EXPECT_EQ(headers, (Cells{"File", "Size", "Dimensões", "Data"}));
  EXPECT_EQ(Row(list, 1), (Cells{"/no/such/a.jpg", "", "", ""}));
  list.ApplyDisplaySettings(false);
  EXPECT_EQ(list.columns().size(), 2u);
  extra.CreateColumns(true);
  extra.ApplyDisplaySettings(true);
  EXPECT_EQ(extra.columns().at(2).header, "Dimensions");
  EXPECT_EQ(extra.ColumnWithKey(kDateColumnKey), 4);
}

// The size in plain digits; a broken file must not show the dimensions of
// the file before it; extra cells only when asked at add time.
TEST(ImageList, ARowShowsWhatTheFileHasAndNothingElse) {
  test::TempFolder folder;
  const std::string photo = folder.File("photo.png"), broken = folder.File("broken.png");
  test::WritePng(photo, test::MakeRandomImage(64, 48, 1));
  test::WriteTextFile(broken, "not a picture");
  const timeval times[2] = {{1078660800, 0}, {1078660800, 0}};  // noon on 7 March 2004, UTC
  ASSERT_EQ(utimes(photo.c_str(), times) + utimes(broken.c_str(), times), 0);
  ImageList list;
  list.CreateColumns(true);
  for (const std::string& path : {photo, photo, broken, folder.File("gone.png")})
    list.AddFile(path, true, list.RowCount() == 1 ? '.' : '/');
  list.AddFile(photo, false);
  const std::string size = std::to_string(std::filesystem::file_size(photo));
  const Cells expected[] = {{photo, size, "64x48", "03/07/2004"},
                            {photo, size, "64x48", "03.07.2004"},
                            {broken, "13", "", "03/07/2004"},
                            {folder.File("gone.png"), "", "", ""},
                            {photo, size, "", ""}};
  ASSERT_EQ(list.RowCount(), 5);
  for (int row = 1; row <= 5; ++row) EXPECT_EQ(Row(list, row), expected[row - 1]);
  list.RemoveRow(2);
  for (const std::int32_t outside : {0, 99}) list.RemoveRow(outside);
  EXPECT_EQ(Row(list, 2, 1), Cells{broken});
  EXPECT_EQ(list.CellText(9, 1) + list.CellText(1, 7), "");
  list.Clear();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.columns().size(), 4u);
}

}  // namespace
}  // namespace vr
