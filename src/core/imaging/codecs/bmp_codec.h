// Windows and OS/2 bitmaps, read and written by our own code.
//
// Reading covers 1, 2, 4, 8, 16, 24 and 32 bits per pixel, RLE4, RLE8 and
// the OS/2 RLE24, bit-field masks of any width (scaled to 8 bits with
// rounding), top-down rows, and every header from OS/2 1.x to version 5.
// Alpha comes only from files whose header names an alpha mask; the spare
// byte of a plain 32-bit file is ignored, as most writers leave garbage there.
// Embedded JPEG/PNG, Huffman 1D and 64-bit pixels are refused as unsupported.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "base/status.h"
#include "imaging/codec_dispatch.h"
#include "imaging/image.h"
#include "imaging/image_info.h"
#include "imaging/row_sink.h"

namespace vr {

// Size from the headers alone (the first 14 + 124 + 16 bytes are always
// enough). BMP carries no orientation, so it is 1.
Expected<ImageInfo> ReadBmpInfo(std::span<const std::uint8_t> bytes, const std::string& file);

// Whether a file of `file_length` bytes, whose headers are at the start of
// `bytes`, could hold the picture they claim (see CheckBmpPlausible), so a
// caller that has read only the start can tell. DecodeBmp checks the same.
Status CheckBmpFileLength(std::span<const std::uint8_t> bytes, std::uint64_t file_length,
                          const std::string& file);

// Decodes to RGBA, rows top-down. A file that ends inside its pixel data
// still decodes: the rows that are there are kept, the rest are left fully
// transparent and the result is flagged damaged. RLE pixels the stream skips
// are fully transparent too (not damaged); palette indices past the palette
// are black. Fails, with a message naming `file`, for anything it cannot
// read, including a file without one complete row of pixel data, and for a
// file too short for its picture (fewer than one of every eight rows, or
// fewer than two bytes of run-length codes for every 255 pixels), before
// anything is allocated.
Expected<DecodeResult> DecodeBmp(std::span<const std::uint8_t> bytes, const std::string& file, Image& out);

// Whether DecodeBmpRows takes the file: any but a run-length one, whose
// codes run bottom to top and skip about.
bool BmpRowsStream(std::span<const std::uint8_t> bytes);

// DecodeBmp's picture for a file BmpRowsStream takes, top to bottom into
// `sink` whichever way the file stores its rows (they are all in memory),
// one row held at a time. Rows past the file's end are handed over fully
// transparent with the same warning. Failures as DecodeBmp's.
Expected<DecodeResult> DecodeBmpRows(std::span<const std::uint8_t> bytes, const std::string& file,
                                     const RowSink& sink);

// Writes a bottom-up BMP: 24-bit BI_RGB with rows padded to 4 bytes when the
// picture is opaque, otherwise 32-bit with a version 4 header and BI_BITFIELDS
// masks for red, green, blue and (straight) alpha. `out` is replaced; it is
// left empty on failure.
Status EncodeBmp(const Image& image, std::vector<std::uint8_t>& out, const std::string& file);

}  // namespace vr
