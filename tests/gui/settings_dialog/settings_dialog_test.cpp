// The settings dialog through the store file: a stored value opens in its
// control (held to what the control can show) and OK writes back what the
// control shows; a change in a control reaches the file on OK and never on
// Cancel; a save that fails is told and keeps the dialog; and the pages'
// enabling rules.
#include "settings_dialog/settings_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <optional>
#include <stdexcept>

#include "settings/load_settings.h"
#include "settings_dialog/page_watermark.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "widgets/cpv_slider.h"
#include "widgets/v_up_down.h"

namespace vr {
namespace {

// A control by the objectName scripts use.
template <class T>
T& Child(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(QString::fromLatin1(name));
  if (child == nullptr) throw std::runtime_error(std::string("no control ") + name);
  return *child;
}

class SettingsDialogTest : public testing::Test {
 protected:
  // The record as the main window has it: loaded from the store.
  std::unique_ptr<SettingsDialog> Open() {
    LoadSettings(store, record, "/opt/varenna");
    auto dialog = std::make_unique<SettingsDialog>(record, store);
    dialog->show();
    return dialog;
  }
  static void Press(SettingsDialog& dialog, const char* button) {
    QTest::mouseClick(&Child<QPushButton>(dialog, button), Qt::LeftButton);
  }
  // The file as another reader sees it.
  RegFileStore File() const { return RegFileStore(folder.File("settings.reg")); }

  test::TempFolder folder;
  RegFileStore store{folder.File("settings.reg")};
  SettingsRecord record;
  test::ScriptedDialogs dialogs;
};

struct StoredCase {
  const char* name;
  std::int32_t stored;
  std::int32_t saved;
  const char* also = nullptr;  // a second value the control decides
  std::int32_t also_saved = 0;
};

class StoredValueTest : public SettingsDialogTest, public testing::WithParamInterface<StoredCase> {};

TEST_P(StoredValueTest, OpensInItsControlAndOkWritesWhatTheControlShows) {
  const StoredCase& c = GetParam();
  ASSERT_TRUE(store.WriteNumber(c.name, c.stored).ok());
  auto dialog = Open();
  Press(*dialog, "Command2");
  EXPECT_EQ(File().ReadNumber(c.name), c.saved);
  if (c.also != nullptr) {
    EXPECT_EQ(File().ReadNumber(c.also), c.also_saved) << c.also;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredValueTest,
    testing::Values(
        StoredCase{"GENextra", 1, 1}, StoredCase{"GENgrid", 1, 1}, StoredCase{"ImgPreview", 1, 1},
        StoredCase{"BrightnessLevel", -30, -30}, StoredCase{"ContrastLevel", -100, -100},
        StoredCase{"SaturationLevel", 40, 40}, StoredCase{"CorrectionLevel", 50, 50},
        StoredCase{"GrayScaleFlag", 1, 1}, StoredCase{"OUTdatefolder", 1, 1},
        StoredCase{"OUTheight", 480, 480}, StoredCase{"OUToriginal", 1, 1}, StoredCase{"ADVempty", 1, 1},
        StoredCase{"ADVpixall", 1, 1}, StoredCase{"WMOpacity", 60, 60}, StoredCase{"JPEGquality", 77, 77},
        StoredCase{"WMMode", 7, 7},
        // The option buttons: the last one stored non-zero is chosen.
        StoredCase{"OUTproph", -1, -1, "OUTnoprop", 0}, StoredCase{"OUTpropw", -1, -1, "OUTproph", 0},
        // The region picker redraws at the stored click point.
        StoredCase{"WMAreaX", 150, 150, "WMArea", 7}, StoredCase{"WMAreaY", 150, 150, "WMArea", 3}));

INSTANTIATE_TEST_SUITE_P(HeldToTheControl, StoredValueTest,
                         testing::Values(StoredCase{"NegativeFlag", 5, 1}, StoredCase{"OUTformat", 5, 2},
                                         StoredCase{"NoiseLevel", 300, 255},
                                         StoredCase{"BrightnessLevel", -999, -255},
                                         StoredCase{"OUTwidth", 5000, 1024}, StoredCase{"OUTheight", 3, 10},
                                         StoredCase{"WMAngle", 720, 359}, StoredCase{"WMOpacity", 250, 100},
                                         // A mode without an item opens as "Addictive".
                                         StoredCase{"WMMode", 5, 0}));

// Leaves a control as a user would: a click on a box or option, `input`
// typed into a text box, or the slider's value or the list's item.
void Edit(SettingsDialog& dialog, const char* control, const char* input) {
  QObject& object = Child<QObject>(dialog, control);
  if (auto* button = qobject_cast<QAbstractButton*>(&object))
    button->click();
  else if (auto* text = qobject_cast<QLineEdit*>(&object))
    text->setText(QString::fromUtf8(input));
  else if (auto* list = qobject_cast<QComboBox*>(&object))
    list->setCurrentIndex(std::atoi(input));
  else if (auto* slider = qobject_cast<cpvSlider*>(&object))
    slider->SetValue(std::atoi(input));
  else
    ADD_FAILURE() << control << " is no control";
}

struct EditCase {
  const char* control;
  const char* input;
  const char* name;
  const char* saved;
};

class ControlEditTest : public SettingsDialogTest, public testing::WithParamInterface<EditCase> {};

TEST_P(ControlEditTest, ReachesTheFileOnOk) {
  const EditCase& c = GetParam();
  auto dialog = Open();
  Edit(*dialog, c.control, c.input);
  EXPECT_FALSE(File().ReadNumber(c.name) || File().ReadText(c.name)) << "written before OK";
  QSignalSpy saved(dialog.get(), &SettingsDialog::SettingsSaved);
  Press(*dialog, "Command2");
  EXPECT_EQ(saved.count(), 1);
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  const std::optional<std::int32_t> number = File().ReadNumber(c.name);
  EXPECT_EQ(number ? std::to_string(*number) : File().ReadText(c.name).value_or("<none>"), c.saved);
}

INSTANTIATE_TEST_SUITE_P(
    Controls, ControlEditTest,
    testing::Values(
        EditCase{"Check10", "", "GENextra", "1"}, EditCase{"Check11", "", "GENgrid", "1"},
        EditCase{"Text1", "/pics/logo.png", "WMFile", "/pics/logo.png"},
        EditCase{"Combo2", "6", "WMMode", "2"}, EditCase{"Text14", "45", "WMAngle", "45"},
        EditCase{"Slider6", "70", "WMOpacity", "70"}, EditCase{"Check1", "", "ImgPreview", "1"},
        EditCase{"Slider1", "12", "NoiseLevel", "12"}, EditCase{"Slider2", "-30", "BrightnessLevel", "-30"},
        EditCase{"Slider3", "20", "ContrastLevel", "20"}, EditCase{"Slider4", "40", "SaturationLevel", "40"},
        EditCase{"Slider5", "55", "CorrectionLevel", "55"}, EditCase{"Check2", "", "NegativeFlag", "1"},
        EditCase{"Check3", "", "GrayScaleFlag", "1"}, EditCase{"Text8", "t_%###", "OUTname", "t_%###"},
        EditCase{"Text9", "/out", "OUTfolder", "/out"}, EditCase{"Check7", "", "OUTdatefolder", "1"},
        EditCase{"Combo1", "2", "OUTformat", "2"}, EditCase{"Text10", "640", "OUTwidth", "640"},
        EditCase{"Text11", "480", "OUTheight", "480"}, EditCase{"Check8", "", "OUToriginal", "1"},
        EditCase{"Option2", "", "OUTproph", "-1"}, EditCase{"Option3", "", "OUTpropw", "-1"},
        EditCase{"Check4", "", "ADVempty", "1"}, EditCase{"Check5", "", "ADVpixall", "1"}),
    [](const testing::TestParamInfo<EditCase>& info) { return std::string(info.param.control); });

TEST_F(SettingsDialogTest, CancelWritesNothingButKeepsTheChangesMadeAtOnce) {
  record.JPEGquality = 0;
  auto dialog = Open();
  Edit(*dialog, "Slider6", "70");
  dialog->SelectTab(3);
  QTest::mouseClick(dialog->watermark()->picture1, Qt::LeftButton, {}, QPoint(150, 150));
  Edit(*dialog, "Text8", "changed");
  Edit(*dialog, "Combo1", "1");
  // The JPEG options dialog is modal: answer it from a timer.
  QTimer::singleShot(0, [&] {
    auto& options = Child<QDialog>(*dialog, "Form8");
    Child<cpvSlider>(options, "cpvSlider1").SetValue(64);
    Child<QPushButton>(options, "Command1").click();
  });
  Press(*dialog, "Command5");
  Press(*dialog, "Command3");
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(record.WMOpacity, 70);
  EXPECT_EQ(record.WMArea, 9);
  EXPECT_EQ(record.JPEGquality, 64);
  EXPECT_EQ(record.OUTname, "");
  EXPECT_EQ(test::ReadTextFile(folder.File("settings.reg")), "");
}

TEST_F(SettingsDialogTest, OkOnAnUnwritableStoreTellsTheUserAndStaysOpen) {
  test::WriteTextFile(folder.File("blocker"), "x");  // where the store's folder would have to be
  RegFileStore blocked(folder.File("blocker/sub/settings.reg"));
  SettingsDialog dialog(record, blocked);
  dialog.show();
  Press(dialog, "Command2");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("blocker")) << dialogs.messages[0].text.toStdString();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(SettingsDialogTest, MaskAndAndPinTheOpacityAt100AndOtherModesFreeIt) {
  auto dialog = Open();
  auto& modes = Child<QComboBox>(*dialog, "Combo2");
  auto& opacity = Child<cpvSlider>(*dialog, "Slider6");
  opacity.SetValue(40);
  for (const char* mode : {"AND", "OR", "Mask", "XOR"}) {
    modes.setCurrentText(QString::fromLatin1(mode));
    const bool pinned = modes.currentText() == "AND" || modes.currentText() == "Mask";
    EXPECT_EQ(opacity.isEnabled(), !pinned) << mode;
    EXPECT_EQ(dialog->watermark()->opacity_label->isEnabled(), !pinned) << mode;
    EXPECT_EQ(opacity.Value(), 100) << mode << ": a freed slider keeps its value";
    EXPECT_EQ(record.WMOpacity, 100) << mode;
  }
}

TEST_F(SettingsDialogTest, OriginalDimensionsDisablesTheSizesAndOptionsForJpegOnly) {
  auto dialog = Open();
  auto& original = Child<QCheckBox>(*dialog, "Check8");
  for (bool ticked : {true, false}) {
    original.setChecked(ticked);
    for (const char* name : {"Option1", "Option2", "Option3", "Text10", "Text11", "Label16", "Label17"})
      EXPECT_EQ(Child<QWidget>(*dialog, name).isEnabled(), !ticked) << name;
    EXPECT_EQ(dialog->WidthUpDown()->ArrowWindow()->isEnabled(), !ticked);
    EXPECT_EQ(dialog->HeightUpDown()->ArrowWindow()->isEnabled(), !ticked);
  }
  auto& format = Child<QComboBox>(*dialog, "Combo1");
  for (int item : {1, 2, 0}) {
    format.setCurrentIndex(item);
    EXPECT_EQ(Child<QPushButton>(*dialog, "Command5").isEnabled(), item == 1)
        << format.currentText().toStdString();
  }
}

TEST_F(SettingsDialogTest, FilePickersAskWithTheirTitlesAndACancelChangesNothing) {
  auto dialog = Open();
  dialogs.files.push_back({"/pics/not-there.png"});
  Press(*dialog, "Command1");
  EXPECT_EQ(Child<QLineEdit>(*dialog, "Text1").text(), "/pics/not-there.png") << "kept though unreadable";
  Press(*dialog, "Command7");  // cancelled
  EXPECT_EQ(Child<QLineEdit>(*dialog, "Text9").text(), "/opt/varenna");
  ASSERT_EQ(dialogs.file_requests.size(), 1u);
  EXPECT_EQ(dialogs.file_requests[0].title, QString::fromUtf8("Marca d\u00b4\u00e1gua..."));
  ASSERT_EQ(dialogs.folder_titles.size(), 1u);
  EXPECT_EQ(dialogs.folder_titles[0], QString::fromUtf8("Diret\u00f3rio padr\u00e3o de sa\u00edda..."));
}

}  // namespace
}  // namespace vr
