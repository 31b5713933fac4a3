// 16- and 32-bit values of a TIFF-style block (a TIFF file's start, an EXIF
// block) in the block's own byte order, "II" little-endian or "MM" big.
// Callers check the bounds first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vr {

class TiffByteOrder {
 public:
  TiffByteOrder(std::span<const std::uint8_t> bytes, bool big_endian)
      : bytes_(bytes), big_endian_(big_endian) {}

  std::uint16_t U16(std::size_t at) const {
    const std::uint16_t a = bytes_[at], b = bytes_[at + 1];
    return big_endian_ ? static_cast<std::uint16_t>(a << 8 | b) : static_cast<std::uint16_t>(b << 8 | a);
  }
  std::uint32_t U32(std::size_t at) const {
    const std::uint32_t hi = U16(at), lo = U16(at + 2);
    return big_endian_ ? (hi << 16 | lo) : (lo << 16 | hi);
  }

 private:
  std::span<const std::uint8_t> bytes_;
  bool big_endian_;
};

}  // namespace vr
