// The parts of a BMP file before its pixels: file header, the info header in
// any of its versions (OS/2 1.x and 2.x, Windows 3 to 5), colour masks and the
// palette. Used by the BMP reader only.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "base/status.h"

namespace vr {

enum class BmpCompression { kNone, kRle8, kRle4, kRle24, kBitfields };

// One colour channel of a 16- or 32-bit pixel, as a mask over the pixel's
// little-endian value. A zero mask means the channel is absent.
struct BmpChannel {
  std::uint32_t mask = 0;
  int shift = 0;          // position of the mask's lowest bit
  int bits = 0;           // from the lowest to the highest set bit
  std::uint64_t max = 0;  // largest value the channel can hold after shifting
};

BmpChannel MakeBmpChannel(std::uint32_t mask);

struct BmpLayout {
  int width = 0;
  int height = 0;         // always positive
  bool top_down = false;  // rows stored from the top (negative height in the file)
  int bits_per_pixel = 0;
  BmpCompression compression = BmpCompression::kNone;
  // Red, green, blue, alpha for 16- and 32-bit pixels. Alpha is only taken
  // from files that name an alpha mask; otherwise the picture is opaque.
  std::array<BmpChannel, 4> channels;
  std::size_t palette_offset = 0;      // where the palette starts in the file
  std::size_t palette_entry_size = 4;  // 3 in OS/2 1.x files
  std::uint32_t palette_declared = 0;  // colours the header asks for (0 = 1 << bits)
  std::uint64_t pixel_offset = 0;      // as the file header gives it, not yet checked against the length
};

// Reads and checks everything up to (not including) the palette: the
// smallest part of the file that tells the size. Sizes are checked against
// the engine's limits. `file` is for messages only.
Expected<BmpLayout> ParseBmpHeader(std::span<const std::uint8_t> bytes, const std::string& file);

// Bytes of one stored row of an uncompressed picture: rows are padded to
// whole 32-bit words. 64-bit arithmetic: the row size cannot overflow within
// the limits, but its product with the height could.
inline std::uint64_t BmpRowBytes(std::int64_t width, int bits) {
  return (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bits) + 31) / 32 * 4;
}

// Whether a file of `file_length` bytes could hold the picture the layout
// claims: run-length codes fill at most 255 pixels for every two bytes,
// and an uncompressed file must hold at least one of every eight rows (the
// rows of a cut file that are there are kept, the rest left transparent).
// Fails with "Implausible BMP: ..." naming `file` otherwise.
Status CheckBmpPlausible(const BmpLayout& layout, std::uint64_t file_length, const std::string& file);

// Up to 256 colours as RGBA (opaque). Indices at or past `size` are drawn
// black, as nothing in the file says what they are.
struct BmpPalette {
  std::array<std::array<std::uint8_t, 4>, 256> colors{};
  int size = 0;

  const std::uint8_t* operator[](unsigned index) const {
    static constexpr std::array<std::uint8_t, 4> kBlack = {0, 0, 0, 255};
    return index < static_cast<unsigned>(size) ? colors[index].data() : kBlack.data();
  }
};

// The palette of a 1- to 8-bit picture: as many colours as the header asks
// for, at most 1 << bits, and no more than fit between the headers and the
// pixels (OS/2 files often carry a short palette). Fails when none fits.
Expected<BmpPalette> ReadBmpPalette(std::span<const std::uint8_t> bytes, const BmpLayout& layout,
                                    const std::string& file);

}  // namespace vr
