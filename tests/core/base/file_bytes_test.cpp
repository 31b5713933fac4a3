// The one file reader: the start of a file, a whole file under a length
// limit, and what it refuses.
#include "base/file_bytes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "support/temp_folder.h"

namespace vr {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FileBytesTest : public ::testing::Test {
 protected:
  // A file of `length` bytes that takes no room on disk: reading it would
  // cost time and memory, looking at its length does not.
  std::string SparseFile(const std::string& name, off_t length) {
    const std::string path = folder_.File(name);
    test::WriteTextFile(path, "");
    EXPECT_EQ(::truncate(path.c_str(), length), 0);
    return path;
  }

  test::TempFolder folder_;
};

TEST_F(FileBytesTest, WholeFileReadsEveryByteUpToTheLimit) {
  const std::string path = folder_.File("a.bin");
  test::WriteTextFile(path, std::string("\0\1\2\3", 4));
  Bytes bytes;
  ASSERT_TRUE(ReadWholeFileInto(path, bytes, 4));
  EXPECT_EQ(bytes, (Bytes{0, 1, 2, 3}));
  ASSERT_TRUE(ReadWholeFileInto(path, bytes));
  EXPECT_EQ(bytes, (Bytes{0, 1, 2, 3}));

  Status refused = ReadWholeFileInto(path, bytes, 3);
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.message().find(path), std::string::npos) << refused.message();
  EXPECT_NE(refused.message().find("too large"), std::string::npos) << refused.message();
  EXPECT_TRUE(bytes.empty());
}

TEST_F(FileBytesTest, AFileLongerThanTheLimitIsRefusedUnread) {
  // Were it read up to the limit first, the buffer would have grown to it.
  const std::string huge = SparseFile("huge.bmp", static_cast<off_t>(kMaxPictureFileBytes) + 1);
  Bytes bytes;
  EXPECT_FALSE(ReadWholeFileInto(huge, bytes));
  EXPECT_EQ(bytes.capacity(), 0u);

  const std::string store = SparseFile("store.reg", 1 << 20);
  EXPECT_FALSE(ReadWholeFileInto(store, bytes, 1024));
  EXPECT_EQ(bytes.capacity(), 0u);
}

TEST_F(FileBytesTest, StartReadsAtMostTheLimitAndTellsTheWholeLength) {
  const std::string path = folder_.File("a.png");
  test::WriteTextFile(path, "0123456789");
  Bytes bytes;
  bytes.reserve(64);
  const std::uint8_t* kept = bytes.data();
  Expected<std::uint64_t> length = ReadFileStart(path, 4, bytes);
  ASSERT_TRUE(length);
  EXPECT_EQ(*length, 10u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123");
  EXPECT_EQ(bytes.data(), kept) << "the buffer's allocation was not reused";

  length = ReadFileStart(path, 100, bytes);
  ASSERT_TRUE(length);
  EXPECT_EQ(*length, 10u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "0123456789");
}

struct RefusedCase {
  const char* label;
  const char* name;   // inside the test's folder
  const char* words;  // expected in the message
};

class FileBytesRefusalTest : public FileBytesTest, public ::testing::WithParamInterface<RefusedCase> {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(folder_.File("folder"));
    ASSERT_EQ(::mkfifo(folder_.File("pipe").c_str(), 0600), 0);
  }
};

// Every reader refuses the same things with a message naming the file; a
// named pipe is refused at once, not waited on for a writer.
TEST_P(FileBytesRefusalTest, EveryReaderRefusesNamingTheFile) {
  const std::string path = folder_.File(GetParam().name);
  Bytes bytes{1, 2, 3};
  const Status whole = ReadWholeFileInto(path, bytes);
  const Status limited = ReadWholeFileInto(path, bytes, 1024);
  const Expected<std::uint64_t> start = ReadFileStart(path, 16, bytes);
  for (const std::string& message : {whole.message(), limited.message(), start.message()}) {
    EXPECT_NE(message.find(path), std::string::npos) << message;
    EXPECT_NE(message.find(GetParam().words), std::string::npos) << message;
  }
  EXPECT_TRUE(bytes.empty());
}

INSTANTIATE_TEST_SUITE_P(Refusals, FileBytesRefusalTest,
                         ::testing::Values(RefusedCase{"Missing", "missing.bin", "No such file"},
                                           RefusedCase{"Folder", "folder", "not a regular file"},
                                           RefusedCase{"NamedPipe", "pipe", "not a regular file"}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace vr
