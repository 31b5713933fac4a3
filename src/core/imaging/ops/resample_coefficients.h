// Per-axis filter weights for the resampler: for every output position the
// first input index, how many inputs it reads and their fixed-point weights.
#pragma once

#include <cstdint>
#include <vector>

namespace vr {

// Weights are fixed point with this many fractional bits; the weights of each
// output position add up to exactly 1 << kWeightBits.
inline constexpr int kWeightBits = 14;

struct AxisCoefficients {
  int in_size = 0;
  int out_size = 0;
  double box_start = 0;  // the part of the input the outputs cover, in input samples
  double box_extent = 0;
  int taps = 0;                       // weights stored per output position (the widest window)
  std::vector<int> start;             // out_size entries
  std::vector<int> count;             // out_size entries, each 1..taps
  std::vector<std::int32_t> weights;  // out_size * taps, unused tail zero

  const std::int32_t* WeightsAt(int out) const {
    return weights.data() + static_cast<std::size_t>(out) * taps;
  }
};

// Lanczos3 weights mapping the input span [box_start, box_start + box_extent)
// of in_size samples onto out_size samples (in_size, out_size >= 1; the span
// inside the input, extent above 0). A span smaller than the input serves a
// picture whose last sample only partly holds picture, as a JPEG shrunk in
// the DCT whose side was no multiple of the scale. When shrinking the filter
// is widened by extent/out so that every input sample counts; a window may
// reach past the span into input samples beyond it and is cut only at the
// input's own edges. Windows start and end at non-decreasing input indices as the output
// position grows.
void ComputeLanczos3Coefficients(int in_size, double box_start, double box_extent, int out_size,
                                 AxisCoefficients& out);

// The same over the whole input.
void ComputeLanczos3Coefficients(int in_size, int out_size, AxisCoefficients& out);

}  // namespace vr
