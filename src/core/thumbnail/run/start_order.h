// Which waiting row a free worker starts next. Rows start in the order given,
// except large ones (a decode holding more than kLargeDecodeBytes, such as a
// big progressive photo's coefficients): while no large row is running, the
// largest waiting one starts first, so large decodes spread over the run and
// seldom overlap; they do overlap rather than leave a worker idle when
// nothing else waits. Whatever the order, the rows decoding at once stay
// within the memory budget, and a single row above it runs alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vr {

inline constexpr std::uint64_t kLargeDecodeBytes = std::uint64_t{32} << 20;

inline bool IsLargeDecode(std::uint64_t bytes) { return bytes > kLargeDecodeBytes; }

class DecodeBudget {
 public:
  explicit DecodeBudget(std::uint64_t limit) : limit_(limit) {}

  bool Admits(std::uint64_t bytes) const { return in_use_ == 0 || in_use_ + bytes <= limit_; }
  void Take(std::uint64_t bytes) { in_use_ += bytes; }
  void Give(std::uint64_t bytes) { in_use_ -= bytes; }
  std::uint64_t in_use() const { return in_use_; }

 private:
  std::uint64_t limit_;
  std::uint64_t in_use_ = 0;
};

// `waiting` holds the waiting rows' decode bytes in the order given; the
// place of the row to start, or nullopt when none fits the budget now.
std::optional<std::size_t> ChooseNextRow(std::span<const std::uint64_t> waiting, const DecodeBudget& budget,
                                         int large_running);

}  // namespace vr
