// Reading a picture file into a buffer the caller keeps, so a worker that
// reads file after file reuses one allocation.
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

// Reads the whole of `path` into `buffer`; refuses files longer than
// kMaxPictureFileBytes.
Status ReadWholeFileInto(const std::string& path, std::vector<std::uint8_t>& buffer);

}  // namespace vr
