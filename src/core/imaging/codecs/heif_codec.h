// HEIC and other HEIF pictures read through libheif, entirely in memory
// (never written: the encoders HEIC needs are not ours to ship). libheif
// applies the container's rotation and mirror itself, so the header gives
// the upright size and orientation 1; the EXIF orientation inside a HEIF is
// only a note of what the camera did, which the format says to ignore.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "base/status.h"
#include "imaging/colour/icc_profile.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/metadata/picture_metadata.h"

namespace vr {

// The primary picture's size, turned as it will be decoded.
Expected<ImageInfo> ReadHeifInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Decodes the primary picture to 8-bit RGBA; with a target above 0 x 0, the
// smallest embedded thumbnail of the same shape at least that large instead,
// when there is one. `colour` receives the ICC profile, or what the nclx
// code points say.
Status DecodeHeif(std::span<const std::uint8_t> bytes, const std::string& file, int target_width,
                  int target_height, Image& out, SourceColour& colour);

// The primary picture's Exif and XMP ("application/rdf+xml") blocks.
PictureMetadata ReadHeifMetadata(std::span<const std::uint8_t> bytes);

}  // namespace vr
