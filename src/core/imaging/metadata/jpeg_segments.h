// Walking a JPEG file's header segments (everything between SOI and the
// first SOS) for the metadata they hold, and finding where new segments may
// go. The bytes come from arbitrary files: every length is checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vr {

struct JpegSegment {
  std::uint8_t marker = 0;                // 0xE0..0xEF for APPn, 0xFE for COM, ...
  std::span<const std::uint8_t> payload;  // without marker and length
};

// The segments before the first SOS, in file order. The walk stops quietly
// at the first malformed byte, keeping what it found before.
std::vector<JpegSegment> JpegHeaderSegments(std::span<const std::uint8_t> jpeg);

// Where segments inserted into a file just made by our encoder belong:
// after SOI and any APP0 (JFIF) segments, so the JFIF marker stays first.
// 0 when the bytes do not start with SOI.
std::size_t JpegInsertPosition(std::span<const std::uint8_t> jpeg);

// The marker, length and payload of one segment; false when the payload is
// too long for a segment (65533 bytes).
bool AppendJpegSegment(std::vector<std::uint8_t>& out, std::uint8_t marker,
                       std::span<const std::uint8_t> prefix, std::span<const std::uint8_t> payload);

}  // namespace vr
