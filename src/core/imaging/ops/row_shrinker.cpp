#include "imaging/ops/row_shrinker.h"

#include <algorithm>
#include <cmath>
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

SourceBox ClampedBox(int width, int height, SourceBox box) {
  ClampSpan(width, box.x, box.width);
  ClampSpan(height, box.y, box.height);
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

// Taps of an axis's window, as ComputeLanczos3Coefficients sizes it.
std::size_t TapsFor(double extent, int out_size) {
  return static_cast<std::size_t>(std::ceil(3.0 * std::max(1.0, extent / out_size))) * 2 + 1;
}

// Weights in both widths plus the window starts and counts.
std::size_t AxisBytes(std::size_t taps, int out_size) {
  return taps * static_cast<std::size_t>(out_size) * (sizeof(std::int32_t) + sizeof(std::int16_t)) +
         static_cast<std::size_t>(out_size) * 2 * sizeof(int);
}

template <typename T>
std::size_t Held(const std::vector<T>& v) {
  return v.capacity() * sizeof(T);
}

}  // namespace

bool RowShrinker::Start(int src_width, int src_height, const SourceBox& wanted, int width, int height,
                        Image& dst) {
  dst_ = &dst;
  src_width_ = src_width;
  next_source_row_ = 0;
  next_output_row_ = 0;
  out_height_ = 0;
  if (src_width <= 0 || src_height <= 0 || !TargetAllowed(width, height)) {
    dst.Resize(0, 0);
    return false;
  }
  dst.Resize(width, height);
  out_height_ = height;
  const SourceBox box = ClampedBox(src_width, src_height, wanted);
  copy_across_ = AxisStays(src_width, box.x, box.width, width);
  copy_down_ = AxisStays(src_height, box.y, box.height, height);
  if (!copy_across_) PrepareAxis(src_width, box.x, box.width, width, horizontal_, horizontal_weights_);
  if (!copy_down_) PrepareAxis(src_height, box.y, box.height, height, vertical_, vertical_weights_);

  // Sized here, so adding rows never allocates (a decoder may call Add
  // where nothing may throw).
  const std::size_t row_values = static_cast<std::size_t>(width) * 4;
  const std::size_t ring_rows = copy_down_ ? 1 : static_cast<std::size_t>(vertical_.taps);
  ring_.resize(row_values * ring_rows);
  accumulator_.resize(copy_down_ ? 0 : row_values);
  premultiplied_row_.resize(copy_across_ ? 0 : static_cast<std::size_t>(src_width) * 4);
  return true;
}

std::size_t RowShrinker::HeldBytes() const {
  return Held(horizontal_.start) + Held(horizontal_.count) + Held(horizontal_.weights) +
         Held(horizontal_weights_) + Held(vertical_.start) + Held(vertical_.count) + Held(vertical_.weights) +
         Held(vertical_weights_) + Held(ring_) + Held(premultiplied_row_) + Held(accumulator_);
}

std::size_t RowShrinker::BytesFor(int src_width, int src_height, const SourceBox& wanted, int width,
                                  int height) {
  if (src_width <= 0 || src_height <= 0 || width <= 0 || height <= 0) return 0;
  const SourceBox box = ClampedBox(src_width, src_height, wanted);
  const std::size_t across = TapsFor(box.width, width);
  const std::size_t down = TapsFor(box.height, height);
  const std::size_t row_values = static_cast<std::size_t>(width) * 4;
  return AxisBytes(across, width) + AxisBytes(down, height) + row_values * down * sizeof(std::int16_t) +
         static_cast<std::size_t>(src_width) * 4 * sizeof(std::int16_t) + row_values * sizeof(std::int32_t);
}

// A source row filtered across (or only converted when the width stays).
void RowShrinker::FilterSourceRow(const std::uint8_t* row, std::int16_t* out) {
  if (RowIsOpaque(row, src_width_)) {
    if (copy_across_)
      WidenRow(row, src_width_, out);
    else
      resample_detail::FilterOpaqueRow(row, horizontal_, horizontal_weights_.data(), out);
    return;
  }
  if (copy_across_) {
    PremultiplyRow(row, src_width_, out);
    return;
  }
  PremultiplyRow(row, src_width_, premultiplied_row_.data());
  resample_detail::FilterPremultipliedRow(premultiplied_row_.data(), horizontal_, horizontal_weights_.data(),
                                          out);
}

// Output row y from the ring, whose last row is its window's last.
void RowShrinker::MakeOutputRow(int y) {
  const std::size_t row_values = static_cast<std::size_t>(dst_->width) * 4;
  const int ring_rows = vertical_.taps;
  const int first = vertical_.start[y];
  const int count = vertical_.count[y];
  std::int32_t* acc = accumulator_.data();
  std::fill(accumulator_.begin(), accumulator_.end(), 1 << (kWeightBits - 1));
  const std::int16_t* w = vertical_weights_.data() + static_cast<std::size_t>(y) * vertical_.taps;
  auto ring_row = [&](int k) { return ring_.data() + row_values * ((first + k) % ring_rows); };
  int k = 0;
  for (; k + 2 <= count; k += 2)
    resample_detail::AccumulateTwoRows(ring_row(k), w[k], ring_row(k + 1), w[k + 1], row_values, acc);
  if (k < count) resample_detail::AccumulateRow(ring_row(k), w[k], row_values, acc);
  for (std::size_t i = 0; i < row_values; ++i) acc[i] = ClampIntermediate(acc[i] >> kWeightBits);
  UnpremultiplyRow(acc, dst_->width, dst_->row(y));
}

void RowShrinker::Add(const std::uint8_t* row) {
  const int y = next_source_row_++;
  if (done()) return;
  if (copy_down_) {
    next_output_row_ = y + 1;
    if (copy_across_) {
      std::memcpy(dst_->row(y), row, dst_->stride());
      return;
    }
    FilterSourceRow(row, ring_.data());
    UnpremultiplyRow(ring_.data(), dst_->width, dst_->row(y));
    return;
  }
  // Output windows only move forward, so a row before the next output's
  // window is read by none, and a ring of `taps` rows holds every window.
  if (y < vertical_.start[next_output_row_]) return;
  const std::size_t row_values = static_cast<std::size_t>(dst_->width) * 4;
  FilterSourceRow(row, ring_.data() + row_values * static_cast<std::size_t>(y % vertical_.taps));
  while (!done() && vertical_.start[next_output_row_] + vertical_.count[next_output_row_] <= y + 1)
    MakeOutputRow(next_output_row_++);
}

}  // namespace vr
