// The settings dialog through the store file: a stored value opens in its
// control (held to what the control can show) and OK writes back what the
// control shows; a change in a control reaches the file on OK and never on
// Cancel; a save that fails is told and keeps the dialog; the blend list
// heads with Normal and the font button asks the font dialog. Then the JPEG
// options dialog and the newer formats' ones, the naming menu and the pages' previews and their
// pictures.
#include "settings_dialog/settings_dialog.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/engine.h"
#include "settings/load_settings.h"
#include "settings_dialog/effects_preview.h"
#include "settings_dialog/format_options_dialog.h"
#include "settings_dialog/jpeg_options_dialog.h"
#include "settings_dialog/naming_menu.h"
#include "settings_dialog/page_effects.h"
#include "settings_dialog/page_watermark.h"
#include "support/qt_image.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "thumbnail/watermark.h"
#include "widgets/cpv_slider.h"

namespace vr {
namespace {

// Leaves a control as a user would: a click on a button, box or option, `input`
// typed into a text box, the slider's value or the list's item, or a menu
// entry chosen.
void Edit(QObject& dialog, const char* control, const char* input) {
  QObject* object = dialog.findChild<QObject*>(QString::fromLatin1(control));
  ASSERT_NE(object, nullptr) << "no control " << control;
  if (auto* button = qobject_cast<QAbstractButton*>(object))
    button->click();
  else if (auto* text = qobject_cast<QLineEdit*>(object))
    text->setText(QString::fromUtf8(input));
  else if (auto* list = qobject_cast<QComboBox*>(object))
    list->setCurrentIndex(std::atoi(input));
  else if (auto* spin = qobject_cast<QSpinBox*>(object))
    spin->setValue(std::atoi(input));
  else if (auto* slider = qobject_cast<cpvSlider*>(object))
    slider->SetValue(std::atoi(input));
  else if (auto* entry = qobject_cast<QAction*>(object))
    entry->trigger();
  else
    ADD_FAILURE() << control << " is no control";
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
  // A number, or else a text, into the store.
  void Store(const char* name, const std::string& value) {
    const bool numeric = value.find_first_not_of("-0123456789") == std::string::npos;
    ASSERT_TRUE((numeric ? store.WriteNumber(name, std::stoi(value)) : store.WriteText(name, value)).ok());
  }
  // The value in the file as another reader sees it.
  std::string InFile(const char* name) const {
    RegFileStore file(folder.File("settings.reg"));
    if (const std::optional<std::int32_t> number = file.ReadNumber(name)) return std::to_string(*number);
    return file.ReadText(name).value_or("<none>");
  }

  test::TempFolder folder;
  RegFileStore store{folder.File("settings.reg")};
  SettingsRecord record;
  test::ScriptedDialogs dialogs;
};

// Space-separated NAME=VALUE pairs.
std::vector<std::pair<std::string, std::string>> Pairs(const char* text) {
  std::vector<std::pair<std::string, std::string>> pairs;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    const std::size_t equals = word.find('=');
    pairs.emplace_back(word.substr(0, equals), equals == std::string::npos ? "" : word.substr(equals + 1));
  }
  return pairs;
}

// What is in the store, the control a user then changes (CONTROL=INPUT, see
// Edit), and what the file holds after OK (the stored values when empty).
struct RoundTrip {
  const char* stored;
  const char* edit;
  const char* saved;
};

class RoundTripTest : public SettingsDialogTest, public testing::WithParamInterface<RoundTrip> {};

TEST_P(RoundTripTest, OkWritesWhatTheControlsShow) {
  for (const auto& [name, value] : Pairs(GetParam().stored)) Store(name.c_str(), value);
  const std::string before = test::ReadTextFile(folder.File("settings.reg"));
  dialogs.files.push_back({"/pics/not-there.png"});  // for the watermark's picker; the folder's is cancelled
  dialogs.colours.push_back(QColor(0x1a, 0x2b, 0x3c));  // for the background or the text's colour
  dialogs.fonts.push_back("Serif");                     // for the text's font
  auto dialog = Open();
  for (const auto& [control, input] : Pairs(GetParam().edit)) Edit(*dialog, control.c_str(), input.c_str());
  EXPECT_EQ(test::ReadTextFile(folder.File("settings.reg")), before) << "written before OK";
  Edit(*dialog, "Command2", "");
  EXPECT_EQ(dialog->result(), QDialog::Accepted);
  for (const auto& [name, value] : Pairs(*GetParam().saved != '\0' ? GetParam().saved : GetParam().stored))
    EXPECT_EQ(InFile(name.c_str()), value) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Stored, RoundTripTest,
    testing::Values(
        RoundTrip{"GENextra=1 GENgrid=1 ImgPreview=1 NoiseLevel=40 BrightnessLevel=-30 ContrastLevel=-100 "
                  "SaturationLevel=10 CorrectionLevel=50 NegativeFlag=1 GrayScaleFlag=1 WMFile=/old.png "
                  "WMMode=7 WMAngle=90 WMOpacity=60 OUTname=old OUTfolder=/old OUTdatefolder=1 OUTformat=1 "
                  "OUTwidth=480 OUTheight=600 OUToriginal=1 ADVempty=1 ADVpixall=1 JPEGquality=77 "
                  "OUTbackground=255 OUTcolour=1 OUTkeeptree=1 OUTifexists=3",
                  "", ""},
        // Held to what the control can show.
        RoundTrip{"NegativeFlag=5", "", "NegativeFlag=1"}, RoundTrip{"OUTformat=9", "", "OUTformat=5"},
        RoundTrip{"OUTcolour=7", "", "OUTcolour=0"}, RoundTrip{"OUTifexists=9", "", "OUTifexists=0"},
        RoundTrip{"NoiseLevel=300", "", "NoiseLevel=255"},
        RoundTrip{"BrightnessLevel=-999", "", "BrightnessLevel=-255"},
        RoundTrip{"OUTwidth=5000 OUTheight=3", "", "OUTwidth=1024 OUTheight=10"},
        RoundTrip{"WMAngle=720 WMOpacity=250", "", "WMAngle=359 WMOpacity=100"},
        RoundTrip{"WMMode=5", "", "WMMode=0"},  // a mode without an item opens as "Addictive"
        // The option buttons: the last one stored non-zero is chosen.
        RoundTrip{"OUTproph=-1", "", "OUTproph=-1 OUTnoprop=0"},
        RoundTrip{"OUTpropw=-1", "", "OUTpropw=-1 OUTproph=0"},
        // The region picker redraws at the stored click point.
        RoundTrip{"WMAreaX=150", "", "WMAreaX=150 WMArea=7"},
        RoundTrip{"WMAreaY=150", "", "WMAreaY=150 WMArea=3"},
        // There is no FTP page: the anonymous login on port 0, which loading reads as 21.
        RoundTrip{"FTPport=2121", "", "FTPport=0 FTPuser=anonymous"},
        // Metadata: a code without an item opens as stripping, which is what a run does with it.
        RoundTrip{"OUTmetadata=2", "", ""}, RoundTrip{"OUTmetadata=7", "", "OUTmetadata=0"},
        // Fit and fill win over the options of old; unknown codes open as the first item.
        RoundTrip{"OUTpropw=-1 OUTfit=2 OUTcrop=1 OUTenlarge=1", "",
                  "OUTpropw=0 OUTfit=2 OUTcrop=1 OUTenlarge=1"},
        RoundTrip{"OUTfit=1 OUTenlarge=2", "", ""},
        RoundTrip{"OUTfit=9 OUTcrop=4 OUTenlarge=7", "", "OUTfit=0 OUTcrop=0 OUTenlarge=0"}));

INSTANTIATE_TEST_SUITE_P(
    Edited, RoundTripTest,
    testing::Values(
        RoundTrip{"GENextra=1 GENgrid=1", "Check10 Check11", "GENextra=0 GENgrid=0"},
        RoundTrip{"", "Text1=/pics/logo.png Combo2=7 Text14=45", "WMFile=/pics/logo.png WMMode=2 WMAngle=45"},
        RoundTrip{"", "Slider6=70 Check1 Slider1=12", "WMOpacity=70 ImgPreview=1 NoiseLevel=12"},
        RoundTrip{"", "Slider2=-30 Slider3=20", "BrightnessLevel=-30 ContrastLevel=20"},
        RoundTrip{"", "Slider4=40 Slider5=55", "SaturationLevel=40 CorrectionLevel=55"},
        RoundTrip{"NegativeFlag=1", "Check2 Check3", "NegativeFlag=0 GrayScaleFlag=1"},
        RoundTrip{"", "Text8=t_%### Text9=/out Check7", "OUTname=t_%### OUTfolder=/out OUTdatefolder=1"},
        RoundTrip{"", "Combo1=2 Text10=640 Text11=480", "OUTformat=2 OUTwidth=640 OUTheight=480"},
        RoundTrip{"", "Check8 Check4 Check5", "OUToriginal=1 ADVempty=1 ADVpixall=1"},
        RoundTrip{"", "Option2", "OUTproph=-1"}, RoundTrip{"", "Option3", "OUTpropw=-1"},
        // The background: white until chosen, stored as 0x00BBGGRR.
        RoundTrip{"", "Check7", "OUTdatefolder=1 OUTbackground=16777215"},
        RoundTrip{"OUTbackground=255", "CommandBackground", "OUTbackground=3943194"},
        RoundTrip{"", "ComboColour=1", "OUTcolour=1"},
        RoundTrip{"OUTcolour=1", "ComboColour=0", "OUTcolour=0"},
        // The pickers: a picked file is kept though unreadable, a cancel changes nothing.
        RoundTrip{"", "Command1", "WMFile=/pics/not-there.png"}, RoundTrip{"OUTfolder=/old", "Command7", ""},
        // Mask and AND pin the opacity at 100; another mode frees the slider at that value.
        RoundTrip{"WMOpacity=40", "Combo2=3", "WMMode=4 WMOpacity=100"},
        RoundTrip{"WMOpacity=40", "Combo2=6", "WMMode=1 WMOpacity=100"},
        RoundTrip{"WMOpacity=40", "Combo2=3 Combo2=5", "WMMode=3 WMOpacity=100"},
        RoundTrip{"OUTmetadata=1", "ComboMetadata=2", "OUTmetadata=2"},
        RoundTrip{"", "ComboMetadata=1", "OUTmetadata=1"},
        RoundTrip{"OUTnoprop=-1", "OptionFit ComboEnlarge=1", "OUTfit=1 OUTnoprop=0 OUTenlarge=1"},
        RoundTrip{"OUTfit=1", "OptionFill ComboCrop=1", "OUTfit=2 OUTcrop=1"},
        RoundTrip{"OUTfit=2 OUTenlarge=1", "Option2 ComboEnlarge=2", "OUTfit=0 OUTproph=-1 OUTenlarge=2"},
        // Normal heads the blend list; the stored codes keep their meaning.
        RoundTrip{"WMMode=7", "Combo2=0", "WMMode=9"},
        RoundTrip{"", "ComboSharpen=3 SpinWMSize=25 SpinWMMargin=12", "OUTsharpen=3 WMSize=25 WMMargin=12"},
        RoundTrip{"OUTsharpen=2", "Command4", "OUTsharpen=0"},  // Default clears the sharpening too
        // The text watermark: the font and colour from their dialogs, the region by its item.
        RoundTrip{"", "TextWMText=(c)_%o CommandWMFont CommandWMTextColour SpinWMTextSize=9",
                  "WMText=(c)_%o WMTextFont=Serif WMTextColour=3943194 WMTextSize=9"},
        RoundTrip{"WMTextFont=Mono", "SpinWMTextOpacity=40 ComboWMTextArea=0",
                  "WMTextFont=Mono WMTextOpacity=40 WMTextArea=1"}));

// Where to crop is asked only of "Fill and crop"; "Original Dimensions" turns
// the new size controls off with the others.
TEST_F(SettingsDialogTest, TheCropChoiceFollowsFillAndOriginalTurnsTheSizeOff) {
  auto dialog = Open();
  auto* crop = dialog->findChild<QComboBox*>("ComboCrop");
  auto* enlarge = dialog->findChild<QComboBox*>("ComboEnlarge");
  auto* fit = dialog->findChild<QAbstractButton*>("OptionFit");
  ASSERT_TRUE(crop != nullptr && enlarge != nullptr && fit != nullptr);
  EXPECT_FALSE(crop->isEnabled());
  Edit(*dialog, "OptionFill", "");
  EXPECT_TRUE(crop->isEnabled());
  Edit(*dialog, "Check8", "");
  EXPECT_FALSE(crop->isEnabled() || enlarge->isEnabled() || fit->isEnabled());
  Edit(*dialog, "Check8", "");
  EXPECT_TRUE(crop->isEnabled() && enlarge->isEnabled() && fit->isEnabled());
  Edit(*dialog, "OptionFit", "");
  EXPECT_FALSE(crop->isEnabled());
}

// Every new value opens in its control and OK writes it back; a store
// without them gets the defaults; values a control cannot show are held to it.
INSTANTIATE_TEST_SUITE_P(
    Look, RoundTripTest,
    testing::Values(
        RoundTrip{"OUTsharpen=2 WMSize=20 WMMargin=8 WMMode=9 WMText=(c)_%o_%## WMTextFont=Serif:bold "
                  "WMTextSize=7 WMTextColour=255 WMTextOpacity=60 WMTextArea=3",
                  "", ""},
        RoundTrip{"", "",
                  "OUTsharpen=0 WMSize=0 WMMargin=0 WMText= WMTextSize=5 WMTextColour=16777215 "
                  "WMTextOpacity=100 WMTextArea=9"},
        RoundTrip{"OUTsharpen=7 WMSize=300 WMMargin=-4", "", "OUTsharpen=0 WMSize=100 WMMargin=0"},
        RoundTrip{"WMTextArea=12 WMTextSize=0 WMTextOpacity=400", "",
                  "WMTextArea=9 WMTextSize=1 WMTextOpacity=100"}));

TEST(BlendListTest, NormalComesFirstAndEveryItemKeepsItsCode) {
  const QStringList items = BlendModeItems();
  ASSERT_FALSE(items.isEmpty());
  EXPECT_EQ(items.first(), "Normal");
  EXPECT_EQ(BlendCodeForText("Normal"), kNormalWMMode);
  EXPECT_EQ(BlendCodeForText("Addictive"), 0);
  EXPECT_EQ(BlendCodeForText("XOR"), 2);
  EXPECT_EQ(BlendItemForCode(kNormalWMMode), 0);
  EXPECT_EQ(items.at(BlendItemForCode(5)), "Addictive");  // no item: shown as code 0
}

// The font button starts the font dialog at the current family and keeps
// it when cancelled.
TEST_F(SettingsDialogTest, TheFontDialogStartsAtTheStoredFamily) {
  Store("WMTextFont", "Serif");
  auto dialog = Open();
  dialogs.fonts.push_back("");
  Edit(*dialog, "CommandWMFont", "");
  EXPECT_EQ(dialogs.fonts_offered, std::vector<QString>{"Serif"});
  EXPECT_EQ(dialog->findChild<QPushButton*>("CommandWMFont")->text(), "Serif");
  dialogs.fonts.push_back("Sans");
  Edit(*dialog, "CommandWMFont", "");
  EXPECT_EQ(dialog->findChild<QPushButton*>("CommandWMFont")->text(), "Sans");
}

// Every change is made in the dialog's own copy: the opacity, the region
// and the JPEG options' quality are gone after Cancel, from the record, the
// file and the next dialog, whose OK writes the values from before.
TEST_F(SettingsDialogTest, CancelDropsEveryChangeTheDialogAndItsJpegOptionsMade) {
  Store("WMOpacity", "40");
  Store("WMAreaX", "30");  // region 2
  Store("WMAreaY", "90");
  Store("JPEGquality", "77");
  const std::string before = test::ReadTextFile(folder.File("settings.reg"));
  auto dialog = Open();
  const SettingsRecord opened = record;
  Edit(*dialog, "Slider6", "70");
  dialog->SelectTab(3);
  QTest::mouseClick(dialog->watermark()->picture1, Qt::LeftButton, {}, QPoint(150, 150));
  Edit(*dialog, "Text8", "changed");
  Edit(*dialog, "Combo1", "1");
  // The JPEG options dialog is modal: answer it from a timer.
  QTimer::singleShot(0, [&] {
    Edit(*dialog->findChild<QDialog*>("Form8"), "cpvSlider1", "64");
    Edit(*dialog->findChild<QDialog*>("Form8"), "Command1", "");
  });
  Edit(*dialog, "Command5", "");
  Edit(*dialog, "Command3", "");
  EXPECT_EQ(dialog->result(), QDialog::Rejected);
  EXPECT_EQ(record.WMOpacity, opened.WMOpacity);
  EXPECT_EQ(record.WMArea, opened.WMArea);
  EXPECT_EQ(record.JPEGquality, opened.JPEGquality);
  EXPECT_EQ(record.OUTname, opened.OUTname);
  EXPECT_EQ(test::ReadTextFile(folder.File("settings.reg")), before);

  SettingsDialog again(record, store);
  again.show();
  EXPECT_EQ(again.watermark()->slider6->Value(), 40);
  Edit(again, "Command2", "");
  EXPECT_EQ(InFile("WMOpacity"), "40");
  EXPECT_EQ(InFile("JPEGquality"), "77");
  EXPECT_EQ(InFile("WMArea"), "2");
  EXPECT_EQ(InFile("WMAreaX"), "30");
}

// A cancelled JPEG options dialog leaves the settings dialog's quality too.
TEST_F(SettingsDialogTest, CancelInTheJpegOptionsKeepsTheQualityOkThenStores) {
  Store("JPEGquality", "77");
  auto dialog = Open();
  Edit(*dialog, "Combo1", "1");
  QTimer::singleShot(0, [&] {
    Edit(*dialog->findChild<QDialog*>("Form8"), "cpvSlider1", "30");
    Edit(*dialog->findChild<QDialog*>("Form8"), "Command2", "");
  });
  Edit(*dialog, "Command5", "");
  Edit(*dialog, "Command2", "");
  EXPECT_EQ(InFile("JPEGquality"), "77");
}

// Through the settings dialog's Options: a store without a quality opens
// the JPEG options at 85, one holding 0 at 0.
TEST_F(SettingsDialogTest, JpegOptionsOpenAt85WithoutAStoredQualityAndAtAStoredZero) {
  for (const int stored : {-1, 0}) {
    if (stored >= 0) Store("JPEGquality", std::to_string(stored));
    auto dialog = Open();
    Edit(*dialog, "Combo1", "1");  // JPEG, which enables Options
    int shown = -1;
    QString text;
    QTimer::singleShot(0, [&] {
      auto* options = dialog->findChild<JpegOptionsDialog*>("Form8");
      shown = options->QualitySlider()->Value();
      text = options->QualityText()->text();
      options->reject();
    });
    Edit(*dialog, "Command5", "");
    const int expected = stored >= 0 ? stored : 85;
    EXPECT_EQ(shown, expected) << stored;
    EXPECT_EQ(text, QString::number(expected)) << stored;
  }
}

TEST_F(SettingsDialogTest, OkOnAnUnwritableStoreTellsTheUserAndStaysOpen) {
  test::WriteTextFile(folder.File("blocker"), "x");  // where the store's folder would have to be
  RegFileStore blocked(folder.File("blocker/sub/settings.reg"));
  SettingsDialog dialog(record, blocked);
  dialog.show();
  Edit(dialog, "Command2", "");
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("blocker")) << dialogs.messages[0].text.toStdString();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
}

// It opens at the record's quality held to 0..100, and only its OK puts the
// quality into the record: the slider's, or the one typed in the box.
TEST(JpegOptionsDialogTest, OpensAtTheStoredQualityAndOnlyOkStoresIt) {
  SettingsRecord record;
  for (auto [stored, shown] : {std::pair{250, 100}, std::pair{-3, 0}, std::pair{85, 85}}) {
    record.JPEGquality = stored;
    JpegOptionsDialog dialog(record);
    EXPECT_EQ(dialog.QualitySlider()->Value(), shown) << stored;
    EXPECT_EQ(dialog.QualityText()->text(), QString::number(shown)) << stored;
    dialog.QualitySlider()->SetValue(42);
    dialog.findChild<QPushButton*>(stored == 85 ? "Command1" : "Command2")->click();
  }
  EXPECT_EQ(record.JPEGquality, 42) << "the last dialog's OK";
}

TEST(JpegOptionsDialogTest, ATypedQualityIsKeptOnOk) {
  SettingsRecord record;
  record.JPEGquality = 85;
  JpegOptionsDialog dialog(record);
  dialog.show();
  dialog.QualityText()->setText("50");
  dialog.findChild<QPushButton*>("Command1")->click();
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(record.JPEGquality, 50);
}

// A quality outside 0..100 (or no number) is held to the range where the
// user sees it, with the range named, and the dialog stays open until the
// next OK.
TEST(JpegOptionsDialogTest, AQualityOutOfRangeIsHeldInSightBeforeOkTakesIt) {
  for (auto [typed, held] : {std::pair{"150", 100}, std::pair{"-5", 0}, std::pair{"fine", 85}}) {
    SettingsRecord record;
    record.JPEGquality = 85;
    JpegOptionsDialog dialog(record);
    dialog.show();
    dialog.QualityText()->setText(typed);
    auto* ok = dialog.findChild<QPushButton*>("Command1");
    ok->click();
    EXPECT_TRUE(dialog.isVisible()) << typed;
    EXPECT_EQ(dialog.QualityText()->text(), QString::number(held)) << typed;
    EXPECT_EQ(dialog.QualitySlider()->Value(), held) << typed;
    const QLabel* note_label = dialog.findChild<QLabel*>("LabelNote");
    ASSERT_NE(note_label, nullptr);
    const QString note = note_label->text();
    EXPECT_TRUE(note.contains("0") && note.contains("100") && note.contains(typed)) << note.toStdString();
    EXPECT_EQ(record.JPEGquality, 85) << typed;
    ok->click();
    EXPECT_EQ(record.JPEGquality, held) << typed;
  }
}

// Through Options on each newer format: its own dialog opens at the stored
// values (the defaults without any), and its OK reaches the store with the
// settings dialog's OK.
TEST_F(SettingsDialogTest, NewerFormatsOpenTheirOptionsAndOkStoresThem) {
  struct Case {
    const char* item;
    const char* form;
    const char* second;  // control beside the quality
    const char* stored;  // what OK then writes
  };
  for (const Case& c : {Case{"3", "FormWebpOptions", "CheckLossless", "WEBPquality=33 WEBPlossless=1"},
                        Case{"4", "FormAvifOptions", "SpinSpeed", "AVIFquality=33 AVIFspeed=9"},
                        Case{"5", "FormJxlOptions", "SpinEffort", "JXLquality=33 JXLeffort=9"}}) {
    auto dialog = Open();
    Edit(*dialog, "Combo1", c.item);
    EXPECT_TRUE(dialog->findChild<QPushButton*>("Command5")->isEnabled()) << c.form;
    int opened_at = -1;
    QTimer::singleShot(0, [&] {
      auto* options = dialog->findChild<FormatOptionsDialog*>(c.form);
      ASSERT_NE(options, nullptr) << c.form;
      opened_at = options->QualityBox()->value();
      options->QualitySlider()->setValue(33);
      if (options->LosslessCheck() != nullptr) options->LosslessCheck()->setChecked(true);
      if (options->SecondBox() != nullptr) options->SecondBox()->setValue(9);
      Edit(*options, "Command1", "");
    });
    Edit(*dialog, "Command5", "");
    const int expected_start = std::string(c.item) == "3" ? 80 : std::string(c.item) == "4" ? 60 : 90;
    EXPECT_EQ(opened_at, expected_start) << c.form;
    Edit(*dialog, "Command2", "");  // OK
    for (const auto& [name, value] : Pairs(c.stored)) EXPECT_EQ(InFile(name.c_str()), value) << c.form;
  }
  // BMP and PNG have no options.
  auto dialog = Open();
  Edit(*dialog, "Combo1", "2");
  EXPECT_FALSE(dialog->findChild<QPushButton*>("Command5")->isEnabled());
}

TEST(FormatOptionsDialogTest, CancelLeavesTheRecordAndRangesHoldTheStoredValues) {
  SettingsRecord record;
  record.AVIFquality = 250;
  record.AVIFspeed = -3;
  FormatOptionsDialog dialog(OptionsFormat::kAvif, record);
  EXPECT_EQ(dialog.QualityBox()->value(), 100);
  EXPECT_EQ(dialog.QualitySlider()->value(), 100);
  EXPECT_EQ(dialog.SecondBox()->value(), 0);
  dialog.QualityBox()->setValue(10);
  EXPECT_EQ(dialog.QualitySlider()->value(), 10);
  dialog.findChild<QPushButton*>("Command2")->click();
  EXPECT_EQ(record.AVIFquality, 250);
  EXPECT_EQ(record.AVIFspeed, -3);
}

// Each entry appends its token at the end, whatever the caret or selection.
TEST(NamingMenuTest, EntriesAppendTheirTokensAtTheEnd) {
  QLineEdit box("trip_");
  NamingMenu menu(&box);
  box.setCursorPosition(0);
  for (const char* name :
       {"mnuOrigName", "mnu2Digit", "mnu4Digit", "mnuDDMMYY", "mnuMM_DD_YY", "mnuHHMMSS", "mnuHHMM"})
    Edit(menu, name, "");
  box.selectAll();
  Edit(menu, "mnuHHMM", "");
  EXPECT_EQ(box.text(), "trip_%o%##%####%ddmmyy%mm_dd_yy%hhmmss%hhmm%hhmm");
}

// The effects render only while "Preview" is ticked.
TEST(PageEffectsTest, BoxesSlidersAndDefaultRenderOnlyWhilePreviewIsTicked) {
  Engine engine;
  PageEffects page(engine);
  page.show();
  page.picture2->ShowSample();
  const QImage sample = page.picture2->Shown();
  page.check2->setChecked(true);
  EXPECT_EQ(page.picture2->RenderCount(), 0);
  EXPECT_EQ(page.picture2->Shown(), sample);
  page.check2->setChecked(false);
  page.check1->setChecked(true);
  page.check2->setChecked(true);
  EXPECT_EQ(page.picture2->RenderCount(), 1);
  EXPECT_NE(page.picture2->Shown(), sample);
  QTest::mouseClick(page.sliders[1], Qt::LeftButton);
  EXPECT_EQ(page.picture2->RenderCount(), 2);
  // "Default" clears the levels and effect boxes, not "Preview", and shows the sample.
  QTest::mouseClick(page.command4, Qt::LeftButton);
  for (cpvSlider* slider : page.sliders) EXPECT_EQ(slider->Value(), 0) << slider->objectName().toStdString();
  EXPECT_FALSE(page.check2->isChecked());
  EXPECT_TRUE(page.check1->isChecked());
  EXPECT_EQ(page.picture2->Shown(), sample);
}

// The previews' pictures between the engine and the windows keep straight
// alpha both ways.
TEST(QtImageTest, StraightAlphaSurvivesTheRoundTrip) {
  Image original;
  original.Resize(2, 1);
  const std::uint8_t bytes[] = {200, 100, 50, 128, 10, 20, 30, 255};
  std::copy(std::begin(bytes), std::end(bytes), original.pixels.begin());
  const QImage q = ToQImage(original);
  // A half-transparent pixel keeps its full colour values.
  EXPECT_EQ(QColor::fromRgba(q.pixel(0, 0)), QColor(200, 100, 50, 128));
  const Image back = FromQImage(q);
  EXPECT_EQ(back.width, 2);
  EXPECT_EQ(back.pixels, original.pixels);
  EXPECT_TRUE(ToQImage(Image{}).isNull());
  EXPECT_TRUE(FromQImage(QImage()).empty());
}

}  // namespace
}  // namespace vr
