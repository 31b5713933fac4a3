// Copying a source picture's metadata out of its file's bytes, for a
// thumbnail that keeps it. JPEG and PNG hold metadata we carry; WebP, AVIF,
// JPEG XL and HEIF give their EXIF and XMP; other kinds give none. Nothing
// here fails: a part that cannot be read is left out.
#pragma once

#include <cstdint>
#include <span>

#include "imaging/metadata/picture_metadata.h"

namespace vr {

PictureMetadata ReadPictureMetadata(std::span<const std::uint8_t> file);

// Of Photoshop's image resources ("8BIM" blocks, as APP13 holds them after
// "Photoshop 3.0\0"), only the IPTC record (resource 0x0404), in the same
// form. The others may hold a thumbnail of the source or its paths.
std::vector<std::uint8_t> IptcResources(std::span<const std::uint8_t> resources);

}  // namespace vr
