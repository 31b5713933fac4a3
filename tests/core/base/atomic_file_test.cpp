// Crash-safe whole-file replacement: what a write leaves on disk when it
// succeeds and when it fails, with either way of staging the new bytes.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "support/temp_folder.h"

namespace vr {
namespace {

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

TEST_P(ReplaceFileTest, WritesNewAndReplacesOldFiles) {
  std::string path = folder_.File("out.txt");
  ASSERT_TRUE(Write(path, "first"));
  EXPECT_EQ(test::ReadTextFile(path), "first");
  ASSERT_TRUE(Write(path, "second, longer"));
  EXPECT_EQ(test::ReadTextFile(path), "second, longer");
  ASSERT_TRUE(Write(path, ""));
  EXPECT_EQ(test::ReadTextFile(path), "");
  EXPECT_EQ(NamesIn(folder_.path()), std::set<std::string>{"out.txt"}) << "temporary left behind";
}

// The staging name must not be longer than the target's: the longest name
// the file system accepts is written and replaced like any other.
TEST_P(ReplaceFileTest, TheLongestNameTheFileSystemAcceptsIsWritten) {
  const std::string name = std::string(251, 'n') + ".png";
  ASSERT_EQ(name.size(), 255u);
  const std::string path = folder_.File(name);
  Status first = Write(path, "first");
  ASSERT_TRUE(first) << first.message();
  Status second = Write(path, "second");
  ASSERT_TRUE(second) << second.message();
  EXPECT_EQ(test::ReadTextFile(path), "second");
  EXPECT_EQ(NamesIn(folder_.path()), std::set<std::string>{name});
}

TEST_P(ReplaceFileTest, MissingFolderFailsNamingTheFile) {
  Status status = Write(folder_.File("no/such/out.txt"), "x");
  ASSERT_FALSE(status);
  EXPECT_NE(status.message().find(folder_.File("no/such/out.txt")), std::string::npos) << status.message();
}

TEST_P(ReplaceFileTest, TargetThatIsAFolderStaysAndNoTemporaryRemains) {
  std::filesystem::create_directories(folder_.File("busy/inner"));
  EXPECT_FALSE(Write(folder_.File("busy"), "x"));
  EXPECT_TRUE(std::filesystem::is_directory(folder_.File("busy/inner")));
  EXPECT_EQ(NamesIn(folder_.path()), std::set<std::string>{"busy"});
}

// A write that runs out of room fails and leaves the folder as it was: the
// old file byte for byte, no staging file. The file size limit makes the
// write fail even for root; it runs in a child so the limit stays there.
TEST_P(ReplaceFileTest, AWriteThatFailsLeavesTheFolderAsItWas) {
  const std::string path = folder_.File("thumb.png");
  ASSERT_TRUE(Write(path, "old"));
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{64, 64};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    _exit(Write(path, std::string(4096, 'n')) ? 1 : 0);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the failed write was reported as a success";
  EXPECT_EQ(test::ReadTextFile(path), "old");
  EXPECT_EQ(NamesIn(folder_.path()), std::set<std::string>{"thumb.png"});
}

INSTANTIATE_TEST_SUITE_P(Stagings, ReplaceFileTest,
                         ::testing::Values(Staging::kUnnamedWhereSupported, Staging::kNamed),
                         [](const auto& info) {
                           return std::string(info.param == Staging::kNamed ? "Named" : "Unnamed");
                         });

}  // namespace
}  // namespace vr
