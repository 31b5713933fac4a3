// Facts the newer containers (WebP, AVIF, HEIF, JPEG XL) keep beside their
// pixels in their own ways, turned into the forms the engine already uses:
// colour given as code points (nclx) rather than a profile, and EXIF
// blocks with the prefixes some writers put before the TIFF header.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/colour/icc_profile.h"

namespace vr {

// The colour of samples described by ITU-T H.273 colour primaries and
// transfer characteristics. sRGB, BT.709 and unspecified codes give an
// untagged sRGB picture; other primaries give their chromaticities (with
// the sRGB curve unless the transfer is a plain power or linear). PQ and HLG
// pictures are left as stored: the colour step does no tone mapping.
SourceColour ColourFromCodePoints(int primaries, int transfer);

// The TIFF-structured block of an EXIF payload: as is when it starts with a
// TIFF header, after "Exif\0\0", or after the 4-byte offset that ISO
// containers put first. Empty when no TIFF header is found where expected.
std::vector<std::uint8_t> TiffStructuredExif(std::span<const std::uint8_t> payload);

}  // namespace vr
