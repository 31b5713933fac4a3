#include "settings_dialog/jpeg_options_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "widgets/cpv_slider.h"

namespace vr {
namespace {

TEST(JpegOptionsDialogTest, OpensAtTheRecordsQualityZero) {
  SettingsRecord record;
  JpegOptionsDialog dialog(record);
  EXPECT_EQ(dialog.windowTitle(), "Jpeg Output Options");
  EXPECT_EQ(dialog.QualitySlider()->Value(), 0);
  EXPECT_EQ(dialog.QualityText()->text(), "0");
}

TEST(JpegOptionsDialogTest, OpensAt85WithoutAChangeEvent) {
  SettingsRecord record;
  record.JPEGquality = 85;
  JpegOptionsDialog dialog(record);
  EXPECT_EQ(dialog.QualitySlider()->Value(), 85);
  EXPECT_EQ(dialog.QualityText()->text(), "85");
  EXPECT_EQ(dialog.QualitySlider()->Min(), 0);
  EXPECT_EQ(dialog.QualitySlider()->Max(), 100);
}

TEST(JpegOptionsDialogTest, SliderChangesShowAndOkStoresThem) {
  SettingsRecord record;
  record.JPEGquality = 85;
  JpegOptionsDialog dialog(record);
  dialog.QualitySlider()->SetValue(42);
  EXPECT_EQ(dialog.QualityText()->text(), "42");
  EXPECT_EQ(record.JPEGquality, 85) << "nothing reaches the record before OK";
  QTest::mouseClick(dialog.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(record.JPEGquality, 42);
}

TEST(JpegOptionsDialogTest, CancelLeavesTheRecord) {
  SettingsRecord record;
  record.JPEGquality = 85;
  JpegOptionsDialog dialog(record);
  dialog.QualitySlider()->SetValue(10);
  QTest::mouseClick(dialog.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_EQ(record.JPEGquality, 85);
}

TEST(JpegOptionsDialogTest, TypingDoesNotChangeTheQuality) {
  SettingsRecord record;
  record.JPEGquality = 30;
  JpegOptionsDialog dialog(record);
  dialog.QualityText()->setText("99");
  QTest::mouseClick(dialog.findChild<QPushButton*>("Command1"), Qt::LeftButton);
  EXPECT_EQ(record.JPEGquality, 30);
}

TEST(JpegOptionsDialogTest, AStoredQualityOutOfRangeOpensAtTheNearerEnd) {
  SettingsRecord record;
  record.JPEGquality = 250;
  JpegOptionsDialog dialog(record);
  EXPECT_EQ(dialog.QualitySlider()->Value(), 100);
  record.JPEGquality = -3;
  JpegOptionsDialog low(record);
  EXPECT_EQ(low.QualitySlider()->Value(), 0);
}

}  // namespace
}  // namespace vr
