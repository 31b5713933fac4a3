#include "thumbnail/output_policy.h"

#include <filesystem>

namespace vr {

namespace fs = std::filesystem;

std::optional<IfExists> IfExistsFromCode(std::int32_t code) {
  if (code < 0 || code > static_cast<std::int32_t>(IfExists::kAsk)) return std::nullopt;
  return static_cast<IfExists>(code);
}

std::optional<IfExists> IfExistsFromName(std::string_view name) {
  if (name == "overwrite") return IfExists::kOverwrite;
  if (name == "skip") return IfExists::kSkip;
  if (name == "newer") return IfExists::kNewer;
  if (name == "rename") return IfExists::kRename;
  return std::nullopt;
}

std::string MirroredFolder(const std::string& source, const std::string& root) {
  if (root.empty()) return {};
  const fs::path folder = fs::path(source).lexically_normal().parent_path();
  const fs::path relative = folder.lexically_relative(fs::path(root).lexically_normal());
  if (relative.empty() || relative == ".") return {};
  // Anything climbing out of the root stays flat.
  for (const fs::path& part : relative)
    if (part == "..") return {};
  std::string text = relative.generic_string();
  if (text.back() != '/') text += '/';
  return text;
}

std::string NumberedPath(const std::string& path, int n) {
  const fs::path whole(path);
  const std::string stem = whole.stem().string();
  const std::string extension = whole.extension().string();
  const std::string folder = path.substr(0, path.size() - whole.filename().string().size());
  return folder + stem + " (" + std::to_string(n) + ")" + extension;
}

}  // namespace vr
