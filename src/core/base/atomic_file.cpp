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

Expected<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path, std::size_t max_bytes) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);  // a named pipe must not block
  if (fd < 0) return Status::Fail("Cannot open " + path + ": " + SystemReason());
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return Status::Fail("Cannot read " + path + ": not a regular file");
  }
  if (static_cast<std::uint64_t>(info.st_size) > max_bytes) {
    ::close(fd);
    return Status::Fail("Cannot read " + path + ": file too large");
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // the file shrank while we read it
    done += static_cast<std::size_t>(got);
  }
  ::close(fd);
  bytes.resize(done);
  return bytes;
}

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
