// The watermark sized to the thumbnail and kept off its edges: a width as a
// percent of the picture's, and a margin in pixels from the edges its region
// touches.
#pragma once

#include <cstdint>
#include <map>

#include "imaging/image.h"
#include "imaging/ops/resample.h"
#include "thumbnail/watermark.h"

namespace vr {

// The widest share of the picture a watermark may be given.
inline constexpr std::int32_t kMaxWatermarkPercent = 100;

// The watermark's width on a picture `picture_width` wide at `percent` of it
// (clamped to 1..kMaxWatermarkPercent), at least one pixel; 0 for a percent
// of 0 or below, which keeps the watermark at its own size.
int ScaledWatermarkWidth(int picture_width, std::int32_t percent);

// `offset` (GetWMPoint's, for `area`) moved `margin` pixels in from each edge
// the region touches: left and right columns from the sides, top and bottom
// rows from the top and bottom. The centre column and row stay centred; a
// margin below 0 counts as 0; an area outside 1..9 is left where it is.
WMOffset WithMargin(WMOffset offset, std::int32_t area, std::int32_t margin);

// One worker's scaled copies of a watermark, one per width, made by the
// Lanczos resampler with the height in proportion. A run's rows share few
// widths (a camera's photos give one), so each is scaled once. Not shared
// between threads: every worker keeps its own.
class ScaledWatermarks {
 public:
  // `watermark` at `width` pixels wide; the same object for a width asked
  // again while the watermark is unchanged. A different watermark (another
  // run's) drops every copy made from the old one.
  const Image& At(const Image& watermark, int width);

  // How many scalings were made: each distinct width once.
  int scalings() const { return scalings_; }

 private:
  // Photos of mixed proportions in a fixed box give many widths; past this
  // many the copies are dropped rather than kept for the thread's life.
  static constexpr std::size_t kMaxKept = 16;

  Image source_;  // what the copies were made from
  std::map<int, Image> scaled_;
  Resampler resampler_;
  int scalings_ = 0;
};

// This thread's ScaledWatermarks::At. Rendering gets only the run's shared,
// immutable watermark, so the copies live with the thread that renders.
const Image& ThreadScaledWatermark(const Image& watermark, int width);

}  // namespace vr
