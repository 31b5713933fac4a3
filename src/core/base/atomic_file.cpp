#include "base/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/staged_file.h"

namespace vr {
namespace {

std::string SystemReason() { return std::strerror(errno); }

std::string FolderOf(const std::string& path) {
  std::filesystem::path parent = std::filesystem::path(path).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// The replacement takes over the old file's permissions and, where we may
// set them, its owner and group: a private 0600 file must not turn readable
// by others because we rewrote it. Someone else's file stays ours after the
// rewrite, but keeps its group when we belong to it.
Status KeepOwnerAndMode(int fd, const struct stat& old) {
  if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
    if (errno != EPERM) return Status::Fail(SystemReason());
    if (::fchown(fd, static_cast<uid_t>(-1), old.st_gid) != 0 && errno != EPERM)
      return Status::Fail(SystemReason());
  }
  // After fchown, which may clear the set-id bits.
  if (::fchmod(fd, old.st_mode & 07777) != 0) return Status::Fail(SystemReason());
  return Status::Ok();
}

}  // namespace

Status ReplaceFileAtomically(const std::string& path, const void* bytes, std::size_t size) {
  auto fail = [&](const Status& reason) {
    return Status::Fail("Cannot write " + path + ": " + reason.message());
  };
  Expected<StagedFile> staged =
      StagedFile::Create(FolderOf(path), std::filesystem::path(path).filename().string());
  if (!staged) return fail(staged.status());

  if (!WriteAll(staged->fd(), static_cast<const char*>(bytes), size))
    return fail(Status::Fail(SystemReason()));
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
    if (Status kept = KeepOwnerAndMode(staged->fd(), old); !kept) return fail(kept);
  }
  if (Status published = staged->Publish(path); !published) return fail(published);
  return Status::Ok();
}

}  // namespace vr
