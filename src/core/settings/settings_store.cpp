#include "settings/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "settings/reg_file.h"

namespace vr {
namespace {

// A settings file is a few kilobytes; anything far larger is not ours and is
// neither read nor overwritten.
constexpr std::size_t kMaxStoreBytes = std::size_t{16} << 20;

std::string TextOf(const std::vector<std::uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Serialises read-modify-write cycles of several processes. The lock lives
// on a file of its own because the settings file is replaced by rename,
// which would leave a lock on the old file behind.
class StoreLock {
 public:
  explicit StoreLock(const std::string& store_path) {
    fd_ = ::open((store_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~StoreLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;

 private:
  int fd_ = -1;
};

enum class WhenMissing { kEmpty, kFail };

// The file's document and encoding; a missing file is an empty document
// unless asked otherwise. Fails when the file exists but cannot be read or
// is not a registry export, so a write never replaces or appends to what it
// could not understand.
Expected<RegFile> LoadFile(const std::string& path, WhenMissing missing = WhenMissing::kEmpty) {
  std::error_code error;
  if (missing == WhenMissing::kEmpty && !std::filesystem::exists(path, error)) {
    if (error) return Status::Fail("Cannot read settings " + path + ": " + error.message());
    return RegFile{};
  }
  std::vector<std::uint8_t> bytes;
  VR_TRY(ReadWholeFileInto(path, bytes, kMaxStoreBytes));
  Expected<RegFile> file = ReadRegFile(TextOf(bytes));
  if (!file) return Status::Fail("Cannot use the settings file " + path + ": " + file.message());
  return file;
}

// The values of one reading of a store's file. Only ever handed out as a
// const store, so its writes cannot be reached; they fail all the same.
class StoreSnapshot final : public SettingsStore {
 public:
  StoreSnapshot(const RegDocument& document, const std::string& path) : document_(document), path_(path) {}
  std::optional<std::int32_t> ReadNumber(std::string_view name) const override {
    return document_.Number(name);
  }
  std::optional<std::string> ReadText(std::string_view name) const override { return document_.Text(name); }
  Status WriteNumber(std::string_view, std::int32_t) override { return ReadOnly(); }
  Status WriteText(std::string_view, std::string_view) override { return ReadOnly(); }

 private:
  Status ReadOnly() const { return Status::Fail("Cannot write to a snapshot of the settings file " + path_); }
  const RegDocument& document_;
  const std::string& path_;
};

}  // namespace

RegFileStore::RegFileStore(std::string path) : path_(std::move(path)) {}

std::string RegFileStore::DefaultPath() {
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') {
    base = std::string(home) + "/.config";
  } else {
    base = ".config";
  }
  return base + "/Corvelle/Varenna Pro.reg";
}

Status RegFileStore::CheckReadable() const {
  Expected<RegFile> file = LoadFile(path_, WhenMissing::kFail);
  return file ? Status::Ok() : file.status();
}

std::optional<std::int32_t> RegFileStore::ReadNumber(std::string_view name) const {
  Expected<RegFile> file = LoadFile(path_);
  if (!file) return std::nullopt;
  return file->document.Number(name);
}

std::optional<std::string> RegFileStore::ReadText(std::string_view name) const {
  Expected<RegFile> file = LoadFile(path_);
  if (!file) return std::nullopt;
  return file->document.Text(name);
}

void RegFileStore::ReadSnapshot(const std::function<void(const SettingsStore&)>& read) const {
  Expected<RegFile> file = LoadFile(path_);
  const RegDocument empty;
  read(StoreSnapshot(file ? file->document : empty, path_));
}

Status RegFileStore::WriteNumber(std::string_view name, std::int32_t value) {
  return Update([&](RegDocument& document) { document.SetNumber(name, value); });
}

Status RegFileStore::WriteText(std::string_view name, std::string_view text) {
  return Update([&](RegDocument& document) { document.SetText(name, text); });
}

Status RegFileStore::Update(const std::function<void(RegDocument&)>& change) {
  std::filesystem::path folder = std::filesystem::path(path_).parent_path();
  std::error_code error;
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  if (error)
    return Status::Fail("Cannot create the settings folder " + folder.string() + ": " + error.message());

  StoreLock lock(path_);
  VR_TRY_ASSIGN(RegFile file, LoadFile(path_));
  change(file.document);
  Expected<std::string> bytes = WriteRegFile(file);
  if (!bytes) return Status::Fail("Cannot write the settings file " + path_ + ": " + bytes.message());
  return ReplaceFileAtomically(path_, *bytes);
}

}  // namespace vr
