// New contents for a file, written aside in the file's own folder before
// they take its name, so a reader sees the old file or the new one, never
// a part of either.
#pragma once

#include <string>

#include "base/file_descriptor.h"
#include "base/status.h"

namespace vr {

class StagedFile {
 public:
  // Opens an empty staging file in `folder`. It is created with mode 0666,
  // which the kernel narrows by the umask (or the folder's default ACL) as
  // for any new file. Failures carry the system's reason only.
  static Expected<StagedFile> Create(const std::string& folder, const std::string& target_name);

  StagedFile(StagedFile&& other) noexcept;
  StagedFile& operator=(StagedFile&&) = delete;
  // Removes the staging file unless it was published.
  ~StagedFile();

  int fd() const { return fd_.get(); }

  // Flushes the contents to disk and gives them the name `target`, a path
  // in the same folder, replacing what is there.
  Status Publish(const std::string& target);

 private:
  StagedFile(FileDescriptor fd, std::string folder, std::string temp_path);

  FileDescriptor fd_;
  std::string folder_;
  std::string temp_path_;  // empty once it is gone or published
};

}  // namespace vr
