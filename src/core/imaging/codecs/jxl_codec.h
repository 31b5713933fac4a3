// JPEG XL reading and writing through libjxl, entirely in memory, one
// thread each (a run already keeps every core busy with its own rows). The
// picture decodes whole: libjxl's early passes come out at full size too,
// so stopping at one would save time but no memory, and its upsampled DC is
// blurrier than our resampler's result.
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

// Size as stored and the codestream's own orientation (JPEG XL keeps it
// there, 1..8 as EXIF).
Expected<ImageInfo> ReadJxlInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Decodes the first frame to 8-bit RGBA as stored (not turned). `colour`
// receives the profile of the decoded samples, none when they are sRGB.
Status DecodeJxl(std::span<const std::uint8_t> bytes, const std::string& file, Image& out,
                 SourceColour& colour);

// The container's Exif and "xml " boxes (Brotli-compressed ones too).
PictureMetadata ReadJxlMetadata(std::span<const std::uint8_t> bytes);

// The Butteraugli distance cjxl gives a quality: 0 (lossless) at 100.
float JxlDistanceForQuality(int quality);

// Lossy (XYB) or, at quality 100, lossless; alpha only when the picture has
// transparency. The profile is embedded; metadata goes into boxes.
Status EncodeJxl(const Image& image, const JxlOptions& options, const EncodeExtras& extras,
                 std::vector<std::uint8_t>& out, const std::string& file);

}  // namespace vr
