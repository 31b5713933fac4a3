// Loading the record: every field from its own stored value, whatever an
// earlier load left, and the rules for values that are zero, empty, of the
// wrong kind or an incomplete login.
#include "settings/load_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "settings/registry.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

class LoadSettingsTest : public ::testing::Test {
 protected:
  // Loaded into a record an earlier load filled with other values.
  SettingsRecord Load() {
    SettingsRecord record;
    for (const SettingsField& field : SettingsFields())
      field.number ? void(record.*field.number = 77) : void(record.*field.text = "stale");
    LoadSettings(store_, record, "/opt/varenna");
    return record;
  }
  // A field's value as text, found by its name in any case.
  static std::string Field(const SettingsRecord& r, const std::string& name) {
    const SettingsField* field = FindSettingsField(name);
    EXPECT_NE(field, nullptr) << name;
    return !field ? "" : field->number ? std::to_string(r.*field->number) : r.*field->text;
  }
  test::TempFolder folder_;
  RegFileStore store_{folder_.File("Varenna Pro.reg")};
};

TEST_F(LoadSettingsTest, EveryFieldComesFromItsOwnValue) {
  std::int32_t next = 1000;
  for (const SettingsField& field : SettingsFields()) {
    if (field.number) SaveSettingLong(store_, field.name, field.name == "FTPanon" ? 0 : next++);
    if (field.text) SaveSettingString(store_, field.name, std::string(field.name) + "-text");
  }
  const SettingsRecord r = Load();
  next = 1000;
  for (const SettingsField& field : SettingsFields()) {
    std::string upper(field.name);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindSettingsField(upper), &field);
    const std::string expected =
        field.text ? std::string(field.name) + "-text" : std::to_string(field.name == "FTPanon" ? 0 : next++);
    EXPECT_EQ(Field(r, upper), expected);
  }
}

struct RuleCase {
  const char* stored;  // a name, ':' and a value: "=" before it for a text
  const char* field;
  std::string loaded;
};

class LoadRuleTest : public LoadSettingsTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(LoadRuleTest, GivesTheFieldItsValue) {
  const std::string stored = GetParam().stored;
  const std::size_t colon = stored.find(':');
  if (colon != std::string::npos && stored[colon + 1] == '=')
    SaveSettingString(store_, stored.substr(0, colon), stored.substr(colon + 2));
  else if (colon != std::string::npos)
    SaveSettingLong(store_, stored.substr(0, colon), std::stoi(stored.substr(colon + 1)));
  EXPECT_EQ(Field(Load(), GetParam().field), GetParam().loaded);
}

// Zero or empty falls back, other values pass as they are; a number stored
// as text reads as zero; the proportion rule fires only when no flag is set;
// the old quality name has no effect.
INSTANTIATE_TEST_SUITE_P(Fallbacks, LoadRuleTest,
                         ::testing::Values(RuleCase{"", "OUTwidth", "300"}, RuleCase{"", "OUTheight", "300"},
                                           RuleCase{"OUTwidth:-5", "OUTwidth", "-5"},
                                           RuleCase{"OUTheight:5000", "OUTheight", "5000"},
                                           RuleCase{"OUTwidth:=640", "OUTwidth", "300"},
                                           RuleCase{"NoiseLevel:=12", "NoiseLevel", "0"},
                                           RuleCase{"", "FTPport", "21"}, RuleCase{"", "FTPpath", "/"},
                                           RuleCase{"", "OUTfolder", "/opt/varenna"},
                                           RuleCase{"", "FTPserver", std::string(kPlaceholderFtpServer)},
                                           RuleCase{"", "OUTnoprop", "-1"}, RuleCase{"", "OUTpropw", "0"},
                                           RuleCase{"OUTpropw:-1", "OUTnoprop", "0"},
                                           RuleCase{"JPEGQ:90", "JPEGquality", "0"},
                                           RuleCase{"", "NoiseLevel", "0"}, RuleCase{"", "OUTname", ""}));

struct LoginCase {
  const char* user;
  const char* pass;
  std::int32_t anon;
  bool kept;
};

class FtpLoginRule : public LoadSettingsTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(FtpLoginRule, AStoredLoginStaysOnlyWhenComplete) {
  const LoginCase& c = GetParam();
  SaveSettingString(store_, "FTPuser", c.user);
  SaveSettingString(store_, "FTPpass", c.pass);
  SaveSettingLong(store_, "FTPanon", c.anon);
  const SettingsRecord r = Load();
  EXPECT_EQ(r.FTPuser, c.kept ? c.user : "anonymous");
  EXPECT_EQ(r.FTPpass, c.kept ? c.pass : kPlaceholderGuestPassword);
  EXPECT_EQ(r.FTPanon, c.kept ? c.anon : 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, FtpLoginRule,
                         ::testing::Values(LoginCase{"ann", "4F21", 0, true},
                                           LoginCase{"ann", "4F21", 2, true},
                                           LoginCase{"ann", "4F21", 1, false}, LoginCase{"ann", "", 0, false},
                                           LoginCase{"", "4F21", 0, false}));

TEST_F(LoadSettingsTest, BrokenStoreFilesStillLoad) {
  for (const std::string& text :
       {std::string("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Soft"),
        std::string("\0\1\2\xff\xfe", 5), std::string(100000, '[')}) {
    test::WriteTextFile(store_.path(), text);
    EXPECT_EQ(Load().OUTwidth, 300);
  }
}

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram) {
  EXPECT_EQ(ProgramFolder(), std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

}  // namespace
}  // namespace vr
