#include "imaging/codecs/exif_orientation.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "imaging/codecs/tiff_byte_order.h"

namespace vr {
namespace {

constexpr std::uint8_t kMarkerSoi = 0xD8;
constexpr std::uint8_t kMarkerEoi = 0xD9;
constexpr std::uint8_t kMarkerSos = 0xDA;
constexpr std::uint8_t kMarkerApp1 = 0xE1;
constexpr std::uint8_t kMarkerApp14 = 0xEE;
constexpr std::uint16_t kTagOrientation = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kTiffHeaderBytes = 8;
constexpr std::size_t kIfdEntryBytes = 12;

// Markers that stand alone, without a length: TEM and RST0..RST7.
bool IsStandaloneMarker(std::uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

}  // namespace

std::optional<std::span<const std::uint8_t>> FindJpegSegment(std::span<const std::uint8_t> jpeg,
                                                             std::uint8_t marker,
                                                             std::span<const std::uint8_t> prefix) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != kMarkerSoi) return std::nullopt;
  std::size_t pos = 2;
  // Each turn moves at least one byte forward, so the walk always ends.
  while (pos < jpeg.size()) {
    if (jpeg[pos] != 0xFF) return std::nullopt;            // not at a marker: the header is damaged
    while (pos < jpeg.size() && jpeg[pos] == 0xFF) ++pos;  // fill bytes may pad any marker
    if (pos >= jpeg.size()) return std::nullopt;
    const std::uint8_t code = jpeg[pos++];
    if (code == kMarkerSos || code == kMarkerEoi)
      return std::nullopt;  // entropy data follows: no more headers
    if (IsStandaloneMarker(code)) continue;
    if (code == 0x00 || code == kMarkerSoi) return std::nullopt;
    if (jpeg.size() - pos < 2) return std::nullopt;
    const std::size_t length = static_cast<std::size_t>(jpeg[pos]) << 8 | jpeg[pos + 1];
    if (length < 2 || length > jpeg.size() - pos) return std::nullopt;
    std::span<const std::uint8_t> payload = jpeg.subspan(pos + 2, length - 2);
    if (code == marker && payload.size() >= prefix.size() &&
        std::equal(prefix.begin(), prefix.end(), payload.begin()))
      return payload;
    pos += length;
  }
  return std::nullopt;
}

int ParseTiffOrientation(std::span<const std::uint8_t> tiff) { return FindTiffOrientation(tiff).value_or(1); }

std::optional<int> FindTiffOrientation(std::span<const std::uint8_t> tiff) {
  if (tiff.size() < kTiffHeaderBytes) return std::nullopt;
  bool big_endian;
  if (tiff[0] == 'I' && tiff[1] == 'I')
    big_endian = false;
  else if (tiff[0] == 'M' && tiff[1] == 'M')
    big_endian = true;
  else
    return std::nullopt;
  const TiffByteOrder read(tiff, big_endian);
  if (read.U16(2) != 42) return std::nullopt;

  // All sums in 64 bits: a 32-bit offset plus a table length cannot wrap.
  const std::uint64_t size = tiff.size();
  const std::uint64_t ifd = read.U32(4);
  if (ifd < kTiffHeaderBytes || ifd + 2 > size) return std::nullopt;
  const std::uint64_t count = read.U16(static_cast<std::size_t>(ifd));
  if (ifd + 2 + count * kIfdEntryBytes > size) return std::nullopt;

  for (std::uint64_t i = 0; i < count; ++i) {
    const auto entry = static_cast<std::size_t>(ifd + 2 + i * kIfdEntryBytes);
    if (read.U16(entry) != kTagOrientation) continue;
    if (read.U16(entry + 2) != kTypeShort || read.U32(entry + 4) != 1) return std::nullopt;
    // A single SHORT sits in the first two bytes of the value field.
    const int value = read.U16(entry + 8);
    if (value < 1 || value > 8) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

int ReadExifOrientation(std::span<const std::uint8_t> jpeg) {
  static constexpr std::array<std::uint8_t, 6> kExif = {'E', 'x', 'i', 'f', 0, 0};
  const auto payload = FindJpegSegment(jpeg, kMarkerApp1, kExif);
  if (!payload) return 1;
  return ParseTiffOrientation(payload->subspan(kExif.size()));
}

std::optional<AdobeMarker> ReadAdobeMarker(std::span<const std::uint8_t> jpeg) {
  static constexpr std::array<std::uint8_t, 5> kAdobe = {'A', 'd', 'o', 'b', 'e'};
  const auto payload = FindJpegSegment(jpeg, kMarkerApp14, kAdobe);
  // "Adobe", version (2), flags0 (2), flags1 (2), transform (1).
  if (!payload || payload->size() < 12) return std::nullopt;
  return AdobeMarker{(*payload)[11]};
}

}  // namespace vr
