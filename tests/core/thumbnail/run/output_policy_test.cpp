// Where a run's files go and what it does with files already there: the
// folder structure kept below the folder a picture was added from, each
// policy for an existing thumbnail (overwrite, skip, newer, rename, ask
// with no one to ask), two rows writing one file, the output folder made
// and probed before anything is read, the folder question asked once a
// run, and the run's time leaving out the time questions took.
#include "thumbnail/output_policy.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/made_index.h"
#include "thumbnail/run/build_run.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// The thumbnails under a folder, by their path below it, without the
// program's hidden index.
std::map<std::string, std::vector<std::uint8_t>> Tree(const std::string& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    if (entry.is_regular_file() && entry.path().filename() != kMadeIndexName)
      files[fs::relative(entry.path(), folder).generic_string()] = test::ReadBytes(entry.path().string());
  return files;
}

bool HasLine(const Lines& lines, const std::string& wanted) {
  return std::ranges::find(lines, wanted) != lines.end();
}

class OutputPolicyTest : public ::testing::Test {
 protected:
  OutputPolicyTest() {
    fs::create_directories(folder_.File("in"));
    fs::create_directories(folder_.File("out"));
  }
  std::string Source(const std::string& name, std::uint32_t seed = 1) {
    fs::create_directories(fs::path(folder_.File("in/" + name)).parent_path());
    test::WritePng(folder_.File("in/" + name), test::MakeRandomImage(40 + static_cast<int>(seed), 30, seed));
    return folder_.File("in/" + name);
  }
  std::vector<std::string> Sources(int first, int count) {
    std::vector<std::string> sources;
    for (int i = first; i < first + count; ++i)
      sources.push_back(Source("p" + std::to_string(i) + ".png", i));
    return sources;
  }
  SettingsRecord Settings(IfExists policy, const std::string& out = "out") {
    SettingsRecord s = test::PlainSettings(folder_.File(out));
    s.OUTwidth = 20;
    s.OUTifexists = static_cast<std::int32_t>(policy);
    return s;
  }
  template <class Rows>
  BuildSummary Run(const SettingsRecord& settings, const Rows& rows, int jobs = 2,
                   BuildOptions options = {}) {
    options.jobs = jobs;
    return RunBuild(settings, rows, host_, counter_, outputs_, options);
  }
  std::string Out(const std::string& name) const { return folder_.File("out/" + name); }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  OutputList outputs_;
};

TEST(MirroredFolderTest, IsTheSourcesFolderBelowItsRootOrNothing) {
  EXPECT_EQ(MirroredFolder("/pics/2024/june/a.jpg", "/pics"), "2024/june/");
  EXPECT_EQ(MirroredFolder("/pics/2024/june/a.jpg", "/pics/"), "2024/june/");
  EXPECT_EQ(MirroredFolder("/pics/a.jpg", "/pics"), "");
  EXPECT_EQ(MirroredFolder("/pics/a.jpg", ""), "");
  EXPECT_EQ(MirroredFolder("/elsewhere/a.jpg", "/pics"), "") << "never outside the output folder";
  EXPECT_EQ(MirroredFolder("/pics/../etc/a.jpg", "/pics"), "");
  EXPECT_EQ(NumberedPath("/out/a.b.jpg", 2), "/out/a.b (2).jpg");
  EXPECT_EQ(NumberedPath("/out/noext", 3), "/out/noext (3)");
  EXPECT_EQ(IfExistsFromName("newer"), IfExists::kNewer);
  EXPECT_EQ(IfExistsFromName("ask"), std::nullopt) << "the command line has no one to ask";
  EXPECT_EQ(IfExistsFromCode(5), std::nullopt);
}

TEST_F(OutputPolicyTest, KeepingTheStructureMirrorsEveryLevelBelowTheRoot) {
  const std::string root = folder_.File("in");
  const std::vector<RunSource> rows = {{Source("2024/june/deep/a.png", 1), root},
                                       {Source("2024/b.png", 2), root},
                                       {Source("c.png", 3), root},
                                       {Source("2024/june/alone.png", 4), ""}};
  SettingsRecord s = Settings(IfExists::kOverwrite);
  s.OUTkeeptree = 1;
  EXPECT_EQ(Run(s, rows).written, 4);
  const auto tree = Tree(folder_.File("out"));
  std::vector<std::string> paths;
  for (const auto& [path, bytes] : tree) paths.push_back(path);
  EXPECT_EQ(paths, (std::vector<std::string>{"2024/b.png", "2024/june/deep/a.png", "alone.png", "c.png"}));
  // Off, the same rows write flat, as before the setting.
  fs::remove_all(folder_.File("out"));
  s.OUTkeeptree = 0;
  host_.answers = {true};
  EXPECT_EQ(Run(s, rows).written, 4);
  EXPECT_EQ(Tree(folder_.File("out")).size(), 4u);
  EXPECT_FALSE(fs::exists(Out("2024")));
}

TEST_F(OutputPolicyTest, SkipLeavesAHandEditedThumbnailByteForByte) {
  const std::vector<std::string> sources = Sources(0, 3);
  fs::create_directories(folder_.File("out"));
  test::WriteTextFile(Out("p1.png"), "edited by hand");
  const BuildSummary summary = Run(Settings(IfExists::kSkip), sources);
  EXPECT_EQ(test::ReadTextFile(Out("p1.png")), "edited by hand");
  EXPECT_EQ(summary.written, 2);
  EXPECT_EQ(summary.skipped, 1);
  const Lines lines = BuildMessageLines(summary);
  EXPECT_EQ(lines[1].rfind("2 of 3 written in ", 0), 0u) << lines[1];
  EXPECT_TRUE(HasLine(lines, "1 skipped: a thumbnail of that name is already there.")) << lines[3];
  // Overwrite, the default, replaces it.
  EXPECT_EQ(Run(Settings(IfExists::kOverwrite), sources).written, 3);
  EXPECT_NE(test::ReadTextFile(Out("p1.png")), "edited by hand");
}

TEST_F(OutputPolicyTest, NewerWritesNothingTwiceAndThenOnlyTheNewPictures) {
  std::vector<std::string> sources = Sources(0, 6);
  const SettingsRecord s = Settings(IfExists::kNewer);
  EXPECT_EQ(Run(s, sources).written, 6);
  const auto first = Tree(folder_.File("out"));
  const BuildSummary again = Run(s, sources);
  EXPECT_EQ(again.written, 0);
  EXPECT_EQ(again.skipped, 6);
  EXPECT_TRUE(HasLine(BuildMessageLines(again), "6 skipped: already up to date."));
  const std::vector<std::string> added = Sources(6, 5);
  sources.insert(sources.end(), added.begin(), added.end());
  const BuildSummary more = Run(s, sources);
  EXPECT_EQ(more.written, 5);
  EXPECT_EQ(more.skipped, 6);
  EXPECT_EQ(outputs_.size(), 5u);
  for (const std::string& path : outputs_) EXPECT_NE(path.find("/p"), std::string::npos);
  auto tree = Tree(folder_.File("out"));
  for (const auto& [path, bytes] : first) EXPECT_EQ(tree[path], bytes) << path;
  // Another size is another thumbnail: all of them are made again.
  SettingsRecord wider = s;
  wider.OUTwidth = 24;
  EXPECT_EQ(Run(wider, sources).written, 11);
  // A picture changed after its thumbnail is made again.
  const auto later = fs::last_write_time(Out("p3.png")) + std::chrono::seconds(5);
  fs::last_write_time(sources[3], later);
  EXPECT_EQ(Run(wider, sources).written, 1);
}

// A run stopped part way leaves whole thumbnails only; the next run with
// newer makes just the ones missing.
TEST_F(OutputPolicyTest, AfterAStopNewerMakesOnlyTheMissingThumbnails) {
  const std::vector<std::string> sources = Sources(0, 12);
  std::atomic<bool> stop{false};
  host_.on_progress = [&](int percent) {
    if (percent >= 25) stop = true;
  };
  BuildOptions options;
  options.stop = &stop;
  options.queue_depth = 2;
  const BuildSummary stopped = Run(Settings(IfExists::kNewer), sources, 2, options);
  ASSERT_TRUE(stopped.stopped);
  ASSERT_LT(stopped.written, 12);
  for (const auto& [path, bytes] : Tree(folder_.File("out")))
    EXPECT_EQ(test::ReadPicture(Out(path)).width, 20) << path << " is not whole";
  host_.on_progress = nullptr;
  const BuildSummary rest = Run(Settings(IfExists::kNewer), sources);
  EXPECT_EQ(rest.written, 12 - stopped.written);
  EXPECT_EQ(rest.skipped, stopped.written);
}

// A run killed while noting a thumbnail leaves a torn last line: it counts
// for nothing, the lines before it still count, and another source or
// fingerprint under the same name is not up to date.
TEST_F(OutputPolicyTest, TheMadeIndexIgnoresATornLineAndOtherSettings) {
  const std::string source = Source("a.png");
  test::WriteTextFile(Out("a.png"), "thumbnail");
  test::WriteTextFile(Out("b.png"), "thumbnail");
  const std::string fingerprint = OutputFingerprint(Settings(IfExists::kNewer));
  test::WriteTextFile(Out(kMadeIndexName),
                      fingerprint + "\t" + source + "\ta.png\n" + fingerprint + "\t" + source + "\tb.p");
  MadeIndex index;
  EXPECT_TRUE(index.UpToDate(Out("a.png"), source, fingerprint));
  EXPECT_FALSE(index.UpToDate(Out("b.png"), source, fingerprint));
  EXPECT_FALSE(index.UpToDate(Out("a.png"), source + "x", fingerprint));
  SettingsRecord other = Settings(IfExists::kNewer);
  other.JPEGquality = 60;
  EXPECT_NE(OutputFingerprint(other), fingerprint);
  other = Settings(IfExists::kNewer);
  other.OUTfolder = "/elsewhere";
  other.OUTname = "%o_small";
  EXPECT_EQ(OutputFingerprint(other), fingerprint) << "where and under which name do not shape a thumbnail";
}

// Two shards of a split run noting into one folder, each with the index as
// it read it: whichever rewrites it last keeps the other's notes too.
TEST_F(OutputPolicyTest, ShardsNotingIntoOneFolderKeepEachOthersNotes) {
  const std::string first = Source("a.png"), second = Source("b.png");
  test::WriteTextFile(Out("a.png"), "thumbnail");
  test::WriteTextFile(Out("b.png"), "thumbnail");
  const std::string fingerprint = OutputFingerprint(Settings(IfExists::kNewer));
  MadeIndex shard0, shard1;
  EXPECT_FALSE(shard0.UpToDate(Out("a.png"), first, fingerprint));  // both read the empty index
  EXPECT_FALSE(shard1.UpToDate(Out("b.png"), second, fingerprint));
  ASSERT_TRUE(shard0.Record(Out("a.png"), first, fingerprint).ok());
  ASSERT_TRUE(shard1.Record(Out("b.png"), second, fingerprint).ok());
  ASSERT_TRUE(shard0.Compact().ok());
  ASSERT_TRUE(shard1.Compact().ok());
  MadeIndex retry;
  EXPECT_TRUE(retry.UpToDate(Out("a.png"), first, fingerprint));
  EXPECT_TRUE(retry.UpToDate(Out("b.png"), second, fingerprint));
}

TEST_F(OutputPolicyTest, RenameKeepsBothTheOldFileAndTheNewOne) {
  const std::vector<std::string> sources = Sources(0, 2);
  fs::create_directories(folder_.File("out"));
  test::WriteTextFile(Out("p0.png"), "older");
  test::WriteTextFile(Out("p0 (2).png"), "older still");
  EXPECT_EQ(Run(Settings(IfExists::kRename), sources).written, 2);
  EXPECT_EQ(test::ReadTextFile(Out("p0.png")), "older");
  EXPECT_EQ(test::ReadTextFile(Out("p0 (2).png")), "older still");
  EXPECT_EQ(test::ReadPicture(Out("p0 (3).png")).width, 20);
  EXPECT_EQ(test::ReadPicture(Out("p1.png")).width, 20);
}

// a.png and a.bmp both make a.png: the summary says so, naming both,
// instead of counting two files where one is left.
TEST_F(OutputPolicyTest, TwoRowsWritingOneFileAreACollisionNamingBoth) {
  const std::string png = Source("a.png", 1);
  const std::string bmp = folder_.File("in/a.bmp");
  test::WriteBmp(bmp, test::MakeRandomImage(50, 30, 2));
  for (int jobs : {1, 2}) {
    const BuildSummary summary =
        Run(Settings(IfExists::kOverwrite), std::vector<std::string>{png, bmp}, jobs);
    EXPECT_EQ(summary.written, 1);
    ASSERT_EQ(summary.collisions.size(), 1u);
    const std::string line = RowReportLine(summary.collisions[0]);
    EXPECT_NE(line.find(png), std::string::npos) << line;
    EXPECT_NE(line.find(bmp), std::string::npos) << line;
    const Lines lines = BuildMessageLines(summary);
    EXPECT_NE(lines[0], "Process done!");
    EXPECT_EQ(lines[1].rfind("1 of 2 written", 0), 0u) << lines[1];
  }
  // Renaming, both are kept.
  fs::remove_all(folder_.File("out"));
  host_.answers = {true};
  const BuildSummary renamed = Run(Settings(IfExists::kRename), std::vector<std::string>{png, bmp});
  EXPECT_EQ(renamed.written, 2);
  EXPECT_TRUE(renamed.collisions.empty());
  EXPECT_EQ(test::ReadPicture(Out("a.png")).width, 20);
  EXPECT_EQ(test::ReadPicture(Out("a (2).png")).width, 20);
}

TEST_F(OutputPolicyTest, AskWithNoOneToAskLeavesTheFile) {
  fs::create_directories(folder_.File("out"));
  test::WriteTextFile(Out("p0.png"), "mine");
  const BuildSummary summary = Run(Settings(IfExists::kAsk), Sources(0, 1));
  EXPECT_EQ(test::ReadTextFile(Out("p0.png")), "mine");
  EXPECT_EQ(summary.skipped, 1);
}

// An output "folder" below a regular file cannot be made even by root.
TEST_F(OutputPolicyTest, AnOutputFolderThatCannotBeMadeEndsTheRunBeforeAnyRow) {
  test::WriteTextFile(folder_.File("plain-file"), "x");
  host_.answers = {true};
  const BuildSummary summary = Run(Settings(IfExists::kOverwrite, "plain-file/out"), Sources(0, 4));
  const Lines lines = BuildMessageLines(summary);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find(folder_.File("plain-file/out")), std::string::npos) << lines[0];
  EXPECT_EQ(summary.written, 0);
  EXPECT_EQ(summary.not_started, 4);
  EXPECT_TRUE(host_.progress.empty()) << "no row was planned";
  // The output folder is a file itself: not asked about, refused at once.
  host_.asked.clear();
  const BuildSummary on_file = Run(Settings(IfExists::kOverwrite, "plain-file"), Sources(0, 2));
  EXPECT_EQ(on_file.fatal, "Cannot create the output folder " + folder_.File("plain-file") +
                               ": a file of that name is in the way");
  EXPECT_TRUE(host_.asked.empty());
  EXPECT_EQ(test::ReadTextFile(folder_.File("plain-file")), "x");
}

TEST_F(OutputPolicyTest, AFolderWithoutWritePermissionEndsTheRunBeforeAnyRow) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
  fs::create_directories(folder_.File("out"));
  ::chmod(folder_.File("out").c_str(), 0555);
  const BuildSummary summary = Run(Settings(IfExists::kOverwrite), Sources(0, 3));
  ::chmod(folder_.File("out").c_str(), 0755);
  EXPECT_EQ(summary.fatal.rfind("Cannot write to the output folder " + folder_.File("out"), 0), 0u)
      << summary.fatal;
  EXPECT_TRUE(host_.progress.empty());
  EXPECT_TRUE(fs::is_empty(folder_.File("out")));
}

TEST_F(OutputPolicyTest, TheFolderQuestionIsAskedOnceARun) {
  const std::vector<std::string> sources = Sources(0, 5);
  host_.answers = {false};
  const BuildSummary declined = Run(Settings(IfExists::kOverwrite, "a/b/c"), sources, 1);
  EXPECT_EQ(host_.asked.size(), 1u);
  EXPECT_EQ(declined.skipped, 5);
  EXPECT_FALSE(fs::exists(folder_.File("a")));
  const Lines lines = BuildMessageLines(declined);
  EXPECT_EQ(
      std::ranges::count_if(lines, [](const std::string& l) { return l.find("not created") != l.npos; }), 1);
  // Yes makes every missing level.
  host_.answers = {true};
  EXPECT_EQ(Run(Settings(IfExists::kOverwrite, "a/b/c"), sources, 2).written, 5);
  EXPECT_EQ(host_.asked.size(), 2u);
  EXPECT_EQ(Tree(folder_.File("a/b/c")).size(), 5u);
}

TEST_F(OutputPolicyTest, ProgressCountsRowsAndTheTimeLeavesOutQuestions) {
  host_.answers = {true};
  host_.think_time = std::chrono::milliseconds(1500);
  const BuildSummary summary = Run(Settings(IfExists::kOverwrite, "new"), Sources(0, 3), 1);
  EXPECT_EQ(summary.written, 3);
  EXPECT_LT(summary.seconds, 1.5) << "the time waiting on the question is not the run's";
  EXPECT_EQ(host_.rows_done, (std::vector<std::pair<std::int32_t, std::int32_t>>{{1, 3}, {2, 3}, {3, 3}}));
  EXPECT_EQ(SecondsLeft(5, 10, 4.0), 4.0);
  EXPECT_EQ(SecondsLeft(0, 10, 4.0), std::nullopt);
  EXPECT_EQ(SecondsLeft(5, 10, 1.0), std::nullopt) << "too early to tell";
  EXPECT_EQ(SecondsLeft(10, 10, 9.0), std::nullopt);
  EXPECT_EQ(TimeLeftText(40.2), "about 40 s left");
  EXPECT_EQ(TimeLeftText(125), "about 3 min left");
}

}  // namespace
}  // namespace vr
