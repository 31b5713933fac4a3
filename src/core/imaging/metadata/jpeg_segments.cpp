#include "imaging/metadata/jpeg_segments.h"

namespace vr {
namespace {

constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kApp0 = 0xE0;
constexpr std::size_t kMaxPayload = 65535 - 2;

// TEM and RST0..RST7 carry no length.
bool IsStandalone(std::uint8_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

// Calls `visit(marker, start, length)` for each segment before SOS, where
// `start` is the marker's first 0xFF; stops at anything malformed.
template <class Visit>
void WalkSegments(std::span<const std::uint8_t> jpeg, Visit visit) {
  if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != kSoi) return;
  std::size_t pos = 2;
  // Every turn moves forward by at least one byte.
  while (pos < jpeg.size()) {
    if (jpeg[pos] != 0xFF) return;
    const std::size_t start = pos;
    while (pos < jpeg.size() && jpeg[pos] == 0xFF) ++pos;  // fill bytes
    if (pos >= jpeg.size()) return;
    const std::uint8_t marker = jpeg[pos++];
    if (marker == kSos || marker == kEoi || marker == 0x00 || marker == kSoi) return;
    if (IsStandalone(marker)) continue;
    if (jpeg.size() - pos < 2) return;
    const std::size_t length = std::size_t{jpeg[pos]} << 8 | jpeg[pos + 1];
    if (length < 2 || length > jpeg.size() - pos) return;
    if (!visit(marker, start, pos + length, jpeg.subspan(pos + 2, length - 2))) return;
    pos += length;
  }
}

}  // namespace

std::vector<JpegSegment> JpegHeaderSegments(std::span<const std::uint8_t> jpeg) {
  std::vector<JpegSegment> segments;
  WalkSegments(jpeg,
               [&](std::uint8_t marker, std::size_t, std::size_t, std::span<const std::uint8_t> payload) {
                 segments.push_back({marker, payload});
                 return true;
               });
  return segments;
}

std::size_t JpegInsertPosition(std::span<const std::uint8_t> jpeg) {
  if (jpeg.size() < 2 || jpeg[0] != 0xFF || jpeg[1] != kSoi) return 0;
  std::size_t after = 2;
  WalkSegments(jpeg,
               [&](std::uint8_t marker, std::size_t start, std::size_t end, std::span<const std::uint8_t>) {
                 if (marker != kApp0 || start != after) return false;
                 after = end;
                 return true;
               });
  return after;
}

bool AppendJpegSegment(std::vector<std::uint8_t>& out, std::uint8_t marker,
                       std::span<const std::uint8_t> prefix, std::span<const std::uint8_t> payload) {
  const std::size_t size = prefix.size() + payload.size();
  if (size > kMaxPayload) return false;
  const std::size_t length = size + 2;
  out.push_back(0xFF);
  out.push_back(marker);
  out.push_back(static_cast<std::uint8_t>(length >> 8));
  out.push_back(static_cast<std::uint8_t>(length & 0xFF));
  out.insert(out.end(), prefix.begin(), prefix.end());
  out.insert(out.end(), payload.begin(), payload.end());
  return true;
}

}  // namespace vr
