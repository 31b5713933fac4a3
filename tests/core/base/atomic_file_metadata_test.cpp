// What a replaced file keeps and where a write through a link goes: the
// mode the umask allows, the old file's mode and owner, a link's target.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <tuple>
#include <utility>
#include <vector>

#include "base/atomic_file.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

// The process umask for one test, put back afterwards.
class ScopedUmask {
 public:
  explicit ScopedUmask(mode_t mask) : saved_(::umask(mask)) {}
  ~ScopedUmask() { ::umask(saved_); }
  ScopedUmask(const ScopedUmask&) = delete;
  ScopedUmask& operator=(const ScopedUmask&) = delete;

 private:
  mode_t saved_;
};

mode_t ModeOf(const std::string& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

mode_t CurrentUmask() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

class NewFileModeTest : public ::testing::TestWithParam<std::tuple<mode_t, Staging>> {};

// Unnamed staging files take the umask at creation as named ones do.
TEST_P(NewFileModeTest, IsEverythingTheUmaskAllows) {
  const auto [umask, staging] = GetParam();
  test::TempFolder folder;
  ScopedUmask mask(umask);
  const std::string path = folder.File("thumb.png");
  ASSERT_TRUE(ReplaceFileAtomically(path, "new", 3, staging));
  EXPECT_EQ(ModeOf(path), 0666 & ~umask);
}

INSTANTIATE_TEST_SUITE_P(Umasks, NewFileModeTest,
                         ::testing::Combine(::testing::Values(077, 022, 002, 0),
                                            ::testing::Values(Staging::kUnnamedWhereSupported,
                                                              Staging::kNamed)));

struct KeptModeCase {
  mode_t umask;
  mode_t mode;  // of the file before it is replaced
};

class ReplacedFileModeTest : public ::testing::TestWithParam<std::tuple<KeptModeCase, Staging>> {};

TEST_P(ReplacedFileModeTest, StaysWhatItWasWhateverTheUmask) {
  const auto [kept, staging] = GetParam();
  test::TempFolder folder;
  ScopedUmask mask(kept.umask);
  const std::string path = folder.File("store.reg");
  test::WriteTextFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), kept.mode), 0);
  ASSERT_TRUE(ReplaceFileAtomically(path, "new", 3, staging));
  EXPECT_EQ(test::ReadTextFile(path), "new");
  EXPECT_EQ(ModeOf(path), kept.mode);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, ReplacedFileModeTest,
    ::testing::Combine(::testing::Values(KeptModeCase{022, 0600}, KeptModeCase{022, 0640},
                                         KeptModeCase{077, 0644}, KeptModeCase{077, 0755},
                                         KeptModeCase{0, 0400}),
                       ::testing::Values(Staging::kUnnamedWhereSupported, Staging::kNamed)));

constexpr uid_t kNobody = 65534;

TEST(ReplaceFileAtomically, KeepsTheOwnerAndGroupWhereItMaySetThem) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another user";
  test::TempFolder folder;
  const std::string path = folder.File("theirs.png");
  test::WriteTextFile(path, "old");
  ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string("new")));
  struct stat info {};
  ASSERT_EQ(::stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_uid, kNobody);
  EXPECT_EQ(info.st_gid, kNobody);
}

// A user who may replace a file in a shared folder but not give it back to
// its owner still gets the file written.
TEST(ReplaceFileAtomically, AnOwnerItMayNotSetIsNoFailure) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs a second user to act as";
  test::TempFolder folder;
  ASSERT_EQ(::chmod(folder.path().c_str(), 0777), 0);
  const std::string path = folder.File("roots.png");
  test::WriteTextFile(path, "old");
  ASSERT_EQ(::chmod(path.c_str(), 0664), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) _exit(3);
    _exit(ReplaceFileAtomically(path, std::string("new")) ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the write failed because the owner could not be kept";
  EXPECT_EQ(test::ReadTextFile(path), "new");
  EXPECT_EQ(ModeOf(path), 0664u);
}

struct LinkCase {
  const char* label;
  // Links made before the write, as name and target; "@" in a target
  // stands for the test's folder.
  std::vector<std::pair<std::string, std::string>> links;
  const char* written;     // the path given to the write
  const char* gets_bytes;  // the regular file that must receive them
  bool target_exists;
};

class SymlinkTargetTest : public ::testing::TestWithParam<LinkCase> {};

// A write through a link replaces the file the link ends at; every link of
// the chain stays a link to where it pointed, and nothing else appears.
TEST_P(SymlinkTargetTest, ReplacesTheFinalTargetAndKeepsTheLinks) {
  test::TempFolder folder;
  namespace fs = std::filesystem;
  fs::create_directories(folder.File("real"));
  fs::create_directories(folder.File("sub"));
  const std::string receiver = folder.File(GetParam().gets_bytes);
  if (GetParam().target_exists) {
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
  EXPECT_EQ(ModeOf(receiver), GetParam().target_exists ? 0600u : 0666u & ~CurrentUmask());
  EXPECT_EQ(std::distance(fs::directory_iterator(folder.File("real")), {}), 1) << "a temporary remains";
}

INSTANTIATE_TEST_SUITE_P(
    Links, SymlinkTargetTest,
    ::testing::Values(
        LinkCase{"Relative", {{"thumb.png", "real/thumb.png"}}, "thumb.png", "real/thumb.png", true},
        LinkCase{"Absolute", {{"thumb.png", "@/real/thumb.png"}}, "thumb.png", "real/thumb.png", true},
        LinkCase{"Chain",
                 {{"a.png", "b.png"}, {"b.png", "sub/c.png"}, {"sub/c.png", "../real/d.png"}},
                 "a.png",
                 "real/d.png",
                 true},
        LinkCase{
            "RelativeToTheLinksOwnFolder", {{"sub/t.png", "../real/t.png"}}, "sub/t.png", "real/t.png", true},
        LinkCase{"Dangling", {{"thumb.png", "real/new.png"}}, "thumb.png", "real/new.png", false},
        LinkCase{"DanglingChain",
                 {{"a.png", "b.png"}, {"b.png", "@/real/new.png"}},
                 "a.png",
                 "real/new.png",
                 false}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ReplaceFileAtomically, ALinkLoopFailsNamingTheFileAndWritesNothing) {
  test::TempFolder folder;
  ASSERT_EQ(::symlink("b.png", folder.File("a.png").c_str()), 0);
  ASSERT_EQ(::symlink("a.png", folder.File("b.png").c_str()), 0);
  Status status = ReplaceFileAtomically(folder.File("a.png"), std::string("new"));
  ASSERT_FALSE(status);
  EXPECT_NE(status.message().find(folder.File("a.png")), std::string::npos) << status.message();
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 2);
}

}  // namespace
}  // namespace vr
