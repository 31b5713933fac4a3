// Putting an ICC profile into an encoded JPEG: APP2 "ICC_PROFILE\0"
// segments, as many as the profile needs (65519 bytes of it each, numbered
// from 1, each saying the count), right after SOI and the JFIF APP0 segment
// when there is one. PNG carries its profile in iCCP, which the PNG encoder
// writes itself (EncodePng).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vr {

// The most profile bytes one APP2 segment holds: 65535 less the length
// field (2), the "ICC_PROFILE\0" prefix (12), the sequence number and the
// count (1 each).
inline constexpr std::size_t kJpegIccChunkBytes = 65519;

// Inserts `profile` into `jpeg`. False, with `jpeg` unchanged, when the
// profile is empty or needs more than 255 segments, or `jpeg` does not
// start with SOI.
bool EmbedJpegIccProfile(std::vector<std::uint8_t>& jpeg, std::span<const std::uint8_t> profile);

}  // namespace vr
