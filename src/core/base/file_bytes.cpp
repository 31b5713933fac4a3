#include "base/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/file_descriptor.h"

namespace vr {
namespace {

enum class Overlong { kReadTheStart, kRefuse };

// Opens `path`, checks its length against `limit` and reads up to `limit`
// bytes; returns the full length. With kRefuse a longer file fails before
// anything is read or allocated.
Expected<std::uint64_t> ReadUpTo(const std::string& path, std::size_t limit, Overlong overlong,
                                 std::vector<std::uint8_t>& buffer) {
  buffer.clear();
  // Non-blocking, so a named pipe fails the check below instead of waiting
  // for a writer; regular files read as usual.
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) return Status::Fail("Cannot open " + path + ": " + std::strerror(errno));
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
    return Status::Fail("Cannot read " + path + ": not a regular file");

  const auto length = static_cast<std::uint64_t>(info.st_size);
  if (length > limit && overlong == Overlong::kRefuse)
    return Status::Fail("Cannot read " + path + ": file too large (" + std::to_string(length) +
                        " bytes, at most " + std::to_string(limit) + ")");
  buffer.resize(static_cast<std::size_t>(std::min<std::uint64_t>(length, limit)));
  std::size_t done = 0;
  while (done < buffer.size()) {
    const ssize_t got = ::read(file.get(), buffer.data() + done, buffer.size() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      buffer.clear();
      return Status::Fail("Cannot read " + path + ": " + std::strerror(errno));
    }
    if (got == 0) break;  // the file shrank while we read it
    done += static_cast<std::size_t>(got);
  }
  buffer.resize(done);
  return length;
}

}  // namespace

Expected<std::uint64_t> ReadFileStart(const std::string& path, std::size_t limit,
                                      std::vector<std::uint8_t>& buffer) {
  return ReadUpTo(path, limit, Overlong::kReadTheStart, buffer);
}

Status ReadWholeFileInto(const std::string& path, std::vector<std::uint8_t>& buffer, std::size_t max_bytes) {
  Expected<std::uint64_t> length = ReadUpTo(path, max_bytes, Overlong::kRefuse, buffer);
  return length ? Status::Ok() : length.status();
}

Status ReadWholeFileInto(const std::string& path, std::vector<std::uint8_t>& buffer) {
  return ReadWholeFileInto(path, buffer, kMaxPictureFileBytes);
}

}  // namespace vr
