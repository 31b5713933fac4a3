#include "imaging/codecs/bmp_header.h"

#include <algorithm>
#include <bit>
#include <limits>

#include "imaging/limits.h"

namespace vr {
namespace {

constexpr std::size_t kFileHeaderSize = 14;

// Info header sizes: OS/2 1.x (16-bit sides), the Windows versions 3, "V2",
// "V3", 4 and 5, and OS/2 2.x, whose header may be cut short after 16 bytes.
constexpr std::uint32_t kCoreHeader = 12;
constexpr std::uint32_t kOs2ShortHeader = 16;
constexpr std::uint32_t kInfoHeader = 40;
constexpr std::uint32_t kV2Header = 52;
constexpr std::uint32_t kV3Header = 56;
constexpr std::uint32_t kOs2Header = 64;
constexpr std::uint32_t kV4Header = 108;
constexpr std::uint32_t kV5Header = 124;

// Compression codes of the Windows headers; OS/2 2.x reuses 3 and 4 for
// Huffman 1D and RLE24.
constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;
constexpr std::uint32_t kOs2Huffman = 3;
constexpr std::uint32_t kOs2Rle24 = 4;

// Every run-length code is at least two bytes and draws at most 255 pixels;
// the codes that skip pixels draw none.
constexpr std::uint64_t kMaxRlePixelsPerTwoBytes = 255;
// A cut uncompressed file is still read when at least one of this many of
// its rows is there; with fewer the picture would be mostly made up, and a
// stub could claim a buffer many times its size.
constexpr std::uint64_t kMaxRowsPerRowPresent = 8;

std::uint16_t Le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Le32(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

Status Invalid(const std::string& reason, const std::string& file) {
  return Status::Fail("Invalid BMP: " + reason + " in " + file);
}

Status Unsupported(const std::string& what, const std::string& file) {
  return Status::Fail("Unsupported BMP: " + what + " in " + file);
}

bool IsKnownHeaderSize(std::uint32_t size) {
  switch (size) {
    case kCoreHeader:
    case kOs2ShortHeader:
    case kInfoHeader:
    case kV2Header:
    case kV3Header:
    case kOs2Header:
    case kV4Header:
    case kV5Header:
      return true;
    default:
      return false;
  }
}

bool IsOs2Header(std::uint32_t size) { return size == kOs2ShortHeader || size == kOs2Header; }

// Maps the stored code to ours and checks that the bit depth goes with it.
Status SetCompression(std::uint32_t code, bool os2, BmpLayout& layout, const std::string& file) {
  const int bits = layout.bits_per_pixel;
  auto depth_is = [bits](std::initializer_list<int> allowed) {
    return std::find(allowed.begin(), allowed.end(), bits) != allowed.end();
  };
  const std::string depth = std::to_string(bits) + " bits per pixel";
  if (code == kBiRgb) {
    if (bits == 64) return Unsupported(depth, file);
    if (!depth_is({1, 2, 4, 8, 16, 24, 32})) return Invalid(depth, file);
    layout.compression = BmpCompression::kNone;
  } else if (code == kBiRle8) {
    if (bits != 8) return Invalid("RLE8 with " + depth, file);
    layout.compression = BmpCompression::kRle8;
  } else if (code == kBiRle4) {
    if (bits != 4) return Invalid("RLE4 with " + depth, file);
    layout.compression = BmpCompression::kRle4;
  } else if (os2 && code == kOs2Huffman) {
    return Unsupported("Huffman 1D compression", file);
  } else if (os2 && code == kOs2Rle24) {
    if (bits != 24) return Invalid("RLE24 with " + depth, file);
    layout.compression = BmpCompression::kRle24;
  } else if (os2) {
    return Unsupported("OS/2 compression type " + std::to_string(code), file);
  } else if (code == kBiBitfields || code == kBiAlphaBitfields) {
    if (!depth_is({16, 32})) return Invalid("bit fields with " + depth, file);
    layout.compression = BmpCompression::kBitfields;
  } else if (code == kBiJpeg || code == kBiPng) {
    return Unsupported(code == kBiJpeg ? "embedded JPEG" : "embedded PNG", file);
  } else {
    return Unsupported("compression type " + std::to_string(code), file);
  }
  return Status::Ok();
}

}  // namespace

BmpChannel MakeBmpChannel(std::uint32_t mask) {
  BmpChannel channel;
  channel.mask = mask;
  if (mask == 0) return channel;
  channel.shift = std::countr_zero(mask);
  channel.bits = 32 - std::countl_zero(mask) - channel.shift;
  channel.max = (std::uint64_t{1} << channel.bits) - 1;
  return channel;
}

Expected<BmpLayout> ParseBmpHeader(std::span<const std::uint8_t> bytes, const std::string& file) {
  if (bytes.size() < kFileHeaderSize + 4 || bytes[0] != 'B' || bytes[1] != 'M')
    return Invalid(
        bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M' ? "file too short" : "no BM signature", file);
  BmpLayout layout;
  layout.pixel_offset = Le32(bytes, 10);
  const std::uint32_t header_size = Le32(bytes, kFileHeaderSize);
  if (!IsKnownHeaderSize(header_size))
    return Invalid("unknown info header size " + std::to_string(header_size), file);
  if (bytes.size() < kFileHeaderSize + header_size) return Invalid("truncated info header", file);
  const auto info = bytes.subspan(kFileHeaderSize, header_size);

  std::int64_t width = 0;
  std::int64_t height = 0;
  std::uint16_t planes = 0;
  std::uint32_t compression = kBiRgb;
  if (header_size == kCoreHeader) {
    width = Le16(info, 4);
    height = Le16(info, 6);
    planes = Le16(info, 8);
    layout.bits_per_pixel = Le16(info, 10);
    layout.palette_entry_size = 3;
  } else {
    width = static_cast<std::int32_t>(Le32(info, 4));
    height = static_cast<std::int32_t>(Le32(info, 8));
    planes = Le16(info, 12);
    layout.bits_per_pixel = Le16(info, 14);
    if (header_size >= kInfoHeader) {
      compression = Le32(info, 16);
      layout.palette_declared = Le32(info, 32);
    }
  }
  if (width <= 0) return Invalid("width " + std::to_string(width), file);
  if (height == 0) return Invalid("height 0", file);
  if (height < 0) {
    layout.top_down = true;
    height = -height;  // an int64, so even INT32_MIN turns positive
  }
  if (planes != 1) return Invalid(std::to_string(planes) + " planes", file);
  VR_TRY(CheckImageSize(width, height, file));
  layout.width = static_cast<int>(width);
  layout.height = static_cast<int>(height);

  const bool os2 = IsOs2Header(header_size);
  VR_TRY(SetCompression(compression, os2, layout, file));
  if (layout.top_down && layout.compression != BmpCompression::kNone &&
      layout.compression != BmpCompression::kBitfields)
    return Invalid("top-down rows with RLE compression", file);

  // Masks: inside the header from the "V2" header on, else in 12 or 16 bytes
  // right after a version 3 header. Only files that name an alpha mask get
  // alpha; the spare bits of plain 16- and 32-bit pixels are often garbage.
  std::array<std::uint32_t, 4> masks = {0, 0, 0, 0};
  layout.palette_offset = kFileHeaderSize + header_size;
  if (layout.compression == BmpCompression::kBitfields) {
    const bool with_alpha =
        header_size >= kV3Header || (header_size == kInfoHeader && compression == kBiAlphaBitfields);
    const int count = with_alpha ? 4 : 3;
    std::size_t at = kFileHeaderSize + kInfoHeader;
    if (header_size == kInfoHeader) {
      layout.palette_offset += static_cast<std::size_t>(count) * 4;
      if (bytes.size() < layout.palette_offset) return Invalid("truncated colour masks", file);
    }
    for (int i = 0; i < count; ++i) masks[i] = Le32(bytes, at + static_cast<std::size_t>(i) * 4);
  } else if (layout.bits_per_pixel == 16) {
    masks = {0x7C00, 0x03E0, 0x001F, 0};
  } else if (layout.bits_per_pixel == 32) {
    masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
  }
  if (layout.bits_per_pixel == 16)
    for (auto& mask : masks) mask &= 0xFFFF;
  for (int i = 0; i < 4; ++i) layout.channels[i] = MakeBmpChannel(masks[i]);

  if (layout.pixel_offset < layout.palette_offset) return Invalid("pixel data inside the headers", file);
  return layout;
}

Status CheckBmpPlausible(const BmpLayout& layout, std::uint64_t file_length, const std::string& file) {
  if (layout.pixel_offset >= file_length) return Invalid("no pixel data", file);
  const std::uint64_t data = file_length - layout.pixel_offset;
  std::uint64_t most_pixels = 0;
  if (layout.compression == BmpCompression::kRle4 || layout.compression == BmpCompression::kRle8 ||
      layout.compression == BmpCompression::kRle24) {
    most_pixels = data / 2 * kMaxRlePixelsPerTwoBytes;
  } else {
    const std::uint64_t rows = data / BmpRowBytes(layout.width, layout.bits_per_pixel);
    if (rows == 0) return Invalid("truncated pixel data", file);
    most_pixels = rows * kMaxRowsPerRowPresent * static_cast<std::uint64_t>(layout.width);
  }
  return CheckPlausibleSize("BMP", "picture", layout.width, layout.height, most_pixels, data, file);
}

Expected<BmpPalette> ReadBmpPalette(std::span<const std::uint8_t> bytes, const BmpLayout& layout,
                                    const std::string& file) {
  BmpPalette palette;
  const std::uint64_t full = std::uint64_t{1} << layout.bits_per_pixel;
  std::uint64_t count =
      layout.palette_declared == 0 ? full : std::min<std::uint64_t>(layout.palette_declared, full);
  // Never read past the pixels' start nor the end of the file.
  const std::uint64_t end = std::min<std::uint64_t>(layout.pixel_offset, bytes.size());
  const std::uint64_t room = end > layout.palette_offset ? end - layout.palette_offset : 0;
  count = std::min<std::uint64_t>(count, room / layout.palette_entry_size);
  if (count == 0) return Invalid("missing palette", file);
  palette.size = static_cast<int>(count);
  for (int i = 0; i < palette.size; ++i) {
    const std::size_t at = layout.palette_offset + static_cast<std::size_t>(i) * layout.palette_entry_size;
    palette.colors[i] = {bytes[at + 2], bytes[at + 1], bytes[at], 255};  // stored blue, green, red
  }
  return palette;
}

}  // namespace vr
