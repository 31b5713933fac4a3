// Keeps a run from writing a thumbnail over one of its own pictures: with
// the output folder set to the pictures' folder, the same format and a name
// that repeats the source's, the thumbnail would otherwise replace the photo.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vr {

class SourceGuard {
 public:
  SourceGuard() = default;
  explicit SourceGuard(const std::vector<std::string>& sources);

  // The source that `output_path` would replace, if any: the same file
  // reached by another spelling ("a/./b.jpg", "a/x/../b.jpg"), through a
  // symbolic link, or as a hard link of it.
  std::optional<std::string> SourceAt(const std::string& output_path) const;
  // The same when the caller has resolved the path already (ResolvedPath).
  std::optional<std::string> SourceAt(const std::string& output_path,
                                      const std::string& resolved_output) const;

 private:
  using FileId = std::pair<std::uint64_t, std::uint64_t>;  // device, inode
  std::map<std::string, std::string> by_path_;             // resolved path -> as listed
  std::map<FileId, std::string> by_file_;                  // -> as listed
};

// A path with its links and "." and ".." resolved as far as it exists, the
// rest made plain; the spelling two paths to one file share.
std::string ResolvedPath(const std::string& path);

}  // namespace vr
