// The JPEG options dialog: it opens at the record's quality held to 0..100,
// shows the slider's value, and only its OK puts the slider's value (never
// typed text) into the record; Cancel leaves the record alone.
#include "settings_dialog/jpeg_options_dialog.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "widgets/cpv_slider.h"

namespace vr {
namespace {

TEST(JpegOptionsDialogTest, OpensAtTheStoredQualityAndOnlyOkStoresTheSlidersValue) {
  SettingsRecord record;
  for (auto [stored, shown] : {std::pair{250, 100}, std::pair{-3, 0}, std::pair{85, 85}}) {
    record.JPEGquality = stored;
    JpegOptionsDialog dialog(record);
    EXPECT_EQ(dialog.QualitySlider()->Value(), shown) << stored;
    EXPECT_EQ(dialog.QualityText()->text(), QString::number(shown)) << stored;
    dialog.QualitySlider()->SetValue(42);
    dialog.QualityText()->setText("99");  // typing does not count
    dialog.findChild<QPushButton*>(stored == 85 ? "Command1" : "Command2")->click();
  }
  EXPECT_EQ(record.JPEGquality, 42) << "the last dialog's OK";
}

}  // namespace
}  // namespace vr
