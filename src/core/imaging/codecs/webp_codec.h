// WebP reading and writing through libwebp, entirely in memory. Still
// pictures decode through libwebp's scaled output, so a thumbnail does not
// pay for a full-size picture; an animation gives its first frame.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/encode_options.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/metadata/picture_metadata.h"

namespace vr {

// Size (an animation's canvas) and the orientation of its EXIF or XMP
// chunk, which writers put behind the pixels: from a file's start alone the
// orientation may read as 1 (see ReadWebpOrientation).
Expected<ImageInfo> ReadWebpInfo(std::span<const std::uint8_t> bytes, const std::string& file);
int ReadWebpOrientation(std::span<const std::uint8_t> bytes);

// Decodes to RGBA as stored. A stored-axis target above 0 lets a still
// picture come out smaller, as long as the resampler is still left a
// reduction of at least two. `colour` receives the ICCP chunk's profile.
Status DecodeWebp(std::span<const std::uint8_t> bytes, const std::string& file, int target_width,
                  int target_height, Image& out, SourceColour& colour);

// The EXIF and XMP chunks.
PictureMetadata ReadWebpMetadata(std::span<const std::uint8_t> bytes);

// Lossy or lossless; RGBA only when the picture has transparency. The
// profile and the metadata's EXIF and XMP go in as chunks.
Status EncodeWebp(const Image& image, const WebpOptions& options, const EncodeExtras& extras,
                  std::vector<std::uint8_t>& out, const std::string& file);

}  // namespace vr
