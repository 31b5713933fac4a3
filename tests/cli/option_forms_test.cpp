// The command line's conventions: every option in its short, long and
// attached forms, the values each takes, --shard from the schedulers'
// variables, and the inputs in the order given.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/batch_inputs.h"
#include "cli/batch_options.h"
#include "cli/option_values.h"

namespace vr {
namespace {

BatchOptions Parsed(const std::vector<std::string>& arguments) {
  Expected<BatchOptions> options = ParseBatchOptions(arguments);
  EXPECT_TRUE(options.ok()) << options.message();
  return options ? *options : BatchOptions{};
}

std::string Refusal(const std::vector<std::string>& arguments) {
  Expected<BatchOptions> options = ParseBatchOptions(arguments);
  return options ? "taken" : options.message();
}

TEST(OptionForms, EveryFormOfAValueGivesTheSameOption) {
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"-j3"}, {"-j", "3"}, {"--jobs=3"}, {"--jobs", "3"}})
    EXPECT_EQ(Parsed(arguments).jobs, 3) << arguments[0];
  using Overrides = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(Parsed({"-fjpeg", "--format=PNG", "-f", "jpg", "--format", "bmp"}).overrides,
            (Overrides{{"OUTformat", "1"}, {"OUTformat", "2"}, {"OUTformat", "1"}, {"OUTformat", "0"}}));
  // The quality waits for the run's format; the last one given counts.
  EXPECT_EQ(Parsed({"-q85", "--quality=0"}).quality, 0);
  EXPECT_EQ(Parsed({"--quality", "85"}).quality, 85);
  EXPECT_EQ(
      Parsed({"-o", "out", "--output-dir=a=b", "-nimg%###", "--name=x", "--date-folder", "--set=OUTwidth=9"})
          .overrides,
      (Overrides{{"OUTfolder", "out"},
                 {"OUTfolder", "a=b"},
                 {"OUTname", "img%###"},
                 {"OUTname", "x"},
                 {"OUTdatefolder", "1"},
                 {"OUTwidth", "9"}}));
  const BatchOptions flags = Parsed({"--dry-run", "-0", "--report=-", "--shard=1/4", "--date=2026-12-08"});
  EXPECT_TRUE(flags.dry_run);
  EXPECT_TRUE(flags.null_separated);
  EXPECT_EQ(flags.report, "-");
  EXPECT_EQ(flags.shard, "1/4");
  ASSERT_TRUE(flags.date.has_value());
  EXPECT_EQ(flags.date->day, 8);
}

TEST(OptionForms, ArgumentsAndListsAreInputsInTheOrderGiven) {
  const BatchOptions options =
      Parsed({"a.png", "--files-from", "list", "b.png", "--files-from=-", "--", "-c"});
  EXPECT_EQ(options.inputs,
            (std::vector<InputSource>{
                {"a.png", false}, {"list", true}, {"b.png", false}, {"-", true}, {"-c", false}}));
}

TEST(OptionForms, RefusesWhatItCannotTakeNamingTheOption) {
  EXPECT_NE(Refusal({"-q", "101"}).find("--quality needs a whole number from 0 to 100"), std::string::npos);
  EXPECT_NE(Refusal({"-q-1"}).find("--quality"), std::string::npos);
  EXPECT_NE(Refusal({"--format=gif"})
                .find("--format needs bmp, jpeg (or jpg), png, webp, avif or jxl, not \"gif\""),
            std::string::npos);
  EXPECT_NE(Refusal({"--jobs=0"}).find("--jobs needs a whole number from 1 to 1024"), std::string::npos);
  EXPECT_NE(Refusal({"--dry-run=yes"}).find("--dry-run takes no value"), std::string::npos);
  EXPECT_NE(Refusal({"--date", "2026-02-30"}).find("--date needs YYYY-MM-DD"), std::string::npos);
  EXPECT_NE(Refusal({"--date=2026-12-08T24:00:00"}).find("--date"), std::string::npos);
  EXPECT_NE(Refusal({"--shard", "4/4"}).find("must be below the count 4"), std::string::npos);
  EXPECT_NE(Refusal({"--shard=1"}).find("--shard needs I/N"), std::string::npos);
  EXPECT_NE(Refusal({"-j"}).find("-j needs a value"), std::string::npos);
  EXPECT_NE(Refusal({"-"}).find("--files-from -"), std::string::npos);
  EXPECT_EQ(Refusal({"--jobsx=2"}), "Unknown option --jobsx=2");
}

TEST(OptionValues, PinnedDateTakesADayOrADayAndATime) {
  const Expected<LocalDateTime> day = PinnedDate("2024-02-29");
  ASSERT_TRUE(day.ok());
  EXPECT_EQ(day->year * 10000 + day->month * 100 + day->day, 20240229);
  EXPECT_EQ(day->hour + day->minute + day->second, 0);
  const Expected<LocalDateTime> moment = PinnedDate("2026-12-08T23:59:58");
  ASSERT_TRUE(moment.ok());
  EXPECT_EQ(moment->hour * 10000 + moment->minute * 100 + moment->second, 235958);
  for (const char* bad : {"2023-02-29", "2026-13-01", "26-12-08", "2026-12-08T1:00:00", "2026/12/08", ""})
    EXPECT_FALSE(PinnedDate(bad).ok()) << bad;
}

TEST(OptionValues, ShardEnvReadsEachSchedulersIndex) {
  std::map<std::string, std::string> environment;
  const VariableReader variable = [&](const char* name) -> std::optional<std::string> {
    const auto found = environment.find(name);
    return found == environment.end() ? std::nullopt : std::optional(found->second);
  };
  const auto shard = [&](const std::string& text) {
    Expected<RowShard> read = ShardFrom(text, variable);
    return read ? std::to_string(read->index) + "/" + std::to_string(read->count) : read.message();
  };
  EXPECT_NE(shard("env").find("SLURM_ARRAY_TASK_ID"), std::string::npos);
  environment = {{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "4"}};
  EXPECT_EQ(shard("env"), "2/4");
  // A retried task is an array of one: the count comes with the option.
  environment = {{"SLURM_ARRAY_TASK_ID", "2"}, {"SLURM_ARRAY_TASK_COUNT", "1"}};
  EXPECT_EQ(shard("env/4"), "2/4");
  EXPECT_NE(shard("env").find("below the count 1"), std::string::npos);
  environment = {{"JOB_COMPLETION_INDEX", "5"}};
  EXPECT_EQ(shard("env/8"), "5/8");
  EXPECT_NE(shard("env").find("SLURM_ARRAY_TASK_COUNT"), std::string::npos);
  environment = {{"AWS_BATCH_JOB_ARRAY_INDEX", "0"}};
  EXPECT_EQ(shard("env/3"), "0/3");
  environment = {{"AWS_BATCH_JOB_ARRAY_INDEX", "x"}};
  EXPECT_NE(shard("env/3").find("AWS_BATCH_JOB_ARRAY_INDEX"), std::string::npos);
}

TEST(InputLists, TakeLinesOrNulSeparatedPathsByteForByte) {
  std::istringstream lines("a.png\n\nwith space.jpg\n");
  EXPECT_EQ(ReadPathList(lines, false), (std::vector<std::string>{"a.png", "with space.jpg"}));
  std::istringstream nul(std::string("new\nline.png\0b.png\0", 19));
  EXPECT_EQ(ReadPathList(nul, true), (std::vector<std::string>{"new\nline.png", "b.png"}));
}

}  // namespace
}  // namespace vr
