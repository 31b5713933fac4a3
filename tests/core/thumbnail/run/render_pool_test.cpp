// The pool on its own: every submitted row comes back once, with its file in
// place or its reason; the rows decoding at once stay within the budget, a
// row above it runs alone, and the pool works with the threads it got.
#include "thumbnail/run/render_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/run/start_order.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class RenderPoolTest : public ::testing::Test {
 protected:
  RenderPoolTest() { fs::create_directory(folder_.File("out")); }

  // A recipe made by hand, without a header: the worker's engine reads it.
  RowRecipe Plan(int i, bool readable = true) {
    RowRecipe recipe;
    recipe.action = RowRecipe::Action::kRender;
    recipe.row = i + 1;
    recipe.source = folder_.File("p" + std::to_string(i) + ".png");
    if (readable)
      test::WritePng(recipe.source, test::MakeRandomImage(40 + i, 30, static_cast<std::uint32_t>(i)));
    recipe.output_path = folder_.File("out/t" + std::to_string(i) + ".png");
    return recipe;
  }

  // Submits `count` rows, each back once within 30 s, and their statuses.
  void RunAll(RenderPool& pool, int count) {
    for (int i = 0; i < count; ++i) pool.Submit(static_cast<std::size_t>(i), Plan(i));
    std::map<std::size_t, Status> done;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (done.size() < static_cast<std::size_t>(count) && std::chrono::steady_clock::now() < give_up)
      for (RenderDone& d : pool.Collect(20)) EXPECT_TRUE(done.emplace(d.index, d.status).second) << d.index;
    EXPECT_EQ(done.size(), static_cast<std::size_t>(count));
    for (const auto& [index, status] : done) {
      EXPECT_TRUE(status.ok()) << index << ": " << status.message();
      EXPECT_TRUE(fs::exists(folder_.File("out/t" + std::to_string(index) + ".png"))) << index;
    }
  }

  test::TempFolder folder_;
  SettingsRecord settings_ = test::PlainSettings(folder_.File("out"));
  RenderSettings render_ = RenderSettingsFrom(settings_);
  Image no_watermark_;
};

// The budget is given back after every row, or the later rows never start.
TEST_F(RenderPoolTest, ATightBudgetDecodesOneRowAtATimeAndFinishesThemAll) {
  RenderPool pool(3, render_, no_watermark_, 100, [](const RowRecipe&) { return std::uint64_t{100}; });
  RunAll(pool, 9);
  EXPECT_EQ(pool.peak_decode_bytes(), 100u);
}

TEST_F(RenderPoolTest, RowsAboveTheBudgetStillRunAloneOneAfterAnother) {
  RenderPool pool(2, render_, no_watermark_, 10, [](const RowRecipe&) { return std::uint64_t{1} << 30; });
  RunAll(pool, 4);
  EXPECT_EQ(pool.peak_decode_bytes(), std::uint64_t{1} << 30);
  EXPECT_EQ(pool.peak_large_rows(), 1);
}

TEST_F(RenderPoolTest, AFailedRenderOrWriteComesBackWithItsReason) {
  RenderPool pool(2, render_, no_watermark_, std::uint64_t{1} << 30);
  pool.Submit(0, Plan(0, /*readable=*/false));
  RowRecipe unwritable = Plan(1);
  unwritable.output_path = folder_.File("no such folder/t1.png");
  pool.Submit(1, unwritable);
  std::map<std::size_t, std::string> reasons;
  while (reasons.size() < 2)
    for (RenderDone& d : pool.Collect(20)) reasons[d.index] = d.status.message();
  EXPECT_NE(reasons[0].find("p0.png"), std::string::npos) << reasons[0];
  EXPECT_NE(reasons[1].find("t1.png"), std::string::npos) << reasons[1];
  EXPECT_TRUE(fs::is_empty(folder_.File("out")));
}

class ThreadRefusalTest : public RenderPoolTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

// Each worker needs a writer: the threads started before the refusal, and
// the workers the pool then has.
TEST_P(ThreadRefusalTest, ThePoolWorksWithTheThreadsItGot) {
  RenderPool pool(4, render_, no_watermark_, std::uint64_t{1} << 30, {},
                  test::ThreadsRefusedAfter(GetParam().first));
  ASSERT_EQ(pool.workers(), GetParam().second);
  if (pool.workers() > 0) RunAll(pool, 5);
}

INSTANTIATE_TEST_SUITE_P(Refusals, ThreadRefusalTest,
                         ::testing::Values(std::pair{0, 0}, std::pair{1, 0}, std::pair{2, 1}, std::pair{3, 2},
                                           std::pair{8, 4}));

// Which waiting row a free worker starts: in order, large decodes (above
// 32 MiB) early and apart, the largest first and list order at a tie, never
// beyond the memory budget, never a worker idle for nothing.
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Table, ChooseNextRowTest, ::testing::Values(
    Case{{}, kAll, 0, 0, std::nullopt},
    Case{{kSmall, kSmall, 1}, kAll, 0, 0, 0},                          // small rows go in order
    Case{{kSmall, kSmall, kLarge}, kAll, 0, 0, 2},                     // a large row first while none runs
    Case{{kLarge, kSmall, kLarger, kLarge}, kAll, 0, 0, 2},            // the largest of them
    Case{{kSmall, kLarge, kSmall, kLarge}, kAll, 0, 0, 1},             // list order at a tie
    Case{{kLarge, kSmall, kSmall}, kAll, kLarge, 1, 1},                // small rows beside a large one
    Case{{kLarge, kLarger}, kAll, kLarge, 1, 1},                       // overlap rather than idle
    Case{{kLarge, kSmall}, 100 * kMiB, kLarge, 1, 1},                  // what fits beside the running
    Case{{kLarge, kLarge}, 100 * kMiB, kLarge, 1, std::nullopt},       // nothing fits
    Case{{kLarger}, 100 * kMiB, 0, 0, 0},                              // above the whole budget: alone
    Case{{kLarge}, kLarge + kSmall, kSmall, 0, 0},                     // exactly at the budget fits
    Case{{kSmall, 33 * kMiB}, kAll, 0, 0, 1}, Case{{kSmall, 32 * kMiB}, kAll, 0, 0, 0}));  // the large line
// clang-format on

}  // namespace
}  // namespace vr
