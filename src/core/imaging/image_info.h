// What a decoder learns from a file's header alone.
#pragma once

#include <cstdint>
#include <span>

namespace vr {

enum class FileKind { Unknown, Bmp, Gif, Jpeg, Png, Tiff };

struct ImageInfo {
  FileKind kind = FileKind::Unknown;
  int width = 0;  // as stored in the file, before orientation
  int height = 0;
  int orientation = 1;  // EXIF/TIFF orientation 1..8; 5..8 swap the sides
};

// The kind of file by its magic bytes.
FileKind SniffFileKind(std::span<const std::uint8_t> bytes);

}  // namespace vr
