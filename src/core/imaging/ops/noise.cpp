#include "imaging/ops/noise.h"

#include <algorithm>
#include <cstddef>

namespace vr {
namespace {

// PCG32 (XSH-RR output over a 64-bit LCG): small, fast and fully specified,
// so a batch made twice gives byte-identical thumbnails.
class Pcg32 {
 public:
  explicit Pcg32(std::uint32_t seed) {
    Next();
    state_ += seed;
    Next();
  }

  std::uint32_t Next() {
    const std::uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + kIncrement;
    const auto xorshifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rot = static_cast<std::uint32_t>(old >> 59);
    return (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
  }

  // Uniform in [0, n) by rejection, so no value is favoured.
  std::uint32_t Below(std::uint32_t n) {
    const std::uint32_t limit = static_cast<std::uint32_t>(-n) % n;  // 2^32 mod n
    for (;;) {
      const std::uint64_t product = static_cast<std::uint64_t>(Next()) * n;
      if (static_cast<std::uint32_t>(product) >= limit) return static_cast<std::uint32_t>(product >> 32);
    }
  }

 private:
  static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
  std::uint64_t state_ = 0;
};

}  // namespace

void AddNoise(Image& image, int level, std::uint32_t seed) {
  if (level <= 0 || image.empty()) return;
  level = std::min(level, 255);
  const auto span = static_cast<std::uint32_t>(2 * level + 1);
  Pcg32 rng(seed);
  std::uint8_t* p = image.pixels.data();
  const std::size_t count = image.pixels.size();
  for (std::size_t i = 0; i < count; i += 4) {
    for (int c = 0; c < 3; ++c) {
      const int delta = static_cast<int>(rng.Below(span)) - level;
      p[i + c] = static_cast<std::uint8_t>(std::clamp(p[i + c] + delta, 0, 255));
    }
  }
}

}  // namespace vr
