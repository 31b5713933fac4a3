// Crash-safe whole-file replacement. Reading is in file_bytes.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/staged_file.h"
#include "base/status.h"

namespace vr {

// Replaces `path` with `bytes`: writes them to a staging file in the same
// folder (see Staging), flushes it to disk, gives it the target's name and
// flushes the folder. On any failure no staging file remains and the old
// file is left as it was.
// A new file gets mode 0666 less the umask, as any program's new file; a
// replaced one keeps its mode, and its owner and group as far as the process
// may set them. When `path` is a symbolic link (or a chain of them) the file
// it ends at is replaced, or created when missing, and the link stays.
Status ReplaceFileAtomically(const std::string& path, const void* bytes, std::size_t size,
                             Staging staging = Staging::kUnnamedWhereSupported);

inline Status ReplaceFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  return ReplaceFileAtomically(path, bytes.data(), bytes.size());
}
inline Status ReplaceFileAtomically(const std::string& path, const std::string& text) {
  return ReplaceFileAtomically(path, text.data(), text.size());
}

}  // namespace vr
