#include "imaging/resample_kernels.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

constexpr int kOpaqueShift = kWeightBits - kFractionBits;

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

// Two source pixels per step: their 16-bit channels are interleaved as
// r0 r1 g0 g1 b0 b1 a0 a1 so one multiply-add applies both weights.
void FilterOpaqueRow(const std::uint8_t* in, const AxisCoefficients& c, const std::int16_t* weights,
                     std::int16_t* out) {
  if (ProcessorHasAvx2()) return FilterOpaqueRowAvx2(in, c, weights, out);
  const __m128i zero = _mm_setzero_si128();
  const __m128i half = _mm_set1_epi32(1 << (kOpaqueShift - 1));
  for (int x = 0; x < c.out_size; ++x, out += 4) {
    const std::uint8_t* p = in + static_cast<std::size_t>(c.start[x]) * 4;
    const std::int16_t* w = weights + static_cast<std::size_t>(x) * c.taps;
    const int n = c.count[x];
    __m128i sum = half;
    int k = 0;
    for (; k + 2 <= n; k += 2, p += 8) {
      const __m128i pixels = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
      const __m128i pairs = _mm_unpacklo_epi16(pixels, _mm_srli_si128(pixels, 8));
      const std::uint32_t packed = static_cast<std::uint16_t>(w[k]) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(w[k + 1])) << 16);
      sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, _mm_set1_epi32(static_cast<int>(packed))));
    }
    if (k < n) {
      std::int32_t one;
      std::memcpy(&one, p, 4);
      const __m128i pixel = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(one), zero), zero);
      const __m128i weight = _mm_set1_epi32(static_cast<std::uint16_t>(w[k]));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(pixel, weight));
    }
    sum = _mm_srai_epi32(sum, kOpaqueShift);
    // Clamp to 0..kIntermediateMax; packs saturates at 32767, then cut the top.
    __m128i packed = _mm_packs_epi32(sum, sum);
    packed = _mm_max_epi16(packed, zero);
    packed = _mm_min_epi16(packed, _mm_set1_epi16(kIntermediateMax));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
  }
}

// Eight values per step, the two rows interleaved for one multiply-add.
void AccumulateTwoRows(const std::int16_t* a, std::int16_t wa, const std::int16_t* b, std::int16_t wb,
                       std::size_t n, std::int32_t* acc) {
  if (ProcessorHasAvx2()) return AccumulateTwoRowsAvx2(a, wa, b, wb, n, acc);
  const std::uint32_t packed = static_cast<std::uint16_t>(wa) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(wb)) << 16);
  const __m128i weights = _mm_set1_epi32(static_cast<int>(packed));
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
