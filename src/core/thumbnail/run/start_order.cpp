#include "thumbnail/run/start_order.h"

namespace vr {

std::optional<std::size_t> ChooseNextRow(std::span<const std::uint64_t> waiting, const DecodeBudget& budget,
                                         int large_running) {
  std::optional<std::size_t> largest, first_small;
  for (std::size_t i = 0; i < waiting.size(); ++i) {
    if (!budget.Admits(waiting[i])) continue;
    if (!IsLargeDecode(waiting[i])) {
      if (!first_small) first_small = i;
    } else if (!largest || waiting[i] > waiting[*largest]) {
      largest = i;
    }
  }
  if (largest && (large_running == 0 || !first_small)) return largest;
  return first_small;
}

}  // namespace vr
