// Whole-file reads and crash-safe whole-file replacement.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

// Reads a whole file. Refuses files larger than max_bytes so a hostile or
// mistaken input cannot exhaust memory.
Expected<std::vector<std::uint8_t>> ReadWholeFile(const std::string& path,
                                                  std::size_t max_bytes = std::size_t{1} << 31);

// Replaces `path` with `bytes`: writes a temporary file in the same folder,
// flushes it to disk, renames it over the target and flushes the folder. On
// any failure the temporary is removed and the old file is left as it was.
Status ReplaceFileAtomically(const std::string& path, const void* bytes, std::size_t size);

inline Status ReplaceFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return ReplaceFileAtomically(path, bytes.data(), bytes.size());
}
inline Status ReplaceFileAtomically(const std::string& path, const std::string& text) {
  return ReplaceFileAtomically(path, text.data(), text.size());
}

}  // namespace vr
