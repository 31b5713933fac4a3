// The start of a picture file, where its header lies: the one read the
// list's probe and a run's planning share, so both see the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/status.h"

namespace vr {

// How much of a file is read for its header. Headers almost always fit; a
// JPEG whose frame header sits behind large metadata, or a TIFF whose
// directory is at the end, does not.
inline constexpr std::size_t kHeaderBytes = 256 * 1024;

struct HeaderBytes {
  std::vector<std::uint8_t> bytes;
  std::uint64_t file_length = 0;  // the whole file's, which may be more than was read
  bool whole() const { return bytes.size() >= file_length; }
};

// The first kHeaderBytes of `path`; a GIF whole, as its canvas spans all its
// frames, which may lie anywhere in it.
Expected<HeaderBytes> ReadHeaderBytes(const std::string& path);

}  // namespace vr
