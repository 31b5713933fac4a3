// The image list: a row's cells (size, dimensions and date only with the
// extra columns, empty where a file cannot tell) and the extra columns
// coming and going with the display settings.
#include "windows/image_grid.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <fstream>

#include "support/build_test_util.h"

namespace vr {
namespace {

QStringList Headers(const ImageGrid& grid) {
  QStringList headers;
  for (int i = 0; i < grid.columnCount(); ++i) headers << grid.horizontalHeaderItem(i)->text();
  return headers;
}

// What the table shows, 1-based like the model.
QString Cell(const ImageGrid& grid, int row, int column) {
  const QTableWidgetItem* item = grid.item(row - 1, column - 1);
  return item ? item->text() : QString();
}

SettingsRecord Display(int extra, int grid_lines) {
  SettingsRecord settings;
  settings.GENextra = extra;
  settings.GENgrid = grid_lines;
  return settings;
}

class ImageGridTest : public testing::Test {
 protected:
  std::string Path(const char* name) const { return QFile::encodeName(temp_.filePath(name)).toStdString(); }
  std::string WriteFile(const char* name, std::size_t length) {
    std::ofstream(Path(name), std::ios::binary) << std::string(length, 'z');
    return Path(name);
  }
  std::string WritePicture(const char* name, int width, int height) {
    Image image;
    image.Resize(width, height);
    std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t{200});
    test::WritePng(Path(name), image);
    return Path(name);
  }
  QTemporaryDir temp_;
};

TEST_F(ImageGridTest, RowCellsSayWhatTheFileTells) {
  const std::string big = WriteFile("big.jpg", 1234567);
  const std::string picture = WritePicture("pic.png", 64, 48);
  const std::string broken = WriteFile("broken.png", 40);
  ImageGrid grid;
  grid.CreateColumns(Display(1, 0));
  for (const std::string& path : {big, picture, broken, picture, Path("gone.png")})
    grid.AddFile(path, Display(1, 0));
  ASSERT_EQ(grid.RowCount(), 5) << "duplicates and vanished files are listed too";
  EXPECT_EQ(Cell(grid, 1, 2), QStringLiteral("1234567"));
  EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("64x48"));
  EXPECT_EQ(Cell(grid, 2, 4).size(), 10);  // mm/dd/yyyy
  EXPECT_EQ(Cell(grid, 2, 4).at(2), QLatin1Char(LocaleDateSeparator()));
  EXPECT_EQ(Cell(grid, 3, 2), QStringLiteral("40"));
  EXPECT_EQ(Cell(grid, 3, 3), QString()) << "undecodable";
  EXPECT_EQ(Cell(grid, 4, 1), Cell(grid, 2, 1));
  EXPECT_EQ(Cell(grid, 5, 2), QString());
}

TEST_F(ImageGridTest, ExtraColumnsFollowTheSavedDisplaySettings) {
  const std::string picture = WritePicture("first.png", 12, 7);
  ImageGrid grid;
  grid.CreateColumns(Display(0, 0));
  EXPECT_EQ(Headers(grid), (QStringList{"File", "Size"}));
  grid.AddFile(picture, Display(0, 0));

  // Added after a save, the extra columns carry the other captions.
  grid.ApplyDisplaySettings(Display(1, 1));
  EXPECT_EQ(Headers(grid), (QStringList{"File", "Size", QString::fromUtf8("Dimensões"), "Data"}));
  EXPECT_TRUE(grid.showGrid());
  EXPECT_EQ(Cell(grid, 1, 3), QString()) << "rows already listed stay empty there";
  grid.AddFile(picture, Display(1, 1));
  EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("12x7"));

  grid.ApplyDisplaySettings(Display(1, 0));
  EXPECT_EQ(grid.columnCount(), 4) << "no second pair";
  EXPECT_FALSE(grid.showGrid());
  grid.ApplyDisplaySettings(Display(0, 0));
  EXPECT_EQ(Headers(grid), (QStringList{"File", "Size"}));
  grid.ApplyDisplaySettings(Display(1, 0));
  EXPECT_EQ(Cell(grid, 2, 3), QString()) << "removed cells do not come back";

  ImageGrid started_extra;
  started_extra.CreateColumns(Display(1, 0));
  started_extra.ApplyDisplaySettings(Display(1, 0));
  EXPECT_EQ(Headers(started_extra), (QStringList{"File", "Size", "Dimensions", "Date"}));
}

}  // namespace
}  // namespace vr
