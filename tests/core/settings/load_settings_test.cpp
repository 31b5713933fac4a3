// Loading the record: every field from its own stored value, whatever an
// earlier load left, and the rules for values that are zero, empty, absent,
// of the wrong kind or an incomplete login; the output folder a store
// without one gets.
#include "settings/load_settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "settings/default_output_folder.h"
#include "settings/password_scrambling.h"
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
    const Status saved = field.number ? store_.WriteNumber(field.name, field.name == "FTPanon" ? 0 : next++)
                                      : store_.WriteText(field.name, std::string(field.name) + "-text");
    ASSERT_TRUE(saved.ok()) << saved.message();
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
  const char* stored;  // "name:value" pairs split by ';', "=" before a text's value
  const char* field;
  std::string loaded;
};

class LoadRuleTest : public LoadSettingsTest, public ::testing::WithParamInterface<RuleCase> {};

TEST_P(LoadRuleTest, GivesTheFieldItsValue) {
  std::stringstream pairs(GetParam().stored);
  for (std::string pair; std::getline(pairs, pair, ';');) {
    const std::size_t colon = pair.find(':');
    const Status saved = pair[colon + 1] == '='
                             ? store_.WriteText(pair.substr(0, colon), pair.substr(colon + 2))
                             : store_.WriteNumber(pair.substr(0, colon), std::stoi(pair.substr(colon + 1)));
    ASSERT_TRUE(saved.ok()) << saved.message();
  }
  EXPECT_EQ(Field(Load(), GetParam().field), GetParam().loaded);
}

// Zero or empty falls back, other values pass as they are; a number stored
// as text reads as zero; the proportion rule fires only when no flag is set;
// the qualities, speeds and the background fall back only when none is stored (a stored 0 stays, a text
// is none) and the old quality name has no effect; a stored login stays
// only when complete, else the anonymous one is used.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Fallbacks, LoadRuleTest, ::testing::Values(
    RuleCase{"", "OUTwidth", "300"}, RuleCase{"", "OUTheight", "300"},
    RuleCase{"OUTwidth:-5", "OUTwidth", "-5"}, RuleCase{"OUTheight:5000", "OUTheight", "5000"},
    RuleCase{"OUTwidth:=640", "OUTwidth", "300"}, RuleCase{"NoiseLevel:=12", "NoiseLevel", "0"},
    RuleCase{"", "FTPport", "21"}, RuleCase{"", "FTPpath", "/"}, RuleCase{"", "OUTfolder", "/opt/varenna"},
    RuleCase{"", "FTPserver", std::string(kPlaceholderFtpServer)}, RuleCase{"", "OUTnoprop", "-1"},
    RuleCase{"", "OUTpropw", "0"}, RuleCase{"OUTpropw:-1", "OUTnoprop", "0"},
    RuleCase{"", "JPEGquality", "85"}, RuleCase{"JPEGquality:0", "JPEGquality", "0"},
    RuleCase{"JPEGquality:-5", "JPEGquality", "-5"}, RuleCase{"JPEGquality:=90", "JPEGquality", "85"},
    RuleCase{"JPEGQ:90", "JPEGquality", "85"}, RuleCase{"JPEGQ:0", "JPEGquality", "85"},
    RuleCase{"", "OUTbackground", "16777215"}, RuleCase{"OUTbackground:0", "OUTbackground", "0"},
    RuleCase{"", "WEBPquality", "80"}, RuleCase{"WEBPquality:0", "WEBPquality", "0"},
    RuleCase{"", "WEBPlossless", "0"}, RuleCase{"", "AVIFquality", "60"}, RuleCase{"AVIFspeed:0", "AVIFspeed", "0"},
    RuleCase{"", "AVIFspeed", "6"}, RuleCase{"", "JXLquality", "90"}, RuleCase{"JXLquality:=95", "JXLquality", "90"},
    RuleCase{"", "JXLeffort", "7"}, RuleCase{"JXLeffort:3", "JXLeffort", "3"},
    RuleCase{"", "NoiseLevel", "0"}, RuleCase{"", "OUTname", ""},
    RuleCase{"FTPuser:=ann;FTPpass:=4F21;FTPanon:0", "FTPuser", "ann"}, RuleCase{"", "FTPuser", "anonymous"},
    RuleCase{"FTPuser:=ann;FTPpass:=4F21;FTPanon:2", "FTPanon", "2"},
    RuleCase{"FTPuser:=ann;FTPpass:=4F21;FTPanon:0", "FTPpass", "4F21"},
    RuleCase{"FTPuser:=ann;FTPpass:=4F21;FTPanon:1", "FTPuser", "anonymous"},
    RuleCase{"FTPuser:=ann;FTPpass:=;FTPanon:0", "FTPpass", std::string(kPlaceholderGuestPassword)},
    RuleCase{"FTPuser:=;FTPpass:=4F21;FTPanon:0", "FTPanon", "1"}));

// The sharpening, the watermark's size and margin and the text watermark:
// a store from before them reads as no sharpening, the watermark's own size
// and no text; the text's style falls back only when not stored.
INSTANTIATE_TEST_SUITE_P(Look, LoadRuleTest, ::testing::Values(
    RuleCase{"", "OUTsharpen", "0"}, RuleCase{"OUTsharpen:3", "OUTsharpen", "3"},
    RuleCase{"", "WMSize", "0"}, RuleCase{"", "WMMargin", "0"}, RuleCase{"", "WMText", ""},
    RuleCase{"", "WMTextFont", ""}, RuleCase{"WMText:=(c) %o", "WMText", "(c) %o"},
    RuleCase{"", "WMTextSize", "5"}, RuleCase{"WMTextSize:0", "WMTextSize", "0"},
    RuleCase{"", "WMTextColour", "16777215"}, RuleCase{"WMTextColour:0", "WMTextColour", "0"},
    RuleCase{"", "WMTextOpacity", "100"}, RuleCase{"WMTextOpacity:0", "WMTextOpacity", "0"},
    RuleCase{"", "WMTextArea", "9"}, RuleCase{"WMTextArea:1", "WMTextArea", "1"}));
// clang-format on

TEST(ProgramFolder, IsTheFolderOfTheRunningProgram) {
  EXPECT_EQ(ProgramFolder(), std::filesystem::read_symlink("/proc/self/exe").parent_path().string());
}

// The folder this test program lies in is the build's and can be written.
TEST(DefaultOutputFolder, IsTheWritableProgramFolderOfThisProcess) {
  EXPECT_EQ(DefaultOutputFolder(), ProgramFolder());
}

struct FolderCase {
  bool program_writable;
  const char* home;        // "~" is the test's home folder, TMP/home; "" none
  const char* config_env;  // XDG_CONFIG_HOME; nullptr unset
  const char* dot_config;  // ~/.config/user-dirs.dirs; nullptr for none
  const char* xdg_config;  // TMP/xdg/user-dirs.dirs; nullptr for none
  const char* expected;
};

class DefaultOutputFolderTest : public testing::TestWithParam<FolderCase> {
 protected:
  // `text` with a leading "~" and every "TMP/" in the test's folder.
  std::string Place(std::string text) const {
    if (text.rfind("~", 0) == 0) text.replace(0, 1, folder_.File("home"));
    for (std::size_t at; (at = text.find("TMP/")) != std::string::npos;)
      text.replace(at, 4, folder_.File(""));
    return text;
  }
  test::TempFolder folder_;
};

TEST_P(DefaultOutputFolderTest, IsTheProgramFolderOrThumbnailsInThePictures) {
  const FolderCase& row = GetParam();
  std::filesystem::create_directories(folder_.File("home/.config"));
  std::filesystem::create_directories(folder_.File("xdg"));
  if (row.dot_config) test::WriteTextFile(folder_.File("home/.config/user-dirs.dirs"), Place(row.dot_config));
  if (row.xdg_config) test::WriteTextFile(folder_.File("xdg/user-dirs.dirs"), Place(row.xdg_config));
  std::map<std::string, std::string, std::less<>> environment{{"HOME", "/elsewhere"}};
  if (row.config_env) environment["XDG_CONFIG_HOME"] = Place(row.config_env);

  std::vector<std::string> asked;
  OutputFolderInputs inputs;
  inputs.program_folder = "/usr/bin";
  inputs.home = Place(row.home);
  inputs.environment = [&environment](std::string_view name) -> std::optional<std::string> {
    const auto found = environment.find(name);
    if (found == environment.end()) return std::nullopt;
    return found->second;
  };
  inputs.writable = [&](const std::string& folder) {
    asked.push_back(folder);
    return row.program_writable;
  };
  EXPECT_EQ(DefaultOutputFolder(inputs), Place(row.expected));
  EXPECT_EQ(asked, std::vector<std::string>{"/usr/bin"});
}

constexpr const char* kWrittenByTheTool =
    "# This file is written by xdg-user-dirs-update\n"
    "# If you want to change or add directories, just edit the line you're\n"
    "# interested in. All local changes will be retained on the next run.\n"
    "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
    "XDG_DOWNLOAD_DIR=\"$HOME/Downloads\"\n"
    "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
    "XDG_VIDEOS_DIR=\"$HOME/Videos\"\n";

// clang-format off
INSTANTIATE_TEST_SUITE_P(Places, DefaultOutputFolderTest, testing::Values(
    // Where the program's folder can be written nothing changes.
    FolderCase{true, "~", nullptr, kWrittenByTheTool, nullptr, "/usr/bin"},
    FolderCase{false, "~", nullptr, kWrittenByTheTool, nullptr, "~/Bilder/Thumbnails"},
    FolderCase{false, "~/", nullptr, kWrittenByTheTool, nullptr, "~/Bilder/Thumbnails"},
    // No file, no line, the line commented out, or the home itself: ~/Pictures.
    FolderCase{false, "~", nullptr, nullptr, nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_MUSIC_DIR=\"$HOME/Music\"\n", nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", nullptr, "#XDG_PICTURES_DIR=\"$HOME/Old\"\n", nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"$HOME\"\n", nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"$HOME/\"\n", nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"TMP/home/.\"\n", nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"\"\n", nullptr, "~/Pictures/Thumbnails"},
    // Absolute, relative to the home, ${HOME}, folded steps, unquoted, escaped, indented with CRLF.
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"/srv/photos/\"\n", nullptr, "/srv/photos/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"Fotos\"\n", nullptr, "~/Fotos/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"${HOME}/Images\"\n", nullptr, "~/Images/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"$HOME/./a/../Pics\"\n", nullptr, "~/Pics/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=$HOME/Plain # note\n", nullptr, "~/Plain/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"$HOME/My \\\"Best\\\" \\$hots\"\n", nullptr,
               "~/My \"Best\" $hots/Thumbnails"},
    FolderCase{false, "~", nullptr, "  XDG_PICTURES_DIR=\"$HOME/Crlf\"\r\n", nullptr, "~/Crlf/Thumbnails"},
    // The last line that sets it counts; one with its quote left open does not.
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"$HOME/A\"\nXDG_PICTURES_DIR=\"$HOME/B\"\n", nullptr,
               "~/B/Thumbnails"},
    FolderCase{false, "~", nullptr, "XDG_PICTURES_DIR=\"$HOME/A\"\nXDG_PICTURES_DIR=\"$HOME/B\n", nullptr,
               "~/A/Thumbnails"},
    // $XDG_CONFIG_HOME is where the file is read, unless it is not absolute.
    FolderCase{false, "~", "TMP/xdg", "XDG_PICTURES_DIR=\"$HOME/Dot\"\n", "XDG_PICTURES_DIR=\"$HOME/Xdg\"\n",
               "~/Xdg/Thumbnails"},
    FolderCase{false, "~", "TMP/xdg", "XDG_PICTURES_DIR=\"$HOME/Dot\"\n", nullptr, "~/Pictures/Thumbnails"},
    FolderCase{false, "~", "xdg", "XDG_PICTURES_DIR=\"$HOME/Dot\"\n", "XDG_PICTURES_DIR=\"$HOME/Xdg\"\n",
               "~/Dot/Thumbnails"},
    FolderCase{false, "~", "", "XDG_PICTURES_DIR=\"$HOME/Dot\"\n", nullptr, "~/Dot/Thumbnails"},
    // Without a home there is nowhere better than the program's folder.
    FolderCase{false, "", nullptr, nullptr, nullptr, "/usr/bin"}));
// clang-format on

// The stored form of the FTP password: hex of a key stream with plain-text
// feedback, undone by running the stream backward.
std::string HexDecode(const std::string& hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

TEST(ScramblePassword, BackwardUndoesForward) {
  for (const std::string& password : {std::string("p"), std::string("correct horse battery staple"),
                                      std::string(500, '\0'), std::string("P\xC3\xA4sswort \xE2\x82\xAC")}) {
    std::string plain, scrambled = HexDecode(ScramblePassword(password));
    StreamXor(plain, scrambled, kScrambleKey);
    EXPECT_EQ(plain, password);
  }
}

// The first code is 0 ^ key ^ 68 ^ the character; with every character the
// same the feedback cancels it from the second on, leaving key ^ salt, the
// key wrapping after its last character and the salt growing at 39 and 116.
TEST(ScramblePassword, EachCodeIsKeyFeedbackAndPositionSalt) {
  const std::string password(116, 'x');
  const std::string codes = HexDecode(ScramblePassword(password));
  ASSERT_EQ(codes.size(), password.size());
  EXPECT_EQ(static_cast<unsigned char>(codes[0]), static_cast<unsigned>(kScrambleKey[0] ^ 68 ^ 'x'));
  for (std::size_t i = 2; i <= password.size(); ++i) {
    const unsigned key = static_cast<unsigned char>(kScrambleKey[(i - 1) % kScrambleKey.size()]);
    EXPECT_EQ(static_cast<unsigned char>(codes[i - 1]), key ^ (i <= 38 ? 0 : i <= 115 ? 1 : 2)) << i;
  }
  std::string one_key(3, 'a'), out;
  StreamXor(one_key, out, "K");
  EXPECT_EQ(out, std::string({static_cast<char>('K' ^ 68 ^ 'a'), 'K', 'K'}));
}

}  // namespace
}  // namespace vr
