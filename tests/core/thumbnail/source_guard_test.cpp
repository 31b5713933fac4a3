// A run must never write over one of its own pictures, whatever path leads
// to it: another spelling, a linked folder or file, a hard link, a relative
// path, or a picture not there yet.
#include "thumbnail/source_guard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

TEST(SourceGuardTest, FindsTheSourceByEveryPathThatLeadsToIt) {
  test::TempFolder folder;
  fs::create_directories(folder.File("pics/sub"));
  const std::string photo = folder.File("pics/photo.jpg");
  test::WriteBytes(photo, {1, 2, 3});
  fs::create_directory_symlink(folder.File("pics"), folder.File("linked"));
  fs::create_symlink(photo, folder.File("pics/sub/alias.jpg"));
  fs::create_hard_link(photo, folder.File("pics/sub/same.jpg"));
  const SourceGuard guard({photo});
  for (const char* spelling : {"pics/./photo.jpg", "pics/sub/../photo.jpg", "pics//photo.jpg",
                               "linked/photo.jpg", "pics/sub/alias.jpg", "pics/sub/same.jpg"})
    EXPECT_EQ(guard.SourceAt(folder.File(spelling)), photo) << spelling;
  EXPECT_EQ(guard.SourceAt(folder.File("pics/photo.png")), std::nullopt);
  EXPECT_EQ(guard.SourceAt(folder.File("pics/sub/photo.jpg")), std::nullopt);
  // Listed through a link or not there at all, found by the plain path.
  const std::string missing = folder.File("linked/sub/../later.jpg");
  EXPECT_EQ(SourceGuard({folder.File("linked/photo.jpg")}).SourceAt(photo), folder.File("linked/photo.jpg"));
  EXPECT_EQ(SourceGuard({missing}).SourceAt(folder.File("pics/later.jpg")), missing);
  const fs::path before = fs::current_path();
  fs::current_path(folder.File("pics"));
  const SourceGuard relative({"photo.jpg"});
  fs::current_path(before);
  EXPECT_EQ(relative.SourceAt(photo), "photo.jpg");
}

}  // namespace
}  // namespace vr
