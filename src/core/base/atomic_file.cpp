#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

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

}  // namespace

Status ReplaceFileAtomically(const std::string& path, const void* bytes, std::size_t size) {
  std::string folder = FolderOf(path);
  std::string temp_template = folder + "/." + std::filesystem::path(path).filename().string() + ".XXXXXX";
  std::vector<char> temp_name(temp_template.begin(), temp_template.end());
  temp_name.push_back('\0');
  int fd = ::mkstemp(temp_name.data());
  if (fd < 0) return Status::Fail("Cannot write " + path + ": " + SystemReason());
  std::string temp(temp_name.data());

  auto fail = [&](const std::string& reason) {
    ::close(fd);
    ::unlink(temp.c_str());
    return Status::Fail("Cannot write " + path + ": " + reason);
  };
  if (!WriteAll(fd, static_cast<const char*>(bytes), size)) return fail(SystemReason());
  if (::fchmod(fd, 0644) != 0) return fail(SystemReason());
  if (::fsync(fd) != 0) return fail(SystemReason());
  if (::close(fd) != 0) {
    std::string reason = SystemReason();
    ::unlink(temp.c_str());
    return Status::Fail("Cannot write " + path + ": " + reason);
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    std::string reason = SystemReason();
    ::unlink(temp.c_str());
    return Status::Fail("Cannot write " + path + ": " + reason);
  }
  // The rename itself must reach the disk too.
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return Status::Ok();
}

}  // namespace vr
