// The pictures inside a folder, in the order Add from Folder lists them.
// In one folder: the files of the first extension of PictureExtensions(),
// then of the second, and so on (any case), by name within one extension.
// With sub-folders, each folder's own files come first, then its
// sub-folders, one by one in name order, each the same way down.
//
// Nothing is passed over without being counted: a file of another kind is
// "not a picture", a link whose target is gone is a "broken link", and a
// file or sub-folder the user may not read is "unreadable". A picture's
// content is not looked at here; the build names a row it cannot decode.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

struct ScannedPicture {
  std::string path;
  std::int64_t bytes = 0;
  std::int64_t modified = 0;  // seconds since the epoch
};

enum class LeftOutCause { kNotPicture, kBrokenLink, kUnreadable };

struct LeftOutFile {
  std::string path;
  LeftOutCause cause = LeftOutCause::kNotPicture;
};

struct LeftOutCounts {
  std::size_t not_pictures = 0;
  std::size_t broken_links = 0;
  std::size_t unreadable = 0;

  std::size_t total() const { return not_pictures + broken_links + unreadable; }
  LeftOutCounts& operator+=(const LeftOutCounts& other);
};

struct FolderScan {
  std::vector<ScannedPicture> pictures;  // in list order
  LeftOutCounts left_out;
  // Broken links and unreadable entries by name, as met. Files that are not
  // pictures are only counted: a folder of photos with sidecar files would
  // otherwise drown the few names that matter.
  std::vector<LeftOutFile> named;
  bool stopped = false;  // the progress callback asked to stop
};

struct ScanOptions {
  bool recursive = false;
  // Called every few hundred entries with what was found so far; returning
  // false stops the scan, which then keeps what it found.
  std::function<bool(const FolderScan&)> progress;
};

// Fails only when `folder` itself cannot be read, naming it.
Expected<FolderScan> ScanPictureFolder(const std::string& folder, const ScanOptions& options = {});

}  // namespace vr
