// The one file reader: the start of a file, or a whole file under a length
// limit; what is too long is refused before a byte is read, and what is no
// regular file is refused at once, naming the file.
#include "base/file_bytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FileBytesTest : public ::testing::Test {
 protected:
  test::TempFolder folder_;
};

TEST_F(FileBytesTest, AWholeFileIsReadUpToTheLimitAndRefusedUnreadPastIt) {
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

TEST_F(FileBytesTest, TheStartIsAtMostTheLimitAndTellsTheWholeLength) {
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

class FileBytesRefusalTest : public FileBytesTest, public ::testing::WithParamInterface<const char*> {};

// A named pipe is refused at once, not waited on for a writer.
TEST_P(FileBytesRefusalTest, EveryReaderRefusesNamingTheFile) {
  std::filesystem::create_directory(folder_.File("folder"));
  ASSERT_EQ(::mkfifo(folder_.File("pipe").c_str(), 0600), 0);
  const std::string path = folder_.File(GetParam());
  Bytes bytes{1, 2, 3};
  const char* words = std::string(GetParam()) == "missing" ? "No such file" : "not a regular file";
  for (const std::string& message :
       {ReadWholeFileInto(path, bytes).message(), ReadWholeFileInto(path, bytes, 1024).message(),
        ReadFileStart(path, 16, bytes).message()})
    EXPECT_NE(message.find(path + ": " + words), std::string::npos) << message;
  EXPECT_TRUE(bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(Refusals, FileBytesRefusalTest, ::testing::Values("missing", "folder", "pipe"));

}  // namespace
}  // namespace vr
