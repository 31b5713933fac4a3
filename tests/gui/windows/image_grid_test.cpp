// The image list grid: its look, its columns at start and after the display
// settings change, the cells of a row, removing and clearing, and the
// context menu's states.
#include "windows/image_grid.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "imaging/codecs/png_codec.h"
#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "windows/main_window.h"

namespace vr {
namespace {

QStringList Headers(const ImageGrid& grid) {
  QStringList headers;
  for (int i = 0; i < grid.columnCount(); ++i) headers << grid.horizontalHeaderItem(i)->text();
  return headers;
}

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
  std::string WriteFile(const char* name, std::size_t length) {
    const std::string path = QFile::encodeName(temp_.filePath(QString::fromLatin1(name))).toStdString();
    std::ofstream(path, std::ios::binary) << std::string(length, 'z');
    return path;
  }
  std::string WritePicture(const char* name, int width, int height) {
    Image image;
    image.Resize(width, height);
    std::fill(image.pixels.begin(), image.pixels.end(), std::uint8_t{200});
    std::vector<std::uint8_t> bytes;
    const std::string path = QFile::encodeName(temp_.filePath(QString::fromLatin1(name))).toStdString();
    EXPECT_TRUE(EncodePng(image, bytes, path).ok());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  QTemporaryDir temp_;
};

TEST_F(ImageGridTest, Look) {
  ImageGrid grid;
  EXPECT_EQ(grid.objectName(), QStringLiteral("Grid1"));
  EXPECT_EQ(grid.size(), QSize(545, 241));
  EXPECT_EQ(grid.selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_EQ(grid.selectionMode(), QAbstractItemView::SingleSelection);
  EXPECT_EQ(grid.verticalHeader()->defaultSectionSize(), 17);
  EXPECT_FALSE(grid.horizontalHeader()->highlightSections());
  EXPECT_EQ(grid.font().family(), QStringLiteral("Verdana"));
  EXPECT_DOUBLE_EQ(grid.font().pointSizeF(), 8.25);
  EXPECT_FALSE(grid.font().bold());
  EXPECT_EQ(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(ImageGridTest, ColumnsAtStart) {
  ImageGrid plain;
  plain.CreateColumns(Display(0, 0));
  EXPECT_EQ(Headers(plain), (QStringList{"File", "Size"}));
  EXPECT_EQ(plain.columnWidth(0), 280);
  EXPECT_EQ(plain.columnWidth(1), 80);
  EXPECT_FALSE(plain.showGrid());

  ImageGrid extra;
  extra.CreateColumns(Display(1, 1));
  EXPECT_EQ(Headers(extra), (QStringList{"File", "Size", "Dimensions", "Date"}));
  EXPECT_EQ(extra.columnWidth(2), 90);
  EXPECT_EQ(extra.columnWidth(3), 90);
  EXPECT_EQ(extra.ColumnWithKey(QStringLiteral("dim")), 3);
  EXPECT_EQ(extra.ColumnWithKey(QStringLiteral("data")), 4);
  EXPECT_TRUE(extra.showGrid());
  for (int i = 0; i < extra.columnCount(); ++i) {
    EXPECT_TRUE(extra.horizontalHeaderItem(i)->textAlignment() & Qt::AlignLeft);
    EXPECT_TRUE(extra.horizontalHeaderItem(i)->icon().isNull());
  }
}

TEST_F(ImageGridTest, ApplyDisplaySettingsAddsAndRemovesTheExtraColumns) {
  const std::string first = WritePicture("first.png", 12, 7);
  ImageGrid grid;
  grid.CreateColumns(Display(0, 0));
  grid.AddFile(first, Display(0, 0));

  grid.ApplyDisplaySettings(Display(1, 1));
  EXPECT_EQ(Headers(grid), (QStringList{"File", "Size", QString::fromUtf8("Dimensões"), "Data"}));
  EXPECT_TRUE(grid.showGrid());
  EXPECT_EQ(Cell(grid, 1, 3), QString());  // rows already listed stay empty there
  EXPECT_EQ(Cell(grid, 1, 1), QString::fromStdString(first));

  grid.AddFile(first, Display(1, 1));
  EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("12x7"));
  EXPECT_FALSE(Cell(grid, 2, 4).isEmpty());

  // Saving again with it still on adds no second pair.
  grid.ApplyDisplaySettings(Display(1, 0));
  EXPECT_EQ(grid.columnCount(), 4);
  EXPECT_FALSE(grid.showGrid());

  grid.ApplyDisplaySettings(Display(0, 0));
  EXPECT_EQ(Headers(grid), (QStringList{"File", "Size"}));
  grid.ApplyDisplaySettings(Display(1, 0));
  EXPECT_EQ(grid.columnCount(), 4);
  EXPECT_EQ(Cell(grid, 2, 3), QString());  // removed cells do not come back
}

TEST_F(ImageGridTest, StartedWithTheExtraColumnsKeepsTheirHeaders) {
  ImageGrid grid;
  grid.CreateColumns(Display(1, 0));
  grid.ApplyDisplaySettings(Display(1, 0));
  EXPECT_EQ(Headers(grid), (QStringList{"File", "Size", "Dimensions", "Date"}));
}

TEST_F(ImageGridTest, RowCells) {
  const std::string big = WriteFile("big.jpg", 1234567);
  const std::string picture = WritePicture("pic.png", 64, 48);
  const std::string broken = WriteFile("broken.png", 40);
  std::filesystem::last_write_time(picture, std::filesystem::file_time_type::clock::now());

  ImageGrid grid;
  grid.CreateColumns(Display(1, 0));
  grid.AddFile(big, Display(1, 0));
  grid.AddFile(picture, Display(1, 0));
  grid.AddFile(broken, Display(1, 0));
  grid.AddFile(picture, Display(1, 0));  // duplicates are listed again
  ASSERT_EQ(grid.RowCount(), 4);
  ASSERT_EQ(grid.rowCount(), 4);
  EXPECT_EQ(Cell(grid, 1, 2), QStringLiteral("1234567"));
  EXPECT_EQ(Cell(grid, 2, 3), QStringLiteral("64x48"));
  EXPECT_EQ(Cell(grid, 2, 4).size(), 10);  // mm/dd/yyyy
  EXPECT_EQ(Cell(grid, 2, 4).at(2), QLatin1Char(LocaleDateSeparator()));
  EXPECT_EQ(Cell(grid, 3, 3), QString());  // undecodable: empty
  EXPECT_EQ(Cell(grid, 3, 2), QStringLiteral("40"));
  EXPECT_EQ(Cell(grid, 4, 1), Cell(grid, 2, 1));
  // The model and the table agree.
  EXPECT_EQ(grid.CellText(2, 3), "64x48");

  // A vanished file keeps its row with what could be filled.
  grid.AddFile(QFile::encodeName(temp_.filePath(QStringLiteral("gone.png"))).toStdString(), Display(1, 0));
  EXPECT_EQ(grid.RowCount(), 5);
  EXPECT_EQ(Cell(grid, 5, 2), QString());
}

TEST_F(ImageGridTest, RemoveRenumbersAndClearKeepsColumns) {
  ImageGrid grid;
  grid.CreateColumns(Display(0, 0));
  for (const char* name : {"a", "b", "c", "d", "e"}) grid.AddFile(WriteFile(name, 1), Display(0, 0));
  EXPECT_EQ(grid.SelectedRow(), 0);
  grid.selectRow(2);
  EXPECT_EQ(grid.SelectedRow(), 3);
  grid.RemoveRow(3);
  ASSERT_EQ(grid.RowCount(), 4);
  EXPECT_TRUE(Cell(grid, 3, 1).endsWith(QStringLiteral("/d")));
  EXPECT_TRUE(Cell(grid, 4, 1).endsWith(QStringLiteral("/e")));
  EXPECT_TRUE(grid.CellText(3, 1).ends_with("/d"));
  grid.RemoveRow(9);  // outside: nothing
  EXPECT_EQ(grid.RowCount(), 4);

  grid.Clear();
  EXPECT_EQ(grid.RowCount(), 0);
  EXPECT_EQ(grid.rowCount(), 0);
  EXPECT_EQ(grid.columnCount(), 2);
  EXPECT_EQ(grid.SelectedRow(), 0);
}

class ContextMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    store_ = std::make_unique<RegFileStore>(QFile::encodeName(temp_.filePath("s.reg")).toStdString());
    window_ = std::make_unique<MainWindow>(settings_, *store_);
    window_->show();
    QApplication::processEvents();
  }
  void TearDown() override { window_->editMenu()->hide(); }
  void Click(Qt::MouseButton button) {
    QTest::mouseClick(window_->grid()->viewport(), button, Qt::NoModifier, QPoint(20, 5));
    QApplication::processEvents();
  }

  QTemporaryDir temp_;
  std::unique_ptr<RegFileStore> store_;
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(ContextMenuTest, RightClickOnAnEmptyListShowsBothEntriesDisabled) {
  QSignalSpy clicked(window_->grid(), &ImageGrid::RightClicked);
  Click(Qt::LeftButton);
  EXPECT_EQ(clicked.count(), 0);
  EXPECT_FALSE(window_->editMenu()->isVisible());

  Click(Qt::RightButton);
  EXPECT_EQ(clicked.count(), 1);
  QMenu* menu = window_->editMenu();
  EXPECT_TRUE(menu->isVisible());
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("&Remove Selected Image"));
  EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("&Cleanup List"));
  EXPECT_FALSE(menu->actions()[0]->isEnabled());
  EXPECT_FALSE(menu->actions()[1]->isEnabled());
}

TEST_F(ContextMenuTest, EntriesFollowTheMenuBarAndWork) {
  const QString file = temp_.filePath(QStringLiteral("one.jpg"));
  QFile(file).open(QIODevice::WriteOnly);
  dialogs_.files.push_back({file, file});
  window_->AddImageFiles();
  Click(Qt::RightButton);
  QMenu* menu = window_->editMenu();
  ASSERT_TRUE(menu->isVisible());
  EXPECT_TRUE(menu->actions()[0]->isEnabled());
  EXPECT_TRUE(menu->actions()[1]->isEnabled());
  EXPECT_EQ(menu->actions()[1], window_->Command(QStringLiteral("mnuClearList")));
  menu->actions()[1]->trigger();
  menu->hide();
  EXPECT_EQ(window_->grid()->RowCount(), 0);
  Click(Qt::RightButton);
  EXPECT_FALSE(menu->actions()[0]->isEnabled());
}

}  // namespace
}  // namespace vr
