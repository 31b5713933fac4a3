// What the benchmarks share: the JPEG files they run over, one per content.
#pragma once

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

#include "base/file_bytes.h"

namespace bench {

// The whole file in a fresh buffer (empty when it cannot be read), as a
// one-shot reader meets it.
inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::vector<std::uint8_t> bytes;
  if (!vr::ReadWholeFileInto(path, bytes).ok()) bytes.clear();
  return bytes;
}

inline bool IsJpegName(const std::filesystem::path& p) {
  std::string ext = p.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
  return ext == ".jpg" || ext == ".jpeg";
}

// FNV-1a over the bytes with the length mixed in: enough to tell the
// wallpaper package's duplicate sizes apart from its distinct ones.
inline std::uint64_t ContentKey(const std::vector<std::uint8_t>& bytes) {
  std::uint64_t h = 1469598103934665603ull ^ bytes.size();
  for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
  return h;
}

// Regular JPEG files (symlinks followed) under each argument, sorted.
inline std::vector<std::string> ListJpegs(const std::vector<std::string>& roots) {
  namespace fs = std::filesystem;
  std::vector<std::string> found;
  for (const std::string& root : roots) {
    std::error_code ec;
    if (fs::is_directory(root, ec)) {
      for (auto it =
               fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
           it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (IsJpegName(it->path()) && fs::is_regular_file(it->path(), ec))
          found.push_back(fs::canonical(it->path(), ec).string());
      }
    } else if (fs::is_regular_file(root, ec)) {
      found.push_back(root);
    } else {
      std::fprintf(stderr, "skipping %s: not a file or folder\n", root.c_str());
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

// The same, one file per content.
inline std::vector<std::string> CollectJpegs(const std::vector<std::string>& roots) {
  const std::vector<std::string> found = ListJpegs(roots);
  std::unordered_set<std::uint64_t> seen;
  std::vector<std::string> distinct;
  for (const std::string& f : found)
    if (seen.insert(ContentKey(ReadAll(f))).second) distinct.push_back(f);
  return distinct;
}

}  // namespace bench
