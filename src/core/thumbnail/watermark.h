// Where the watermark goes on a thumbnail and how it is blended in.
//
// Offsets are in the engine's convention (see imaging/ops/mix.h): picture pixel
// (i, j) meets watermark pixel (i + x, j + y), rows counted from the bottom,
// so the watermark's lower-left corner lies at (-x, -y) from the picture's.
#pragma once

#include <cstdint>
#include <optional>

#include "base/status.h"
#include "imaging/image.h"
#include "imaging/ops/mix.h"

namespace vr {

// The watermark's offset. 64-bit so no picture size can overflow the
// differences; MixImages takes int, and ApplyMask narrows safely.
struct WMOffset {
  std::int64_t x = 0;
  std::int64_t y = 0;
  friend bool operator==(const WMOffset&, const WMOffset&) = default;
};

// Regions of the 3 x 3 grid, numbered down each column, left column first:
//   1 4 7
//   2 5 8
//   3 6 9
inline constexpr std::int32_t kFirstWMArea = 1;
inline constexpr std::int32_t kLastWMArea = 9;
inline bool IsWMArea(std::int32_t area) { return area >= kFirstWMArea && area <= kLastWMArea; }

// The offset that puts a wm_width x wm_height watermark into `area` of a
// picture_width x picture_height picture, at the watermark's own size. A
// watermark larger than the picture gets offsets of the opposite sign and is
// cut off at the picture's edges. The centre column and row use half the size
// difference, an exact half pixel going to the even neighbour (the build's
// rounding everywhere). Any area outside 1..9 gives (0, 0), the bottom-left
// corner.
WMOffset GetWMPoint(std::int64_t picture_width, std::int64_t picture_height, std::int64_t wm_width,
                    std::int64_t wm_height, std::int32_t area);

// "Normal": the watermark over the picture, its own alpha times the opacity.
inline constexpr std::int32_t kNormalWMMode = 9;

// The WMMode code's mix: 0 Add, 1 And, 2 Xor, 3 Or, 4 Mask, 5 SrcCopy,
// 6 DstCopy, 7 Sub, 8 SrcBlend, 9 Normal (SrcBlend by its name). Any other code, negative ones included, has
// no mix: the picture stays as it is, which is what a destination copy would have left, without walking the
// pixels for nothing.
std::optional<MixMode> MixModeForCode(std::int32_t code);

// Blends `watermark` into `picture` at `offset` with the WMMode code's mix and
// WMOpacity (percent; the mix clamps it to 0..100). Returns false when the
// code has no mix and nothing was done.
bool ApplyMask(Image& picture, const Image& watermark, WMOffset offset, std::int32_t opacity,
               std::int32_t mode_code);

// An offset narrowed to the int the mix takes. Beyond the int range no
// watermark pixel can meet the picture either way, so clamping keeps the
// result.
int ClampOffset(std::int64_t value);

}  // namespace vr
