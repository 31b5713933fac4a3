// A run must never write over one of its own pictures, whatever path leads
// to it.
#include "thumbnail/source_guard.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class SourceGuardTest : public ::testing::Test {
 protected:
  SourceGuardTest() {
    fs::create_directories(folder_.File("pics/sub"));
    test::WriteBytes(photo_, {1, 2, 3});
  }
  test::TempFolder folder_;
  const std::string photo_ = folder_.File("pics/photo.jpg");
};

TEST_F(SourceGuardTest, FindsTheSourceByEverySpellingOfItsPath) {
  const SourceGuard guard({photo_});
  for (const std::string& spelling : {photo_, folder_.File("pics/./photo.jpg"),
                                      folder_.File("pics/sub/../photo.jpg"), folder_.File("pics//photo.jpg")})
    EXPECT_EQ(guard.SourceAt(spelling), photo_) << spelling;
  EXPECT_EQ(guard.SourceAt(folder_.File("pics/photo.png")), std::nullopt);
  EXPECT_EQ(guard.SourceAt(folder_.File("pics/sub/photo.jpg")), std::nullopt);
}

TEST_F(SourceGuardTest, FindsTheSourceThroughALinkedFolderAndALinkedFile) {
  fs::create_directory_symlink(folder_.File("pics"), folder_.File("linked"));
  fs::create_symlink(photo_, folder_.File("pics/sub/alias.jpg"));
  const SourceGuard guard({photo_});
  EXPECT_EQ(guard.SourceAt(folder_.File("linked/photo.jpg")), photo_);
  EXPECT_EQ(guard.SourceAt(folder_.File("pics/sub/alias.jpg")), photo_);
  // Listed through the link, found by the plain path.
  EXPECT_EQ(SourceGuard({folder_.File("linked/photo.jpg")}).SourceAt(photo_),
            folder_.File("linked/photo.jpg"));
}

TEST_F(SourceGuardTest, FindsAHardLinkOfTheSourceUnderAnotherName) {
  fs::create_hard_link(photo_, folder_.File("pics/sub/same.jpg"));
  EXPECT_EQ(SourceGuard({photo_}).SourceAt(folder_.File("pics/sub/same.jpg")), photo_);
}

TEST_F(SourceGuardTest, ARelativeSourceMatchesItsAbsolutePath) {
  const fs::path before = fs::current_path();
  fs::current_path(folder_.File("pics"));
  const SourceGuard guard({"photo.jpg"});
  fs::current_path(before);
  EXPECT_EQ(guard.SourceAt(photo_), "photo.jpg");
}

}  // namespace
}  // namespace vr
