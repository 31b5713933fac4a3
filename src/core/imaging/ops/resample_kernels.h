// The resampler's inner loops, with SSE2 versions and, where the processor
// has it (checked once at run time), AVX2 ones. Integer arithmetic only, so
// every version gives bit-identical results.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/ops/resample_coefficients.h"

namespace vr::resample_detail {

// Between the passes a channel value v (0..255, premultiplied) is kept as v * 128.
inline constexpr int kFractionBits = 7;
inline constexpr int kIntermediateMax = 255 << kFractionBits;
// 8-bit samples times 14-bit weights, shifted down to the intermediate values.
inline constexpr int kOpaqueShift = kWeightBits - kFractionBits;

// Horizontal filtering of one opaque 8-bit RGBA row into intermediate values.
void FilterOpaqueRow(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                     std::int16_t* out);

// Horizontal filtering of one premultiplied intermediate row.
void FilterPremultipliedRow(const std::int16_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                            std::int16_t* out);

// acc[i] += a[i] * wa + b[i] * wb for i < n: two rows of the vertical pass at once.
void AccumulateTwoRows(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                       std::size_t n, std::int32_t* acc);

// acc[i] += a[i] * wa for i < n.
void AccumulateRow(const std::int16_t* a, std::int16_t wa, std::size_t n, std::int32_t* acc);

// Scalar reference versions, for tests that hold the fast ones to them.
void FilterOpaqueRowScalar(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                           std::int16_t* out);
void AccumulateTwoRowsScalar(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                             std::size_t n, std::int32_t* acc);

#if defined(__x86_64__) || defined(__i386__)
// The AVX2 versions, for tests; call only where ProcessorHasAvx2().
bool ProcessorHasAvx2();
void FilterOpaqueRowAvx2(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                         std::int16_t* out);
void AccumulateTwoRowsAvx2(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                           std::size_t n, std::int32_t* acc);
#endif

}  // namespace vr::resample_detail
