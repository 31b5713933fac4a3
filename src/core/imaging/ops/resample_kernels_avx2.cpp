// The horizontal filter and the row accumulation with 256-bit registers:
// four source pixels (or sixteen values) per step where SSE2 takes two (or
// eight). Integer arithmetic in the same order of taps per channel, so the
// results equal the scalar versions bit for bit. Compiled for AVX2 function
// by function; callers check the processor first.
#include "imaging/ops/resample_kernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include "imaging/ops/resample_sse2_steps.h"

namespace vr::resample_detail {

using sse2::PackedPair;

__attribute__((target("avx2"))) void FilterOpaqueRowAvx2(const std::uint8_t* in, const AxisCoefficients& c,
                                                         const std::int16_t* weights, std::int16_t* out) {
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
          _mm256_castsi128_si256(_mm_set_epi32(0, 0, static_cast<int>(PackedPair(w[k + 2], w[k + 3])),
                                               static_cast<int>(PackedPair(w[k], w[k + 1])))),
          spread);
      wide = _mm256_add_epi32(wide, _mm256_madd_epi16(pairs, pair_weights));
    }
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(wide), _mm256_extracti128_si256(wide, 1));
    sum = _mm_add_epi32(sum, _mm_set1_epi32(1 << (kOpaqueShift - 1)));
    sse2::StoreOpaqueSums(sse2::AddTaps(sum, p, w, k, n), out);
  }
}

__attribute__((target("avx2"))) void AccumulateTwoRowsAvx2(const std::int16_t* a, std::int16_t wa,
                                                           const std::int16_t* b, std::int16_t wb,
                                                           std::size_t n, std::int32_t* acc) {
  const __m256i weights = _mm256_set1_epi32(static_cast<int>(PackedPair(wa, wb)));
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
