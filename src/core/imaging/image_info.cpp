#include "imaging/image_info.h"

#include <algorithm>
#include <array>

namespace vr {
namespace {

template <std::size_t N>
bool StartsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& magic) {
  return bytes.size() >= N && std::equal(magic.begin(), magic.end(), bytes.begin());
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

  if (StartsWith(bytes, kPng)) return FileKind::Png;
  if (StartsWith(bytes, kJpeg)) return FileKind::Jpeg;
  if (StartsWith(bytes, kGif87) || StartsWith(bytes, kGif89)) return FileKind::Gif;
  if (StartsWith(bytes, kTiffLittle) || StartsWith(bytes, kTiffBig) || StartsWith(bytes, kBigTiffLittle) ||
      StartsWith(bytes, kBigTiffBig))
    return FileKind::Tiff;
  if (StartsWith(bytes, kBmp)) return FileKind::Bmp;
  return FileKind::Unknown;
}

}  // namespace vr
