#include "list/folder_scan.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace vr {

namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

}  // namespace

Expected<std::vector<std::string>> ScanPictureFolder(const std::string& folder) {
  std::error_code error;
  fs::directory_iterator entries(folder, error);
  if (error) return Status::Fail("Cannot read folder " + folder + ": " + error.message());

  constexpr std::array<std::string_view, 3> kExtensions = {".bmp", ".jpg", ".png"};
  std::array<std::vector<std::string>, kExtensions.size()> found;
  for (const fs::directory_entry& entry : entries) {
    std::error_code kind_error;
    if (!entry.is_regular_file(kind_error)) continue;
    const std::string extension = Lower(entry.path().extension().string());
    for (std::size_t i = 0; i < kExtensions.size(); ++i)
      if (extension == kExtensions[i]) found[i].push_back(entry.path().string());
  }
  std::vector<std::string> pictures;
  for (std::vector<std::string>& group : found) {
    std::sort(group.begin(), group.end());
    pictures.insert(pictures.end(), group.begin(), group.end());
  }
  return pictures;
}

}  // namespace vr
