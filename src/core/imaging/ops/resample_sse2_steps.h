// The 128-bit steps of the horizontal filter, shared by the SSE2 version and
// the tail of the AVX2 one. Private to the resampler's kernels.
#pragma once

#if defined(__SSE2__)

#include <emmintrin.h>

#include <cstdint>
#include <cstring>

#include "imaging/ops/resample_kernels.h"

namespace vr::resample_detail::sse2 {

// Two 16-bit weights in one 32-bit lane, low first, for _mm_madd_epi16.
inline std::uint32_t PackedPair(std::int16_t first, std::int16_t second) {
  return static_cast<std::uint16_t>(first) |
         (static_cast<std::uint32_t>(static_cast<std::uint16_t>(second)) << 16);
}

// Adds taps k..n-1 of one output pixel to its four channel sums. Two source
// pixels per step: their 16-bit channels are interleaved as
// r0 r1 g0 g1 b0 b1 a0 a1 so one multiply-add applies both weights.
inline __m128i AddTaps(__m128i sum, const std::uint8_t* p, const std::int16_t* w, int k, int n) {
  const __m128i zero = _mm_setzero_si128();
  for (; k + 2 <= n; k += 2, p += 8) {
    const __m128i pixels = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), zero);
    const __m128i pairs = _mm_unpacklo_epi16(pixels, _mm_srli_si128(pixels, 8));
    sum = _mm_add_epi32(sum,
                        _mm_madd_epi16(pairs, _mm_set1_epi32(static_cast<int>(PackedPair(w[k], w[k + 1])))));
  }
  if (k < n) {
    std::int32_t one;
    std::memcpy(&one, p, 4);
    const __m128i pixel = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(one), zero), zero);
    sum = _mm_add_epi32(sum, _mm_madd_epi16(pixel, _mm_set1_epi32(static_cast<std::uint16_t>(w[k]))));
  }
  return sum;
}

// Rounds the sums (which include the half) down to intermediate values,
// clamped to 0..kIntermediateMax, and stores the four channels.
inline void StoreOpaqueSums(__m128i sum, std::int16_t* out) {
  sum = _mm_srai_epi32(sum, kOpaqueShift);
  // packs saturates at 32767, then the top is cut.
  __m128i packed = _mm_packs_epi32(sum, sum);
  packed = _mm_max_epi16(packed, _mm_setzero_si128());
  packed = _mm_min_epi16(packed, _mm_set1_epi16(kIntermediateMax));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
}

}  // namespace vr::resample_detail::sse2

#endif
