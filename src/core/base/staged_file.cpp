#include "base/staged_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <utility>

namespace vr {
namespace {

std::string SystemReason() { return std::strerror(errno); }

// A few characters no other process is likely to pick at the same moment;
// a clash only costs another try, since names are claimed with O_EXCL.
std::string RandomSuffix() {
  constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char noise[6];
  if (::getrandom(noise, sizeof noise, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof noise)) {
    auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    ticks ^= static_cast<std::uint64_t>(::getpid()) << 40;
    for (unsigned char& c : noise) {
      c = static_cast<unsigned char>(ticks);
      ticks = ticks * 6364136223846793005u + 1442695040888963407u;
    }
  }
  std::string suffix;
  for (unsigned char c : noise) suffix += kAlphabet[c % (sizeof kAlphabet - 1)];
  return suffix;
}

}  // namespace

StagedFile::StagedFile(FileDescriptor fd, std::string folder, std::string temp_path)
    : fd_(std::move(fd)), folder_(std::move(folder)), temp_path_(std::move(temp_path)) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      folder_(std::move(other.folder_)),
      temp_path_(std::exchange(other.temp_path_, std::string())) {}

StagedFile::~StagedFile() {
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
}

Expected<StagedFile> StagedFile::Create(const std::string& folder, const std::string& target_name) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::string temp_path = folder + "/." + target_name + "." + RandomSuffix();
    FileDescriptor fd(::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.valid()) return StagedFile(std::move(fd), folder, std::move(temp_path));
    if (errno != EEXIST) return Status::Fail(SystemReason());
  }
  return Status::Fail("no free temporary name");
}

Status StagedFile::Publish(const std::string& target) {
  if (::fsync(fd_.get()) != 0) return Status::Fail(SystemReason());
  if (fd_.Close() != 0) return Status::Fail(SystemReason());
  if (::rename(temp_path_.c_str(), target.c_str()) != 0) return Status::Fail(SystemReason());
  temp_path_.clear();
  // The new name itself must reach the disk too.
  FileDescriptor folder(::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.valid()) ::fsync(folder.get());
  return Status::Ok();
}

}  // namespace vr
