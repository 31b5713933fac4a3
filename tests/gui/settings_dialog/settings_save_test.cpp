#include "settings_dialog/settings_save.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <vector>

#include "settings/load_settings.h"
#include "settings/password_scrambling.h"
#include "settings_dialog/settings_dialog.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

// Remembers the order of the writes and can fail one of them.
class RecordingStore final : public SettingsStore {
 public:
  std::optional<std::int32_t> ReadNumber(std::string_view name) const override {
    return inner.ReadNumber(name);
  }
  std::optional<std::string> ReadText(std::string_view name) const override { return inner.ReadText(name); }
  Status WriteNumber(std::string_view name, std::int32_t value) override {
    if (!Note(name)) return Status::Fail("Cannot write /nowhere/settings.reg: disk full");
    return inner.WriteNumber(name, value);
  }
  Status WriteText(std::string_view name, std::string_view text) override {
    if (!Note(name)) return Status::Fail("Cannot write /nowhere/settings.reg: disk full");
    return inner.WriteText(name, text);
  }
  explicit RecordingStore(std::string path) : inner(std::move(path)) {}

  RegFileStore inner;
  std::vector<std::string> order;
  std::string fail_on;

 private:
  bool Note(std::string_view name) {
    order.emplace_back(name);
    return name != fail_on;
  }
};

SettingsDialogValues SomeValues() {
  SettingsDialogValues v;
  v.fields.GENextra = 1;
  v.blend_code = 7;
  v.angle = 45;
  v.click_x = 150.5f;
  v.click_y = 33;
  v.fields.WMFile = "/pics/logo.png";
  v.fields.NoiseLevel = 12;
  v.fields.BrightnessLevel = -30;
  v.fields.CorrectionLevel = 55;
  v.fields.GrayScaleFlag = 1;
  v.fields.OUTname = "thumb_%###";
  v.fields.OUTfolder = "/out";
  v.fields.OUTformat = 1;
  v.fields.OUTwidth = 640;
  v.fields.OUTheight = 480;
  v.fields.OUTproph = -1;
  v.fields.ADVpixall = 1;
  return v;
}

TEST(SaveDialogSettingsTest, WritesEveryValueInOrderAndReloads) {
  test::TempFolder folder;
  RecordingStore store(folder.File("settings.reg"));
  SettingsRecord record;
  record.WMArea = 8;
  record.WMOpacity = 60;
  record.JPEGquality = 77;
  ASSERT_TRUE(SaveDialogSettings(SomeValues(), record, store).ok());

  const std::vector<std::string> expected = {
      "GENextra",     "GENgrid",         "WMMode",        "WMAreaX",         "WMAreaY",
      "WMArea",       "WMAngle",         "WMOpacity",     "WMFile",          "ImgPreview",
      "NoiseLevel",   "BrightnessLevel", "ContrastLevel", "SaturationLevel", "CorrectionLevel",
      "NegativeFlag", "GrayScaleFlag",   "OUTname",       "OUTfolder",       "OUTdatefolder",
      "OUTformat",    "OUTwidth",        "OUTheight",     "OUToriginal",     "OUTnoprop",
      "OUTproph",     "OUTpropw",        "FTPserver",     "FTPport",         "FTPpath",
      "FTPuser",      "FTPpass",         "FTPanon",       "ADVempty",        "ADVpixall",
      "JPEGquality"};
  EXPECT_EQ(store.order, expected);

  // Read back from the file itself, through a fresh store.
  RegFileStore file(folder.File("settings.reg"));
  EXPECT_EQ(file.ReadNumber("WMMode"), 7);
  EXPECT_EQ(file.ReadNumber("WMAreaX"), 150) << "150.5 rounds to the even neighbour";
  EXPECT_EQ(file.ReadNumber("WMAreaY"), 33);
  EXPECT_EQ(file.ReadNumber("WMArea"), 8);
  EXPECT_EQ(file.ReadNumber("WMAngle"), 45);
  EXPECT_EQ(file.ReadNumber("WMOpacity"), 60);
  EXPECT_EQ(file.ReadText("WMFile"), "/pics/logo.png");
  EXPECT_EQ(file.ReadNumber("BrightnessLevel"), -30);
  EXPECT_EQ(file.ReadText("OUTname"), "thumb_%###");
  EXPECT_EQ(file.ReadNumber("OUTproph"), -1);
  EXPECT_EQ(file.ReadNumber("OUTnoprop"), 0);
  EXPECT_EQ(file.ReadNumber("FTPport"), 0);
  EXPECT_EQ(file.ReadText("FTPuser"), "anonymous");
  EXPECT_EQ(file.ReadText("FTPpass"), ScramblePassword(kPlaceholderGuestPassword));
  EXPECT_EQ(file.ReadNumber("FTPanon"), 1);
  EXPECT_EQ(file.ReadNumber("JPEGquality"), 77);

  // The reload: the record now holds what was written, plus the defaults.
  EXPECT_EQ(record.WMMode, 7);
  EXPECT_EQ(record.OUTwidth, 640);
  EXPECT_EQ(record.OUTproph, -1);
  EXPECT_EQ(record.FTPport, 21);
  EXPECT_EQ(record.FTPuser, "anonymous");
  EXPECT_EQ(record.GENextra, 1);
}

TEST(SaveDialogSettingsTest, AnUnknownBlendTextKeepsTheRecordsMode) {
  test::TempFolder folder;
  RegFileStore store(folder.File("settings.reg"));
  SettingsRecord record;
  record.WMMode = 2;
  SettingsDialogValues values = SomeValues();
  values.blend_code.reset();
  ASSERT_TRUE(SaveDialogSettings(values, record, store).ok());
  EXPECT_EQ(store.ReadNumber("WMMode"), 2);
}

TEST(SaveDialogSettingsTest, AFailedWriteStopsAndSaysWhichFile) {
  test::TempFolder folder;
  RecordingStore store(folder.File("settings.reg"));
  store.fail_on = "OUTname";
  SettingsRecord record;
  record.OUTwidth = 300;
  const Status saved = SaveDialogSettings(SomeValues(), record, store);
  ASSERT_FALSE(saved.ok());
  EXPECT_NE(saved.message().find("OUTname"), std::string::npos) << saved.message();
  EXPECT_NE(saved.message().find("/nowhere/settings.reg"), std::string::npos) << saved.message();
  EXPECT_EQ(store.order.back(), "OUTname") << "nothing after the failure is attempted";
  EXPECT_EQ(record.OUTwidth, 300) << "the record is not reloaded";
}

TEST(SettingsDialogSaveTest, OkOnAnUnwritableStoreTellsTheUserAndStaysOpen) {
  test::TempFolder folder;
  // The settings file's folder cannot be made: a plain file stands in its way.
  test::WriteTextFile(folder.File("blocker"), "x");
  RegFileStore store(folder.File("blocker/sub/settings.reg"));
  SettingsRecord record;
  test::ScriptedDialogs dialogs;
  SettingsDialog dialog(record, store);
  dialog.show();
  QTest::mouseClick(dialog.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_TRUE(dialogs.messages[0].text.contains("blocker")) << dialogs.messages[0].text.toStdString();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST(SettingsDialogSaveTest, OkWritesTheControlsAndCloses) {
  test::TempFolder folder;
  RegFileStore store(folder.File("settings.reg"));
  SettingsRecord record;
  LoadSettings(store, record, "/opt/varenna");
  test::ScriptedDialogs dialogs;
  SettingsDialog dialog(record, store);
  bool saved_signal = false;
  QObject::connect(&dialog, &SettingsDialog::SettingsSaved, [&] { saved_signal = true; });
  dialog.show();
  dialog.findChild<QCheckBox*>("Check11")->setChecked(true);
  dialog.findChild<QLineEdit*>("Text8")->setText("%o_small");
  QTest::mouseClick(dialog.findChild<QPushButton*>("Command2"), Qt::LeftButton);
  EXPECT_TRUE(dialogs.messages.empty());
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_TRUE(saved_signal);
  RegFileStore file(folder.File("settings.reg"));
  EXPECT_EQ(file.ReadNumber("GENgrid"), 1);
  EXPECT_EQ(file.ReadText("OUTname"), "%o_small");
  EXPECT_EQ(file.ReadNumber("OUTwidth"), 300);
  EXPECT_EQ(file.ReadNumber("OUTnoprop"), -1);
  EXPECT_EQ(file.ReadNumber("WMArea"), 1) << "the first drawing of the picker chose region 1";
  EXPECT_EQ(record.GENgrid, 1);
  EXPECT_EQ(record.OUTname, "%o_small");
}

}  // namespace
}  // namespace vr
