#include "imaging/colour/icc_embed.h"

#include <algorithm>
#include <iterator>

namespace vr {

bool EmbedJpegIccProfile(std::vector<std::uint8_t>& jpeg, std::span<const std::uint8_t> profile) {
  static constexpr std::uint8_t kPrefix[] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
  if (profile.empty() || jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
  const std::size_t count = (profile.size() + kJpegIccChunkBytes - 1) / kJpegIccChunkBytes;
  if (count > 255) return false;

  // After SOI, and after JFIF's APP0 where the encoder wrote one, which
  // readers expect first.
  std::size_t at = 2;
  if (jpeg.size() >= at + 4 && jpeg[at] == 0xFF && jpeg[at + 1] == 0xE0) {
    const std::size_t length = std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3];
    if (length >= 2 && length <= jpeg.size() - at - 2) at += 2 + length;
  }
  std::vector<std::uint8_t> segments;
  segments.reserve(profile.size() + count * (4 + sizeof kPrefix + 2));
  for (std::size_t i = 0; i < count; ++i) {
    const std::span<const std::uint8_t> part = profile.subspan(
        i * kJpegIccChunkBytes, std::min(kJpegIccChunkBytes, profile.size() - i * kJpegIccChunkBytes));
    const std::size_t length = 2 + sizeof kPrefix + 2 + part.size();
    segments.insert(segments.end(), {0xFF, 0xE2, static_cast<std::uint8_t>(length >> 8),
                                     static_cast<std::uint8_t>(length & 0xFF)});
    segments.insert(segments.end(), std::begin(kPrefix), std::end(kPrefix));
    segments.push_back(static_cast<std::uint8_t>(i + 1));
    segments.push_back(static_cast<std::uint8_t>(count));
    segments.insert(segments.end(), part.begin(), part.end());
  }
  jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), segments.begin(), segments.end());
  return true;
}

}  // namespace vr
