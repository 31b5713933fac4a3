#include "imaging/ops/resample.h"

#include <algorithm>
#include <cstring>

#include "imaging/limits.h"
#include "imaging/ops/resample_kernels.h"

namespace vr {
namespace {

using resample_detail::kFractionBits;
using resample_detail::kIntermediateMax;

inline int ClampIntermediate(int v) { return std::clamp(v, 0, kIntermediateMax); }

bool RowIsOpaque(const std::uint8_t* row, int width) {
  for (int x = 0; x < width; ++x)
    if (row[x * 4 + 3] != 255) return false;
  return true;
}

// Colour times alpha, scaled to the intermediate fixed point, rounded.
void PremultiplyRow(const std::uint8_t* in, int width, std::int16_t* out) {
  for (int x = 0; x < width; ++x, in += 4, out += 4) {
    const int a = in[3];
    for (int c = 0; c < 3; ++c) out[c] = static_cast<std::int16_t>((in[c] * a * 128 + 127) / 255);
    out[3] = static_cast<std::int16_t>(a << kFractionBits);
  }
}

void WidenRow(const std::uint8_t* in, int width, std::int16_t* out) {
  for (int i = 0; i < width * 4; ++i) out[i] = static_cast<std::int16_t>(in[i] << kFractionBits);
}

// Back from premultiplied intermediate values to straight 8-bit RGBA.
template <typename Value>
void UnpremultiplyRow(const Value* in, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x, in += 4, out += 4) {
    const int a = in[3];
    if (a == kIntermediateMax) {
      for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>((in[c] + 64) >> kFractionBits);
      out[3] = 255;
      continue;
    }
    const int a8 = (a + 64) >> kFractionBits;
    if (a8 == 0) {
      std::memset(out, 0, 4);
      continue;
    }
    for (int c = 0; c < 3; ++c) out[c] = static_cast<std::uint8_t>(std::min(255, (in[c] * 255 + a / 2) / a));
    out[3] = static_cast<std::uint8_t>(a8);
  }
}

void NarrowWeights(const AxisCoefficients& c, std::vector<std::int16_t>& out) {
  out.resize(c.weights.size());
  for (std::size_t i = 0; i < c.weights.size(); ++i) out[i] = static_cast<std::int16_t>(c.weights[i]);
}

bool TargetAllowed(int width, int height) {
  return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
         static_cast<std::int64_t>(width) * height <= kMaxImagePixels;
}

// One axis of a box cut to [0, size); an empty or unusable span is the whole axis.
void ClampSpan(int size, double& start, double& extent) {
  if (!(extent > 0) || !(start >= 0) || start >= size) {
    start = 0;
    extent = size;
    return;
  }
  extent = std::min(extent, size - start);
}

SourceBox ClampedBox(const Image& src, SourceBox box) {
  ClampSpan(src.width, box.x, box.width);
  ClampSpan(src.height, box.y, box.height);
  return box;
}

// An axis copied as it is: same size, and the box is all of it.
bool AxisStays(int in_size, double start, double extent, int out_size) {
  return in_size == out_size && start == 0 && extent == in_size;
}

// Weights for one axis, kept while its sizes and span repeat.
void PrepareAxis(int in_size, double start, double extent, int out_size, AxisCoefficients& axis,
                 std::vector<std::int16_t>& narrowed) {
  if (axis.in_size == in_size && axis.out_size == out_size && axis.box_start == start &&
      axis.box_extent == extent)
    return;
  ComputeLanczos3Coefficients(in_size, start, extent, out_size, axis);
  NarrowWeights(axis, narrowed);
}

}  // namespace

// Weights only for the axes that are filtered.
void Resampler::PrepareCoefficients(const Image& src, const SourceBox& box, int out_w, int out_h) {
  copy_across_ = AxisStays(src.width, box.x, box.width, out_w);
  if (!copy_across_) PrepareAxis(src.width, box.x, box.width, out_w, horizontal_, horizontal_weights_);
  if (!AxisStays(src.height, box.y, box.height, out_h))
    PrepareAxis(src.height, box.y, box.height, out_h, vertical_, vertical_weights_);
}

// Source row y, filtered horizontally (or only converted when the row stays).
void Resampler::FilterSourceRow(const Image& src, int y, std::int16_t* out) {
  const std::uint8_t* row = src.row(y);
  if (RowIsOpaque(row, src.width)) {
    if (copy_across_)
      WidenRow(row, src.width, out);
    else
      resample_detail::FilterOpaqueRow(row, horizontal_, horizontal_weights_.data(), out);
    return;
  }
  if (copy_across_) {
    PremultiplyRow(row, src.width, out);
    return;
  }
  premultiplied_row_.resize(src.stride());
  PremultiplyRow(row, src.width, premultiplied_row_.data());
  resample_detail::FilterPremultipliedRow(premultiplied_row_.data(), horizontal_, horizontal_weights_.data(),
                                          out);
}

void Resampler::Resample(const Image& src, int width, int height, Image& dst) {
  Resample(src, WholeSourceBox(src), width, height, dst);
}

void Resampler::Resample(const Image& src, const SourceBox& wanted, int width, int height, Image& dst) {
  if (&src == &dst) {
    Image result;
    Resample(src, wanted, width, height, result);
    dst = std::move(result);
    return;
  }
  if (src.empty() || !TargetAllowed(width, height)) {
    dst.Resize(0, 0);
    return;
  }
  const SourceBox box = ClampedBox(src, wanted);
  const bool same_height = AxisStays(src.height, box.y, box.height, height);
  if (same_height && AxisStays(src.width, box.x, box.width, width)) {
    dst.Resize(width, height);
    std::memcpy(dst.pixels.data(), src.pixels.data(), src.pixels.size());
    return;
  }

  dst.Resize(width, height);
  PrepareCoefficients(src, box, width, height);

  const std::size_t row_values = static_cast<std::size_t>(width) * 4;
  if (same_height) {
    ring_.resize(row_values);
    for (int y = 0; y < height; ++y) {
      FilterSourceRow(src, y, ring_.data());
      UnpremultiplyRow(ring_.data(), width, dst.row(y));
    }
    return;
  }

  // The vertical pass walks the output rows in order; the window of source
  // rows each needs only moves forward, so a ring of `taps` filtered rows
  // holds all of them and each source row is filtered once.
  const int ring_rows = vertical_.taps;
  ring_.resize(row_values * ring_rows);
  accumulator_.resize(row_values);
  int next_source_row = 0;
  for (int y = 0; y < height; ++y) {
    const int first = vertical_.start[y];
    const int count = vertical_.count[y];
    for (; next_source_row < first + count; ++next_source_row) {
      std::int16_t* slot = ring_.data() + row_values * (next_source_row % ring_rows);
      if (next_source_row >= first) FilterSourceRow(src, next_source_row, slot);
    }
    std::int32_t* acc = accumulator_.data();
    std::fill(accumulator_.begin(), accumulator_.end(), 1 << (kWeightBits - 1));
    const std::int16_t* w = vertical_weights_.data() + static_cast<std::size_t>(y) * vertical_.taps;
    auto ring_row = [&](int k) { return ring_.data() + row_values * ((first + k) % ring_rows); };
    int k = 0;
    for (; k + 2 <= count; k += 2)
      resample_detail::AccumulateTwoRows(ring_row(k), w[k], ring_row(k + 1), w[k + 1], row_values, acc);
    if (k < count) resample_detail::AccumulateRow(ring_row(k), w[k], row_values, acc);
    for (std::size_t i = 0; i < row_values; ++i) acc[i] = ClampIntermediate(acc[i] >> kWeightBits);
    UnpremultiplyRow(acc, width, dst.row(y));
  }
}

Image ResampleImage(const Image& src, int width, int height) {
  return ResampleImage(src, WholeSourceBox(src), width, height);
}

Image ResampleImage(const Image& src, const SourceBox& box, int width, int height) {
  Resampler resampler;
  Image out;
  resampler.Resample(src, box, width, height, out);
  return out;
}

}  // namespace vr
