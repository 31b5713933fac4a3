// Which waiting row a free worker starts: in order, large decodes early and
// apart, never beyond the memory budget, never a worker idle for nothing.
#include "thumbnail/run/start_order.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace vr {
namespace {

constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
constexpr std::uint64_t kSmall = 4 * kMiB;
constexpr std::uint64_t kLarge = 85 * kMiB;  // a 5120 x 2880 progressive photo
constexpr std::uint64_t kLarger = 120 * kMiB;

struct Case {
  const char* what;
  std::vector<std::uint64_t> waiting;
  std::uint64_t limit;
  std::uint64_t in_use;
  int large_running;
  std::optional<std::size_t> expected;
};

class ChooseNextRowTest : public ::testing::TestWithParam<Case> {};

TEST_P(ChooseNextRowTest, PicksTheRowToStart) {
  const Case& c = GetParam();
  DecodeBudget budget(c.limit);
  budget.Take(c.in_use);
  EXPECT_EQ(ChooseNextRow(c.waiting, budget, c.large_running), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ChooseNextRowTest,
    ::testing::Values(
        Case{"nothing waits", {}, 1024 * kMiB, 0, 0, std::nullopt},
        Case{"small rows go in order", {kSmall, kSmall, 1}, 1024 * kMiB, 0, 0, 0},
        Case{"a large row goes first while none runs", {kSmall, kSmall, kLarge}, 1024 * kMiB, 0, 0, 2},
        Case{"the largest of the large rows", {kLarge, kSmall, kLarger, kLarge}, 1024 * kMiB, 0, 0, 2},
        Case{"while a large row runs, small rows go", {kLarge, kSmall, kSmall}, 1024 * kMiB, kLarge, 1, 1},
        Case{"only large rows wait: overlap rather than idle", {kLarge, kLarger}, 1024 * kMiB, kLarge, 1, 1},
        Case{"a row beyond the budget beside the running ones waits",
             {kLarge, kSmall},
             100 * kMiB,
             kLarge,
             1,
             1},
        Case{"nothing fits beside the running rows", {kLarge, kLarge}, 100 * kMiB, kLarge, 1, std::nullopt},
        Case{"a row above the whole budget runs alone", {kLarger}, 100 * kMiB, 0, 0, 0},
        Case{"exactly at the budget fits", {kLarge}, kLarge + kSmall, kSmall, 0, 0},
        Case{"just above the large line is large", {kSmall, kLargeDecodeBytes + 1}, 1024 * kMiB, 0, 0, 1},
        Case{"at the large line is still small", {kSmall, kLargeDecodeBytes}, 1024 * kMiB, 0, 0, 0}),
    [](const ::testing::TestParamInfo<Case>& info) { return "case" + std::to_string(info.index); });

}  // namespace
}  // namespace vr
