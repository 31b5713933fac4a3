// The JPEG options dialog: it opens at the record's quality held to 0..100,
// shows the slider's value, and only its OK puts the slider's value (never
// typed text) into the record.
#include "settings_dialog/jpeg_options_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "widgets/cpv_slider.h"

namespace vr {
namespace {

void Press(JpegOptionsDialog& dialog, const char* button) {
  QTest::mouseClick(dialog.findChild<QPushButton*>(button), Qt::LeftButton);
}

TEST(JpegOptionsDialogTest, OpensAtTheStoredQualityHeldToTheSlider) {
  SettingsRecord record;
  for (auto [stored, shown] : {std::pair{85, 85}, std::pair{250, 100}, std::pair{-3, 0}}) {
    record.JPEGquality = stored;
    JpegOptionsDialog dialog(record);
    EXPECT_EQ(dialog.QualitySlider()->Value(), shown) << stored;
    EXPECT_EQ(dialog.QualityText()->text(), QString::number(shown)) << stored;
  }
}

TEST(JpegOptionsDialogTest, OkStoresTheSlidersValueAndCancelNothing) {
  SettingsRecord record;
  record.JPEGquality = 85;
  JpegOptionsDialog cancelled(record);
  cancelled.QualitySlider()->SetValue(10);
  Press(cancelled, "Command2");
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
  EXPECT_EQ(record.JPEGquality, 85);

  JpegOptionsDialog dialog(record);
  dialog.QualitySlider()->SetValue(42);
  EXPECT_EQ(dialog.QualityText()->text(), "42");
  EXPECT_EQ(record.JPEGquality, 85) << "nothing reaches the record before OK";
  dialog.QualityText()->setText("99");
  Press(dialog, "Command1");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(record.JPEGquality, 42);
}

}  // namespace
}  // namespace vr
