// A run's share of a list (RowShard) and how each row ended (RowOutcome):
// shards number, seed and name rows as the whole run does, report only
// their own rows, and a plan-only run touches nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/run/build_run.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

std::map<std::string, std::vector<std::uint8_t>> FolderContents(const std::string& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
  return files;
}

class ShardRunTest : public testing::Test {
 protected:
  ShardRunTest() { fs::create_directory(folder_.File("in")); }
  std::vector<std::string> Sources(int count) {
    std::vector<std::string> sources;
    for (int i = 0; i < count; ++i) {
      sources.push_back(folder_.File("in/p" + std::to_string(i) + ".png"));
      test::WritePng(sources.back(), test::MakeRandomImage(30 + i, 20 + i, static_cast<std::uint32_t>(i)));
    }
    return sources;
  }
  // Thumbnails in `out`, made here unless `made` is false.
  SettingsRecord Settings(const std::string& out, bool made = true) {
    if (made) fs::create_directories(folder_.File(out));
    SettingsRecord s = test::PlainSettings(folder_.File(out));
    s.OUTname = "t%##";
    s.NoiseLevel = 40;  // seeded by the row: a row rendered under another number differs
    return s;
  }
  BuildSummary Run(const SettingsRecord& s, const std::vector<std::string>& sources, RowShard shard,
                   int jobs = 2) {
    BuildOptions options;
    options.jobs = jobs;
    options.shard = shard;
    options.clock = [] { return LocalDateTime{2026, 12, 8, 10, 0, 0}; };
    options.row_done = [this](const RowOutcome& row) { outcomes_.push_back(row); };
    return RunBuild(s, sources, host_, counter_, outputs_, options);
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  OutputList outputs_;
  std::vector<RowOutcome> outcomes_;
};

TEST(RowShard, HoldsEveryNthRowFromItsIndex) {
  const RowShard shard{1, 3};
  EXPECT_FALSE(shard.Holds(0));
  EXPECT_TRUE(shard.Holds(1));
  EXPECT_TRUE(shard.Holds(4));
  EXPECT_FALSE(shard.Holds(5));
  EXPECT_EQ(shard.RowsOf(0), 0u);
  EXPECT_EQ(shard.RowsOf(1), 0u);
  EXPECT_EQ(shard.RowsOf(2), 1u);
  EXPECT_EQ(shard.RowsOf(5), 2u);
  EXPECT_EQ(RowShard{}.RowsOf(7), 7u);
}

TEST_F(ShardRunTest, ShardsTogetherWriteTheWholeRunsFilesAndReportOnlyTheirRows) {
  const std::vector<std::string> sources = Sources(7);
  ASSERT_EQ(Run(Settings("single"), sources, {}).written, 7);
  outcomes_.clear();
  for (int i = 0; i < 3; ++i) {
    const BuildSummary summary = Run(Settings("shards"), sources, {i, 3}, i + 1);
    EXPECT_EQ(summary.rows, i == 0 ? 3 : 2);
    EXPECT_EQ(summary.written, summary.rows);
  }
  EXPECT_EQ(FolderContents(folder_.File("shards")), FolderContents(folder_.File("single")));
  std::vector<std::int32_t> rows;
  for (const RowOutcome& row : outcomes_) {
    rows.push_back(row.row);
    EXPECT_EQ(row.kind, RowOutcome::Kind::kWritten);
    EXPECT_EQ(row.output, folder_.File("shards/t" + std::string(row.row <= 10 ? "0" : "") +
                                       std::to_string(row.row - 1) + ".png"));
    EXPECT_EQ(row.bytes, fs::file_size(row.output));
    EXPECT_EQ(row.width, 300);
  }
  EXPECT_EQ(rows, (std::vector<std::int32_t>{1, 4, 7, 2, 5, 3, 6}));
}

TEST_F(ShardRunTest, OutcomesSayWhyARowFailedOrWasSkipped) {
  std::vector<std::string> sources = Sources(2);
  sources.insert(sources.begin() + 1, folder_.File("in/missing.png"));
  Run(Settings("out"), sources, {});
  ASSERT_EQ(outcomes_.size(), 3u);
  EXPECT_EQ(outcomes_[1].kind, RowOutcome::Kind::kFailed);
  EXPECT_NE(outcomes_[1].reason.find("missing.png"), std::string::npos) << outcomes_[1].reason;
  EXPECT_EQ(outcomes_[1].bytes, 0u);
  outcomes_.clear();
  host_.answers = {false};
  Run(Settings("declined", false), Sources(2), {1, 2});
  ASSERT_EQ(outcomes_.size(), 1u);
  EXPECT_EQ(outcomes_[0].kind, RowOutcome::Kind::kSkipped);
  EXPECT_EQ(outcomes_[0].row, 2);
}

TEST_F(ShardRunTest, PlanningAloneNamesTheShardsRowsAndTouchesNothing) {
  SettingsRecord s = Settings("out/deeper", false);
  s.OUTdatefolder = 1;
  std::vector<RunSource> sources;
  for (const std::string& path : Sources(5)) sources.push_back({path, {}});
  BuildOptions options;
  options.shard = {1, 2};
  options.clock = [] { return LocalDateTime{2026, 12, 8, 10, 0, 0}; };
  const std::vector<RowRecipe> rows = PlanBuild(s, sources, host_, counter_, options);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].row, 2);
  EXPECT_EQ(rows[0].output_path, folder_.File("out/deeper/12082026/t01.png"));
  EXPECT_EQ(rows[1].output_path, folder_.File("out/deeper/12082026/t03.png"));
  EXPECT_EQ(rows[1].action, RowRecipe::Action::kRender);
  EXPECT_FALSE(fs::exists(folder_.File("out")));
  EXPECT_TRUE(host_.asked.empty());
}

}  // namespace
}  // namespace vr
