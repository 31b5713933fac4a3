#include "list/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "list/picture_extensions.h"

namespace vr {

LeftOutCounts& LeftOutCounts::operator+=(const LeftOutCounts& other) {
  not_pictures += other.not_pictures;
  broken_links += other.broken_links;
  unreadable += other.unreadable;
  return *this;
}

namespace {

constexpr std::size_t kEntriesBetweenReports = 256;

// The extension of a file name with its dot; a leading dot starts a hidden
// name, not an extension.
std::string_view ExtensionOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  return name.substr(dot);
}

std::string Joined(const std::string& folder, const char* name) {
  return folder.ends_with('/') ? folder + name : folder + '/' + name;
}

class Scanner {
 public:
  Scanner(const ScanOptions& options, FolderScan& scan) : options_(options), scan_(scan) {}

  // Lists one folder; its sub-folders, in name order, are left in
  // `sub_folders` for the caller. False when the folder cannot be opened.
  bool ReadFolder(const std::string& folder, std::vector<std::string>& sub_folders, int& error) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
      error = errno;
      if (fd >= 0) ::close(fd);
      return false;
    }
    std::vector<std::pair<int, ScannedPicture>> found;  // extension rank, picture
    while (const dirent* entry = ::readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      Examine(::dirfd(dir), folder, *entry, found, sub_folders);
      if (++examined_ % kEntriesBetweenReports == 0) Report();
      if (scan_.stopped) break;
    }
    ::closedir(dir);
    std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
      return a.first != b.first ? a.first < b.first : a.second.path < b.second.path;
    });
    for (auto& [rank, picture] : found) scan_.pictures.push_back(std::move(picture));
    std::sort(sub_folders.begin(), sub_folders.end());
    return true;
  }

  // Whether `folder` (by device and inode) is seen for the first time: a
  // link back up the tree, or two links to one folder, list it once.
  bool FirstVisit(const struct stat& folder) {
    return visited_.insert({folder.st_dev, folder.st_ino}).second;
  }

  void Report() {
    if (options_.progress && !scan_.stopped && !options_.progress(scan_)) scan_.stopped = true;
  }

  void LeaveOut(std::string path, LeftOutCause cause) {
    switch (cause) {
      case LeftOutCause::kNotPicture:
        ++scan_.left_out.not_pictures;
        return;  // counted only
      case LeftOutCause::kBrokenLink:
        ++scan_.left_out.broken_links;
        break;
      case LeftOutCause::kUnreadable:
        ++scan_.left_out.unreadable;
        break;
    }
    scan_.named.push_back({std::move(path), cause});
  }

 private:
  void Examine(int dir_fd, const std::string& folder, const dirent& entry,
               std::vector<std::pair<int, ScannedPicture>>& found, std::vector<std::string>& sub_folders) {
    const char* name = entry.d_name;
    const bool link = entry.d_type == DT_LNK;
    // The kind without a stat where the folder told it: a plain file of
    // another extension costs nothing more.
    if (entry.d_type == DT_DIR) {
      if (options_.recursive) sub_folders.push_back(Joined(folder, name));
      return;
    }
    const int rank = PictureExtensionRank(ExtensionOf(name));
    if (entry.d_type == DT_REG && rank < 0) {
      LeaveOut(Joined(folder, name), LeftOutCause::kNotPicture);
      return;
    }
    struct stat info {};
    if (::fstatat(dir_fd, name, &info, 0) != 0) {
      // Only a link can point at nothing; anything else vanished meanwhile.
      if (link || errno == ENOENT || errno == ELOOP)
        LeaveOut(Joined(folder, name), link ? LeftOutCause::kBrokenLink : LeftOutCause::kUnreadable);
      else
        LeaveOut(Joined(folder, name), LeftOutCause::kUnreadable);
      return;
    }
    if (S_ISDIR(info.st_mode)) {
      if (options_.recursive) sub_folders.push_back(Joined(folder, name));
      return;
    }
    if (!S_ISREG(info.st_mode) || rank < 0) {
      LeaveOut(Joined(folder, name), LeftOutCause::kNotPicture);
      return;
    }
    if (::faccessat(dir_fd, name, R_OK, AT_EACCESS) != 0) {
      LeaveOut(Joined(folder, name), LeftOutCause::kUnreadable);
      return;
    }
    found.push_back({rank,
                     {Joined(folder, name), static_cast<std::int64_t>(info.st_size),
                      static_cast<std::int64_t>(info.st_mtim.tv_sec)}});
  }

  const ScanOptions& options_;
  FolderScan& scan_;
  std::size_t examined_ = 0;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

}  // namespace

Expected<FolderScan> ScanPictureFolder(const std::string& folder, const ScanOptions& options) {
  FolderScan scan;
  Scanner scanner(options, scan);
  struct stat top {};
  if (::stat(folder.c_str(), &top) != 0)
    return Status::Fail("Cannot read folder " + folder + ": " + std::strerror(errno));
  if (!S_ISDIR(top.st_mode)) return Status::Fail("Cannot read folder " + folder + ": not a folder");
  scanner.FirstVisit(top);
  // Depth first, each folder's sub-folders taken in name order: the stack
  // holds them reversed.
  std::vector<std::string> pending = {folder};
  bool first = true;
  while (!pending.empty() && !scan.stopped) {
    const std::string current = std::move(pending.back());
    pending.pop_back();
    if (!first) {
      struct stat info {};
      if (::stat(current.c_str(), &info) == 0 && !scanner.FirstVisit(info)) continue;
    }
    std::vector<std::string> sub_folders;
    int error = 0;
    if (!scanner.ReadFolder(current, sub_folders, error)) {
      if (first) return Status::Fail("Cannot read folder " + folder + ": " + std::strerror(error));
      scanner.LeaveOut(current, LeftOutCause::kUnreadable);
    }
    first = false;
    pending.insert(pending.end(), sub_folders.rbegin(), sub_folders.rend());
  }
  scanner.Report();
  return scan;
}

}  // namespace vr
