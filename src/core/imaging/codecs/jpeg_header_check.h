// What a JPEG's frame header tells before anything is decoded, and whether
// the file is long enough for the frame it claims. A progressive decode
// allocates coefficient buffers for the whole picture before it reads a
// single scan, so a stub of a file claiming a huge frame must be refused
// from its header and its length alone.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "base/status.h"

namespace vr {

struct JpegFrame {
  int width = 0;
  int height = 0;
  bool progressive = false;
  bool arithmetic = false;  // arithmetic-coded rather than Huffman-coded
  // 8x8 blocks of every component, rounded up to whole MCUs; 0 when the
  // header is malformed (the decoder refuses such a file on its own).
  std::uint64_t blocks = 0;
};

// The frame header (SOFn) in any of its kinds, from bytes that reach it.
std::optional<JpegFrame> ReadJpegFrame(std::span<const std::uint8_t> jpeg);

// Fails with "Implausible JPEG: ..." naming `file` when a file of
// `file_length` bytes holds too few for the frame's blocks.
Status CheckJpegFrame(const JpegFrame& frame, std::uint64_t file_length, const std::string& file);

// Both of the above for a file whose start is `jpeg`; a file without a
// frame header there passes, for the decoder to refuse with its reason.
Status CheckJpegFileLength(std::span<const std::uint8_t> jpeg, std::uint64_t file_length,
                           const std::string& file);

}  // namespace vr
