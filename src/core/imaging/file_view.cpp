#include "imaging/file_view.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "base/file_bytes.h"

namespace vr {
namespace {

// The file's length when it is a regular file worth mapping; 0 otherwise,
// and then the reader's own checks give the message.
std::size_t MappableLength(int fd) {
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return 0;
  const auto length = static_cast<std::uint64_t>(info.st_size);
  if (length < FileView::kMapFrom || length > kMaxPictureFileBytes) return 0;
  return static_cast<std::size_t>(length);
}

}  // namespace

Status FileView::Open(const std::string& path) {
  Close();
  // Not blocking: a named pipe must be refused, not waited on.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd >= 0) {
    const std::size_t length = MappableLength(fd);
    void* map = length > 0 ? ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0) : MAP_FAILED;
    if (map != MAP_FAILED) {
      // Read front to back by every decoder.
      ::madvise(map, length, MADV_SEQUENTIAL);
      map_ = map;
      map_size_ = length;
      fd_ = fd;
      return Status::Ok();
    }
    ::close(fd);
  }
  return ReadWholeFileInto(path, buffer_);
}

std::span<const std::uint8_t> FileView::bytes() const {
  if (map_ != nullptr) return {static_cast<const std::uint8_t*>(map_), map_size_};
  return buffer_;
}

std::size_t FileView::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  const std::span<const std::uint8_t> all = bytes();
  if (offset >= all.size()) return 0;
  const std::size_t count = std::min<std::size_t>(out.size(), all.size() - offset);
  if (fd_ < 0) {
    std::copy_n(all.begin() + static_cast<std::ptrdiff_t>(offset), count, out.begin());
    return count;
  }
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::pread(fd_, out.data() + done, count - done, static_cast<off_t>(offset + done));
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

void FileView::DropResident() const {
  if (map_ != nullptr) ::madvise(map_, map_size_, MADV_DONTNEED);
}

void FileView::Close() {
  if (map_ != nullptr) ::munmap(map_, map_size_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  map_ = nullptr;
  map_size_ = 0;
  buffer_.clear();
}

void FileView::Release() {
  Close();
  std::vector<std::uint8_t>().swap(buffer_);
}

}  // namespace vr
