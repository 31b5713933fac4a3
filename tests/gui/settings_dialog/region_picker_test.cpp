// The region picker: a click anywhere picks a cell, one on a grid line or
// beyond the grid the nearest; the grid is drawn over the sample; the
// watermark shown is the file the page names, read as a build reads it, and
// a file that cannot be read is told on the page at once.
#include "settings_dialog/region_picker.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QTest>
#include <string>

#include "core/imaging/pixel_test_util.h"
#include "settings/load_settings.h"
#include "settings_dialog/page_watermark.h"
#include "settings_dialog/settings_dialog.h"
#include "support/build_test_util.h"
#include "support/qt_image.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

struct RegionCase {
  int x;
  int y;
  int region;
};

class RegionPickerTest : public testing::TestWithParam<RegionCase> {};

// Numbered down each column, stored at once.
TEST_P(RegionPickerTest, AClickAnywhereStoresTheNearestCellAtOnce) {
  SettingsRecord record;
  record.WMArea = 42;
  RegionPicker picker(record);
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(GetParam().x, GetParam().y));
  EXPECT_EQ(record.WMArea, GetParam().region);
  EXPECT_EQ(picker.ShownRegion(), GetParam().region);
}

INSTANTIATE_TEST_SUITE_P(Cells, RegionPickerTest,
                         testing::Values(RegionCase{30, 150, 3}, RegionCase{90, 90, 5},
                                         RegionCase{150, 30, 7}, RegionCase{59, 59, 1},
                                         RegionCase{121, 179, 9}, RegionCase{1, 1, 1}));
// A grid line's pixel starts the cell after it; below the grid is the bottom row.
INSTANTIATE_TEST_SUITE_P(Borders, RegionPickerTest,
                         testing::Values(RegionCase{60, 30, 4}, RegionCase{30, 120, 3},
                                         RegionCase{120, 120, 9}, RegionCase{90, 180, 6},
                                         RegionCase{150, 184, 9}, RegionCase{30, 183, 3}));

// The lines at 60 and 120 stand out from the sample along their whole length.
TEST(RegionPickerGridTest, TheGridIsDrawnOverTheSample) {
  SettingsRecord record;
  RegionPicker picker(record);
  // The sample as the picker lays it on its background.
  QImage sample(picker.Shown().size(), QImage::Format_RGBA8888);
  sample.fill(picker.palette().color(QPalette::Window));
  QPainter painter(&sample);
  painter.drawImage(0, 0, ToQImage(LoadPictureFile(ButterflySample())));
  painter.end();
  for (int at : {60, 120}) {
    int drawn_down = 0, drawn_across = 0;
    for (int along = 0; along < 180; ++along) {
      drawn_down += picker.Shown().pixel(at, along) != sample.pixel(at, along);
      drawn_across += picker.Shown().pixel(along, at) != sample.pixel(along, at);
    }
    EXPECT_GT(drawn_down, 170) << at;
    EXPECT_GT(drawn_across, 170) << at;
  }
}

// The side of the largest square of pure black pixels inside `area`.
int LargestBlackSquare(const QImage& image, const QRect& area) {
  int best = 0;
  std::vector<int> above(static_cast<std::size_t>(area.width() + 1), 0), row(above.size(), 0);
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const auto i = static_cast<std::size_t>(x - area.left() + 1);
      const bool black = (image.pixel(x, y) & 0xFFFFFFu) == 0;
      row[i] = black ? std::min({above[i], above[i - 1], row[i - 1]}) + 1 : 0;
      best = std::max(best, row[i]);
    }
    std::swap(above, row);
  }
  return best;
}

class WatermarkFileTest : public testing::Test {
 protected:
  // The dialog opened on a stored watermark, subtracted at full strength in
  // the centre cell: where an opaque white file lies the picture turns black.
  std::unique_ptr<SettingsDialog> OpenWith(const std::string& file) {
    RegFileStore store(folder_.File("settings.reg"));
    for (const auto& [name, value] : {std::pair{"WMMode", 7}, std::pair{"WMOpacity", 100},
                                      std::pair{"WMAreaX", 90}, std::pair{"WMAreaY", 90}})
      EXPECT_TRUE(store.WriteNumber(name, value).ok());
    EXPECT_TRUE(store.WriteText("WMFile", file).ok());
    LoadSettings(store, record_, "/opt/varenna");
    auto dialog = std::make_unique<SettingsDialog>(record_, store_);
    dialog->show();
    dialog->SelectTab(3);
    return dialog;
  }
  static QImage Shown(const SettingsDialog& dialog) { return dialog.watermark()->picture1->Shown(); }
  static QString FileError(const SettingsDialog& dialog) {
    const QLabel* label = dialog.findChild<QLabel*>("LabelFileError");
    return label != nullptr ? label->text() : QStringLiteral("<no label>");
  }

  test::TempFolder folder_;
  RegFileStore store_{folder_.File("settings.reg")};
  SettingsRecord record_;
  test::ScriptedDialogs dialogs_;
};

TEST_F(WatermarkFileTest, TheChosenFileIsShownInTheCell) {
  test::WritePng(folder_.File("white30.png"), test::MakeImage(30, 30, {255, 255, 255, 255}));
  test::WritePng(folder_.File("white20.png"), test::MakeImage(20, 20, {255, 255, 255, 255}));
  const QRect centre(60, 60, 60, 60);
  auto dialog = OpenWith(folder_.File("white30.png"));
  ASSERT_EQ(dialog->watermark()->picture1->ShownRegion(), 5);
  EXPECT_GE(LargestBlackSquare(Shown(*dialog), centre), 30);
  EXPECT_EQ(FileError(*dialog), "");
  const QImage with30 = Shown(*dialog);
  // Another file named in the box, as a user types it.
  dialog->watermark()->text1->setText(QString::fromStdString(folder_.File("white20.png")));
  emit dialog->watermark()->text1->editingFinished();
  EXPECT_NE(Shown(*dialog), with30);
  EXPECT_LT(LargestBlackSquare(Shown(*dialog), centre), 30);
}

TEST_F(WatermarkFileTest, AFileThatCannotBeReadIsToldOnThePageAtOnce) {
  test::WriteTextFile(folder_.File("broken.png"), "not a picture");
  auto dialog = OpenWith(folder_.File("broken.png"));
  EXPECT_TRUE(FileError(*dialog).contains("cannot be read")) << FileError(*dialog).toStdString();
  // Picked through "...": told as soon as it is chosen.
  dialogs_.files.push_back({QString::fromStdString(folder_.File("white.png"))});
  test::WritePng(folder_.File("white.png"), test::MakeImage(8, 8, {255, 255, 255, 255}));
  dialog->watermark()->command1->click();
  EXPECT_EQ(FileError(*dialog), "");
  dialogs_.files.push_back({QString::fromStdString(folder_.File("missing.png"))});
  dialog->watermark()->command1->click();
  EXPECT_TRUE(FileError(*dialog).contains("cannot be read")) << FileError(*dialog).toStdString();
  const QLabel* label = dialog->findChild<QLabel*>("LabelFileError");
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->isVisible());
}

}  // namespace
}  // namespace vr
