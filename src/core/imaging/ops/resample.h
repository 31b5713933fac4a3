// Scaling a picture to an exact size with a Lanczos3 filter.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/image.h"
#include "imaging/ops/resample_box.h"
#include "imaging/ops/resample_coefficients.h"
#include "imaging/ops/row_shrinker.h"

namespace vr {

// Separable Lanczos3 resampler, horizontal pass then vertical pass.
//
// Colour is filtered premultiplied by alpha, so fully transparent pixels lend
// no colour to their neighbours; results are clamped to 0..255. An axis whose
// size does not change is copied, not filtered. Shrinking widens the filter by
// the scale factor so every source pixel counts.
//
// Precision: weights have 14 fractional bits (int32 accumulators, rounded);
// between the passes each channel is kept premultiplied in 16 bits with 7
// fractional bits. A picture of one colour therefore stays exactly that colour.
//
// Keep one Resampler per worker: it keeps its weights (reused while source and
// target sizes repeat, as they do across a camera's photos) and its row buffers.
// It hands the picture's rows to a RowShrinker, the same one a decoder
// streaming its rows feeds, so both give the same pixels.
class Resampler {
 public:
  // Makes `dst` exactly width x height. A target side below 1, a target beyond
  // the size limits of limits.h or an empty source leaves `dst` empty (0 x 0);
  // callers check target sizes first and report their own error. `dst` may be `src`.
  void Resample(const Image& src, int width, int height, Image& dst);
  // The same for the part `box` of `src` (see resample_box.h; a box reaching
  // outside the picture is cut to it, an empty one means the whole picture).
  void Resample(const Image& src, const SourceBox& box, int width, int height, Image& dst);

 private:
  RowShrinker rows_;
};

// One-off conveniences over a temporary Resampler.
Image ResampleImage(const Image& src, int width, int height);
Image ResampleImage(const Image& src, const SourceBox& box, int width, int height);

}  // namespace vr
