#include "base/atomic_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
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

// The file a write to `path` is meant for: where a chain of symbolic links
// ends, even when it ends at a name that does not exist yet. Replacing that
// file, not the link, keeps the link in place, as text editors do.
Expected<std::string> FinalLinkTarget(const std::string& path) {
  constexpr int kMaxLinks = 40;  // as the kernel's own limit when it follows links
  std::string current = path;
  for (int followed = 0; followed <= kMaxLinks; ++followed) {
    struct stat info {};
    if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
    // Links under /proc report no length, so leave room for any path.
    std::string target(std::max<std::size_t>(static_cast<std::size_t>(info.st_size), PATH_MAX) + 1, '\0');
    const ssize_t length = ::readlink(current.c_str(), target.data(), target.size());
    if (length < 0) return Status::Fail(SystemReason());
    if (static_cast<std::size_t>(length) == target.size()) return Status::Fail("the link changed while read");
    target.resize(static_cast<std::size_t>(length));
    // A relative target is relative to the folder holding the link.
    current = !target.empty() && target.front() == '/' ? target : FolderOf(current) + "/" + target;
  }
  return Status::Fail(std::strerror(ELOOP));
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

// Stages the bytes in the target's folder and publishes them under its name.
// `link_refused` tells that unnamed staging could not be given a name.
Status StageAndPublish(const std::string& target, const void* bytes, std::size_t size, Staging staging,
                       bool& link_refused) {
  VR_TRY_ASSIGN(StagedFile staged, StagedFile::Create(FolderOf(target), staging));
  if (!WriteAll(staged.fd(), static_cast<const char*>(bytes), size)) return Status::Fail(SystemReason());
  struct stat old {};
  if (::lstat(target.c_str(), &old) == 0 && S_ISREG(old.st_mode)) VR_TRY(KeepOwnerAndMode(staged.fd(), old));
  Status published = staged.Publish(target);
  link_refused = !published && staged.link_refused();
  return published;
}

}  // namespace

Status ReplaceFileAtomically(const std::string& path, const void* bytes, std::size_t size, Staging staging) {
  auto fail = [&](const Status& reason) {
    return Status::Fail("Cannot write " + path + ": " + reason.message());
  };
  Expected<std::string> target = FinalLinkTarget(path);
  if (!target) return fail(target.status());
  bool link_refused = false;
  Status written = StageAndPublish(*target, bytes, size, staging, link_refused);
  if (link_refused) written = StageAndPublish(*target, bytes, size, Staging::kNamed, link_refused);
  return written ? Status::Ok() : fail(written);
}

}  // namespace vr
