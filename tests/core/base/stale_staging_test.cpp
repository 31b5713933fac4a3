// Staging files a killed run left behind go at the next run; nothing else
// does, and nothing a live write may still be using.
#include "base/stale_staging.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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

}  // namespace
}  // namespace vr
