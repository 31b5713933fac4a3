#include "settings_dialog/settings_dialog.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "settings/load_settings.h"
#include "settings_dialog/page_effects.h"
#include "settings_dialog/page_general.h"
#include "settings_dialog/page_output.h"
#include "settings_dialog/page_watermark.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "widgets/cpv_slider.h"
#include "widgets/v_up_down.h"

namespace vr {
namespace {

class SettingsDialogTest : public testing::Test {
 protected:
  SettingsDialogTest() : store(folder.File("settings.reg")) {}

  // The record as the main window would have it: loaded from the store.
  std::unique_ptr<SettingsDialog> Open() {
    LoadSettings(store, record, "/opt/varenna");
    auto dialog = std::make_unique<SettingsDialog>(record, store);
    dialog->show();
    return dialog;
  }
  template <class T>
  static T* Find(SettingsDialog& dialog, const char* name) {
    T* widget = dialog.findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  static void Select(QComboBox* combo, const char* text) {
    const int index = combo->findText(text);
    ASSERT_GE(index, 0) << text;
    combo->setCurrentIndex(index);
  }

  test::TempFolder folder;
  RegFileStore store;
  SettingsRecord record;
  test::ScriptedDialogs dialogs;
};

TEST_F(SettingsDialogTest, OpensOnAnEmptyStoreWithTheDefaults) {
  auto dialog = Open();
  EXPECT_EQ(dialog->windowTitle(), "Varenna Pro - Settings");
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text10")->text(), "300");
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text11")->text(), "300");
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "Option1")->isChecked());
  EXPECT_FALSE(Find<QRadioButton>(*dialog, "Option2")->isChecked());
  auto* format = Find<QComboBox>(*dialog, "Combo1");
  EXPECT_EQ(format->currentText(), "Windows Bitmap (BMP)");
  EXPECT_FALSE(Find<QPushButton>(*dialog, "Command5")->isEnabled());
  EXPECT_EQ(Find<QComboBox>(*dialog, "Combo2")->currentText(), "Addictive");
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text14")->text(), "0");
  EXPECT_EQ(Find<cpvSlider>(*dialog, "Slider6")->Value(), 0);
  for (const char* name : {"Slider1", "Slider2", "Slider3", "Slider4", "Slider5"})
    EXPECT_EQ(Find<cpvSlider>(*dialog, name)->Value(), 0) << name;
  EXPECT_EQ(record.WMArea, 1) << "the first drawing of the picker at (0, 0)";
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text9")->text(), "/opt/varenna");
}

TEST_F(SettingsDialogTest, ItemListsAndTabsAreInTheirOrder) {
  auto dialog = Open();
  auto* tabs = Find<QTabBar>(*dialog, "Tab1");
  ASSERT_EQ(tabs->count(), 5);
  EXPECT_EQ(tabs->tabText(2), "Water Mark");
  auto* modes = Find<QComboBox>(*dialog, "Combo2");
  QStringList texts;
  for (int i = 0; i < modes->count(); ++i) texts << modes->itemText(i);
  EXPECT_EQ(texts, QStringList({"Addictive", "Subtractive", "Mask", "Copy (DST)", "OR", "AND", "XOR"}));
  EXPECT_EQ(Find<QComboBox>(*dialog, "Combo1")->itemText(1), "JPEG - JFIF Compatble (JPG)");
  EXPECT_EQ(Find<QCheckBox>(*dialog, "Check3")->text(), "Black && White");
  EXPECT_EQ(Find<QCheckBox>(*dialog, "Check10")->text(), "Show addictional information in the list");

  EXPECT_TRUE(dialog->general()->isVisible());
  tabs->setCurrentIndex(3);
  EXPECT_TRUE(dialog->output()->isVisible());
  EXPECT_FALSE(dialog->general()->isVisible());
  EXPECT_FALSE(dialog->effects()->isVisible());
}

TEST_F(SettingsDialogTest, AStoredModeWithoutAnItemOpensAddictiveAndSavesZero) {
  ASSERT_TRUE(store.WriteNumber("WMMode", 5).ok());
  auto dialog = Open();
  EXPECT_EQ(Find<QComboBox>(*dialog, "Combo2")->currentText(), "Addictive");
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command2"), Qt::LeftButton);
  EXPECT_EQ(RegFileStore(folder.File("settings.reg")).ReadNumber("WMMode"), 0);
}

TEST_F(SettingsDialogTest, MaskAndAndPinTheOpacityAt100) {
  auto dialog = Open();
  auto* modes = Find<QComboBox>(*dialog, "Combo2");
  auto* opacity = Find<cpvSlider>(*dialog, "Slider6");
  opacity->SetValue(40);
  EXPECT_EQ(record.WMOpacity, 40);
  Select(modes, "AND");
  EXPECT_EQ(opacity->Value(), 100);
  EXPECT_FALSE(opacity->isEnabled());
  EXPECT_FALSE(dialog->watermark()->opacity_label->isEnabled());
  EXPECT_FALSE(dialog->watermark()->opacity_low->isEnabled());
  EXPECT_EQ(record.WMOpacity, 100) << "the slider's change reaches the record at once";
  Select(modes, "OR");
  EXPECT_TRUE(opacity->isEnabled());
  EXPECT_TRUE(dialog->watermark()->opacity_high->isEnabled());
  EXPECT_EQ(opacity->Value(), 100);
  Select(modes, "Mask");
  EXPECT_FALSE(opacity->isEnabled());
}

TEST_F(SettingsDialogTest, OriginalDimensionsDisablesTheSizesButKeepsThem) {
  ASSERT_TRUE(store.WriteNumber("OUTwidth", 640).ok());
  ASSERT_TRUE(store.WriteNumber("OUTpropw", -1).ok());
  auto dialog = Open();
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "Option3")->isChecked());
  Find<QCheckBox>(*dialog, "Check8")->click();
  for (const char* name : {"Option1", "Option2", "Option3"})
    EXPECT_FALSE(Find<QRadioButton>(*dialog, name)->isEnabled()) << name;
  EXPECT_FALSE(Find<QLineEdit>(*dialog, "Text10")->isEnabled());
  EXPECT_FALSE(Find<QLineEdit>(*dialog, "Text11")->isEnabled());
  EXPECT_FALSE(Find<QLabel>(*dialog, "Label16")->isEnabled());
  EXPECT_FALSE(Find<QLabel>(*dialog, "Label17")->isEnabled());
  ASSERT_NE(dialog->WidthUpDown()->ArrowWindow(), nullptr);
  EXPECT_FALSE(dialog->WidthUpDown()->ArrowWindow()->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "Option3")->isChecked());
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command2"), Qt::LeftButton);
  RegFileStore file(folder.File("settings.reg"));
  EXPECT_EQ(file.ReadNumber("OUToriginal"), 1);
  EXPECT_EQ(file.ReadNumber("OUTwidth"), 640);
  EXPECT_EQ(file.ReadNumber("OUTpropw"), -1);
  EXPECT_EQ(file.ReadNumber("OUTnoprop"), 0);
}

TEST_F(SettingsDialogTest, UnTickingOriginalDimensionsEnablesThemAgain) {
  ASSERT_TRUE(store.WriteNumber("OUToriginal", 1).ok());
  auto dialog = Open();
  EXPECT_FALSE(Find<QLineEdit>(*dialog, "Text10")->isEnabled());
  EXPECT_FALSE(dialog->HeightUpDown()->ArrowWindow()->isEnabled());
  Find<QCheckBox>(*dialog, "Check8")->click();
  EXPECT_TRUE(Find<QLineEdit>(*dialog, "Text10")->isEnabled());
  EXPECT_TRUE(Find<QRadioButton>(*dialog, "Option2")->isEnabled());
  EXPECT_TRUE(dialog->HeightUpDown()->ArrowWindow()->isEnabled());
}

TEST_F(SettingsDialogTest, OptionsIsEnabledForJpegOnly) {
  auto dialog = Open();
  auto* format = Find<QComboBox>(*dialog, "Combo1");
  auto* options = Find<QPushButton>(*dialog, "Command5");
  format->setCurrentIndex(1);
  EXPECT_TRUE(options->isEnabled());
  format->setCurrentIndex(2);
  EXPECT_FALSE(options->isEnabled());
  format->setCurrentIndex(1);
  EXPECT_TRUE(options->isEnabled());
  format->setCurrentIndex(0);
  EXPECT_FALSE(options->isEnabled());
}

TEST_F(SettingsDialogTest, DefaultZeroesTheEffectsButLeavesPreview) {
  ASSERT_TRUE(store.WriteNumber("NoiseLevel", 90).ok());
  ASSERT_TRUE(store.WriteNumber("ContrastLevel", -100).ok());
  ASSERT_TRUE(store.WriteNumber("CorrectionLevel", 50).ok());
  ASSERT_TRUE(store.WriteNumber("NegativeFlag", 1).ok());
  ASSERT_TRUE(store.WriteNumber("GrayScaleFlag", 1).ok());
  ASSERT_TRUE(store.WriteNumber("ImgPreview", 1).ok());
  auto dialog = Open();
  EXPECT_EQ(Find<cpvSlider>(*dialog, "Slider1")->Value(), 90);
  EXPECT_EQ(Find<cpvSlider>(*dialog, "Slider3")->Value(), -100);
  EXPECT_TRUE(Find<QCheckBox>(*dialog, "Check2")->isChecked());
  dialog->SelectTab(2);
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command4"), Qt::LeftButton);
  for (const char* name : {"Slider1", "Slider2", "Slider3", "Slider4", "Slider5"})
    EXPECT_EQ(Find<cpvSlider>(*dialog, name)->Value(), 0) << name;
  EXPECT_FALSE(Find<QCheckBox>(*dialog, "Check2")->isChecked());
  EXPECT_FALSE(Find<QCheckBox>(*dialog, "Check3")->isChecked());
  EXPECT_TRUE(Find<QCheckBox>(*dialog, "Check1")->isChecked());
}

TEST_F(SettingsDialogTest, CancelKeepsTheImmediateChangesButWritesNothing) {
  record.JPEGquality = 0;
  auto dialog = Open();
  Find<cpvSlider>(*dialog, "Slider6")->SetValue(70);
  dialog->SelectTab(3);
  QTest::mouseClick(dialog->watermark()->picture1, Qt::LeftButton, {}, QPoint(150, 150));
  Find<QComboBox>(*dialog, "Combo1")->setCurrentIndex(1);
  Find<QLineEdit>(*dialog, "Text8")->setText("changed");
  // The JPEG options dialog is modal: answer it from a timer.
  QTimer::singleShot(0, [&] {
    auto* options = dialog->findChild<QDialog*>("Form8");
    ASSERT_NE(options, nullptr);
    options->findChild<cpvSlider*>("cpvSlider1")->SetValue(64);
    options->findChild<QPushButton*>("Command1")->click();
  });
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command5"), Qt::LeftButton);
  EXPECT_EQ(record.JPEGquality, 64);
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command3"), Qt::LeftButton);
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(record.WMOpacity, 70);
  EXPECT_EQ(record.WMArea, 9);
  EXPECT_EQ(record.JPEGquality, 64);
  EXPECT_EQ(record.OUTname, "");
  EXPECT_EQ(record.OUTformat, 0);
  EXPECT_EQ(test::ReadTextFile(folder.File("settings.reg")), "") << "nothing reached the store";
}

TEST_F(SettingsDialogTest, StoredValuesOutsideTheControlsOpenClamped) {
  ASSERT_TRUE(store.WriteNumber("OUTformat", 5).ok());
  ASSERT_TRUE(store.WriteNumber("NoiseLevel", 300).ok());
  ASSERT_TRUE(store.WriteNumber("BrightnessLevel", -999).ok());
  ASSERT_TRUE(store.WriteNumber("OUTwidth", 5000).ok());
  ASSERT_TRUE(store.WriteNumber("OUTheight", 3).ok());
  ASSERT_TRUE(store.WriteNumber("WMAngle", 720).ok());
  ASSERT_TRUE(store.WriteNumber("WMOpacity", 250).ok());
  std::unique_ptr<SettingsDialog> dialog;
  ASSERT_NO_THROW(dialog = Open());
  EXPECT_EQ(Find<QComboBox>(*dialog, "Combo1")->currentIndex(), 2);
  EXPECT_EQ(Find<cpvSlider>(*dialog, "Slider1")->Value(), 255);
  EXPECT_EQ(Find<cpvSlider>(*dialog, "Slider2")->Value(), -255);
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text10")->text(), "1024");
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text11")->text(), "10");
  EXPECT_EQ(Find<QLineEdit>(*dialog, "Text14")->text(), "359");
  EXPECT_EQ(Find<cpvSlider>(*dialog, "Slider6")->Value(), 100);
}

TEST_F(SettingsDialogTest, WatermarkFileAndFolderPickers) {
  auto dialog = Open();
  auto* file = Find<QLineEdit>(*dialog, "Text1");
  auto* out = Find<QLineEdit>(*dialog, "Text9");
  file->setText("/keep.png");
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command1"), Qt::LeftButton);
  EXPECT_EQ(file->text(), "/keep.png") << "a cancelled dialog changes nothing";
  ASSERT_EQ(dialogs.file_requests.size(), 1u);
  EXPECT_EQ(dialogs.file_requests[0].title, QString::fromUtf8("Marca d\u00b4\u00e1gua..."));
  EXPECT_EQ(dialogs.file_requests[0].default_suffix, "jpg");
  dialogs.files.push_back({"/pics/not-there.png"});
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command1"), Qt::LeftButton);
  EXPECT_EQ(file->text(), "/pics/not-there.png");

  QTest::mouseClick(Find<QPushButton>(*dialog, "Command7"), Qt::LeftButton);
  EXPECT_EQ(out->text(), "/opt/varenna");
  dialogs.folders.push_back("/thumbs");
  QTest::mouseClick(Find<QPushButton>(*dialog, "Command7"), Qt::LeftButton);
  EXPECT_EQ(out->text(), "/thumbs");
  ASSERT_EQ(dialogs.folder_titles.size(), 2u);
  EXPECT_EQ(dialogs.folder_titles[0], QString::fromUtf8("Diret\u00f3rio padr\u00e3o de sa\u00edda..."));
}

}  // namespace
}  // namespace vr
