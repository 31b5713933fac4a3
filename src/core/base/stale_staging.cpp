#include "base/stale_staging.h"

#include <cstring>
#include <system_error>

#include "base/staged_file.h"

namespace vr {

namespace fs = std::filesystem;

bool IsStagingName(const std::string& name) {
  constexpr std::size_t kPrefix = sizeof kStagingPrefix - 1;
  constexpr std::size_t kSuffix = 6;  // the random characters
  if (name.size() != kPrefix + kSuffix || name.compare(0, kPrefix, kStagingPrefix) != 0) return false;
  for (std::size_t i = kPrefix; i < name.size(); ++i)
    if (std::strchr("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789", name[i]) == nullptr)
      return false;
  return true;
}

int RemoveStaleStagingFiles(const std::string& folder, fs::file_time_type before) {
  int removed = 0;
  std::error_code error;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const fs::directory_entry& entry = *it;
    if (!IsStagingName(entry.path().filename().string())) continue;
    std::error_code ignored;
    // A link of that name is not ours to remove, nor what it points at.
    if (!fs::is_regular_file(entry.symlink_status(ignored))) continue;
    const fs::file_time_type written = fs::last_write_time(entry.path(), ignored);
    if (ignored || written >= before) continue;
    if (fs::remove(entry.path(), ignored)) ++removed;
  }
  return removed;
}

}  // namespace vr
