// Whole-file replacement, with either way of staging the new bytes: the
// folder ends with the new file or the old one byte for byte and never a
// staging file (a killed run's are removed at the next); the replaced file keeps its mode and owner, a new
// one gets what the umask allows, and a write through links replaces their target.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "base/stale_staging.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace std::string_literals;

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

class ReplaceFileTest : public ::testing::TestWithParam<Staging> {
 protected:
  Status Write(const std::string& path, const std::string& bytes) {
    return ReplaceFileAtomically(path, bytes.data(), bytes.size(), GetParam());
  }
  test::TempFolder folder_;
};

// The staging name is no longer than the target's: the longest name the file
// system accepts is written and replaced like any other. A write that fails
// (out of room, onto a folder, into no folder) leaves the old file as it was.
TEST_P(ReplaceFileTest, TheFolderEndsWithTheNewFileOrTheOldOneAndNothingElse) {
  const std::string name = std::string(251, 'n') + ".png", path = folder_.File(name);
  for (const std::string bytes : {"first", "second, longer", "", "old"}) {
    ASSERT_TRUE(Write(path, bytes)) << bytes;
    EXPECT_EQ(test::ReadTextFile(path), bytes);
  }
  EXPECT_EQ(test::InChild([&] { return Write(path, std::string(4096, 'n')) ? 1 : 0; }, 64), 0)
      << "the failed write was reported as a success";
  fs::create_directories(folder_.File("busy/inner"));
  EXPECT_FALSE(Write(folder_.File("busy"), "x"));
  Status missing = Write(folder_.File("no/such/out.txt"), "x");
  EXPECT_NE(missing.message().find(folder_.File("no/such/out.txt")), std::string::npos) << missing.message();
  EXPECT_EQ(test::ReadTextFile(path), "old");
  EXPECT_TRUE(fs::is_directory(folder_.File("busy/inner")));
  EXPECT_EQ(NamesIn(folder_.path()), (std::set<std::string>{"busy", name}));
}

// A replaced file keeps its mode whatever the umask; a new one gets what
// the umask allows.
TEST_P(ReplaceFileTest, TheModeIsTheOldFilesOrWhatTheUmaskAllows) {
  const std::string path = folder_.File("store.reg");
  const std::pair<mode_t, int> cases[] = {{077, -1},   {022, -1},   {002, -1},   {0, -1},  {022, 0600},
                                          {022, 0640}, {077, 0644}, {077, 0755}, {0, 0400}};  // -1: new
  for (const auto& [umask, old_mode] : cases) {
    fs::remove(path);
    if (old_mode >= 0) test::WriteTextFile(path, "old");
    ::chmod(path.c_str(), static_cast<mode_t>(old_mode));  // nothing to change on a new file
    const mode_t saved = ::umask(umask);
    EXPECT_TRUE(Write(path, "new"));
    ::umask(saved);
    EXPECT_EQ(ModeOf(path), old_mode >= 0 ? static_cast<mode_t>(old_mode) : 0666 & ~umask)
        << umask << " " << old_mode;
  }
}

constexpr uid_t kNobody = 65534;

// The owner is kept where it may be set; a user who may replace a file in a
// shared folder but not give it back to its owner still gets it written.
TEST(ReplaceFileAtomically, KeepsTheOwnerWhereItMaySetIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  test::TempFolder folder;
  const std::string theirs = folder.File("theirs.png"), roots = folder.File("roots.png");
  test::WriteTextFile(theirs, "old");
  test::WriteTextFile(roots, "old");
  ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody) + ::chmod(roots.c_str(), 0664), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  ASSERT_TRUE(ReplaceFileAtomically(theirs, std::string("new")));
  struct stat info {};
  ASSERT_EQ(::stat(theirs.c_str(), &info), 0);
  EXPECT_EQ(std::pair(info.st_uid, info.st_gid), std::pair(kNobody, kNobody));
  auto as_nobody = [&] {
    return ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && ReplaceFileAtomically(roots, "new"s);
  };
  EXPECT_EQ(test::InChild(as_nobody), 1);
  EXPECT_EQ(test::ReadTextFile(roots), "new");
  EXPECT_EQ(ModeOf(roots), 0664u);
}

struct LinkCase {
  std::vector<std::pair<std::string, std::string>> links;  // name, target; "@" is the test's folder
  const char* written;                                     // the path given to the write
  const char* receiver;                                    // the regular file that gets the bytes
  bool exists;
};

class SymlinkTargetTest : public ::testing::TestWithParam<LinkCase> {};

// Every link of the chain stays a link to where it pointed.
TEST_P(SymlinkTargetTest, ReplacesTheFinalTargetAndKeepsTheLinks) {
  test::TempFolder folder;
  fs::create_directories(folder.File("real"));
  fs::create_directories(folder.File("sub"));
  const std::string receiver = folder.File(GetParam().receiver);
  if (GetParam().exists) test::WriteTextFile(receiver, "old");
  ::chmod(receiver.c_str(), 0600);
  std::vector<std::pair<std::string, std::string>> links;
  for (auto [name, target] : GetParam().links) {
    if (target[0] == '@') target = folder.path() + target.substr(1);
    ASSERT_EQ(::symlink(target.c_str(), folder.File(name).c_str()), 0) << name;
    links.emplace_back(folder.File(name), target);
  }
  ASSERT_TRUE(ReplaceFileAtomically(folder.File(GetParam().written), std::string("new")));
  for (const auto& [link, target] : links) {
    ASSERT_TRUE(fs::is_symlink(link)) << link << " was replaced by a plain file";
    EXPECT_EQ(fs::read_symlink(link).string(), target);
  }
  EXPECT_EQ(test::ReadTextFile(receiver), "new");
  EXPECT_EQ(ModeOf(receiver) == 0600u, GetParam().exists) << "the old target's mode is kept";
  EXPECT_EQ(NamesIn(folder.File("real")).size(), 1u) << "a temporary remains";
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Links, SymlinkTargetTest, ::testing::Values(
    LinkCase{{{"t.png", "real/t.png"}}, "t.png", "real/t.png", true},
    LinkCase{{{"t.png", "@/real/t.png"}}, "t.png", "real/t.png", true},
    LinkCase{{{"a.png", "b.png"}, {"b.png", "sub/c.png"}, {"sub/c.png", "../real/d.png"}}, "a.png", "real/d.png", true},
    LinkCase{{{"sub/t.png", "../real/t.png"}}, "sub/t.png", "real/t.png", true},
    LinkCase{{{"a.png", "b.png"}, {"b.png", "@/real/new.png"}}, "a.png", "real/new.png", false}));
// clang-format on

TEST(ReplaceFileAtomically, ALinkLoopFailsNamingTheFileAndWritesNothing) {
  test::TempFolder folder;
  ASSERT_EQ(::symlink("b.png", folder.File("a.png").c_str()), 0);
  ASSERT_EQ(::symlink("a.png", folder.File("b.png").c_str()), 0);
  Status status = ReplaceFileAtomically(folder.File("a.png"), std::string("new"));
  EXPECT_NE(status.message().find(folder.File("a.png")), std::string::npos) << status.message();
  EXPECT_EQ(NamesIn(folder.path()).size(), 2u);
}

// Staging files a killed run left behind go at the next run; nothing else
// does, and nothing a live write may still be using.
TEST(StaleStagingTest, RemovesOnlyOldStagingFiles) {
  for (const char* other : {".vrtmp-aZ09x", ".vrtmp-aZ09xyz", ".vrtmp-aZ0.xy", "vrtmp-aZ09xy", "photo.jpg"})
    EXPECT_FALSE(IsStagingName(other)) << other;
  test::TempFolder folder;
  const fs::file_time_type now = fs::file_time_type::clock::now();
  auto touch = [&](const std::string& name, fs::file_time_type when) {
    std::ofstream(folder.File(name)) << "x";
    fs::last_write_time(folder.File(name), when);
  };
  touch(".vrtmp-old111", now - 1h);
  touch(".vrtmp-new222", now + 1s);  // a write still going on
  touch("thumb.jpg", now - 1h);
  touch(".vrtmp-long-name", now - 1h);
  fs::create_directory(folder.File(".vrtmp-dir333"));
  fs::create_symlink(folder.File("thumb.jpg"), folder.File(".vrtmp-lnk444"));
  EXPECT_EQ(RemoveStaleStagingFiles(folder.path(), now), 1);
  EXPECT_FALSE(fs::exists(folder.File(".vrtmp-old111")));
  for (const char* kept :
       {".vrtmp-new222", "thumb.jpg", ".vrtmp-long-name", ".vrtmp-dir333", ".vrtmp-lnk444"})
    EXPECT_TRUE(fs::exists(fs::symlink_status(folder.File(kept)))) << kept;
  EXPECT_EQ(RemoveStaleStagingFiles(folder.File("missing"), now), 0);
}

// The one file reader: the start of a file, or a whole file under a length
// limit; what is too long is refused before a byte is read, and what is no
// regular file is refused at once, naming the file.
using Bytes = std::vector<std::uint8_t>;

TEST_P(ReplaceFileTest, AWholeFileIsReadUpToTheLimitAndRefusedUnreadPastIt) {
  const std::string path = folder_.File("a.bin"), huge = folder_.File("huge.bmp");
  test::WriteTextFile(path, std::string("\0\1\2\3", 4));
  Bytes bytes;
  ASSERT_TRUE(ReadWholeFileInto(path, bytes, 4));
  ASSERT_TRUE(ReadWholeFileInto(path, bytes));
  EXPECT_EQ(bytes, (Bytes{0, 1, 2, 3}));
  Status refused = ReadWholeFileInto(path, bytes, 3);
  EXPECT_NE(refused.message().find(path + ": file too large"), std::string::npos) << refused.message();
  // Sparse, so its length costs nothing; were it read up to the limit, the buffer would have grown.
  test::WriteTextFile(huge, "");
  ASSERT_EQ(::truncate(huge.c_str(), static_cast<off_t>(kMaxPictureFileBytes) + 1), 0);
  Bytes untouched;
  EXPECT_FALSE(ReadWholeFileInto(huge, untouched));
  EXPECT_FALSE(ReadWholeFileInto(huge, untouched, 1024));
  EXPECT_EQ(untouched.capacity(), 0u);
  EXPECT_TRUE(bytes.empty());
}

TEST_P(ReplaceFileTest, TheStartIsAtMostTheLimitAndTellsTheWholeLength) {
  const std::string path = folder_.File("a.png");
  test::WriteTextFile(path, "0123456789");
  Bytes bytes;
  bytes.reserve(64);
  const std::uint8_t* kept = bytes.data();
  for (const std::size_t limit : {4, 100}) {
    Expected<std::uint64_t> length = ReadFileStart(path, limit, bytes);
    ASSERT_TRUE(length);
    EXPECT_EQ(*length, 10u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), std::string("0123456789").substr(0, limit));
  }
  EXPECT_EQ(bytes.data(), kept) << "the buffer's allocation was not reused";
}

// A named pipe is refused at once, not waited on for a writer.
TEST_P(ReplaceFileTest, EveryReaderRefusesWhatIsNoFileNamingIt) {
  std::filesystem::create_directory(folder_.File("folder"));
  ASSERT_EQ(::mkfifo(folder_.File("pipe").c_str(), 0600), 0);
  for (const std::string name : {"missing", "folder", "pipe"}) {
    const std::string path = folder_.File(name);
    const std::string words = name == "missing" ? ": No such file" : ": not a regular file";
    Bytes bytes{1, 2, 3};
    for (const std::string& message :
         {ReadWholeFileInto(path, bytes).message(), ReadWholeFileInto(path, bytes, 1024).message(),
          ReadFileStart(path, 16, bytes).message()})
      EXPECT_NE(message.find(path + words), std::string::npos) << message;
    EXPECT_TRUE(bytes.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(UnnamedAndNamed, ReplaceFileTest,
                         ::testing::Values(Staging::kUnnamedWhereSupported, Staging::kNamed));

}  // namespace
}  // namespace vr
