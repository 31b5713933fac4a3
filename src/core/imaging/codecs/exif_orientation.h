// Reading the few JPEG header segments the codec needs (the EXIF orientation
// and Adobe's colour transform marker) straight from the file's bytes. Every
// read is bounds-checked: these bytes come from arbitrary files.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace vr {

// The payload of the first segment with `marker` (0xE0..0xEF for APPn) whose
// payload starts with `prefix`, looked for between SOI and the first SOS.
// Empty when there is none or the segment walk meets malformed data.
std::optional<std::span<const std::uint8_t>> FindJpegSegment(std::span<const std::uint8_t> jpeg,
                                                             std::uint8_t marker,
                                                             std::span<const std::uint8_t> prefix);

// The Orientation tag (0x0112) of IFD0 in a TIFF-structured block, as EXIF
// stores it after "Exif\0\0": both byte orders. Any malformed data, a missing
// tag or a value outside 1..8 gives 1. Only IFD0 is read, so no chain of
// directories is ever followed.
int ParseTiffOrientation(std::span<const std::uint8_t> tiff);
// The same, with none for a missing tag, malformed data or a value outside
// 1..8, so that another source of the orientation may be asked instead.
std::optional<int> FindTiffOrientation(std::span<const std::uint8_t> tiff);

// The EXIF orientation of a JPEG file (1..8) from its APP1 "Exif\0\0"
// segment; 1 when there is none or it cannot be read.
int ReadExifOrientation(std::span<const std::uint8_t> jpeg);

// Adobe's APP14 marker. Photoshop stores four-channel pictures with every
// channel inverted (255 = no ink) and always writes this marker; its
// transform byte tells CMYK (0) from YCCK (2), which the decoder handles.
struct AdobeMarker {
  int transform = 0;
};
std::optional<AdobeMarker> ReadAdobeMarker(std::span<const std::uint8_t> jpeg);

}  // namespace vr
