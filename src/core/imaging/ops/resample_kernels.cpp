#include "imaging/ops/resample_kernels.h"

#include <algorithm>
#include <cstring>

#include "imaging/ops/resample_sse2_steps.h"

namespace vr::resample_detail {
namespace {

inline std::int16_t ClampToIntermediate(int v) {
  return static_cast<std::int16_t>(std::clamp(v, 0, kIntermediateMax));
}

template <typename Sample, int kShift>
void FilterRowScalar(const Sample* in, const AxisCoefficients& c, const std::int16_t* weights,
                     std::int16_t* out) {
  constexpr int kHalf = 1 << (kShift - 1);
  for (int x = 0; x < c.out_size; ++x, out += 4) {
    const Sample* p = in + static_cast<std::size_t>(c.start[x]) * 4;
    const std::int16_t* w = weights + static_cast<std::size_t>(x) * c.taps;
    int r = kHalf, g = kHalf, b = kHalf, a = kHalf;
    for (int k = 0, n = c.count[x]; k < n; ++k, p += 4) {
      const int wk = w[k];
      r += p[0] * wk;
      g += p[1] * wk;
      b += p[2] * wk;
      a += p[3] * wk;
    }
    out[0] = ClampToIntermediate(r >> kShift);
    out[1] = ClampToIntermediate(g >> kShift);
    out[2] = ClampToIntermediate(b >> kShift);
    out[3] = ClampToIntermediate(a >> kShift);
  }
}

}  // namespace

void FilterOpaqueRowScalar(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                           std::int16_t* out) {
  FilterRowScalar<std::uint8_t, kOpaqueShift>(in, c, weights, out);
}

void FilterPremultipliedRow(const std::int16_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                            std::int16_t* out) {
  FilterRowScalar<std::int16_t, kWeightBits>(in, c, weights, out);
}

void AccumulateTwoRowsScalar(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                             std::size_t n, std::int32_t* acc) {
  for (std::size_t i = 0; i < n; ++i) acc[i] += a[i] * wa + b[i] * wb;
}

void AccumulateRow(const std::int16_t* a, std::int16_t wa, std::size_t n, std::int32_t* acc) {
  for (std::size_t i = 0; i < n; ++i) acc[i] += a[i] * wa;
}

#if defined(__x86_64__) || defined(__i386__)
bool ProcessorHasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

#if defined(__SSE2__)

void FilterOpaqueRow(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                     std::int16_t* out) {
  if (ProcessorHasAvx2()) return FilterOpaqueRowAvx2(in, c, weights, out);
  const __m128i half = _mm_set1_epi32(1 << (kOpaqueShift - 1));
  for (int x = 0; x < c.out_size; ++x, out += 4) {
    const std::uint8_t* p = in + static_cast<std::size_t>(c.start[x]) * 4;
    const std::int16_t* w = weights + static_cast<std::size_t>(x) * c.taps;
    sse2::StoreOpaqueSums(sse2::AddTaps(half, p, w, 0, c.count[x]), out);
  }
}

// Eight values per step, the two rows interleaved for one multiply-add.
void AccumulateTwoRows(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                       std::size_t n, std::int32_t* acc) {
  if (ProcessorHasAvx2()) return AccumulateTwoRowsAvx2(a, wa, b, wb, n, acc);
  const __m128i weights = _mm_set1_epi32(static_cast<int>(sse2::PackedPair(wa, wb)));
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
    const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
    const __m128i low = _mm_madd_epi16(_mm_unpacklo_epi16(va, vb), weights);
    const __m128i high = _mm_madd_epi16(_mm_unpackhi_epi16(va, vb), weights);
    __m128i* out = reinterpret_cast<__m128i*>(acc + i);
    _mm_storeu_si128(out, _mm_add_epi32(_mm_loadu_si128(out), low));
    _mm_storeu_si128(out + 1, _mm_add_epi32(_mm_loadu_si128(out + 1), high));
  }
  for (; i < n; ++i) acc[i] += a[i] * wa + b[i] * wb;
}

#else

void FilterOpaqueRow(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                     std::int16_t* out) {
  FilterOpaqueRowScalar(in, c, weights, out);
}

void AccumulateTwoRows(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                       std::size_t n, std::int32_t* acc) {
  AccumulateTwoRowsScalar(a, wa, b, wb, n, acc);
}

#endif

}  // namespace vr::resample_detail
