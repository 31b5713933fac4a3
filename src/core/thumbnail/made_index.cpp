#include "thumbnail/made_index.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/atomic_file.h"

namespace vr {

namespace {

namespace fs = std::filesystem;

// FNV-1a, 64 bits: a change detector, not a secret.
std::uint64_t Hash(const std::string& text) {
  std::uint64_t hash = 0xCBF29CE484222325ull;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001B3ull;
  }
  return hash;
}

// The watermark file's modification time, so a new logo under the old name
// counts as a new setting; 0 when there is none or it cannot be read.
std::int64_t ModifiedNanoseconds(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return 0;
  return static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

std::pair<std::string, std::string> SplitPath(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {".", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

bool Fits(const std::string& text) { return text.find_first_of("\t\n") == std::string::npos; }

std::string Line(const std::string& name, const std::string& fingerprint, const std::string& source) {
  return fingerprint + '\t' + source + '\t' + name + '\n';
}

// The shards of a split run may note into one folder at once. Appends and
// rewrites hold the folder's lock (flock on the folder itself, which the
// rewrite's rename leaves in place), so no process drops another's lines.
class FolderLock {
 public:
  explicit FolderLock(const std::string& folder)
      : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    // Without the lock the notes are still written; only a race could lose one.
    if (fd_ >= 0) (void)::flock(fd_, LOCK_EX);
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int fd_;
};

}  // namespace

std::string OutputFingerprint(const SettingsRecord& s) {
  std::string text;
  const auto add = [&text](std::int64_t value) { text += std::to_string(value) + ';'; };
  for (const std::int32_t value :
       {s.OUTformat,     s.OUTwidth,        s.OUTheight,       s.OUToriginal,  s.OUTnoprop,
        s.OUTpropw,      s.OUTproph,        s.JPEGquality,     s.NoiseLevel,   s.BrightnessLevel,
        s.ContrastLevel, s.SaturationLevel, s.CorrectionLevel, s.NegativeFlag, s.GrayScaleFlag,
        s.WMArea,        s.WMAreaX,         s.WMAreaY,         s.WMMode,       s.WMAngle,
        s.WMOpacity,     s.ADVpixall,       s.OUTbackground,   s.OUTmetadata,  s.OUTcolour})
    add(value);
  text += s.WMFile + ';';
  add(ModifiedNanoseconds(s.WMFile));
  char hex[17];
  std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(Hash(text)));
  return hex;
}

MadeIndex::Folder MadeIndex::ReadFile(const std::string& folder) {
  Folder made;
  std::ifstream in(folder + kMadeIndexName, std::ios::binary);
  std::string line;
  // getline also hands over a torn last line, without its line feed.
  while (std::getline(in, line)) {
    if (in.eof()) break;
    const std::size_t first = line.find('\t');
    const std::size_t second = first == std::string::npos ? first : line.find('\t', first + 1);
    if (second == std::string::npos) continue;
    made[line.substr(second + 1)] = {line.substr(0, first), line.substr(first + 1, second - first - 1)};
  }
  return made;
}

MadeIndex::Folder& MadeIndex::Load(const std::string& folder) {
  const auto [found, fresh] = folders_.try_emplace(folder);
  if (fresh) found->second = ReadFile(folder);
  return found->second;
}

bool MadeIndex::UpToDate(const std::string& output, const std::string& source,
                         const std::string& fingerprint) {
  const auto [folder, name] = SplitPath(output);
  const Folder& made = Load(folder);
  const auto entry = made.find(name);
  if (entry == made.end() || entry->second.fingerprint != fingerprint || entry->second.source != source)
    return false;
  std::error_code error;
  const fs::file_time_type thumbnail = fs::last_write_time(output, error);
  if (error) return false;
  const fs::file_time_type picture = fs::last_write_time(source, error);
  return !error && thumbnail >= picture;
}

Status MadeIndex::Record(const std::string& output, const std::string& source,
                         const std::string& fingerprint) {
  const auto [folder, name] = SplitPath(output);
  if (!Fits(name) || !Fits(source)) return Status::Ok();
  Load(folder)[name] = {fingerprint, source};
  noted_[folder][name] = {fingerprint, source};
  const std::string line = Line(name, fingerprint, source);
  const std::string path = folder + kMadeIndexName;
  const FolderLock lock(folder);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return Status::Fail("Cannot note the thumbnail in " + path + ": " + std::strerror(errno));
  const bool whole = ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
  ::close(fd);
  if (!whole) return Status::Fail("Cannot note the thumbnail in " + path);
  return Status::Ok();
}

Status MadeIndex::Compact() {
  for (const auto& [folder, ours] : noted_) {
    // From what the file holds now, which other processes may have added
    // to since it was read, with this run's notes over it.
    const FolderLock lock(folder);
    Folder merged = ReadFile(folder);
    for (const auto& [name, entry] : ours) merged[name] = entry;
    std::string text;
    for (const auto& [name, entry] : merged) {
      std::error_code ignored;
      if (fs::exists(folder + name, ignored)) text += Line(name, entry.fingerprint, entry.source);
    }
    VR_TRY(ReplaceFileAtomically(folder + kMadeIndexName, text));
  }
  noted_.clear();
  return Status::Ok();
}

}  // namespace vr
