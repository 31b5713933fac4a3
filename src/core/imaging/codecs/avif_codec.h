// AVIF reading and writing through libavif, entirely in memory, one thread
// each (a run already keeps every core busy with its own rows). AV1 has no
// cheaper small decode, so a picture always decodes whole.
#pragma once

#include <cstdint>
#include <optional>
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

// Size and orientation: the container's rotation (irot) and mirror (imir)
// as an EXIF orientation. The EXIF block's own orientation is not asked:
// those properties are the format's word on it.
Expected<ImageInfo> ReadAvifInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// The EXIF orientation that rotating by `quarter_turns` anticlockwise and
// then mirroring (`mirror`: none, or imir's mode 0 top-bottom / 1
// left-right) amounts to; HEIF's order of the two.
int OrientationOfTransforms(int quarter_turns, std::optional<int> mirror);

// Decodes the primary picture (8-bit RGBA, as stored); `colour` receives the
// profile, or what its colour code points say.
Status DecodeAvif(std::span<const std::uint8_t> bytes, const std::string& file, Image& out,
                  SourceColour& colour);

// The EXIF and XMP items.
PictureMetadata ReadAvifMetadata(std::span<const std::uint8_t> bytes);

// 4:2:0 at one quantizer from the quality; an alpha plane only when the
// picture has transparency. Untagged pictures are marked sRGB.
Status EncodeAvif(const Image& image, const AvifOptions& options, const EncodeExtras& extras,
                  std::vector<std::uint8_t>& out, const std::string& file);

}  // namespace vr
