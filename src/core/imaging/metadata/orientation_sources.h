// A picture's orientation from every place files keep it: EXIF (JPEG's APP1
// segment, PNG's eXIf chunk or the raw EXIF profiles other tools write into
// PNG text chunks), XMP's tiff:Orientation (JPEG APP1, PNG iTXt), and a
// TIFF's own tag, which its codec reads.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vr {

// The one rule: EXIF over XMP; a value outside 1..8 counts as none; none at
// all is 1 (as stored).
int DecideOrientation(std::optional<int> exif, std::optional<int> xmp);

// Orientation of a JPEG file from its header segments.
int ReadJpegOrientation(std::span<const std::uint8_t> jpeg);

// Orientation of a PNG file from its chunks, wherever they sit among the
// bytes given.
int ReadPngOrientation(std::span<const std::uint8_t> png);

// The EXIF block (TIFF-structured) of a raw profile text's bytes: ImageMagick
// writes the APP1 payload, "Exif\0\0" first, which is taken off.
std::span<const std::uint8_t> ExifOfRawProfile(std::span<const std::uint8_t> profile);

// Keywords of the PNG text chunks that hold metadata.
inline constexpr const char* kPngXmpKeyword = "XML:com.adobe.xmp";
bool IsRawExifProfileKeyword(std::string_view keyword);

}  // namespace vr
