// The horizontal filter and the row accumulation with 256-bit registers:
// four source pixels (or sixteen values) per step where SSE2 takes two (or
// eight). Integer arithmetic in the same order of taps per channel, so the
// results equal the scalar versions bit for bit. Compiled for AVX2 function
// by function; callers check the processor first.
#include "imaging/resample_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <cstring>

namespace vr::resample_detail {
namespace {

constexpr int kOpaqueShift = kWeightBits - kFractionBits;

__attribute__((target("avx2"))) inline std::uint32_t PackedPair(const std::int16_t* w) {
  return static_cast<std::uint16_t>(w[0]) | (static_cast<std::uint32_t>(static_cast<std::uint16_t>(w[1])) << 16);
}

}  // namespace

__attribute__((target("avx2"))) void FilterOpaqueRowAvx2(const std::uint8_t* in, const AxisCoefficients& c,
                                                         const std::int16_t* weights, std::int16_t* out) {
  const __m128i zero = _mm_setzero_si128();
  // Weight pairs (w0 w1) for the low lane and (w2 w3) for the high one.
  const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
  for (int x = 0; x < c.out_size; ++x, out += 4) {
    const std::uint8_t* p = in + static_cast<std::size_t>(c.start[x]) * 4;
    const std::int16_t* w = weights + static_cast<std::size_t>(x) * c.taps;
    const int n = c.count[x];
    __m256i wide = _mm256_setzero_si256();
    int k = 0;
    for (; k + 4 <= n; k += 4, p += 16) {
      // r0 g0 b0 a0 r1 g1 b1 a1 | r2 g2 b2 a2 r3 g3 b3 a3, then the pairs
      // of each lane interleaved: r0 r1 g0 g1 b0 b1 a0 a1 | r2 r3 ...
      const __m256i pixels = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
      const __m256i pairs = _mm256_unpacklo_epi16(pixels, _mm256_srli_si256(pixels, 8));
      const __m256i pair_weights = _mm256_permutevar8x32_epi32(
          _mm256_castsi128_si256(_mm_set_epi32(0, 0, static_cast<int>(PackedPair(w + k + 2)),
                                               static_cast<int>(PackedPair(w + k)))),
          spread);
      wide = _mm256_add_epi32(wide, _mm256_madd_epi16(pairs, pair_weights));
    }
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
    sum = _mm_add_epi32(sum, _mm_set1_epi32(1 << (kOpaqueShift - 1)));
    for (; k + 2 <= n; k += 2, p += 8) {
      const __m128i pixels = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
      const __m128i pairs = _mm_unpacklo_epi16(pixels, _mm_srli_si128(pixels, 8));
      sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, _mm_set1_epi32(static_cast<int>(PackedPair(w + k)))));
    }
    if (k < n) {
      std::int32_t one;
      std::memcpy(&one, p, 4);
      const __m128i pixel = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(one), zero), zero);
      sum = _mm_add_epi32(sum, _mm_madd_epi16(pixel, _mm_set1_epi32(static_cast<std::uint16_t>(w[k]))));
    }
    sum = _mm_srai_epi32(sum, kOpaqueShift);
    __m128i packed = _mm_packs_epi32(sum, sum);
    packed = _mm_max_epi16(packed, zero);
    packed = _mm_min_epi16(packed, _mm_set1_epi16(kIntermediateMax));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
  }
}

__attribute__((target("avx2"))) void AccumulateTwoRowsAvx2(const std::int16_t* a, std::int16_t wa,
                                                           const std::int16_t* b, std::int16_t wb, std::size_t n,
                                                           std::int32_t* acc) {
  const std::int16_t pair[2] = {wa, wb};
  const __m256i weights = _mm256_set1_epi32(static_cast<int>(PackedPair(pair)));
  std::size_t i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m256i va = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(a + i));
    const __m256i vb = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(b + i));
    // unpack works within 128-bit lanes: low = values 0-3 | 8-11, high = 4-7 | 12-15.
    const __m256i low = _mm256_madd_epi16(_mm256_unpacklo_epi16(va, vb), weights);
    const __m256i high = _mm256_madd_epi16(_mm256_unpackhi_epi16(va, vb), weights);
    const __m256i first = _mm256_permute2x128_si256(low, high, 0x20);   // values 0-7
    const __m256i second = _mm256_permute2x128_si256(low, high, 0x31);  // values 8-15
    __m256i* out = reinterpret_cast<__m256i*>(acc + i);
    _mm256_storeu_si256(out, _mm256_add_epi32(_mm256_loadu_si256(out), first));
    _mm256_storeu_si256(out + 1, _mm256_add_epi32(_mm256_loadu_si256(out + 1), second));
  }
  for (; i < n; ++i) acc[i] += a[i] * wa + b[i] * wb;
}

}  // namespace vr::resample_detail

#endif
