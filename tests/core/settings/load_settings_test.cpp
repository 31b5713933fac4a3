// Loading the record: what each stored value becomes, and the defaults.
#include "settings/load_settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "settings/registry.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

class LoadSettingsTest : public ::testing::Test {
 protected:
  SettingsRecord Load() {
    SettingsRecord record;
    LoadSettings(store_, record, "/opt/varenna");
    return record;
  }
  void Number(const char* name, std::int32_t value) { SaveSettingLong(store_, name, value); }
  void Text(const char* name, const char* value) { SaveSettingString(store_, name, value); }

  test::TempFolder folder_;
  RegFileStore store_{folder_.File("Varenna Pro.reg")};
};

TEST_F(LoadSettingsTest, EmptyStoreGivesTheDefaults) {
  SettingsRecord r = Load();
  EXPECT_EQ(r.OUTnoprop, -1);
  EXPECT_EQ(r.OUTpropw, 0);
  EXPECT_EQ(r.OUTproph, 0);
  EXPECT_EQ(r.OUTwidth, 300);
  EXPECT_EQ(r.OUTheight, 300);
  EXPECT_EQ(r.OUTfolder, "/opt/varenna");
  EXPECT_EQ(r.FTPserver, kPlaceholderFtpServer);
  EXPECT_EQ(r.FTPpath, "/");
  EXPECT_EQ(r.FTPport, 21);
  EXPECT_EQ(r.FTPanon, 1);
  EXPECT_EQ(r.FTPuser, "anonymous");
  EXPECT_EQ(r.FTPpass, kPlaceholderGuestPassword);
  EXPECT_EQ(r.JPEGquality, 0);
  EXPECT_EQ(r.WMArea, 0);
  EXPECT_EQ(r.OUTname, "");
  EXPECT_EQ(r.OUTformat, 0);
  EXPECT_EQ(r.ADVpixall, 0);
}

TEST_F(LoadSettingsTest, EveryFieldComesFromItsOwnValue) {
  // Distinct values for every field of the table, so a field read from the
  // wrong name shows up.
  std::int32_t next = 1000;
  for (const SettingsField& field : SettingsFields()) {
    if (field.number) SaveSettingLong(store_, field.name, next++);
    if (field.text) SaveSettingString(store_, field.name, std::string(field.name) + "-text");
  }
  Number("FTPanon", 0);
  SettingsRecord r = Load();
  next = 1000;
  for (const SettingsField& field : SettingsFields()) {
    if (field.number) {
      std::int32_t written = next++;
      EXPECT_EQ(r.*field.number, field.name == "FTPanon" ? 0 : written) << field.name;
    }
    if (field.text) {
      EXPECT_EQ(r.*field.text, std::string(field.name) + "-text") << field.name;
    }
  }
}

TEST_F(LoadSettingsTest, ReplacesEveryFieldOfAnEarlierLoad) {
  SettingsRecord r;
  r.OUTname = "stale";
  r.NoiseLevel = 9;
  r.JPEGquality = 80;
  LoadSettings(store_, r, "/opt/varenna");
  EXPECT_EQ(r.OUTname, "");
  EXPECT_EQ(r.NoiseLevel, 0);
  EXPECT_EQ(r.JPEGquality, 0);
}

TEST_F(LoadSettingsTest, OldQualityNameHasNoEffect) {
  Number("JPEGQ", 90);
  EXPECT_EQ(Load().JPEGquality, 0);
  Number("JPEGquality", 75);
  EXPECT_EQ(Load().JPEGquality, 75);
}

TEST_F(LoadSettingsTest, ProportionRuleFiresOnlyWhenAllAreZero) {
  Number("OUTpropw", -1);
  SettingsRecord r = Load();
  EXPECT_EQ(r.OUTnoprop, 0);
  EXPECT_EQ(r.OUTpropw, -1);
}

TEST_F(LoadSettingsTest, SizesOnlyDefaultWhenZeroAndPassOutOfRangeValues) {
  Number("OUTwidth", -5);
  Number("OUTheight", 5000);
  SettingsRecord r = Load();
  EXPECT_EQ(r.OUTwidth, -5);
  EXPECT_EQ(r.OUTheight, 5000);
}

TEST_F(LoadSettingsTest, NumberStoredAsTextReadsAsZeroThenDefaults) {
  Text("OUTwidth", "640");
  Text("NoiseLevel", "12");
  SettingsRecord r = Load();
  EXPECT_EQ(r.OUTwidth, 300);
  EXPECT_EQ(r.NoiseLevel, 0);
}

TEST_F(LoadSettingsTest, StoredFolderAndFtpValuesAreKept) {
  Text("OUTfolder", "/home/ann/thumbs");
  Text("FTPserver", "ftp.ann.example");
  Text("FTPpath", "/www");
  Number("FTPport", 2121);
  SettingsRecord r = Load();
  EXPECT_EQ(r.OUTfolder, "/home/ann/thumbs");
  EXPECT_EQ(r.FTPserver, "ftp.ann.example");
  EXPECT_EQ(r.FTPpath, "/www");
  EXPECT_EQ(r.FTPport, 2121);
}

struct LoginCase {
  const char* user;
  const char* pass;
  std::int32_t anon;
  bool keeps_stored_login;
};

class FtpLoginRule : public LoadSettingsTest, public ::testing::WithParamInterface<LoginCase> {};

TEST_P(FtpLoginRule, StoredLoginStaysOnlyWhenComplete) {
  const LoginCase& c = GetParam();
  Text("FTPuser", c.user);
  Text("FTPpass", c.pass);
  Number("FTPanon", c.anon);
  SettingsRecord r = Load();
  if (c.keeps_stored_login) {
    EXPECT_EQ(r.FTPuser, c.user);
    EXPECT_EQ(r.FTPpass, c.pass);
    EXPECT_EQ(r.FTPanon, c.anon);
  } else {
    EXPECT_EQ(r.FTPuser, "anonymous");
    EXPECT_EQ(r.FTPpass, kPlaceholderGuestPassword);
    EXPECT_EQ(r.FTPanon, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, FtpLoginRule,
                         ::testing::Values(LoginCase{"ann", "4F21", 0, true},
                                           LoginCase{"ann", "4F21", 2, true},
                                           LoginCase{"ann", "4F21", 1, false}, LoginCase{"ann", "", 0, false},
                                           LoginCase{"", "4F21", 0, false}, LoginCase{"", "", 0, false}));

TEST_F(LoadSettingsTest, BrokenStoreFilesStillLoad) {
  const std::string garbage[] = {"", "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Soft",
                                 std::string("\0\1\2\xff\xfe", 5), std::string(100000, '[')};
  for (const std::string& text : garbage) {
    test::WriteTextFile(store_.path(), text);
    SettingsRecord r = Load();
    EXPECT_EQ(r.OUTwidth, 300);
    EXPECT_EQ(r.FTPuser, "anonymous");
  }
}

TEST(ProgramFolder, IsTheFolderOfTheRunningTestProgram) {
  std::string folder = ProgramFolder();
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(std::filesystem::path(folder), self.parent_path());
  EXPECT_NE(folder.back(), '/');
}

}  // namespace
}  // namespace vr
