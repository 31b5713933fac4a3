// What a decoder learns from a file's header alone.
#pragma once

#include <cstdint>
#include <span>

namespace vr {

enum class FileKind { Unknown, Bmp, Gif, Jpeg, Png, Tiff, Webp, Avif, Jxl, Heif };

struct ImageInfo {
  FileKind kind = FileKind::Unknown;
  int width = 0;  // as stored in the file, before orientation
  int height = 0;
  int orientation = 1;  // EXIF/TIFF orientation 1..8; 5..8 swap the sides
};

struct Sides {
  int width = 0;
  int height = 0;
  friend bool operator==(const Sides&, const Sides&) = default;
};

// Orientations 5..8 turn the picture a quarter, so its sides swap; the same
// swap takes upright sides back to the file's axes. The one place that knows.
inline Sides OrientedSides(int width, int height, int orientation) {
  const bool quarter_turn = orientation >= 5 && orientation <= 8;
  return quarter_turn ? Sides{height, width} : Sides{width, height};
}

// The picture's sides once it is turned upright.
inline Sides UprightSides(const ImageInfo& info) {
  return OrientedSides(info.width, info.height, info.orientation);
}

// The kind of file by its magic bytes (for AVIF and HEIF, the brands of
// their file-type box).
FileKind SniffFileKind(std::span<const std::uint8_t> bytes);

}  // namespace vr
