#include "base/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace vr {
namespace {

// Closes the descriptor on every way out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

}  // namespace

Expected<std::uint64_t> ReadFileStart(const std::string& path, std::size_t limit,
                                      std::vector<std::uint8_t>& buffer) {
  buffer.clear();
  // Non-blocking, so a named pipe in the list fails the check below instead
  // of waiting for a writer; regular files read as usual.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) return Status::Fail("Cannot open " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return Status::Fail("Cannot read " + path + ": not a regular file");

  const auto length = static_cast<std::uint64_t>(info.st_size);
  buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(length, limit)));
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::read(file.get(), buffer.data() + done, buffer.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return Status::Fail("Cannot read " + path + ": " + std::strerror(errno));
    if (got == 0) break;  // the file shrank while we read it
    done += static_cast<std::size_t>(got);
  }
  buffer.resize(done);
  return length;
}

Status ReadWholeFileInto(const std::string& path, std::vector<std::uint8_t>& buffer) {
  Expected<std::uint64_t> length = ReadFileStart(path, kMaxPictureFileBytes, buffer);
  if (!length) return length.status();
  if (*length > kMaxPictureFileBytes) {
    buffer.clear();
    return Status::Fail("Cannot read " + path + ": file too large");
  }
  return Status::Ok();
}

}  // namespace vr
