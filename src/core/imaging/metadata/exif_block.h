// An EXIF block (TIFF-structured: byte order, IFD0 and the Exif, GPS and
// Interoperability directories it points to) read into values and written
// out afresh, so tags can be changed and whole directories dropped without
// leaving their bytes behind.
//
// The bytes come from arbitrary files. Only this fixed shape is followed (no
// chains, so no recursion): IFD0, from it the Exif and GPS directories, from
// the Exif directory the Interoperability one; a directory that is reached
// twice (a loop) is left out. Every offset and count is checked, and an
// entry that does not fit is dropped. Tags whose values are offsets into the
// original block (strips, tiles, the embedded thumbnail, the maker note,
// sub-IFDs) are dropped too: moved, they would point at nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vr {

struct ExifEntry {
  std::uint16_t tag = 0;
  std::uint16_t type = 0;
  std::uint32_t count = 0;
  std::vector<std::uint8_t> value;  // count values in the block's byte order
};

using ExifDirectory = std::vector<ExifEntry>;

struct ExifBlock {
  bool big_endian = false;
  ExifDirectory ifd0;
  std::optional<ExifDirectory> exif;
  std::optional<ExifDirectory> gps;
  std::optional<ExifDirectory> interop;
};

// Blocks larger than this are not read (JPEG's limit is 64 KiB; PNG's eXIf
// has none).
inline constexpr std::size_t kMaxExifBlockBytes = std::size_t{1} << 20;

// None when the header or IFD0 is malformed.
std::optional<ExifBlock> ParseExifBlock(std::span<const std::uint8_t> tiff);

// The block in its byte order: header, IFD0 (no next directory), then the
// Exif, Interoperability and GPS directories, entries sorted by tag.
std::vector<std::uint8_t> WriteExifBlock(const ExifBlock& block);

// Sets `tag` to one SHORT or LONG value, adding the entry when missing.
void SetExifShort(ExifDirectory& directory, std::uint16_t tag, std::uint16_t value, bool big_endian);
void SetExifLong(ExifDirectory& directory, std::uint16_t tag, std::uint32_t value, bool big_endian);
const ExifEntry* FindExifEntry(const ExifDirectory& directory, std::uint16_t tag);

}  // namespace vr
