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

constexpr int kNameAttempts = 100;

std::string SystemReason() { return std::strerror(errno); }

// A few characters no other process is likely to pick at the same moment;
// a clash only costs another try, since names are claimed exclusively.
std::string RandomSuffix() {
  constexpr char kAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  unsigned char noise[6];
  if (::getrandom(noise, sizeof noise, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof noise)) {
    auto ticks = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    ticks ^= static_cast<std::uint64_t>(::getpid()) << 40;
    for (unsigned char& c : noise) {
      c = static_cast<unsigned char>(ticks >> 56);
      ticks = ticks * 6364136223846793005u + 1442695040888963407u;
    }
  }
  std::string suffix;
  for (unsigned char c : noise) suffix += kAlphabet[c % (sizeof kAlphabet - 1)];
  return suffix;
}

std::string TempPathIn(const std::string& folder) { return folder + "/" + kStagingPrefix + RandomSuffix(); }

// Gives the open unnamed file the name `name`; errno is EEXIST when the
// name is taken.
bool LinkUnnamed(int fd, const std::string& name) {
  if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
  if (errno == EEXIST) return false;
  // Without CAP_DAC_READ_SEARCH the kernel takes the file only by its /proc name.
  const std::string by_proc = "/proc/self/fd/" + std::to_string(fd);
  return ::linkat(AT_FDCWD, by_proc.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

void FlushFolder(const std::string& folder) {
  FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

StagedFile::StagedFile(FileDescriptor fd, std::string folder, std::string temp_path)
    : fd_(std::move(fd)),
      folder_(std::move(folder)),
      temp_path_(std::move(temp_path)),
      unnamed_(temp_path_.empty()) {}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : fd_(std::move(other.fd_)),
      folder_(std::move(other.folder_)),
      temp_path_(std::exchange(other.temp_path_, std::string())),
      unnamed_(other.unnamed_),
      link_refused_(other.link_refused_) {}

StagedFile::~StagedFile() {
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
}

Expected<StagedFile> StagedFile::Create(const std::string& folder, Staging staging) {
  if (staging == Staging::kUnnamedWhereSupported) {
    FileDescriptor fd(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
    if (fd.valid()) return StagedFile(std::move(fd), folder, std::string());
    // Not supported here (or failing for a reason the named try reports).
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string temp_path = TempPathIn(folder);
    FileDescriptor fd(::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.valid()) return StagedFile(std::move(fd), folder, std::move(temp_path));
    if (errno != EEXIST) return Status::Fail(SystemReason());
  }
  return Status::Fail("no free temporary name");
}

Status StagedFile::Publish(const std::string& target) {
  if (::fsync(fd_.get()) != 0) return Status::Fail(SystemReason());
  if (unnamed_) VR_TRY(LinkUnder(target));
  if (temp_path_.empty()) {
    // Linked straight to a name that was free; nothing is left to rename.
    FlushFolder(folder_);
    return Status::Ok();
  }
  return RenameTo(target);
}

// A free target takes the unnamed file at once; an existing one is replaced
// by rename from a short temporary name, as link cannot replace.
Status StagedFile::LinkUnder(const std::string& target) {
  if (LinkUnnamed(fd_.get(), target)) return Status::Ok();
  if (errno != EEXIST) {
    link_refused_ = true;
    return Status::Fail(SystemReason());
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string temp_path = TempPathIn(folder_);
    if (LinkUnnamed(fd_.get(), temp_path)) {
      temp_path_ = std::move(temp_path);
      return Status::Ok();
    }
    if (errno != EEXIST) return Status::Fail(SystemReason());
  }
  return Status::Fail("no free temporary name");
}

Status StagedFile::RenameTo(const std::string& target) {
  // Some file systems report a failed write only at close.
  if (fd_.valid() && fd_.Close() != 0) return Status::Fail(SystemReason());
  if (::rename(temp_path_.c_str(), target.c_str()) != 0) return Status::Fail(SystemReason());
  temp_path_.clear();
  FlushFolder(folder_);  // the new name itself must reach the disk too
  return Status::Ok();
}

}  // namespace vr
