// The folder scan: which files it takes and in which order, folder by folder
// down a tree, and that everything it leaves out is counted by its cause.
#include "list/folder_scan.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "core/imaging/codecs/newer_format_files.h"
#include "imaging/image_probe.h"
#include "list/picture_extensions.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class FolderScanTest : public testing::Test {
 protected:
  std::string Touch(const std::string& name) {
    const std::string path = temp_.File(name);
    fs::create_directories(fs::path(path).parent_path());
    test::WriteTextFile(path, "x");
    return path;
  }
  // The paths found, relative to the temp folder.
  std::vector<std::string> Found(const FolderScan& scan) const {
    std::vector<std::string> names;
    for (const ScannedPicture& picture : scan.pictures)
      names.push_back(picture.path.substr(temp_.path().size() + 1));
    return names;
  }
  FolderScan Scan(const std::string& folder, bool recursive) {
    ScanOptions options;
    options.recursive = recursive;
    Expected<FolderScan> scan = ScanPictureFolder(temp_.File(folder), options);
    EXPECT_TRUE(scan.ok()) << scan.message();
    return scan.ok() ? *scan : FolderScan{};
  }

  test::TempFolder temp_;
};

TEST_F(FolderScanTest, TakesTheThreeOldExtensionsFirstThenEveryOtherTheEngineReadsInAnyCase) {
  for (const char* name : {"b.png", "a.JPG", "c.bmp", "z.jpeg", "g.GIF", "t.tif", "x.TIFF", "j.Jfif", "e.jpe",
                           "d.BMP", "notes.txt", "jpg", ".png", "c.jpg.txt"})
    Touch(std::string("top/") + name);
  fs::create_directories(temp_.File("top/folder.png"));  // a folder, never a picture
  const FolderScan scan = Scan("top", false);
  EXPECT_EQ(Found(scan),
            (std::vector<std::string>{"top/c.bmp", "top/d.BMP", "top/a.JPG", "top/b.png", "top/z.jpeg",
                                      "top/e.jpe", "top/j.Jfif", "top/g.GIF", "top/t.tif", "top/x.TIFF"}));
  // A hidden ".png" has no extension at all.
  EXPECT_EQ(scan.left_out.not_pictures, 4u);
  EXPECT_EQ(scan.left_out.total(), 4u);
  EXPECT_TRUE(scan.named.empty()) << "files of other kinds are only counted";
  EXPECT_EQ(scan.pictures.front().bytes, 1);
}

TEST_F(FolderScanTest, GoesDownFolderByFolderInNameOrderEachFolderItsOwnFilesFirst) {
  for (const char* name :
       {"top/b.png", "top/a.jpg", "top/sub2/k.jpg", "top/sub1/m.png", "top/sub1/deep/n.bmp",
        "top/sub1/deep/o.gif", "top/sub1/a.bmp", "top/Sub0/u.tif", "top/sub2/empty/x.txt"})
    Touch(name);
  EXPECT_EQ(Found(Scan("top", false)), (std::vector<std::string>{"top/a.jpg", "top/b.png"}))
      << "sub-folders only when asked";
  const FolderScan scan = Scan("top", true);
  EXPECT_EQ(Found(scan), (std::vector<std::string>{"top/a.jpg", "top/b.png", "top/Sub0/u.tif",
                                                   "top/sub1/a.bmp", "top/sub1/m.png", "top/sub1/deep/n.bmp",
                                                   "top/sub1/deep/o.gif", "top/sub2/k.jpg"}));
  EXPECT_EQ(scan.left_out.not_pictures, 1u);
}

TEST_F(FolderScanTest, LinksAreFollowedOnceAndBrokenOnesAreNamed) {
  const std::string picture = Touch("top/real.jpg");
  Touch("elsewhere/far.png");
  fs::create_symlink(picture, temp_.File("top/link.jpg"));
  fs::create_symlink(temp_.File("gone.jpg"), temp_.File("top/broken.jpg"));
  fs::create_symlink(temp_.File("gone"), temp_.File("top/broken"));  // any name: the target is gone
  fs::create_symlink(temp_.File("top"), temp_.File("top/loop"));
  fs::create_symlink(temp_.File("elsewhere"), temp_.File("top/linked"));
  const FolderScan scan = Scan("top", true);
  EXPECT_EQ(Found(scan), (std::vector<std::string>{"top/link.jpg", "top/real.jpg", "top/linked/far.png"}))
      << "a linked folder is searched, a link back up is not";
  EXPECT_EQ(scan.left_out.broken_links, 2u);
  ASSERT_EQ(scan.named.size(), 2u);
  for (const LeftOutFile& file : scan.named) {
    EXPECT_EQ(file.cause, LeftOutCause::kBrokenLink);
    EXPECT_TRUE(file.path == temp_.File("top/broken.jpg") || file.path == temp_.File("top/broken"))
        << file.path;
  }
}

// Runs the scan as a user without the right to read, which root is not:
// as root, in a child process that gives its rights away first.
std::string ScanAsPlainUser(const std::string& folder) {
  auto describe = [&] {
    Expected<FolderScan> scan = ScanPictureFolder(folder, {.recursive = true, .progress = {}});
    if (!scan) return "failed: " + scan.message();
    std::string text = std::to_string(scan->pictures.size()) + " found, " +
                       std::to_string(scan->left_out.unreadable) + " unreadable:";
    for (const LeftOutFile& file : scan->named) text += " " + fs::path(file.path).filename().string();
    return text;
  };
  if (::geteuid() != 0) return describe();
  int pipe_ends[2];
  if (::pipe(pipe_ends) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_ends[0]);
    constexpr uid_t kNobody = 65534;
    const std::string text = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 ? describe() : "no setuid";
    const ssize_t written = ::write(pipe_ends[1], text.data(), text.size());
    ::_exit(written == static_cast<ssize_t>(text.size()) ? 0 : 1);
  }
  ::close(pipe_ends[1]);
  std::string text;
  char buffer[256];
  for (ssize_t got; (got = ::read(pipe_ends[0], buffer, sizeof buffer)) > 0;) text.append(buffer, got);
  ::close(pipe_ends[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  return text;
}

TEST_F(FolderScanTest, FilesAndFoldersThatCannotBeReadAreCountedAndNamed) {
  Touch("top/fine.png");
  const std::string locked = Touch("top/locked.jpg");
  Touch("top/shut/inside.jpg");
  Touch("top/shut.txt");
  ASSERT_EQ(::chmod(temp_.path().c_str(), 0755), 0);
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  ASSERT_EQ(::chmod(temp_.File("top/shut").c_str(), 0), 0);
  EXPECT_EQ(ScanAsPlainUser(temp_.File("top")), "1 found, 2 unreadable: locked.jpg shut");
  ::chmod(temp_.File("top/shut").c_str(), 0755);  // so the temp folder can be removed
}

TEST_F(FolderScanTest, AFolderThatCannotBeReadFailsNamingIt) {
  const std::string file = Touch("plain.jpg");
  for (const std::string& folder : {temp_.File("missing"), file}) {
    const Expected<FolderScan> scan = ScanPictureFolder(folder);
    ASSERT_FALSE(scan.ok());
    EXPECT_NE(scan.message().find(folder), std::string::npos) << scan.message();
  }
}

TEST_F(FolderScanTest, ProgressIsReportedAndCanStopTheScan) {
  for (int i = 0; i < 600; ++i) Touch("top/p" + std::to_string(1000 + i) + ".jpg");
  std::vector<std::size_t> seen;
  ScanOptions options;
  options.progress = [&](const FolderScan& so_far) {
    seen.push_back(so_far.pictures.size() + so_far.left_out.total());
    return true;
  };
  const Expected<FolderScan> whole = ScanPictureFolder(temp_.File("top"), options);
  ASSERT_TRUE(whole.ok());
  EXPECT_EQ(whole->pictures.size(), 600u);
  EXPECT_FALSE(whole->stopped);
  EXPECT_GE(seen.size(), 2u);
  options.progress = [](const FolderScan&) { return false; };
  const Expected<FolderScan> stopped = ScanPictureFolder(temp_.File("top"), options);
  ASSERT_TRUE(stopped.ok());
  EXPECT_TRUE(stopped->stopped);
  EXPECT_LT(stopped->pictures.size(), 600u);
}

TEST(PictureExtensions, RankFollowsTheTableInAnyCase) {
  EXPECT_EQ(PictureExtensionRank(".BMP"), 0);
  EXPECT_EQ(PictureExtensionRank(".Png"), 2);
  EXPECT_GT(PictureExtensionRank(".JPEG"), PictureExtensionRank(".png"));
  EXPECT_EQ(PictureExtensionRank(".txt"), -1);
  EXPECT_EQ(PictureExtensionRank(""), -1);
  // Each listed once, with its dot: a second entry would never be reached.
  const std::span<const std::string_view> all = PictureExtensions();
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_TRUE(all[i].starts_with('.')) << all[i];
    EXPECT_EQ(PictureExtensionRank(all[i]), static_cast<int>(i)) << all[i];
  }
}

// The newer formats the engine reads, made by their own libraries and named
// in any case, are taken by a scan like the others, and each reads back.
TEST(PictureExtensions, AScanTakesEveryNewerFormatTheEngineReads) {
  test::TempFolder temp;
  const Image photo = test::PhotoLike(48, 32);
  std::filesystem::create_directory(temp.File("in"));
  test::WriteBytes(temp.File("in/a.webp"), test::LibWebp(photo, 80));
  test::WriteBytes(temp.File("in/b.AVIF"), test::LibAvif(photo, 30));
  test::WriteBytes(temp.File("in/c.jxl"), test::LibJxl(photo, 1.0f));
  test::WriteBytes(temp.File("in/d.heic"), test::LibHeif(photo, 60));
  test::WriteBytes(temp.File("in/e.HEIF"), test::LibHeif(photo, 60));
  const Expected<FolderScan> scan = ScanPictureFolder(temp.File("in"));
  ASSERT_TRUE(scan.ok()) << scan.message();
  ASSERT_EQ(scan->pictures.size(), 5u);
  EXPECT_EQ(scan->left_out.total(), 0u);
  for (const ScannedPicture& picture : scan->pictures) {
    const Expected<ImageInfo> info = ReadImageInfoFromFile(picture.path);
    ASSERT_TRUE(info.ok()) << picture.path << ": " << info.message();
    EXPECT_EQ(UprightSides(*info).width, 48) << picture.path;
  }
}

}  // namespace
}  // namespace vr
