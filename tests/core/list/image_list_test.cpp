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

using Headings = std::vector<std::string>;

Headings Headers(const ImageList& list) {
  Headings headers;
  for (const ImageListColumn& column : list.columns()) headers.push_back(column.header);
  return headers;
}

// Added after a save, the extra columns are empty for old rows.
TEST(ImageListColumns, FollowTheExtraSettingAndAreNeverDoubled) {
  ImageList list;
  list.CreateColumns(false);
  EXPECT_EQ(Headers(list), (Headings{"File", "Size"}));
  list.AddFile("/no/such/a.jpg", false);
  for (int twice = 0; twice < 2; ++twice) list.ApplyDisplaySettings(true);
  EXPECT_EQ(Headers(list), (Headings{"File", "Size", "Dimensões", "Data"}));
  EXPECT_EQ(list.CellText(1, 3), "");
  list.ApplyDisplaySettings(false);
  EXPECT_EQ(Headers(list), (Headings{"File", "Size"}));
  EXPECT_EQ(list.CellText(1, 1), "/no/such/a.jpg");
  ImageList extra;
  extra.CreateColumns(true);
  extra.ApplyDisplaySettings(true);
  EXPECT_EQ(Headers(extra), (Headings{"File", "Size", "Dimensions", "Date"}));
  EXPECT_EQ(extra.ColumnWithKey(kDateColumnKey), 4);
}

// The size in plain digits; a broken file must not show the dimensions of
// the file before it.
TEST(ImageListFiles, ARowShowsWhatTheFileHasAndNothingElse) {
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
  const Headings expected[] = {
      {photo, std::to_string(std::filesystem::file_size(photo)), "64x48", "03/07/2004"},
      {photo, std::to_string(std::filesystem::file_size(photo)), "64x48", "03.07.2004"},
      {broken, "13", "", "03/07/2004"},
      {folder.File("gone.png"), "", "", ""},
      {photo, std::to_string(std::filesystem::file_size(photo)), "", ""}};
  ASSERT_EQ(list.RowCount(), 5);
  for (int row = 1; row <= 5; ++row)
    EXPECT_EQ((Headings{list.CellText(row, 1), list.CellText(row, 2), list.CellText(row, 3),
                        list.CellText(row, 4)}),
              expected[row - 1]);
}

TEST(ImageListRows, DuplicatesRemovalAndClear) {
  ImageList list;
  list.CreateColumns(false);
  for (const char* name : {"/p/1", "/p/2", "/p/3", "/p/4", "/p/1"}) list.AddFile(name, false);
  list.RemoveRow(3);
  for (const std::int32_t outside : {0, 99}) list.RemoveRow(outside);
  Headings names;
  for (int row = 1; row <= list.RowCount(); ++row) names.push_back(list.CellText(row, 1));
  EXPECT_EQ(names, (Headings{"/p/1", "/p/2", "/p/4", "/p/1"}));
  EXPECT_EQ(list.CellText(9, 1), "");
  EXPECT_EQ(list.CellText(1, 7), "");
  list.Clear();
  EXPECT_EQ(list.RowCount(), 0);
  EXPECT_EQ(list.columns().size(), 2u);
}

}  // namespace
}  // namespace vr
