#include "imaging/ops/mix.h"

#include <algorithm>
#include <cstdint>

namespace vr {
namespace {

// The coverage k of the header, as a whole number of 1/25500ths
// (overlay alpha 0..255 times opacity 0..100).
constexpr std::int64_t kFullCoverage = 255 * 100;

// n / d rounded to the nearest, halves away from zero; d > 0.
inline std::int64_t DivRounded(std::int64_t n, std::int64_t d) {
  return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

inline int ModeResult(MixMode mode, int p, int o) {
  switch (mode) {
    case MixMode::Add:
      return std::min(p + o, 255);
    case MixMode::And:
      return p & o;
    case MixMode::Or:
      return p | o;
    case MixMode::Xor:
      return p ^ o;
    case MixMode::Mask:
      return (p * o + 127) / 255;
    case MixMode::Sub:
      return std::max(p - o, 0);
    case MixMode::SrcCopy:
    case MixMode::SrcBlend:
      return o;
    case MixMode::DstCopy:
      break;
  }
  return p;
}

inline std::uint8_t OverAlpha(int picture_alpha, std::int64_t coverage) {
  return static_cast<std::uint8_t>(picture_alpha +
                                   DivRounded((255 - picture_alpha) * coverage, kFullCoverage));
}

void MixPixel(MixMode mode, std::uint8_t* p, const std::uint8_t* o, std::int64_t opacity) {
  const std::int64_t coverage = o[3] * opacity;
  if (coverage == 0) return;
  if (mode == MixMode::SrcBlend) {
    // Straight-alpha "over": colours weighted by coverage and by the
    // picture's alpha times what the overlay leaves of it.
    const std::int64_t under = p[3] * (kFullCoverage - coverage);  // in 1/(255*25500)
    const std::int64_t total = 255 * coverage + under;
    for (int c = 0; c < 3; ++c)
      p[c] = static_cast<std::uint8_t>(DivRounded(255 * coverage * o[c] + under * p[c], total));
    p[3] = OverAlpha(p[3], coverage);
    return;
  }
  for (int c = 0; c < 3; ++c) {
    const int result = ModeResult(mode, p[c], o[c]);
    p[c] = static_cast<std::uint8_t>(p[c] + DivRounded((result - p[c]) * coverage, kFullCoverage));
  }
  if (mode == MixMode::SrcCopy) p[3] = OverAlpha(p[3], coverage);
}

}  // namespace

void MixImages(Image& picture, const Image& overlay, MixMode mode, int x, int y, int opacity_percent) {
  const std::int64_t opacity = std::clamp(opacity_percent, 0, 100);
  if (picture.empty() || overlay.empty() || opacity == 0 || mode == MixMode::DstCopy) return;

  // Columns i with 0 <= i < W1 and 0 <= i + x < W2; the same for rows j
  // counted from the bottom. 64-bit, so INT_MIN and INT_MAX offsets clip
  // cleanly to nothing.
  const std::int64_t i_begin = std::max<std::int64_t>(0, -std::int64_t{x});
  const std::int64_t i_end = std::min<std::int64_t>(picture.width, std::int64_t{overlay.width} - x);
  const std::int64_t j_begin = std::max<std::int64_t>(0, -std::int64_t{y});
  const std::int64_t j_end = std::min<std::int64_t>(picture.height, std::int64_t{overlay.height} - y);
  if (i_begin >= i_end || j_begin >= j_end) return;

  for (std::int64_t j = j_begin; j < j_end; ++j) {
    // Bottom-up row j is top-down row height - 1 - j in each image.
    std::uint8_t* p = picture.at(static_cast<int>(i_begin), static_cast<int>(picture.height - 1 - j));
    const std::uint8_t* o =
        overlay.at(static_cast<int>(i_begin + x), static_cast<int>(overlay.height - 1 - (j + y)));
    for (std::int64_t i = i_begin; i < i_end; ++i, p += 4, o += 4) MixPixel(mode, p, o, opacity);
  }
}

}  // namespace vr
