// Crash-safe whole-file replacement. Reading is in file_bytes.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

// Replaces `path` with `bytes`: writes a temporary file in the same folder,
// flushes it to disk, renames it over the target and flushes the folder. On
// any failure the temporary is removed and the old file is left as it was.
// A new file gets mode 0666 less the umask, as any program's new file; a
// replaced one keeps its mode, and its owner and group as far as the process
// may set them. When `path` is a symbolic link (or a chain of them) the file
// it ends at is replaced, or created when missing, and the link stays.
Status ReplaceFileAtomically(const std::string& path, const void* bytes, std::size_t size);

inline Status ReplaceFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return ReplaceFileAtomically(path, bytes.data(), bytes.size());
}
inline Status ReplaceFileAtomically(const std::string& path, const std::string& text) {
  return ReplaceFileAtomically(path, text.data(), text.size());
}

}  // namespace vr
