#include "imaging/ops/resample_coefficients.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace vr {
namespace {

constexpr double kLanczosRadius = 3.0;

double Sinc(double x) {
  if (x == 0.0) return 1.0;
  const double px = std::numbers::pi * x;
  return std::sin(px) / px;
}

double Lanczos3(double x) {
  if (x <= -kLanczosRadius || x >= kLanczosRadius) return 0.0;
  return Sinc(x) * Sinc(x / kLanczosRadius);
}

}  // namespace

void ComputeLanczos3Coefficients(int in_size, double box_start, double box_extent, int out_size,
                                 AxisCoefficients& out) {
  out.in_size = in_size;
  out.out_size = out_size;
  out.box_start = box_start;
  out.box_extent = box_extent;
  const double scale = box_extent / out_size;
  const double filter_scale = std::max(1.0, scale);
  const double support = kLanczosRadius * filter_scale;
  out.taps = static_cast<int>(std::ceil(support)) * 2 + 1;
  out.start.assign(out_size, 0);
  out.count.assign(out_size, 0);
  out.weights.assign(static_cast<std::size_t>(out_size) * out.taps, 0);

  std::vector<double> w(out.taps);
  for (int i = 0; i < out_size; ++i) {
    // Centre of output sample i, in input sample coordinates.
    const double centre = box_start + (i + 0.5) * scale;
    const int first = std::max(0, static_cast<int>(std::floor(centre - support + 0.5)));
    const int last = std::min(in_size, static_cast<int>(std::floor(centre + support + 0.5)));
    int n = std::min(std::max(last - first, 1), out.taps);
    const int begin = std::min(first, in_size - n);

    double total = 0.0;
    for (int k = 0; k < n; ++k) {
      w[k] = Lanczos3((begin + k + 0.5 - centre) / filter_scale);
      total += w[k];
    }
    std::int32_t* fixed = out.weights.data() + static_cast<std::size_t>(i) * out.taps;
    if (total <= 0.0) {
      // Cannot happen for Lanczos3 windows this wide; fall back to the nearest sample.
      n = 1;
      fixed[0] = 1 << kWeightBits;
      out.start[i] = std::clamp(static_cast<int>(centre), 0, in_size - 1);
      out.count[i] = 1;
      continue;
    }
    // Round each weight, then give the rounding remainder to the largest one
    // so the weights add up to exactly one and flat areas stay flat.
    std::int32_t sum = 0;
    int largest = 0;
    for (int k = 0; k < n; ++k) {
      fixed[k] = static_cast<std::int32_t>(std::lround(w[k] / total * (1 << kWeightBits)));
      sum += fixed[k];
      if (fixed[k] > fixed[largest]) largest = k;
    }
    fixed[largest] += (1 << kWeightBits) - sum;
    out.start[i] = begin;
    out.count[i] = n;
  }
}

void ComputeLanczos3Coefficients(int in_size, int out_size, AxisCoefficients& out) {
  ComputeLanczos3Coefficients(in_size, 0.0, in_size, out_size, out);
}

}  // namespace vr
