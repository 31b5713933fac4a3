// The settings file store: values round-trip through the file, the file
// keeps its encoding and every byte a save does not change, a failed or
// refused save leaves it as it was, and writers in several processes lose
// nothing.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "base/text_encoding.h"
#include "settings/load_settings.h"
#include "settings/reg_file.h"
#include "settings/registry.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using test::ReadTextFile;

// Opens of `path` seen by inotify while `work` runs (closes are watched too,
// so that inotify does not merge two opens into one event).
int OpensDuring(const std::string& path, const std::function<void()>& work) {
  const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(inotify_add_watch(watcher, path.c_str(), IN_OPEN | IN_CLOSE_NOWRITE), 0);
  work();
  int opens = 0;
  alignas(inotify_event) char buffer[4096];
  for (ssize_t got; (got = ::read(watcher, buffer, sizeof buffer)) > 0;) {
    for (char* at = buffer; at < buffer + got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(at);
      if ((event->mask & IN_OPEN) != 0) ++opens;
      at += sizeof(inotify_event) + event->len;
    }
  }
  ::close(watcher);
  return opens;
}

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\n";

std::string Encoded(const std::string& utf8, TextEncoding encoding) { return *EncodeText(utf8, encoding); }

class SettingsStoreTest : public ::testing::Test {
 protected:
  void WriteStore(const std::string& bytes) {
    fs::create_directories(fs::path(path_).parent_path());
    test::WriteTextFile(path_, bytes);
  }
  test::TempFolder folder_;
  std::string path_ = folder_.File("Corvelle/Varenna Pro.reg");
  RegFileStore store_{path_};
};

// A UTF-8 store carries any bytes, valid UTF-8 or not.
TEST_F(SettingsStoreTest, ValuesRoundTripAndKindsDoNotCross) {
  EXPECT_EQ(GetSettingLong(store_, "N"), 0);
  EXPECT_FALSE(store_.CheckReadable()) << "a missing store is no readable one";
  EXPECT_TRUE(store_.WriteNumber("N", INT32_MIN).ok());
  EXPECT_EQ(GetSettingLong(store_, "N"), INT32_MIN);
  for (const char* text : {"a \"quoted\" \\ name", "caf\xE9 \xFF\xC0\x80"}) {
    EXPECT_TRUE(store_.WriteText("T", text).ok());
    EXPECT_EQ(GetSettingString(store_, "T"), text);
  }
  EXPECT_TRUE(store_.CheckReadable());
  EXPECT_EQ(GetSettingString(store_, "N"), "");
  EXPECT_EQ(GetSettingLong(store_, "T"), 0);
}

// The registry editor's own export: UTF-16LE with a byte order mark, other
// keys, values of other kinds over several lines, texts beyond ASCII.
const std::string kForeignExport =
    "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC 5 \xF0\x9F\x98\x80\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
    "\"Expand\"=hex(2):25,00,54,00,45,00,\\\r\n  4d,00,50,00,00,00\r\n"
    "\"OUTname\"=\"\xC3\x9C"
    "bersicht\"\r\n\"OUTwidth\"=dword:00000064\r\n\"Binary\"=hex:01,02,03\r\n\r\n";

TEST_F(SettingsStoreTest, AnExportRoundTripsByteForByteButForTheChangedValue) {
  WriteStore(Encoded(kForeignExport, TextEncoding::kUtf16Le));
  EXPECT_EQ(GetSettingString(store_, "OUTname"),
            "\xC3\x9C"
            "bersicht");
  EXPECT_TRUE(store_.WriteNumber("OUTwidth", GetSettingLong(store_, "OUTwidth") + 200).ok());
  std::string expected = kForeignExport;
  expected.replace(expected.find("dword:00000064"), 14, "dword:0000012c");
  EXPECT_EQ(ReadTextFile(path_), Encoded(expected, TextEncoding::kUtf16Le));
}

class StoreEncodingTest : public SettingsStoreTest, public ::testing::WithParamInterface<TextEncoding> {};

TEST_P(StoreEncodingTest, IsWrittenBackInTheEncodingItWasFoundIn) {
  WriteStore(Encoded(kHead + "\"T\"=\"\xC3\xA9t\xC3\xA9\"\n", GetParam()));
  EXPECT_EQ(GetSettingString(store_, "T"), "\xC3\xA9t\xC3\xA9");
  EXPECT_TRUE(store_.WriteText("T", "hiver \xE2\x9D\x84 \xF0\x9F\x98\x80").ok());
  EXPECT_EQ(ReadTextFile(path_),
            Encoded(kHead + "\"T\"=\"hiver \xE2\x9D\x84 \xF0\x9F\x98\x80\"\n", GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Encodings, StoreEncodingTest,
                         ::testing::Values(TextEncoding::kUtf8, TextEncoding::kUtf8WithBom,
                                           TextEncoding::kUtf16Le, TextEncoding::kUtf16Be));

// What does not read as a registry export is someone else's (or damaged),
// and a store far too long is refused by its length alone: each reads as
// nothing, and a save neither appends to it nor replaces it.
TEST_F(SettingsStoreTest, AFileThatIsNoStoreIsNeverWrittenOver) {
  const std::string utf16 = Encoded(kHead, TextEncoding::kUtf16Le);
  for (const std::string& bytes :
       {utf16.substr(2), utf16 + "x", Encoded(kHead, TextEncoding::kUtf16Be).substr(0, 41),
        utf16 + "\x3D\xD8",
        utf16 + std::string("\x3D\xD8"
                            "A\0",
                            4),
        utf16 + std::string("\x00\xDE", 2), std::string("\x89PNG\r\n\x1a\n\0\0", 10),
        std::string(kSettingsKeyLine) + "\n\"W\"=dword:00000001\n", std::string("OUTwidth=300\n"),
        std::string()}) {
    WriteStore(bytes.empty() ? kHead + "\"W\"=dword:00000005\n" : bytes);
    EXPECT_EQ(bytes.empty() ? ::truncate(path_.c_str(), off_t{64} << 20) : 0, 0);  // sparse
    const std::string before = ReadTextFile(path_);
    EXPECT_FALSE(store_.ReadNumber("W"));
    const Status saved = store_.WriteNumber("W", 1);
    EXPECT_NE(saved.message().find(path_), std::string::npos) << saved.message();
    EXPECT_EQ(ReadTextFile(path_), before) << testing::PrintToString(bytes);
  }
}

// A text the file cannot carry, a folder where the file or its folder should
// be: the save fails and nothing changes.
TEST_F(SettingsStoreTest, ASaveThatCannotBeDoneLeavesTheFileAlone) {
  const std::string before = Encoded(kHead + "\"T\"=\"x\"\n", TextEncoding::kUtf16Le);
  WriteStore(before);
  // Latin-1, overlong, a surrogate, cut short, beyond Unicode, a stray continuation.
  for (const char* text : {"caf\xE9", "\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\xF4\x90\x80\x80", "\x80"})
    EXPECT_FALSE(store_.WriteText("T", text)) << testing::PrintToString(text);
  RegFileStore in_a_file(path_ + "/Varenna Pro.reg");
  EXPECT_FALSE(in_a_file.WriteText("T", "x").ok());
  EXPECT_EQ(ReadTextFile(path_), before);
  fs::remove(path_);
  fs::create_directories(path_);
  EXPECT_FALSE(store_.WriteNumber("W", 1).ok());
  EXPECT_TRUE(fs::is_directory(path_));
}

TEST_F(SettingsStoreTest, WritersInSeveralProcessesLoseNoValue) {
  constexpr int kWriters = 4, kValuesEach = 15;
  auto name = [](int w, int v) { return "V" + std::to_string(w * 100 + v); };
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    children.push_back(::fork());
    if (children.back() == 0) {
      RegFileStore store(path_);
      bool all_written = true;
      for (int v = 0; v < kValuesEach; ++v) all_written &= store.WriteNumber(name(w, v), w * 100 + v).ok();
      _exit(all_written ? 0 : 1);
    }
  }
  for (pid_t child : children) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer's save failed";
  }
  for (int w = 0; w < kWriters; ++w)
    for (int v = 0; v < kValuesEach; ++v) EXPECT_EQ(GetSettingLong(store_, name(w, v)), w * 100 + v);
}

// The largest store read, nearly all of it one value over many continued
// lines, loads the whole record from one reading, and a save changes only
// its own line.
TEST_F(SettingsStoreTest, ASixteenMegabyteStoreLoadsFromOneReading) {
  std::string text = kHead + "\"OUTname\"=\"thumb\"\n\"Blob\"=hex:00,01,\\\n";
  const std::string tail = "  ff\n\"OUTwidth\"=dword:0000012c\n\"OUTfolder\"=\"/srv\"\n";
  while (text.size() + 28 + tail.size() <= (std::size_t{16} << 20)) text += "  08,09,0a,0b,0c,0d,0e,0f,\\\n";
  WriteStore(text += tail);
  SettingsRecord record;
  EXPECT_EQ(OpensDuring(path_, [&] { LoadSettings(store_, record, "/opt/varenna"); }), 1);
  EXPECT_EQ(record.OUTname, "thumb");
  EXPECT_EQ(record.OUTwidth, 300);
  EXPECT_EQ(record.OUTfolder, "/srv");
  EXPECT_TRUE(store_.WriteNumber("OUTwidth", 301).ok());
  EXPECT_EQ(ReadTextFile(path_), text.replace(text.find("dword:0000012c"), 14, "dword:0000012d"));
}

// Reads through a snapshot answer from the one reading, whatever happens to
// the file meanwhile; a missing file is a snapshot with no values.
TEST_F(SettingsStoreTest, ASnapshotAnswersFromOneReading) {
  ASSERT_TRUE(store_.WriteNumber("W", 1).ok());
  std::vector<std::int32_t> seen;
  store_.ReadSnapshot([&](const SettingsStore& values) {
    EXPECT_TRUE(store_.WriteNumber("W", 2).ok());
    seen.push_back(GetSettingLong(values, "W"));
  });
  RegFileStore missing(folder_.File("nowhere.reg"));
  missing.ReadSnapshot([&](const SettingsStore& values) { seen.push_back(GetSettingLong(values, "W")); });
  EXPECT_EQ(seen, (std::vector<std::int32_t>{1, 0}));
  EXPECT_EQ(GetSettingLong(store_, "W"), 2);
}

// $XDG_CONFIG_HOME when absolute (as the base directory rules say), else ~/.config.
TEST(SettingsStorePath, FollowsAnAbsoluteXdgConfigHomeThenHome) {
  const char* saved_config = std::getenv("XDG_CONFIG_HOME");
  const char* saved_home = std::getenv("HOME");
  const std::string config = saved_config ? saved_config : "", home = saved_home ? saved_home : "";
  setenv("HOME", "/home/ann", 1);
  for (const char* value : {"/tmp/cfg", "relative", ""}) {
    setenv("XDG_CONFIG_HOME", value, 1);
    EXPECT_EQ(RegFileStore::DefaultPath(),
              std::string(value[0] == '/' ? value : "/home/ann/.config") + "/Corvelle/Varenna Pro.reg");
  }
  saved_config ? setenv("XDG_CONFIG_HOME", config.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace vr
