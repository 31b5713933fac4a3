// Which waiting row a free worker starts: in order, large decodes (above
// 32 MiB) early and apart, the largest first and list order at a tie, never
// beyond the memory budget, never a worker idle for nothing.
#include "thumbnail/run/start_order.h"

#include <gtest/gtest.h>

namespace vr {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kSmall = 4 * kMiB, kLarge = 85 * kMiB, kLarger = 120 * kMiB, kAll = 1024 * kMiB;

struct Case {
  std::vector<std::uint64_t> waiting;
  std::uint64_t limit, in_use;
  int large_running;
  std::optional<std::size_t> expected;
};

class ChooseNextRowTest : public ::testing::TestWithParam<Case> {};

TEST_P(ChooseNextRowTest, PicksTheRowToStart) {
  const Case& c = GetParam();
  DecodeBudget budget(c.limit);
  budget.Take(c.in_use);
  EXPECT_EQ(ChooseNextRow(c.waiting, budget, c.large_running), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseNextRowTest,
    ::testing::Values(Case{{}, kAll, 0, 0, std::nullopt}, Case{{kSmall, kSmall, 1}, kAll, 0, 0, 0},
                      Case{{kSmall, kSmall, kLarge}, kAll, 0, 0, 2},  // a large row first while none runs
                      Case{{kLarge, kSmall, kLarger, kLarge}, kAll, 0, 0, 2},  // the largest of them
                      Case{{kSmall, kLarge, kSmall, kLarge}, kAll, 0, 0, 1},   // list order at a tie
                      Case{{kLarge, kSmall, kSmall}, kAll, kLarge, 1, 1},  // small rows beside a large one
                      Case{{kLarge, kLarger}, kAll, kLarge, 1, 1},         // overlap rather than idle
                      Case{{kLarge, kSmall}, 100 * kMiB, kLarge, 1, 1},    // what fits beside the running
                      Case{{kLarge, kLarge}, 100 * kMiB, kLarge, 1, std::nullopt},  // nothing fits
                      Case{{kLarger}, 100 * kMiB, 0, 0, 0},           // above the whole budget: alone
                      Case{{kLarge}, kLarge + kSmall, kSmall, 0, 0},  // exactly at the budget fits
                      Case{{kSmall, 33 * kMiB}, kAll, 0, 0, 1}, Case{{kSmall, 32 * kMiB}, kAll, 0, 0, 0}));

}  // namespace
}  // namespace vr
