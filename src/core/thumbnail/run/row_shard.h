// One process's share of a run split over several (a scheduler's job array,
// GNU parallel): every process plans the whole list in the same order and
// renders only its own rows, so counters, effect seeds and names are the
// ones a single run gives and the processes' files together are its files.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vr {

struct RowShard {
  std::int32_t index = 0;  // 0-based, below count
  std::int32_t count = 1;

  // Row `row` (0-based, in the whole list) is this shard's: index,
  // index + count, index + 2 count, ...
  bool Holds(std::size_t row) const {
    return row % static_cast<std::size_t>(count) == static_cast<std::size_t>(index);
  }
  // How many of the first `rows` rows are this shard's.
  std::size_t RowsOf(std::size_t rows) const {
    const auto first = static_cast<std::size_t>(index);
    return rows > first
               ? (rows - first + static_cast<std::size_t>(count) - 1) / static_cast<std::size_t>(count)
               : 0;
  }
};

}  // namespace vr
