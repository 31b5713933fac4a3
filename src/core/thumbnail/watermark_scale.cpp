#include "thumbnail/watermark_scale.h"

#include <algorithm>
#include <cstring>

#include "imaging/limits.h"

namespace vr {
namespace {

bool SamePicture(const Image& a, const Image& b) {
  return a.width == b.width && a.height == b.height && a.pixels.size() == b.pixels.size() &&
         std::memcmp(a.pixels.data(), b.pixels.data(), a.pixels.size()) == 0;
}

}  // namespace

int ScaledWatermarkWidth(int picture_width, std::int32_t percent) {
  if (percent <= 0 || picture_width <= 0) return 0;
  const std::int64_t share = std::min(percent, kMaxWatermarkPercent);
  return static_cast<int>(std::max<std::int64_t>(1, (picture_width * share + 50) / 100));
}

WMOffset WithMargin(WMOffset offset, std::int32_t area, std::int32_t margin) {
  if (!IsWMArea(area) || margin <= 0) return offset;
  const std::int32_t column = (area - 1) / 3;  // 0 left, 1 centre, 2 right
  const std::int32_t row = (area - 1) % 3;     // 0 top, 1 middle, 2 bottom
  // Offsets run the other way from positions (see watermark.h): moving the
  // watermark right or up lowers them.
  if (column == 0) offset.x -= margin;
  if (column == 2) offset.x += margin;
  if (row == 0) offset.y += margin;
  if (row == 2) offset.y -= margin;
  return offset;
}

const Image& ScaledWatermarks::At(const Image& watermark, int width) {
  if (!SamePicture(source_, watermark)) {
    source_ = watermark;
    scaled_.clear();
  }
  if (auto known = scaled_.find(width); known != scaled_.end()) return known->second;
  if (scaled_.size() >= kMaxKept) scaled_.clear();
  const std::int64_t height = std::max<std::int64_t>(
      1, (std::int64_t{watermark.height} * width + watermark.width / 2) / std::max(1, watermark.width));
  Image& copy = scaled_[width];
  // A size beyond the limits leaves the copy empty, which mixes as nothing.
  if (height <= kMaxImageSide) resampler_.Resample(watermark, width, static_cast<int>(height), copy);
  ++scalings_;
  return copy;
}

const Image& ThreadScaledWatermark(const Image& watermark, int width) {
  thread_local ScaledWatermarks copies;
  return copies.At(watermark, width);
}

}  // namespace vr
