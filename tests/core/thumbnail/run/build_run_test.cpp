#include "thumbnail/run/build_run.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>
#include <thread>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

LocalDateTime Clock() { return {2026, 12, 5, 9, 30, 0}; }

// Every file in a folder and its bytes.
std::map<std::string, std::vector<std::uint8_t>> FolderContents(const std::string& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder))
    files[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
  return files;
}

class BuildRunTest : public ::testing::Test {
 protected:
  BuildRunTest() {
    fs::create_directory(folder_.File("in"));
    fs::create_directory(folder_.File("out"));
  }

  std::string Source(const std::string& name, int width, int height, std::uint32_t seed) {
    const std::string path = folder_.File("in/" + name);
    test::WritePng(path, test::MakeRandomImage(width, height, seed));
    return path;
  }

  std::vector<std::string> Sources(int count) {
    std::vector<std::string> sources;
    for (int i = 0; i < count; ++i)
      sources.push_back(
          Source("p" + std::to_string(i) + ".png", 90 + 7 * i, 60 + 3 * i, static_cast<std::uint32_t>(i)));
    return sources;
  }

  BuildSummary Run(const SettingsRecord& settings, const std::vector<std::string>& sources, int jobs) {
    BuildOptions options;
    options.jobs = jobs;
    options.clock = Clock;
    return RunBuild(settings, sources, host_, counter_, outputs_, options);
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  OutputList outputs_;
};

TEST_F(BuildRunTest, AnEmptyListDoesNothing) {
  counter_.value = 7;
  BuildSummary summary = Run(test::PlainSettings(folder_.File("out")), {}, 2);
  EXPECT_EQ(summary.rows, 0);
  EXPECT_EQ(counter_.value, 7);
  EXPECT_TRUE(host_.progress.empty());
}

TEST_F(BuildRunTest, ProgressIsTheRoundedPercentageInRowOrder) {
  EXPECT_EQ(ProgressPercent(1, 8), 12);
  EXPECT_EQ(ProgressPercent(3, 8), 38);
  EXPECT_EQ(ProgressPercent(0, 0), 0);
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  BuildSummary summary = Run(s, Sources(3), 3);
  EXPECT_EQ(host_.progress, (std::vector<int>{33, 67, 100}));
  EXPECT_EQ(summary.written, 3);
  EXPECT_FALSE(host_.called_elsewhere);
}

TEST_F(BuildRunTest, AParallelRunWritesTheSameFilesAsASerialOne) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUTname = "%o_%###";
  s.NoiseLevel = 30;  // seeded per row, so any worker gives the same noise
  s.BrightnessLevel = 10;
  s.WMFile = Source("logo.png", 20, 12, 99);
  s.WMMode = 0;
  s.WMOpacity = 60;
  const std::vector<std::string> sources = Sources(12);

  ASSERT_EQ(Run(s, sources, 1).written, 12);
  const OutputList serial_outputs = outputs_;
  const auto serial = FolderContents(s.OUTfolder);
  fs::remove_all(s.OUTfolder);
  fs::create_directory(s.OUTfolder);

  ASSERT_EQ(Run(s, sources, 4).written, 12);
  EXPECT_EQ(outputs_, serial_outputs);
  EXPECT_EQ(FolderContents(s.OUTfolder), serial);
  EXPECT_EQ(serial.size(), 12u);
  EXPECT_FALSE(host_.called_elsewhere);
}

TEST_F(BuildRunTest, RowsSharingANameLeaveTheLastRowsPicture) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUTname = "same";
  s.OUToriginal = 1;
  std::vector<std::string> sources = Sources(9);
  BuildSummary summary = Run(s, sources, 4);
  EXPECT_EQ(summary.written, 9);
  EXPECT_EQ(outputs_.size(), 9u);
  Image last = test::ReadPicture(s.OUTfolder + "/same.png");
  EXPECT_EQ(last.pixels, test::ReadPicture(sources.back()).pixels);
}

TEST_F(BuildRunTest, ASecondRunRestartsTheCounter) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUTname = "n%##";
  Run(s, Sources(2), 2);
  const OutputList first = outputs_;
  Run(s, Sources(2), 2);
  EXPECT_EQ(outputs_, first);
  EXPECT_EQ(first, (OutputList{s.OUTfolder + "/n00.png", s.OUTfolder + "/n01.png"}));
}

TEST_F(BuildRunTest, FailedAndSkippedRowsAreCountedAndNamedInTheMessage) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUTname = "%o";
  std::vector<std::string> sources = Sources(3);
  test::WriteTextFile(folder_.File("in/broken.png"), "\x89PNG but no more");
  sources.insert(sources.begin() + 1, folder_.File("in/broken.png"));
  sources.push_back(folder_.File("in/vanished.jpg"));
  BuildSummary summary = Run(s, sources, 2);

  EXPECT_EQ(summary.rows, 5);
  EXPECT_EQ(summary.written, 3);
  EXPECT_EQ(summary.failed, 2);
  ASSERT_EQ(summary.failures.size(), 2u);
  EXPECT_EQ(summary.failures[0].row, 2);
  EXPECT_EQ(summary.failures[1].row, 5);
  EXPECT_FALSE(fs::exists(s.OUTfolder + "/broken.png"));
  EXPECT_FALSE(fs::exists(s.OUTfolder + "/vanished.png"));
  EXPECT_EQ(outputs_.size(), 3u);

  const std::vector<std::string> lines = BuildMessageLines(summary);
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "Process done!");
  EXPECT_EQ(lines[1].rfind("3 image(s) generated in ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "2 row(s) failed, 0 skipped.");
  EXPECT_EQ(lines[3].rfind("Row 2, \"" + folder_.File("in/broken.png") + "\": ", 0), 0u) << lines[3];
  EXPECT_EQ(lines[4].rfind("Row 5, \"" + folder_.File("in/vanished.jpg") + "\": ", 0), 0u) << lines[4];
}

TEST_F(BuildRunTest, ANamedPipeInTheListFailsItsRowWithoutWaitingForAWriter) {
  const std::string pipe = folder_.File("in/pipe.jpg");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  for (int jobs : {1, 2}) {
    std::vector<std::string> sources = Sources(2);
    sources.insert(sources.begin() + 1, pipe);
    const BuildSummary summary = Run(test::PlainSettings(folder_.File("out")), sources, jobs);
    EXPECT_EQ(summary.written, 2) << jobs;
    ASSERT_EQ(summary.failures.size(), 1u) << jobs;
    EXPECT_EQ(summary.failures[0].row, 2);
    EXPECT_NE(summary.failures[0].reason.find("not a regular file"), std::string::npos)
        << summary.failures[0].reason;
  }
}

TEST_F(BuildRunTest, DecliningEveryFolderQuestionWritesNothing) {
  SettingsRecord s = test::PlainSettings(folder_.File("not-yet"));
  host_.answers = {false, false, false};
  BuildSummary summary = Run(s, Sources(3), 2);
  EXPECT_EQ(summary.skipped, 3);
  EXPECT_EQ(host_.asked.size(), 3u);
  EXPECT_EQ(counter_.value, 0);
  const std::vector<std::string> lines = BuildMessageLines(summary);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].rfind("0 image(s) generated in ", 0), 0u) << lines[1];
  EXPECT_EQ(lines[2], "0 row(s) failed, 3 skipped.");
}

TEST_F(BuildRunTest, ABrokenWatermarkIsLeftOutOnceAndTheRowsAreStillWritten) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.WMFile = folder_.File("in/missing-logo.png");
  BuildSummary summary = Run(s, Sources(3), 2);
  EXPECT_EQ(summary.written, 3);
  ASSERT_EQ(host_.notices.size(), 1u);
  EXPECT_NE(host_.notices[0].find("missing-logo.png"), std::string::npos) << host_.notices[0];
}

TEST_F(BuildRunTest, AFullDiskFailsTheRowsItHitsAndLeavesNoPartialFiles) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUToriginal = 1;
  std::vector<std::string> sources = {Source("small.png", 8, 8, 1), Source("big.png", 400, 400, 2)};
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  rlimit limit = old_limit;
  limit.rlim_cur = 16 * 1024;  // the random 400 x 400 PNG cannot fit
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  signal(SIGXFSZ, SIG_IGN);
  BuildSummary summary = Run(s, sources, 1);
  setrlimit(RLIMIT_FSIZE, &old_limit);

  EXPECT_EQ(summary.written, 1);
  EXPECT_EQ(summary.failed, 1);
  EXPECT_EQ(FolderContents(s.OUTfolder).size(), 1u);  // no temp file left behind
  EXPECT_TRUE(fs::exists(s.OUTfolder + "/small.png"));
}

TEST_F(BuildRunTest, StagingFilesAKilledRunLeftAreRemovedAndLiveOnesKept) {
  const fs::file_time_type now = fs::file_time_type::clock::now();
  test::WriteTextFile(folder_.File("out/.vrtmp-dead01"), "half a thumbnail");
  fs::last_write_time(folder_.File("out/.vrtmp-dead01"), now - std::chrono::hours(2));
  test::WriteTextFile(folder_.File("out/.vrtmp-live02"), "another run's write");
  fs::last_write_time(folder_.File("out/.vrtmp-live02"), now + std::chrono::minutes(1));
  EXPECT_EQ(Run(test::PlainSettings(folder_.File("out")), Sources(2), 2).written, 2);
  EXPECT_FALSE(fs::exists(folder_.File("out/.vrtmp-dead01")));
  EXPECT_TRUE(fs::exists(folder_.File("out/.vrtmp-live02")));
}

// The output folder is the pictures' own, with the pictures' format: the
// names that land on a source fail their rows and leave every photo as it
// was; the counter still moves on for them. Serial and parallel alike.
struct OverwriteCase {
  const char* convention;
  int jobs;
  int expected_written;
};

class SourceOverwriteTest : public BuildRunTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(SourceOverwriteTest, NoRowReplacesAPictureOfTheRun) {
  SettingsRecord s = test::PlainSettings(folder_.File("in"));
  s.OUTname = GetParam().convention;
  const std::vector<std::string> sources = Sources(3);
  const auto before = FolderContents(folder_.File("in"));

  const BuildSummary summary = Run(s, sources, GetParam().jobs);
  EXPECT_EQ(summary.written, GetParam().expected_written);
  EXPECT_EQ(summary.failed, 3 - GetParam().expected_written);
  for (const RowFailure& failure : summary.failures)
    EXPECT_EQ(failure.reason.rfind("would overwrite the source picture " + folder_.File("in/p"), 0), 0u)
        << failure.reason;
  const auto after = FolderContents(folder_.File("in"));
  for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name << " was replaced";
  EXPECT_EQ(counter_.value, 3);
}

// "%o" and an empty convention name every thumbnail after its source; the
// fixed "p1" names all three after the second source; "t%##" lands beside
// them.
INSTANTIATE_TEST_SUITE_P(Conventions, SourceOverwriteTest,
                         ::testing::Values(OverwriteCase{"%o", 1, 0}, OverwriteCase{"%o", 3, 0},
                                           OverwriteCase{"", 1, 0}, OverwriteCase{"", 2, 0},
                                           OverwriteCase{"p1", 1, 0}, OverwriteCase{"p1", 2, 0},
                                           OverwriteCase{"t%##", 2, 3}));

TEST_F(BuildRunTest, AnOutputFolderLinkedToThePicturesIsSeenThrough) {
  fs::create_directory_symlink(folder_.File("in"), folder_.File("linked"));
  SettingsRecord s = test::PlainSettings(folder_.File("linked"));
  s.OUTname = "%o";
  const std::vector<std::string> sources = Sources(2);
  const auto before = FolderContents(folder_.File("in"));
  EXPECT_EQ(Run(s, sources, 2).failed, 2);
  EXPECT_EQ(FolderContents(folder_.File("in")), before);
}

class StopTest : public BuildRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(StopTest, AStopFinishesTheRowsStartedAndWritesEveryFileWhole) {
  std::atomic<bool> stop{false};
  host_.on_progress = [&](int) { stop = true; };  // stop once the first row is reported
  BuildOptions options;
  options.jobs = GetParam();
  options.clock = Clock;
  options.stop = &stop;
  options.queue_depth = 2;  // so rows are still waiting when the stop comes
  const BuildSummary summary =
      RunBuild(test::PlainSettings(folder_.File("out")), Sources(40), host_, counter_, outputs_, options);

  EXPECT_TRUE(summary.stopped);
  EXPECT_GE(summary.written, 1);
  EXPECT_GE(summary.not_started, 1);
  EXPECT_EQ(summary.written + summary.failed + summary.not_started, 40);
  // Only finished thumbnails, each one readable, and nothing half-made.
  const auto files = FolderContents(folder_.File("out"));
  EXPECT_EQ(files.size(), static_cast<std::size_t>(summary.written));
  for (const std::string& output : outputs_) EXPECT_FALSE(test::ReadPicture(output).empty()) << output;
  EXPECT_EQ(BuildMessageLines(summary).front(), "Process stopped.");
  EXPECT_NE(BuildMessageLines(summary)[2].find(std::to_string(summary.not_started) + " not started."),
            std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(SerialAndParallel, StopTest, ::testing::Values(1, 2));

TEST_F(BuildRunTest, ARunOutOfThreadsGoesOnWithThoseItHasAndSaysSo) {
  for (int allowed : {0, 2}) {
    BuildOptions options;
    options.jobs = 3;
    options.clock = Clock;
    options.start_thread = test::ThreadsRefusedAfter(allowed);
    host_.notices.clear();
    const BuildSummary summary =
        RunBuild(test::PlainSettings(folder_.File("out")), Sources(4), host_, counter_, outputs_, options);
    EXPECT_EQ(summary.written, 4) << allowed;
    ASSERT_EQ(host_.notices.size(), 1u) << allowed;
    EXPECT_NE(host_.notices[0].find(allowed == 0 ? "No worker thread" : "Only 1 of 3"), std::string::npos)
        << host_.notices[0];
  }
}

TEST_F(BuildRunTest, ADamagedPictureIsWrittenAndReportedAsAWarning) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  s.OUTname = "%o";
  const std::vector<std::string> sources = {Source("whole.png", 40, 30, 1), folder_.File("in/cut.bmp")};
  test::WriteBmp(sources[1], test::MakeRandomImage(64, 64, 2));
  fs::resize_file(sources[1], fs::file_size(sources[1]) / 2);  // half its rows are missing
  for (int jobs : {1, 2}) {
    const BuildSummary summary = Run(s, sources, jobs);
    EXPECT_EQ(summary.written, 2) << jobs;
    ASSERT_EQ(summary.warnings.size(), 1u) << jobs;
    EXPECT_EQ(summary.warnings[0].row, 2);
    EXPECT_TRUE(fs::exists(folder_.File("out/cut.png")));
    const std::vector<std::string> lines = BuildMessageLines(summary);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "1 written from damaged pictures:");
    EXPECT_EQ(lines[3].rfind("Row 2, \"" + sources[1] + "\": the picture is damaged", 0), 0u) << lines[3];
  }
}

TEST_F(BuildRunTest, ANameWithANewlineCannotForgeAReportLine) {
  const std::string forged = folder_.File("in/x\nRow 9, ok.png");
  test::WriteTextFile(forged, "not a picture");
  const BuildSummary summary = Run(test::PlainSettings(folder_.File("out")), {forged}, 1);
  for (const std::string& line : BuildMessageLines(summary))
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  EXPECT_NE(RowReportLine(summary.failures.at(0)).find("x\\nRow 9, ok.png\""), std::string::npos);
}

TEST(BuildMessageTest, KeepsTheUsualTextWhenEveryRowWasWritten) {
  BuildSummary summary;
  summary.rows = summary.written = 12;
  summary.seconds = 3.4;
  using Lines = std::vector<std::string>;
  EXPECT_EQ(BuildMessageLines(summary), (Lines{"Process done!", "12 image(s) generated in 3.4 second(s)"}));
  summary.seconds = 0.049;
  EXPECT_EQ(BuildMessageLines(summary), (Lines{"Process done!", "12 image(s) generated in 0.0 second(s)"}));
}

TEST(BuildMessageTest, ListsTheFirstFailuresOnly) {
  BuildSummary summary;
  summary.rows = 9;
  summary.failed = 9;
  for (int i = 1; i <= 9; ++i) summary.failures.push_back({i, "f" + std::to_string(i) + ".jpg", "broken"});
  const std::vector<std::string> lines = BuildMessageLines(summary);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[7], "Row 5, \"f5.jpg\": broken");
  EXPECT_EQ(lines[8], "... and 4 more.");
}

}  // namespace
}  // namespace vr
