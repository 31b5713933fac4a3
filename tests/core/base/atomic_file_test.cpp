// Whole-file replacement, with either way of staging the new bytes: the
// folder ends with the new file or the old one byte for byte and never a
// staging file; the replaced file keeps its mode and owner, a new one gets
// what the umask allows, and a write through links replaces their target.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <set>

#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

std::set<std::string> NamesIn(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

class ReplaceFileTest : public ::testing::TestWithParam<Staging> {
 protected:
  Status Write(const std::string& path, const std::string& bytes) {
    return ReplaceFileAtomically(path, bytes.data(), bytes.size(), GetParam());
  }
  test::TempFolder folder_;
};

// The staging name is no longer than the target's: the longest name the file
// system accepts is written and replaced like any other.
TEST_P(ReplaceFileTest, ReplacesTheFileAndLeavesNothingElse) {
  for (const std::string& name : {std::string("out.txt"), std::string(251, 'n') + ".png"}) {
    const std::string path = folder_.File(name);
    for (const std::string bytes : {"first", "second, longer", ""}) {
      ASSERT_TRUE(Write(path, bytes)) << name;
      EXPECT_EQ(test::ReadTextFile(path), bytes);
    }
    EXPECT_EQ(NamesIn(folder_.path()), std::set<std::string>{name});
    fs::remove(path);
  }
}

// A write that runs out of room fails and leaves the old file as it was.
TEST_P(ReplaceFileTest, AFailedWriteLeavesTheFolderAsItWas) {
  const std::string path = folder_.File("thumb.png");
  ASSERT_TRUE(Write(path, "old"));
  EXPECT_EQ(test::InChild([&] { return Write(path, std::string(4096, 'n')) ? 1 : 0; }, 64), 0)
      << "the failed write was reported as a success";
  fs::create_directories(folder_.File("busy/inner"));
  EXPECT_FALSE(Write(folder_.File("busy"), "x"));
  Status missing = Write(folder_.File("no/such/out.txt"), "x");
  EXPECT_NE(missing.message().find(folder_.File("no/such/out.txt")), std::string::npos) << missing.message();
  EXPECT_EQ(test::ReadTextFile(path), "old");
  EXPECT_TRUE(fs::is_directory(folder_.File("busy/inner")));
  EXPECT_EQ(NamesIn(folder_.path()), (std::set<std::string>{"busy", "thumb.png"}));
}

struct ModeCase {
  mode_t umask;
  std::optional<mode_t> old_mode;  // none: the file is new
};

class FileModeTest : public ::testing::TestWithParam<std::tuple<ModeCase, Staging>> {};

TEST_P(FileModeTest, IsTheOldFilesOrWhatTheUmaskAllows) {
  const auto [c, staging] = GetParam();
  test::TempFolder folder;
  const std::string path = folder.File("store.reg");
  if (c.old_mode) {
    test::WriteTextFile(path, "old");
    ASSERT_EQ(::chmod(path.c_str(), *c.old_mode), 0);
  }
  const mode_t saved = ::umask(c.umask);
  const Status written = ReplaceFileAtomically(path, "new", 3, staging);
  ::umask(saved);
  ASSERT_TRUE(written);
  EXPECT_EQ(ModeOf(path), c.old_mode.value_or(0666 & ~c.umask));
}

INSTANTIATE_TEST_SUITE_P(
    Modes, FileModeTest,
    ::testing::Combine(::testing::Values(ModeCase{077, {}}, ModeCase{022, {}}, ModeCase{002, {}},
                                         ModeCase{0, {}}, ModeCase{022, 0600}, ModeCase{022, 0640},
                                         ModeCase{077, 0644}, ModeCase{077, 0755}, ModeCase{0, 0400}),
                       ::testing::Values(Staging::kUnnamedWhereSupported, Staging::kNamed)));

constexpr uid_t kNobody = 65534;

// The owner is kept where it may be set; a user who may replace a file in a
// shared folder but not give it back to its owner still gets it written.
TEST(ReplaceFileAtomically, KeepsTheOwnerWhereItMaySetIt) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  test::TempFolder folder;
  const std::string theirs = folder.File("theirs.png"), roots = folder.File("roots.png");
  test::WriteTextFile(theirs, "old");
  test::WriteTextFile(roots, "old");
  ASSERT_EQ(::chown(theirs.c_str(), kNobody, kNobody), 0);
  ASSERT_EQ(::chmod(roots.c_str(), 0664), 0);
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  ASSERT_TRUE(ReplaceFileAtomically(theirs, std::string("new")));
  struct stat info {};
  ASSERT_EQ(::stat(theirs.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_gid, kNobody);
  EXPECT_EQ(test::InChild([&] {
              if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return 3;
              return ReplaceFileAtomically(roots, std::string("new")) ? 0 : 1;
            }),
            0);
  EXPECT_EQ(test::ReadTextFile(roots), "new");
  EXPECT_EQ(ModeOf(roots), 0664u);
}

struct LinkCase {
  const char* label;
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
  if (GetParam().exists) {
    test::WriteTextFile(receiver, "old");
    ASSERT_EQ(::chmod(receiver.c_str(), 0600), 0);
  }
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
  if (GetParam().exists) {
    EXPECT_EQ(ModeOf(receiver), 0600u);
  }
  EXPECT_EQ(NamesIn(folder.File("real")).size(), 1u) << "a temporary remains";
}

INSTANTIATE_TEST_SUITE_P(
    Links, SymlinkTargetTest,
    ::testing::Values(
        LinkCase{"Relative", {{"t.png", "real/t.png"}}, "t.png", "real/t.png", true},
        LinkCase{"Absolute", {{"t.png", "@/real/t.png"}}, "t.png", "real/t.png", true},
        LinkCase{"Chain",
                 {{"a.png", "b.png"}, {"b.png", "sub/c.png"}, {"sub/c.png", "../real/d.png"}},
                 "a.png",
                 "real/d.png",
                 true},
        LinkCase{"FromItsOwnFolder", {{"sub/t.png", "../real/t.png"}}, "sub/t.png", "real/t.png", true},
        LinkCase{
            "Dangling", {{"a.png", "b.png"}, {"b.png", "@/real/new.png"}}, "a.png", "real/new.png", false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ReplaceFileAtomically, ALinkLoopFailsNamingTheFileAndWritesNothing) {
  test::TempFolder folder;
  ASSERT_EQ(::symlink("b.png", folder.File("a.png").c_str()), 0);
  ASSERT_EQ(::symlink("a.png", folder.File("b.png").c_str()), 0);
  Status status = ReplaceFileAtomically(folder.File("a.png"), std::string("new"));
  EXPECT_NE(status.message().find(folder.File("a.png")), std::string::npos) << status.message();
  EXPECT_EQ(NamesIn(folder.path()).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(Stagings, ReplaceFileTest,
                         ::testing::Values(Staging::kUnnamedWhereSupported, Staging::kNamed),
                         [](const auto& info) {
                           return std::string(info.param == Staging::kNamed ? "Named" : "Unnamed");
                         });

}  // namespace
}  // namespace vr
