#include "thumbnail/source_guard.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

namespace vr {
namespace {

std::optional<std::pair<std::uint64_t, std::uint64_t>> FileIdOf(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return std::nullopt;
  return std::pair<std::uint64_t, std::uint64_t>{info.st_dev, info.st_ino};
}

}  // namespace

std::string ResolvedPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  if (error) return std::filesystem::path(path).lexically_normal().string();
  std::filesystem::path resolved = std::filesystem::weakly_canonical(absolute, error);
  if (error) resolved = absolute.lexically_normal();
  return resolved.string();
}

SourceGuard::SourceGuard(const std::vector<std::string>& sources) {
  for (const std::string& source : sources) {
    by_path_.emplace(ResolvedPath(source), source);
    if (auto id = FileIdOf(source)) by_file_.emplace(*id, source);
  }
}

std::optional<std::string> SourceGuard::SourceAt(const std::string& output_path) const {
  return SourceAt(output_path, ResolvedPath(output_path));
}

std::optional<std::string> SourceGuard::SourceAt(const std::string& output_path,
                                                 const std::string& resolved_output) const {
  if (auto hit = by_path_.find(resolved_output); hit != by_path_.end()) return hit->second;
  // An existing output may be a hard link to a source under another name.
  if (auto id = FileIdOf(output_path))
    if (auto hit = by_file_.find(*id); hit != by_file_.end()) return hit->second;
  return std::nullopt;
}

}  // namespace vr
