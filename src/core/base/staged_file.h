// New contents for a file, written aside in the file's own folder before
// they take its name, so a reader sees the old file or the new one, never
// a part of either.
#pragma once

#include <string>

#include "base/file_descriptor.h"
#include "base/status.h"

namespace vr {

// Where the contents wait. An unnamed file (O_TMPFILE) cannot be left
// behind even by a process that dies mid-write; file systems without it get
// a short hidden name of our own, ".vrtmp-" and six random characters, so
// any name the file system accepts for the target can be written.
enum class Staging { kUnnamedWhereSupported, kNamed };

inline constexpr char kStagingPrefix[] = ".vrtmp-";

class StagedFile {
 public:
  // Opens an empty staging file in `folder`. It is created with mode 0666,
  // which the kernel narrows by the umask (or the folder's default ACL) as
  // for any new file. Failures carry the system's reason only.
  static Expected<StagedFile> Create(const std::string& folder, Staging staging);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  // Removes the staging file's name, if it has one, unless it was published.
  ~StagedFile();

  int fd() const { return fd_.get(); }

  // Flushes the contents to disk and gives them the name `target`, a path
  // in the same folder, replacing what is there.
  Status Publish(const std::string& target);

  // After a failed Publish: the unnamed file could not be given any name
  // (no /proc to link it through, say), so named staging may still work.
  bool link_refused() const { return link_refused_; }

 private:
  StagedFile(FileDescriptor fd, std::string folder, std::string temp_path);
  Status LinkUnder(const std::string& target);
  Status RenameTo(const std::string& target);

  FileDescriptor fd_;
  std::string folder_;
  std::string temp_path_;  // empty while unnamed, and once published
  bool unnamed_ = false;
  bool link_refused_ = false;
};

}  // namespace vr
