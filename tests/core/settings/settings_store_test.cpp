// The settings file store: its four calls, where it lives, and what a write
// does to the file on disk.
#include "settings/settings_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "base/text_encoding.h"
#include "settings/load_settings.h"
#include "settings/registry.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

using test::ReadTextFile;
using test::TempFolder;
using test::WriteTextFile;

const std::string kHead =
    "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\n";

class SettingsStoreTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string path_ = folder_.File("Corvelle/Varenna Pro.reg");
  RegFileStore store_{path_};
};

TEST_F(SettingsStoreTest, TypedRoundTrips) {
  for (std::int32_t value : {0, 1, 300, -1, -255, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(SaveSettingLong(store_, "OUTwidth", value), "Success");
    EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), value);
  }
  for (const char* text : {"", "thumb_<#>", "/home/ann/Pictures/", "a \"quoted\" \\ name", "Ünïcødé"}) {
    EXPECT_EQ(SaveSettingString(store_, "OUTname", text), "Success");
    EXPECT_EQ(GetSettingString(store_, "OUTname"), text);
  }
}

TEST_F(SettingsStoreTest, MissingFileAndNamesReadAsZeroAndEmpty) {
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 0);
  EXPECT_EQ(GetSettingString(store_, "OUTname"), "");
  SaveSettingLong(store_, "OUTwidth", 5);
  EXPECT_EQ(GetSettingLong(store_, "OUTheight"), 0);
  EXPECT_EQ(GetSettingString(store_, "OUTfolder"), "");
}

TEST_F(SettingsStoreTest, KindsDoNotCross) {
  SaveSettingString(store_, "OUTwidth", "300");
  SaveSettingLong(store_, "OUTname", 7);
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 0);
  EXPECT_EQ(GetSettingString(store_, "OUTname"), "");
  // A write of the other kind replaces the value; the next read succeeds.
  SaveSettingLong(store_, "OUTwidth", 300);
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 300);
}

TEST_F(SettingsStoreTest, FirstWriteCreatesFolderAndFile) {
  SaveSettingLong(store_, "OUTwidth", 300);
  EXPECT_EQ(ReadTextFile(path_), kHead + "\"OUTwidth\"=dword:0000012c\n");
}

TEST_F(SettingsStoreTest, WriteKeepsForeignValuesAndUnknownLines) {
  std::filesystem::create_directories(folder_.File("Corvelle"));
  const std::string tail = "\"Expand\"=hex(2):25,00,00,00\r\nnot a value line\r\n";
  WriteTextFile(path_, kHead + "\"OUTwidth\"=dword:00000001\r\n" + tail);
  SaveSettingLong(store_, "OUTwidth", 2);
  EXPECT_EQ(ReadTextFile(path_), kHead + "\"OUTwidth\"=dword:00000002\r\n" + tail);
  EXPECT_EQ(GetSettingString(store_, "Expand"), "");
}

TEST_F(SettingsStoreTest, UnreadableFilesReadAsMissingAndAreNotOverwritten) {
  // A folder where the file should be.
  std::filesystem::create_directories(path_);
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 0);
  EXPECT_EQ(SaveSettingLong(store_, "OUTwidth", 1), "No! Failed to save Value");
  EXPECT_TRUE(std::filesystem::is_directory(path_));
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// A store someone made private stays private, whatever the umask of the
// process that saves to it; a new store follows the umask.
TEST_F(SettingsStoreTest, SavingKeepsTheStoresModeAndANewOneFollowsTheUmask) {
  const mode_t saved_mask = ::umask(077);
  SaveSettingLong(store_, "OUTwidth", 1);
  EXPECT_EQ(ModeOf(path_), 0600u);
  ::umask(022);
  SaveSettingLong(store_, "OUTwidth", 2);
  EXPECT_EQ(ModeOf(path_), 0600u) << "a save under umask 022 widened a 0600 store";
  ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
  SaveSettingLong(store_, "OUTwidth", 3);
  EXPECT_EQ(ModeOf(path_), 0640u);
  ::umask(saved_mask);
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 3);
}

// A store kept elsewhere (with one's dotfiles, say) and linked into place
// stays linked: saves go to the file the link points at.
TEST_F(SettingsStoreTest, ASymlinkedStoreIsSavedThroughTheLink) {
  std::filesystem::create_directories(folder_.File("Corvelle"));
  std::filesystem::create_directories(folder_.File("dotfiles"));
  const std::string real = folder_.File("dotfiles/varenna.reg");
  WriteTextFile(real, kHead + "\"OUTname\"=\"kept\"\n");
  ASSERT_EQ(::symlink("../dotfiles/varenna.reg", path_.c_str()), 0);

  EXPECT_EQ(SaveSettingLong(store_, "OUTwidth", 300), "Success");
  ASSERT_TRUE(std::filesystem::is_symlink(path_));
  EXPECT_EQ(ReadTextFile(real), kHead + "\"OUTname\"=\"kept\"\n\"OUTwidth\"=dword:0000012c\n");
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 300);
}

TEST_F(SettingsStoreTest, AStoreFarTooLongIsNeitherReadNorOverwritten) {
  std::filesystem::create_directories(folder_.File("Corvelle"));
  WriteTextFile(path_, kHead + "\"OUTwidth\"=dword:00000005\n");
  constexpr off_t kLength = off_t{64} << 20;  // sparse: its length alone must refuse it
  ASSERT_EQ(::truncate(path_.c_str(), kLength), 0);
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 0);
  EXPECT_EQ(SaveSettingLong(store_, "OUTwidth", 1), "No! Failed to save Value");
  EXPECT_EQ(std::filesystem::file_size(path_), static_cast<std::uintmax_t>(kLength));
}

TEST_F(SettingsStoreTest, FolderThatCannotBeCreatedFailsTheWrite) {
  WriteTextFile(folder_.File("plain-file"), "x");
  RegFileStore store(folder_.File("plain-file/Varenna Pro.reg"));
  EXPECT_EQ(SaveSettingString(store, "OUTname", "x"), "No! Failed to save Value");
  EXPECT_EQ(ReadTextFile(folder_.File("plain-file")), "x");
}

// A write that runs out of room fails and leaves the old file byte for byte,
// with no temporary left behind. The file size limit makes the write fail
// even for root; it runs in a child so the limit cannot leak into others.
TEST_F(SettingsStoreTest, FailedWriteLeavesTheOldFileByteForByte) {
  SaveSettingString(store_, "OUTname", "old");
  const std::string before = ReadTextFile(path_);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, 64};
    setrlimit(RLIMIT_FSIZE, &limit);
    std::string answer = SaveSettingString(store_, "OUTname", std::string(4096, 'n'));
    _exit(answer == "No! Failed to save Value" ? 0 : 1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as a success";
  EXPECT_EQ(ReadTextFile(path_), before);
  for (const auto& entry : std::filesystem::directory_iterator(folder_.File("Corvelle"))) {
    const std::string name = entry.path().filename();
    EXPECT_TRUE(name == "Varenna Pro.reg" || name == "Varenna Pro.reg.lock") << name << " was left behind";
  }
}

// Built by appending: GCC 12 warns falsely on a chain of + here.
std::string WriterValueName(int writer, int value) {
  std::string name = "V";
  name += std::to_string(writer);
  name += '_';
  name += std::to_string(value);
  return name;
}

TEST_F(SettingsStoreTest, WritersInSeveralProcessesLoseNoValue) {
  constexpr int kWriters = 4;
  constexpr int kValuesEach = 15;
  pid_t children[kWriters];
  for (int w = 0; w < kWriters; ++w) {
    children[w] = fork();
    ASSERT_GE(children[w], 0);
    if (children[w] == 0) {
      RegFileStore store(path_);
      for (int v = 0; v < kValuesEach; ++v) SaveSettingLong(store, WriterValueName(w, v), w * 100 + v);
      _exit(0);
    }
  }
  for (pid_t child : children) waitpid(child, nullptr, 0);
  for (int w = 0; w < kWriters; ++w)
    for (int v = 0; v < kValuesEach; ++v)
      EXPECT_EQ(GetSettingLong(store_, WriterValueName(w, v)), w * 100 + v);
}

// The registry editor's own export: UTF-16LE with a byte order mark, other
// keys, values of other kinds over several lines, texts beyond ASCII.
const std::string kForeignExport =
    "Windows Registry Editor Version 5.00\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Other]\r\n"
    "\"Caf\xC3\xA9\"=\"\xE2\x82\xAC 5 \xF0\x9F\x98\x80\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
    "\"Expand\"=hex(2):25,00,54,00,45,00,\\\r\n  4d,00,50,00,00,00\r\n"
    "\"OUTname\"=\"\xC3\x9C"
    "bersicht_<#>\"\r\n"
    "\"OUTwidth\"=dword:00000064\r\n"
    "\"Binary\"=hex:01,02,03\r\n\r\n";

std::string Encoded(const std::string& utf8, TextEncoding encoding) { return *EncodeText(utf8, encoding); }

void WriteStore(const std::string& path, const std::string& bytes) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  WriteTextFile(path, bytes);
}

TEST_F(SettingsStoreTest, AUtf16StoreRoundTripsByteForByteButForTheChangedValue) {
  WriteStore(path_, Encoded(kForeignExport, TextEncoding::kUtf16Le));
  EXPECT_EQ(GetSettingString(store_, "OUTname"),
            "\xC3\x9C"
            "bersicht_<#>");
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 100);

  EXPECT_EQ(SaveSettingLong(store_, "OUTwidth", 300), "Success");
  std::string expected = kForeignExport;
  expected.replace(expected.find("dword:00000064"), 14, "dword:0000012c");
  EXPECT_EQ(ReadTextFile(path_), Encoded(expected, TextEncoding::kUtf16Le));
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 300);
}

class StoreEncodingTest : public SettingsStoreTest, public ::testing::WithParamInterface<TextEncoding> {};

TEST_P(StoreEncodingTest, IsReadAndWrittenBackInTheEncodingItWasFoundIn) {
  WriteStore(path_, Encoded(kHead + "\"OUTname\"=\"\xC3\xA9t\xC3\xA9\"\n", GetParam()));
  EXPECT_EQ(GetSettingString(store_, "OUTname"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(SaveSettingString(store_, "OUTname", "hiver \xE2\x9D\x84"), "Success");
  EXPECT_EQ(ReadTextFile(path_), Encoded(kHead + "\"OUTname\"=\"hiver \xE2\x9D\x84\"\n", GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Encodings, StoreEncodingTest,
                         ::testing::Values(TextEncoding::kUtf8, TextEncoding::kUtf8WithBom,
                                           TextEncoding::kUtf16Le, TextEncoding::kUtf16Be));

struct UnusableStoreCase {
  const char* label;
  std::string bytes;
};

class UnusableStoreTest : public SettingsStoreTest,
                          public ::testing::WithParamInterface<UnusableStoreCase> {};

// A file that does not read as a registry export is someone else's (or
// damaged): a save neither appends to it nor replaces it, and says why.
TEST_P(UnusableStoreTest, IsNeverAppendedToOrOverwritten) {
  WriteStore(path_, GetParam().bytes);
  EXPECT_FALSE(store_.ReadNumber("OUTwidth"));
  Status saved = store_.WriteNumber("OUTwidth", 1);
  ASSERT_FALSE(saved);
  EXPECT_NE(saved.message().find(path_), std::string::npos) << saved.message();
  EXPECT_EQ(ReadTextFile(path_), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UnusableStoreTest,
    ::testing::Values(
        UnusableStoreCase{"Utf16WithoutBom", Encoded(kHead, TextEncoding::kUtf16Le).substr(2)},
        UnusableStoreCase{"Utf16CutMidCharacter", Encoded(kHead, TextEncoding::kUtf16Be).substr(0, 41)},
        UnusableStoreCase{"Utf16UnpairedSurrogate", Encoded(kHead, TextEncoding::kUtf16Le) + "\x3D\xD8"},
        UnusableStoreCase{"Binary", std::string("\x89PNG\r\n\x1a\n\0\0", 10)},
        UnusableStoreCase{"NoHeader", "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\n"}),
    [](const auto& info) { return std::string(info.param.label); });

// A text our file cannot carry fails the save and leaves the file alone.
TEST_F(SettingsStoreTest, ATextAUtf16StoreCannotHoldFailsTheSave) {
  const std::string before = Encoded(kHead + "\"OUTname\"=\"x\"\n", TextEncoding::kUtf16Le);
  WriteStore(path_, before);
  Status saved = store_.WriteText("OUTname", "caf\xE9");  // Latin-1, not UTF-8
  ASSERT_FALSE(saved);
  EXPECT_NE(saved.message().find(path_), std::string::npos) << saved.message();
  EXPECT_EQ(ReadTextFile(path_), before);
}

// Opens of `path` seen by inotify while `work` runs. Closes are watched too:
// inotify merges an event with an identical unread one before it, and an
// open, a close, an open never are.
template <class Work>
int OpensDuring(const std::string& path, Work work) {
  const int watcher = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  EXPECT_GE(watcher, 0);
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

TEST_F(SettingsStoreTest, LoadingTheWholeRecordReadsTheFileOnce) {
  int stored = 0;
  for (const SettingsField& field : SettingsFields()) {
    if (field.number != nullptr) SaveSettingLong(store_, field.name, 7);
    if (field.text != nullptr) SaveSettingString(store_, field.name, "kept");
    ++stored;
  }
  ASSERT_GE(stored, 30);
  SettingsRecord record;
  EXPECT_EQ(OpensDuring(path_, [&] { LoadSettings(store_, record, "/opt/varenna"); }), 1);
  EXPECT_EQ(record.OUTwidth, 7);
  EXPECT_EQ(record.OUTname, "kept");
}

// Reads through a snapshot answer from the one reading, whatever happens
// to the file meanwhile; the store itself sees the change.
TEST_F(SettingsStoreTest, ASnapshotAnswersFromOneReading) {
  SaveSettingLong(store_, "OUTwidth", 1);
  SaveSettingString(store_, "OUTname", "first");
  int calls = 0;
  store_.ReadSnapshot([&](const SettingsStore& values) {
    ++calls;
    SaveSettingLong(store_, "OUTwidth", 2);
    EXPECT_EQ(GetSettingLong(values, "OUTwidth"), 1);
    EXPECT_EQ(GetSettingString(values, "OUTname"), "first");
    EXPECT_EQ(GetSettingLong(values, "OUTheight"), 0);
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(GetSettingLong(store_, "OUTwidth"), 2);
  // A missing or unusable file is a snapshot with no values, as reads
  // of it answer nothing.
  RegFileStore missing(folder_.File("nowhere.reg"));
  missing.ReadSnapshot(
      [&](const SettingsStore& values) { EXPECT_EQ(GetSettingLong(values, "OUTwidth"), 0); });
}

// The largest store read, nearly all of it one binary value over many
// continued lines, loads at once and every value reads back exactly.
TEST_F(SettingsStoreTest, ASixteenMegabyteStoreLoadsAndReadsBackExactly) {
  std::string text = kHead + "\"OUTname\"=\"thumb_<#>\"\n\"Blob\"=hex:00,01,02,03,04,05,06,07,\\\n";
  const std::string tail = "  ff\n\"OUTwidth\"=dword:0000012c\n\"OUTfolder\"=\"/srv/thumbs\"\n";
  const std::string line = "  08,09,0a,0b,0c,0d,0e,0f,\\\n";
  while (text.size() + line.size() + tail.size() <= (std::size_t{16} << 20)) text += line;
  text += tail;
  std::filesystem::create_directories(folder_.File("Corvelle"));
  WriteTextFile(path_, text);

  SettingsRecord record;
  EXPECT_EQ(OpensDuring(path_, [&] { LoadSettings(store_, record, "/opt/varenna"); }), 1);
  EXPECT_EQ(record.OUTname, "thumb_<#>");
  EXPECT_EQ(record.OUTwidth, 300);
  EXPECT_EQ(record.OUTfolder, "/srv/thumbs");
  EXPECT_EQ(GetSettingString(store_, "Blob"), "");
  // A save changes its own line and leaves every byte of the value.
  EXPECT_EQ(SaveSettingLong(store_, "OUTwidth", 301), "Success");
  std::string expected = text;
  expected.replace(expected.find("dword:0000012c"), 14, "dword:0000012d");
  EXPECT_EQ(ReadTextFile(path_), expected);
}

TEST(SettingsStorePath, FollowsXdgConfigHomeThenHome) {
  const char* saved_config = std::getenv("XDG_CONFIG_HOME");
  const char* saved_home = std::getenv("HOME");
  std::string config = saved_config ? saved_config : "";
  std::string home = saved_home ? saved_home : "";

  setenv("XDG_CONFIG_HOME", "/tmp/cfg", 1);
  EXPECT_EQ(RegFileStore::DefaultPath(), "/tmp/cfg/Corvelle/Varenna Pro.reg");
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", "/home/ann", 1);
  EXPECT_EQ(RegFileStore::DefaultPath(), "/home/ann/.config/Corvelle/Varenna Pro.reg");
  // A relative value is to be ignored, as the base directory rules say.
  setenv("XDG_CONFIG_HOME", "relative", 1);
  EXPECT_EQ(RegFileStore::DefaultPath(), "/home/ann/.config/Corvelle/Varenna Pro.reg");

  saved_config ? setenv("XDG_CONFIG_HOME", config.c_str(), 1) : unsetenv("XDG_CONFIG_HOME");
  saved_home ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
}

}  // namespace
}  // namespace vr
