#include "imaging/image_info.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace vr {
namespace {

template <std::size_t N>
bool StartsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& magic) {
  return bytes.size() >= N && std::equal(magic.begin(), magic.end(), bytes.begin());
}

// ISO base media files (AVIF, HEIF) name what they hold in their leading
// 'ftyp' box: a major brand, a version, then compatible brands.
FileKind SniffIsoBrands(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < 16 || !std::equal(bytes.begin() + 4, bytes.begin() + 8, "ftyp"))
    return FileKind::Unknown;
  const std::size_t box = std::size_t{bytes[0]} << 24 | std::size_t{bytes[1]} << 16 |
                          std::size_t{bytes[2]} << 8 | std::size_t{bytes[3]};
  const std::size_t end = std::min(box, bytes.size());
  if (box < 16) return FileKind::Unknown;
  const auto brand_is = [&](std::size_t at, std::string_view name) {
    return std::equal(name.begin(), name.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at));
  };
  bool heif = false;
  for (std::size_t at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // the version after the major brand
    if (brand_is(at, "avif") || brand_is(at, "avis")) return FileKind::Avif;
    for (std::string_view name : {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"})
      if (brand_is(at, name)) heif = true;
  }
  return heif ? FileKind::Heif : FileKind::Unknown;
}

}  // namespace

FileKind SniffFileKind(std::span<const std::uint8_t> bytes) {
  constexpr std::array<std::uint8_t, 8> kPng = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  constexpr std::array<std::uint8_t, 3> kJpeg = {0xFF, 0xD8, 0xFF};
  constexpr std::array<std::uint8_t, 6> kGif87 = {'G', 'I', 'F', '8', '7', 'a'};
  constexpr std::array<std::uint8_t, 6> kGif89 = {'G', 'I', 'F', '8', '9', 'a'};
  constexpr std::array<std::uint8_t, 4> kTiffLittle = {'I', 'I', 42, 0};
  constexpr std::array<std::uint8_t, 4> kTiffBig = {'M', 'M', 0, 42};
  // BigTIFF: 64-bit offsets, the same directories.
  constexpr std::array<std::uint8_t, 4> kBigTiffLittle = {'I', 'I', 43, 0};
  constexpr std::array<std::uint8_t, 4> kBigTiffBig = {'M', 'M', 0, 43};
  constexpr std::array<std::uint8_t, 2> kBmp = {'B', 'M'};
  constexpr std::array<std::uint8_t, 2> kJxlCodestream = {0xFF, 0x0A};
  constexpr std::array<std::uint8_t, 12> kJxlContainer = {0,   0,   0,    12,   'J',  'X',
                                                          'L', ' ', 0x0D, 0x0A, 0x87, 0x0A};

  if (StartsWith(bytes, kPng)) return FileKind::Png;
  if (StartsWith(bytes, kJpeg)) return FileKind::Jpeg;
  if (StartsWith(bytes, kGif87) || StartsWith(bytes, kGif89)) return FileKind::Gif;
  if (StartsWith(bytes, kTiffLittle) || StartsWith(bytes, kTiffBig) || StartsWith(bytes, kBigTiffLittle) ||
      StartsWith(bytes, kBigTiffBig))
    return FileKind::Tiff;
  if (StartsWith(bytes, kBmp)) return FileKind::Bmp;
  if (bytes.size() >= 12 && std::equal(bytes.begin(), bytes.begin() + 4, "RIFF") &&
      std::equal(bytes.begin() + 8, bytes.begin() + 12, "WEBP"))
    return FileKind::Webp;
  if (StartsWith(bytes, kJxlCodestream) || StartsWith(bytes, kJxlContainer)) return FileKind::Jxl;
  return SniffIsoBrands(bytes);
}

}  // namespace vr
