// The pool on its own: every submitted row comes back once, with its file in
// place or its reason, and the rows decoding at once stay within the budget.
#include "thumbnail/run/render_pool.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <system_error>
#include <thread>

#include "core/imaging/pixel_test_util.h"
#include "imaging/format_codes.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class RenderPoolTest : public ::testing::Test {
 protected:
  RenderPoolTest()
      : settings_(test::PlainSettings(folder_.File("out"))), render_(RenderSettingsFrom(settings_)) {
    fs::create_directory(folder_.File("out"));
  }

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

  // Collects until `count` rows came back; fails the test after 30 s.
  static std::map<std::size_t, Status> CollectAll(RenderPool& pool, std::size_t count) {
    std::map<std::size_t, Status> done;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (done.size() < count && std::chrono::steady_clock::now() < give_up)
      for (RenderDone& d : pool.Collect(20)) EXPECT_TRUE(done.emplace(d.index, d.status).second) << d.index;
    EXPECT_EQ(done.size(), count);
    return done;
  }

  test::TempFolder folder_;
  SettingsRecord settings_;
  RenderSettings render_;
  Image no_watermark_;
};

TEST_F(RenderPoolTest, ATightBudgetDecodesOneRowAtATimeAndFinishesThemAll) {
  constexpr std::uint64_t kPrice = 100;
  RenderPool pool(3, render_, no_watermark_, kPrice, [](const RowRecipe&) { return kPrice; });
  for (int i = 0; i < 9; ++i) pool.Submit(static_cast<std::size_t>(i), Plan(i));
  const std::map<std::size_t, Status> done = CollectAll(pool, 9);
  for (const auto& [index, status] : done) {
    EXPECT_TRUE(status.ok()) << index << ": " << status.message();
    EXPECT_TRUE(fs::exists(folder_.File("out/t" + std::to_string(index) + ".png"))) << index;
  }
  EXPECT_EQ(pool.peak_decode_bytes(), kPrice);
}

TEST_F(RenderPoolTest, RowsAboveTheBudgetStillRunAlone) {
  RenderPool pool(2, render_, no_watermark_, 10, [](const RowRecipe&) { return std::uint64_t{1} << 30; });
  for (int i = 0; i < 4; ++i) pool.Submit(static_cast<std::size_t>(i), Plan(i));
  for (const auto& [index, status] : CollectAll(pool, 4)) EXPECT_TRUE(status.ok()) << index;
  EXPECT_EQ(pool.peak_decode_bytes(), std::uint64_t{1} << 30);
  EXPECT_EQ(pool.peak_large_rows(), 1);
}

TEST_F(RenderPoolTest, ReportsAFailedRenderAndAFailedWriteByTheirRows) {
  RenderPool pool(2, render_, no_watermark_, std::uint64_t{1} << 30);
  pool.Submit(0, Plan(0));
  pool.Submit(1, Plan(1, /*readable=*/false));
  RowRecipe unwritable = Plan(2);
  unwritable.output_path = folder_.File("no such folder/t2.png");
  pool.Submit(2, unwritable);
  const std::map<std::size_t, Status> done = CollectAll(pool, 3);
  EXPECT_TRUE(done.at(0).ok()) << done.at(0).message();
  EXPECT_FALSE(done.at(1).ok());
  EXPECT_NE(done.at(1).message().find("p1.png"), std::string::npos) << done.at(1).message();
  EXPECT_FALSE(done.at(2).ok());
  EXPECT_NE(done.at(2).message().find("t2.png"), std::string::npos) << done.at(2).message();
  EXPECT_FALSE(fs::exists(folder_.File("out/t1.png")));
}

TEST_F(RenderPoolTest, RowsCostWhatPlanningReadFromTheirHeaders) {
  // A missing picture has no header: it costs nothing and fails on its own.
  test::ScriptedHost host;
  NameCounter counter;
  PlanState state(host, counter);
  RenderPool pool(2, render_, no_watermark_, 1);
  for (int i = 0; i < 2; ++i) {
    RowRecipe recipe = PlanRow(settings_, render_, i + 1, Plan(i, /*readable=*/i == 0).source, state);
    pool.Submit(static_cast<std::size_t>(i), recipe);
  }
  const std::map<std::size_t, Status> done = CollectAll(pool, 2);
  EXPECT_TRUE(done.at(0).ok());
  EXPECT_FALSE(done.at(1).ok());
  // The 40 x 30 picture is decoded whole before it is enlarged: 4800 bytes
  // of RGBA, and its file is held meanwhile.
  EXPECT_EQ(pool.peak_decode_bytes(), 40u * 30u * 4u + fs::file_size(folder_.File("p0.png")));
}

struct RefusalCase {
  int allowed;  // threads started before the refusal (each worker needs a writer)
  int workers;
};

class ThreadRefusalTest : public RenderPoolTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ThreadRefusalTest, ThePoolWorksWithTheThreadsItGot) {
  RenderPool pool(4, render_, no_watermark_, std::uint64_t{1} << 30, {},
                  test::ThreadsRefusedAfter(GetParam().allowed));
  ASSERT_EQ(pool.workers(), GetParam().workers);
  if (pool.workers() == 0) return;
  for (int i = 0; i < 5; ++i) pool.Submit(static_cast<std::size_t>(i), Plan(i));
  for (const auto& [index, status] : CollectAll(pool, 5))
    EXPECT_TRUE(status.ok()) << index << status.message();
}

INSTANTIATE_TEST_SUITE_P(Refusals, ThreadRefusalTest,
                         ::testing::Values(RefusalCase{0, 0}, RefusalCase{1, 0}, RefusalCase{2, 1},
                                           RefusalCase{3, 2}, RefusalCase{8, 4}));

}  // namespace
}  // namespace vr
