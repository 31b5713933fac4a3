// Crash-safe whole-file replacement.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace vr {
namespace {

TEST(ReplaceFileAtomically, WritesNewAndReplacesOldFiles) {
  test::TempFolder folder;
  std::string path = folder.File("out.txt");
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string("first")));
  EXPECT_EQ(test::ReadTextFile(path), "first");
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string("second, longer")));
  EXPECT_EQ(test::ReadTextFile(path), "second, longer");
  ASSERT_TRUE(ReplaceFileAtomically(path, std::string()));
  EXPECT_EQ(test::ReadTextFile(path), "");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1)
      << "temporary left behind";
}

TEST(ReplaceFileAtomically, MissingFolderFailsNamingTheFile) {
  test::TempFolder folder;
  Status status = ReplaceFileAtomically(folder.File("no/such/out.txt"), std::string("x"));
  ASSERT_FALSE(status);
  EXPECT_NE(status.message().find("out.txt"), std::string::npos);
}

TEST(ReplaceFileAtomically, TargetThatIsAFolderStaysAndNoTemporaryRemains) {
  test::TempFolder folder;
  std::filesystem::create_directories(folder.File("busy/inner"));
  EXPECT_FALSE(ReplaceFileAtomically(folder.File("busy"), std::string("x")));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("busy/inner")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()), {}), 1);
}

}  // namespace
}  // namespace vr
