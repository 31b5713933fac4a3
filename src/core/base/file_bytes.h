// Reading files into memory: the start of a picture to probe it, a whole
// picture, a whole settings file. One reader serves them all, so every
// caller refuses what is not a regular file (a named pipe, a folder) and a
// file too long for its use before a byte of it is read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

// Largest picture file the engine reads: a 256-megapixel BMP with alpha is
// 1 GiB, so twice that leaves room for any honest file.
inline constexpr std::size_t kMaxPictureFileBytes = std::size_t{1} << 31;

// Reads at most `limit` bytes from the start of `path` into `buffer`
// (replacing its contents, keeping its capacity) and returns the file's full
// length, which may be larger than what was read.
Expected<std::uint64_t> ReadFileStart(const std::string& path, std::size_t limit,
                                      std::vector<std::uint8_t>& buffer);

// Reads the whole of `path` into `buffer` (keeping its capacity). A file
// longer than `max_bytes` is refused from its length alone, unread.
Status ReadWholeFileInto(const std::string& path, std::vector<std::uint8_t>& buffer, std::size_t max_bytes);

// The same for pictures: at most kMaxPictureFileBytes.
Status ReadWholeFileInto(const std::string& path, std::vector<std::uint8_t>& buffer);

}  // namespace vr
