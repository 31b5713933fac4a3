// Whole-file reads and crash-safe replacement.
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

TEST(ReadWholeFile, ReadsBytesAndRefusesWhatItCannot) {
  test::TempFolder folder;
  test::WriteTextFile(folder.File("a.bin"), std::string("\0\1\2", 3));
  Expected<std::vector<std::uint8_t>> bytes = ReadWholeFile(folder.File("a.bin"));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, (std::vector<std::uint8_t>{0, 1, 2}));
  EXPECT_FALSE(ReadWholeFile(folder.File("a.bin"), 2));
  EXPECT_FALSE(ReadWholeFile(folder.File("missing.bin")));
  EXPECT_FALSE(ReadWholeFile(folder.path()));
  // A named pipe is refused at once, not waited on for a writer.
  ASSERT_EQ(::mkfifo(folder.File("pipe").c_str(), 0600), 0);
  Expected<std::vector<std::uint8_t>> pipe = ReadWholeFile(folder.File("pipe"));
  ASSERT_FALSE(pipe);
  EXPECT_NE(pipe.message().find("not a regular file"), std::string::npos) << pipe.message();
}

}  // namespace
}  // namespace vr
