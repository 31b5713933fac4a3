#include "thumbnail/watermark.h"

#include <limits>
#include <string>

#include "base/rounding.h"

namespace vr {

WMOffset GetWMPoint(std::int64_t picture_width, std::int64_t picture_height, std::int64_t wm_width,
                    std::int64_t wm_height, std::int32_t area) {
  if (!IsWMArea(area)) return WMOffset{};

  // Column: left edge, centre, right edge. Row: bottom edge, centre, top edge
  // (rows counted from the bottom, as the engine's offsets are).
  const std::int64_t left = 0;
  const std::int64_t centre_x = HalveToEven(wm_width - picture_width);
  const std::int64_t right = wm_width - picture_width;
  const std::int64_t top = wm_height - picture_height;
  const std::int64_t middle_y = HalveToEven(wm_height - picture_height);
  const std::int64_t bottom = 0;

  const std::int32_t column = (area - 1) / 3;  // 0 left, 1 centre, 2 right
  const std::int32_t row = (area - 1) % 3;     // 0 top, 1 middle, 2 bottom
  const std::int64_t xs[] = {left, centre_x, right};
  const std::int64_t ys[] = {top, middle_y, bottom};
  return WMOffset{xs[column], ys[row]};
}

std::optional<MixMode> MixModeForCode(std::int32_t code) {
  switch (code) {
    case 0:
      return MixMode::Add;
    case 1:
      return MixMode::And;
    case 2:
      return MixMode::Xor;
    case 3:
      return MixMode::Or;
    case 4:
      return MixMode::Mask;
    case 5:
      return MixMode::SrcCopy;  // not offered by the dialog; only a stored value gives it
    case 6:
      return MixMode::DstCopy;
    case 7:
      return MixMode::Sub;
    case 8:
      return MixMode::SrcBlend;  // not offered by the dialog either
    case kNormalWMMode:
      return MixMode::SrcBlend;  // "Normal": the same alpha over, offered by name
    default:
      return std::nullopt;
  }
}

int ClampOffset(std::int64_t value) {
  constexpr std::int64_t kMin = std::numeric_limits<int>::min();
  constexpr std::int64_t kMax = std::numeric_limits<int>::max();
  if (value < kMin) return static_cast<int>(kMin);
  if (value > kMax) return static_cast<int>(kMax);
  return static_cast<int>(value);
}

bool ApplyMask(Image& picture, const Image& watermark, WMOffset offset, std::int32_t opacity,
               std::int32_t mode_code) {
  const std::optional<MixMode> mode = MixModeForCode(mode_code);
  if (!mode) return false;
  MixImages(picture, watermark, *mode, ClampOffset(offset.x), ClampOffset(offset.y), opacity);
  return true;
}

}  // namespace vr
