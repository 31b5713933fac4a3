// varenna-batch at scale, run through sh as a scheduler runs it: shards whose
// files together are one run's, lists from files and standard input, the
// JSON Lines report, values refused before any row, a dry run, and each
// failure said once.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "cli/batch_program_test_base.h"
#include "cli/json_check.h"
#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

using test::Outcome;

class ScaleOutTest : public test::BatchProgramTest {
 protected:
  // `count` different pictures in in/, p00.png, p01.png, ...
  void Pictures(int count) {
    for (int i = 0; i < count; ++i)
      test::WritePng(Path("in/p" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".png"),
                     test::MakeRandomImage(40 + i, 30 + i, static_cast<std::uint32_t>(i)));
  }
  // Every file below `folder`, by its path inside it, with its bytes.
  std::map<std::string, std::string> Files(const std::string& folder) const {
    std::map<std::string, std::string> files;
    if (!fs::exists(Path(folder))) return files;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(Path(folder)))
      if (entry.is_regular_file())
        files[fs::relative(entry.path(), Path(folder)).string()] = test::ReadTextFile(entry.path().string());
    return files;
  }
};

// JPEG thumbnails with a counter and a pinned date, in a dated folder; noise
// seeded by the row, so a row rendered under another row's number differs.
constexpr const char* kRun =
    "-f jpeg -q 80 -n 'img%###_%ddmmyyyy' --date-folder --date 2026-12-08 --set NoiseLevel=30 ";

TEST_F(ScaleOutTest, ShardsTogetherWriteOneRunsFilesByteForByte) {
  Pictures(11);
  ASSERT_EQ(Run(std::string(kRun) + "-o DIR/single DIR/in").code, 0);
  const std::map<std::string, std::string> single = Files("single");
  ASSERT_EQ(single.size(), 11u);
  EXPECT_EQ(single.count("12082026/img010_08122026.jpg"), 1u);
  std::map<std::string, std::string> shards;
  for (int i = 0; i < 4; ++i) {
    const Outcome run =
        Run(std::string(kRun) + "-o DIR/shards --shard " + std::to_string(i) + "/4 -j2 DIR/in");
    ASSERT_EQ(run.code, 0) << run.err;
    // Each shard writes rows i, i + 4, ... and no other.
    const std::map<std::string, std::string> now = Files("shards");
    EXPECT_EQ(now.size() - shards.size(), i < 3 ? 3u : 2u);
    shards = now;
  }
  EXPECT_EQ(shards, single);
  // A shard beyond the rows has nothing to do, and that is no error.
  const Outcome empty = Run(std::string(kRun) + "-o DIR/empty --shard 3/4 DIR/in/p00.png");
  EXPECT_EQ(empty.code, 0) << empty.err;
  EXPECT_TRUE(Files("empty").empty());
}

TEST_F(ScaleOutTest, ShardEnvTakesTheSlurmTaskAndARetryItsCount) {
  Pictures(6);
  ASSERT_EQ(Run(std::string(kRun) + "-o DIR/single DIR/in").code, 0);
  for (const char* task : {"SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=2 ", "SLURM_ARRAY_TASK_ID=1 "})
    ASSERT_EQ(Run(std::string(kRun) + "-o DIR/slurm --shard env/2 DIR/in", task).code, 0);
  EXPECT_EQ(Files("slurm"), Files("single"));
}

TEST_F(ScaleOutTest, FilesFromTakesLinesAndNulSeparatedPathsInOrderWithTheArguments) {
  Pictures(4);
  test::WriteTextFile(Path("list.txt"), InFolder("DIR/in/p02.png\n\nDIR/in/p00.png\n"));
  const auto width = [&](const std::string& file) { return test::ReadPicture(Path(file)).width; };
  // Each picture keeps its size, which tells which one a name holds.
  Outcome run =
      Run("-f png -n 'o%##' --set OUToriginal=1 -o DIR/order DIR/in/p03.png --files-from DIR/list.txt "
          "DIR/in/p01.png");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(width("order/o00.png"), 43);
  EXPECT_EQ(width("order/o01.png"), 42);
  EXPECT_EQ(width("order/o02.png"), 40);
  EXPECT_EQ(width("order/o03.png"), 41);

  // find -print0 on standard input, a name with a newline among them.
  test::WritePng(Path("in/new\nline.png"), test::MakeRandomImage(50, 20, 9));
  run = Run("-f png -n '%o' --set OUToriginal=1 -o DIR/nul --files-from - -0",
            "find DIR/in -name 'new*' -print0 | ");
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(width("nul/new\nline.png"), 50);
  EXPECT_EQ(Files("nul").size(), 1u);
  run = Run("--files-from DIR/missing.txt -o DIR/none");
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find(InFolder("Cannot read the list DIR/missing.txt")), std::string::npos) << run.err;
}

TEST_F(ScaleOutTest, ReportHasOneValidJsonObjectPerRowAndASummary) {
  Pictures(2);
  test::WriteTextFile(Path("in/bad \"quoted\"\x01.png"), "not a picture");
  test::WriteTextFile(Path("in/latin\xE9.png"), "not a picture either");
  const Outcome run =
      Run("-f png -n 'r%##' -o DIR/out --set OUTnoprop=0 --set OUTpropw=-1 --set OUTwidth=20 "
          "--report DIR/report.jsonl DIR/in");
  EXPECT_EQ(run.code, 1);
  std::istringstream lines(test::ReadTextFile(Path("report.jsonl")));
  std::vector<std::map<std::string, std::string>> objects;
  for (std::string line; std::getline(lines, line);) {
    const auto object = test::JsonCheck::Object(line);
    ASSERT_TRUE(object.has_value()) << line;
    objects.push_back(*object);
  }
  ASSERT_EQ(objects.size(), 5u);
  std::multiset<std::string> statuses;
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(objects[i]["row"], std::to_string(i + 1));
    statuses.insert(objects[i]["status"]);
    for (const char* field : {"source", "output", "reason", "width", "height", "bytes", "ms"})
      EXPECT_EQ(objects[i].count(field), 1u) << field;
  }
  EXPECT_EQ(statuses, (std::multiset<std::string>{"\"failed\"", "\"failed\"", "\"written\"", "\"written\""}));
  // The control byte is escaped and the byte that is not UTF-8 kept recoverable.
  EXPECT_NE(test::ReadTextFile(Path("report.jsonl")).find("bad \\\"quoted\\\"\\u0001.png"),
            std::string::npos);
  EXPECT_NE(test::ReadTextFile(Path("report.jsonl")).find("latin\\udce9.png"), std::string::npos);
  for (std::size_t i = 0; i < 4; ++i)
    if (const auto& object = objects[i]; object.at("status") == "\"written\"") {
      EXPECT_EQ(object.at("width"), "20");
      EXPECT_EQ(std::stoul(object.at("bytes")),
                fs::file_size(object.at("output").substr(1, object.at("output").size() - 2)));
    }
  EXPECT_EQ(objects[4]["summary"], "true");
  EXPECT_EQ(objects[4]["written"], "2");
  EXPECT_EQ(objects[4]["failed"], "2");
}

TEST_F(ScaleOutTest, ReportOnStandardOutputMovesTheSummaryToStandardError) {
  Pictures(1);
  const Outcome run = Run("-f png -o DIR/out --report - DIR/in");
  EXPECT_EQ(run.code, 0) << run.err;
  std::istringstream lines(run.out);
  int objects = 0;
  for (std::string line; std::getline(lines, line); ++objects)
    EXPECT_TRUE(test::JsonCheck::Object(line)) << line;
  EXPECT_EQ(objects, 2);
  EXPECT_NE(run.err.find("Process done!"), std::string::npos) << run.err;
}

struct RangeCase {
  const char* arguments;
  const char* message;
};

class RangeTest : public ScaleOutTest, public testing::WithParamInterface<RangeCase> {};

// Refused before the first row: no folder made, no file written.
TEST_P(RangeTest, ExitsTwoNamingTheValueAndItsRangeBeforeAnyRow) {
  Pictures(2);
  test::WriteTextFile(Path("stored.reg"),
                      "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
                      "\"WMOpacity\"=dword:00000065\r\n");
  const Outcome run = Run(std::string(GetParam().arguments) + " -o DIR/out --report DIR/report.jsonl DIR/in");
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists(Path("out")));
  EXPECT_FALSE(fs::exists(Path("report.jsonl")));
}

INSTANTIATE_TEST_SUITE_P(
    Values, RangeTest,
    testing::Values(RangeCase{"--set OUTwidth=0", "OUTwidth=0 is out of range: 1 to 65535"},
                    RangeCase{"--set OUTwidth=-5", "OUTwidth=-5 is out of range: 1 to 65535"},
                    RangeCase{"--set OUTheight=100000", "OUTheight=100000 is out of range: 1 to 65535"},
                    RangeCase{"--set JPEGquality=101", "JPEGquality=101 is out of range: 0 to 100"},
                    RangeCase{"--set OUTpropw=1", "OUTpropw=1 is out of range: -1 to 0"},
                    RangeCase{"--set OUTformat=7", "OUTformat=7 is out of range: 0 to 5"},
                    RangeCase{"-q 150", "--quality needs a whole number from 0 to 100"},
                    RangeCase{"--settings DIR/stored.reg", "WMOpacity=101 is out of range: 0 to 100"}));

TEST_F(ScaleOutTest, UnknownNameInASettingsFileIsAWarningNamingIt) {
  Pictures(1);
  test::WriteTextFile(Path("typo.reg"),
                      "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
                      "\"OUTwidht\"=dword:00000020\r\n\"OUTwidth\"=dword:00000020\r\n");
  const Outcome run = Run("--settings DIR/typo.reg -f png -o DIR/out DIR/in");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.err.find("holds the unknown setting \"OUTwidht\""), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("\"OUTwidth\""), std::string::npos) << run.err;
}

TEST_F(ScaleOutTest, DryRunPrintsEachRowAndWritesNothing) {
  Pictures(3);
  const Outcome run =
      Run(std::string(kRun) + "-o DIR/out/deeper --shard 1/2 --report DIR/report.jsonl --dry-run DIR/in");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            InFolder("Row 2: \"DIR/in/p01.png\" -> \"DIR/out/deeper/12082026/img001_08122026.jpg\"\n"));
  EXPECT_FALSE(fs::exists(Path("out")));
  EXPECT_FALSE(fs::exists(Path("report.jsonl")));
}

TEST_F(ScaleOutTest, EachFailureIsSaidOnceOnStandardErrorAndTheSummaryOnStandardOutput) {
  Pictures(1);
  test::WriteTextFile(Path("in/broken.png"), "no picture");
  const Outcome run = Run("-f png -o DIR/out DIR/in/broken.png DIR/in/p00.png");
  EXPECT_EQ(run.code, 1);
  const std::string line = InFolder("Row 1, \"DIR/in/broken.png\": ");
  const std::size_t first = run.err.find(line);
  ASSERT_NE(first, std::string::npos) << run.err;
  EXPECT_EQ(run.err.find(line, first + 1), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("broken.png"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("1 row(s) failed, 0 skipped."), std::string::npos) << run.out;
}

}  // namespace
}  // namespace vr
