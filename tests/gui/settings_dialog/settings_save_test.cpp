// What the settings dialog's OK writes: every value in its fixed order,
// the record's own values where the dialog changes them at once, then a
// reload; and a failed write that stops the save and names the value and
// the file (the dialog's side of it is in settings_dialog_test).
#include "settings_dialog/settings_save.h"

#include <gtest/gtest.h>

#include <vector>

#include "settings/password_scrambling.h"
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
  v.blend_code = 7;
  v.angle = 45;
  v.click_x = 150.5f;
  v.click_y = 33;
  v.fields.OUTwidth = 640;
  return v;
}

TEST(SaveDialogSettingsTest, WritesEveryValueInOrderThenReloads) {
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

  // What the file holds, read through a fresh store.
  RegFileStore file(folder.File("settings.reg"));
  EXPECT_EQ(file.ReadNumber("WMAreaX"), 150) << "150.5 rounds to the even neighbour";
  EXPECT_EQ(file.ReadNumber("WMArea"), 8) << "from the record, not the values";
  EXPECT_EQ(file.ReadNumber("JPEGquality"), 77);
  // No FTP page: the anonymous login on port 0, which the reload reads as 21.
  EXPECT_EQ(file.ReadNumber("FTPport"), 0);
  EXPECT_EQ(file.ReadText("FTPuser"), "anonymous");
  EXPECT_EQ(file.ReadText("FTPpass"), ScramblePassword(kPlaceholderGuestPassword));
  EXPECT_EQ(record.FTPport, 21);
  EXPECT_EQ(record.WMMode, 7);
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

}  // namespace
}  // namespace vr
