// A whole run: serial and parallel write the same files and report in row
// order; rows sharing an output finish in list order; no row replaces a
// picture of the run; failures, skips, damage and a stop are counted and
// named; and only whole files are ever left behind.
#include "thumbnail/run/build_run.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>

#include "base/atomic_file.h"
#include "core/imaging/colour/profile_bytes.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/colour/icc_profile.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/run/report_text.h"
#include "thumbnail/watermark.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Every file in a folder and its bytes.
std::map<std::string, std::vector<std::uint8_t>> FolderContents(const std::string& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = test::ReadBytes(entry.path().string());
  return files;
}

// A grey PNG of any size, written a row at a time so the test never holds it.
void WriteLargeGreyPng(const std::string& path, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_compression_level(png, 1);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(static_cast<std::size_t>(width), 128);
  for (int y = 0; y < height; ++y) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
}

class BuildRunTest : public ::testing::Test {
 protected:
  BuildRunTest() {
    fs::create_directory(folder_.File("in"));
    fs::create_directory(folder_.File("out"));
  }
  std::string Source(const std::string& name, int width, int height, std::uint32_t seed) {
    test::WritePng(folder_.File("in/" + name), test::MakeRandomImage(width, height, seed));
    return folder_.File("in/" + name);
  }
  std::vector<std::string> Sources(int count) {
    std::vector<std::string> sources;
    for (int i = 0; i < count; ++i)
      sources.push_back(Source("p" + std::to_string(i) + ".png", 90 + 7 * i, 60 + 3 * i, i));
    return sources;
  }
  BuildSummary Run(const SettingsRecord& settings, const std::vector<std::string>& sources, int jobs,
                   BuildOptions options = {}) {
    options.jobs = jobs;
    options.clock = [] { return LocalDateTime{2026, 12, 5, 9, 30, 0}; };
    return RunBuild(settings, sources, host_, counter_, outputs_, options);
  }
  SettingsRecord Plain(const std::string& name = "") {
    SettingsRecord s = test::PlainSettings(folder_.File("out"));
    s.OUTname = name;
    return s;
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  OutputList outputs_;
};

TEST_F(BuildRunTest, ProgressIsTheRoundedPercentageInRowOrderOnTheCallersThread) {
  const int cases[][3] = {{1, 8, 12}, {3, 8, 38}, {2, 3, 67}, {0, 0, 0}};
  for (const auto& [done, total, percent] : cases)
    EXPECT_EQ(ProgressPercent(done, total), percent) << done << "/" << total;
  EXPECT_EQ(Run(Plain(), Sources(3), 3).written, 3);
  EXPECT_EQ(host_.progress, (std::vector<int>{33, 67, 100}));
  EXPECT_FALSE(host_.called_elsewhere);
  EXPECT_EQ(Run(Plain(), {}, 2).rows, 0);
  EXPECT_EQ(host_.progress.size(), 3u);
}

// Noise is seeded per row, so any worker gives a row the same noise.
TEST_F(BuildRunTest, AParallelRunWritesTheSameFilesAsASerialOne) {
  SettingsRecord s = Plain("%o_%###");
  s.NoiseLevel = 30;
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
  EXPECT_FALSE(host_.called_elsewhere);
  Run(s, sources, 2);
  EXPECT_EQ(outputs_, serial_outputs) << "a second run restarts the counter";
}

// Each worker keeps its own scaled watermarks and font faces: rows of many
// widths, sharpened, with a scaled watermark and a text, come out the same
// on any worker.
TEST_F(BuildRunTest, ScaledWatermarksAndTextComeOutTheSameSeriallyAndInParallel) {
  SettingsRecord s = Plain("%o");
  s.OUTpropw = 0;
  s.OUTproph = -1;
  s.OUTheight = 80;
  s.OUTsharpen = 2;
  s.WMFile = Source("logo.png", 40, 30, 98);
  s.WMMode = kNormalWMMode;
  s.WMOpacity = 80;
  s.WMArea = 7;
  s.WMSize = 25;
  s.WMMargin = 3;
  s.WMText = "(c) %o %###";
  s.WMTextFont = "DejaVu Sans";
  s.WMTextSize = 15;
  s.WMTextColour = 0xFFFFFF;
  s.WMTextOpacity = 90;
  s.WMTextArea = 3;
  const std::vector<std::string> sources = Sources(12);
  ASSERT_EQ(Run(s, sources, 1).written, 12);
  const auto serial = FolderContents(s.OUTfolder);
  fs::remove_all(s.OUTfolder);
  fs::create_directory(s.OUTfolder);
  ASSERT_EQ(Run(s, sources, 4).written, 12);
  EXPECT_EQ(FolderContents(s.OUTfolder), serial);
  EXPECT_NE(serial.at("p0.png"), serial.at("p11.png"));
}

// Every worker has its own colour transforms: pictures with several
// profiles, converted or kept, come out the same on any of them.
TEST_F(BuildRunTest, TaggedPicturesComeOutTheSameSeriallyAndInParallel) {
  const std::vector<std::vector<std::uint8_t>> profiles = {
      test::RgbProfileBytes(test::kAdobeRgbPrimaries), test::RgbProfileBytes(test::kDisplayP3Primaries), {}};
  std::vector<std::string> sources;
  for (int i = 0; i < 12; ++i) {
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(EncodePng(test::MakeRandomImage(90 + 7 * i, 60 + 3 * i, static_cast<std::uint32_t>(i)), png,
                          "p.png", profiles[static_cast<std::size_t>(i) % profiles.size()])
                    .ok());
    sources.push_back(folder_.File("in/t" + std::to_string(i) + ".png"));
    ASSERT_TRUE(ReplaceFileAtomically(sources.back(), png).ok());
  }
  for (const std::int32_t colour : {0, 1}) {
    SettingsRecord s = Plain("%o");
    s.OUTcolour = colour;
    fs::remove_all(s.OUTfolder);
    fs::create_directory(s.OUTfolder);
    ASSERT_EQ(Run(s, sources, 1).written, 12);
    const auto serial = FolderContents(s.OUTfolder);
    fs::remove_all(s.OUTfolder);
    fs::create_directory(s.OUTfolder);
    ASSERT_EQ(Run(s, sources, 3).written, 12);
    EXPECT_EQ(FolderContents(s.OUTfolder), serial) << colour;
    for (int i = 0; i < 12; ++i) {
      const SourceColour written = ReadPngColour(serial.at("t" + std::to_string(i) + ".png"));
      EXPECT_EQ(written.icc, colour == 1 ? profiles[static_cast<std::size_t>(i) % profiles.size()]
                                         : std::vector<std::uint8_t>{})
          << i;
    }
  }
}

// A slow first row and a quick last one writing the same file: the last
// row's picture is what stays, as in a serial run.
TEST_F(BuildRunTest, RowsSharingAnOutputWriteInListOrder) {
  SettingsRecord s = Plain("same");
  s.OUToriginal = 1;
  const std::vector<std::string> sources = {Source("slow.png", 1200, 1200, 1), Source("quick.png", 8, 8, 2)};
  // One file is left, so one is counted, and the run says which rows met.
  const BuildSummary summary = Run(s, sources, 2);
  EXPECT_EQ(summary.written, 1);
  EXPECT_EQ(summary.collisions.size(), 1u);
  EXPECT_EQ(outputs_.size(), 1u);
  EXPECT_EQ(test::ReadPicture(s.OUTfolder + "/same.png").pixels, test::ReadPicture(sources[1]).pixels);
}

// Failed rows are counted and named in row order, a named pipe without
// waiting for a writer; nothing is written for them.
TEST_F(BuildRunTest, FailedRowsAreCountedAndNamedInTheMessage) {
  std::vector<std::string> sources = Sources(3);
  test::WriteTextFile(folder_.File("in/broken.png"), "\x89PNG but no more");
  ASSERT_EQ(::mkfifo(folder_.File("in/pipe.png").c_str(), 0600), 0);
  sources.insert(sources.begin() + 1, folder_.File("in/broken.png"));
  sources.insert(sources.begin() + 3, folder_.File("in/pipe.png"));
  sources.push_back(folder_.File("in/vanished.jpg"));
  for (int jobs : {1, 2}) {
    fs::remove_all(folder_.File("out"));
    fs::create_directory(folder_.File("out"));
    const Lines lines = BuildMessageLines(Run(Plain("%o"), sources, jobs));
    EXPECT_EQ(FolderContents(folder_.File("out")).size(), 3u);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0], "Process done, with problems.");
    EXPECT_EQ(lines[1].rfind("3 of 6 written in ", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "3 row(s) failed, 0 skipped.");
    for (int row : {2, 4, 6})
      EXPECT_EQ(
          lines[row / 2 + 2].rfind("Row " + std::to_string(row) + ", \"" + sources[row - 1] + "\": ", 0), 0u);
    EXPECT_NE(lines[4].find("not a regular file"), std::string::npos) << lines[4];
  }
}

TEST_F(BuildRunTest, ABrokenWatermarkIsLeftOutOnceAndTheRowsAreStillWritten) {
  SettingsRecord s = Plain();
  s.WMFile = folder_.File("in/missing-logo.png");
  EXPECT_EQ(Run(s, Sources(3), 2).written, 3);
  ASSERT_EQ(host_.notices.size(), 1u);
  EXPECT_NE(host_.notices[0].find("missing-logo.png"), std::string::npos) << host_.notices[0];
}

// A full disk fails the rows it hits; a killed run's staging files go, a
// live one's stay; the folder holds only whole thumbnails.
TEST_F(BuildRunTest, OnlyWholeFilesAreLeftBehind) {
  const fs::file_time_type now = fs::file_time_type::clock::now();
  test::WriteTextFile(folder_.File("out/.vrtmp-dead01"), "half a thumbnail");
  fs::last_write_time(folder_.File("out/.vrtmp-dead01"), now - std::chrono::hours(2));
  test::WriteTextFile(folder_.File("out/.vrtmp-live02"), "another run's write");
  fs::last_write_time(folder_.File("out/.vrtmp-live02"), now + std::chrono::minutes(1));
  SettingsRecord s = Plain("%o");
  s.OUToriginal = 1;
  const std::vector<std::string> sources = {Source("small.png", 8, 8, 1), Source("big.png", 400, 400, 2)};
  auto run = [&] {
    const BuildSummary summary = Run(s, sources, 1);
    return summary.written * 10 + summary.failed;
  };
  EXPECT_EQ(test::InChild(run, 16 * 1024), 11);  // the random 400 x 400 PNG cannot fit
  EXPECT_EQ(FolderContents(folder_.File("out")).size(), 2u);
  EXPECT_TRUE(fs::exists(folder_.File("out/small.png")));
  EXPECT_TRUE(fs::exists(folder_.File("out/.vrtmp-live02")));
}

// The output folder is the pictures' own (or a link to it), in their
// format: the names that land on a source fail their rows and leave every
// photo as it was; the counter still moves on. Serial and parallel alike.
struct OverwriteCase {
  const char* folder;
  const char* convention;
  int jobs;
  int written;
};

class SourceOverwriteTest : public BuildRunTest, public ::testing::WithParamInterface<OverwriteCase> {};

TEST_P(SourceOverwriteTest, NoRowReplacesAPictureOfTheRun) {
  fs::create_directory_symlink(folder_.File("in"), folder_.File("linked"));
  SettingsRecord s = test::PlainSettings(folder_.File(GetParam().folder));
  s.OUTname = GetParam().convention;
  const std::vector<std::string> sources = Sources(3);
  const auto before = FolderContents(folder_.File("in"));
  const BuildSummary summary = Run(s, sources, GetParam().jobs);
  EXPECT_EQ(summary.written, GetParam().written);
  EXPECT_EQ(summary.failed, 3 - GetParam().written);
  for (const RowFailure& failure : summary.failures)
    EXPECT_EQ(failure.reason.rfind("would overwrite the source picture " + folder_.File("in/p"), 0), 0u)
        << failure.reason;
  const auto after = FolderContents(folder_.File("in"));
  for (const auto& [name, bytes] : before) EXPECT_EQ(after.at(name), bytes) << name << " was replaced";
  EXPECT_EQ(counter_.value, 3);
}

// "%o" and an empty convention name every thumbnail after its source; "p1"
// names all three after the second; "t%##" lands beside them.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Conventions, SourceOverwriteTest, ::testing::Values(
    OverwriteCase{"in", "%o", 1, 0}, OverwriteCase{"in", "%o", 3, 0}, OverwriteCase{"in", "", 2, 0},
    OverwriteCase{"in", "p1", 1, 0}, OverwriteCase{"in", "p1", 2, 0}, OverwriteCase{"linked", "%o", 2, 0},
    OverwriteCase{"in", "t%##", 2, 3}));
// clang-format on

class StopTest : public BuildRunTest, public ::testing::WithParamInterface<int> {};

// The rows started are finished and written whole; the rest are counted.
TEST_P(StopTest, AStopFinishesTheRowsStarted) {
  std::atomic<bool> stop{false};
  host_.on_progress = [&](int) { stop = true; };  // once the first row is reported
  BuildOptions options;
  options.stop = &stop;
  options.queue_depth = 2;  // so rows are still waiting when the stop comes
  const BuildSummary summary = Run(Plain(), Sources(40), GetParam(), options);
  EXPECT_TRUE(summary.stopped);
  EXPECT_GE(summary.written, 1);
  EXPECT_GE(summary.not_started, 1);
  EXPECT_EQ(summary.written + summary.failed + summary.not_started, 40);
  EXPECT_EQ(FolderContents(folder_.File("out")).size(), static_cast<std::size_t>(summary.written));
  for (const std::string& output : outputs_) EXPECT_FALSE(test::ReadPicture(output).empty()) << output;
  const Lines lines = BuildMessageLines(summary);
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines.front(), "Process stopped.");
  EXPECT_NE(lines[2].find(std::to_string(summary.not_started) + " not started."), std::string::npos)
      << lines[2];
}

INSTANTIATE_TEST_SUITE_P(SerialAndParallel, StopTest, ::testing::Values(1, 2));

TEST_F(BuildRunTest, ARunOutOfThreadsGoesOnWithThoseItHasAndSaysSo) {
  for (const auto& [allowed, notice] : {std::pair{0, "No worker thread"}, std::pair{2, "Only 1 of 3"}}) {
    BuildOptions options;
    options.start_thread = test::ThreadsRefusedAfter(allowed);
    host_.notices.clear();
    EXPECT_EQ(Run(Plain(), Sources(4), 3, options).written, 4) << allowed;
    ASSERT_EQ(host_.notices.size(), 1u) << allowed;
    EXPECT_NE(host_.notices[0].find(notice), std::string::npos) << host_.notices[0];
  }
}

TEST_F(BuildRunTest, ADamagedPictureIsWrittenAndReportedAsAWarning) {
  const std::vector<std::string> sources = {Source("whole.png", 40, 30, 1), folder_.File("in/cut.bmp")};
  test::WriteBmp(sources[1], test::MakeRandomImage(64, 64, 2));
  fs::resize_file(sources[1], fs::file_size(sources[1]) / 2);  // half its rows are missing
  for (int jobs : {1, 2}) {
    const Lines lines = BuildMessageLines(Run(Plain("%o"), sources, jobs));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].rfind("2 image(s)", 0), 0u);
    EXPECT_EQ(lines[2], "1 written from damaged pictures:");
    EXPECT_EQ(lines[3],
              "Row 2, \"" + sources[1] +
                  "\": the picture is damaged (its file ends early); the thumbnail shows what could "
                  "be read");
  }
}

// Stray bytes a decoder passes over are told apart from damage, in the
// decoder's words, in a section of their own.
TEST_F(BuildRunTest, AWarningThatCostNoPixelsIsANoteNotDamage) {
  const std::vector<std::string> sources = {folder_.File("in/stray.jpg"), Source("whole.png", 40, 30, 1)};
  std::vector<std::uint8_t> jpeg;
  JpegCodec codec;
  ASSERT_TRUE(codec.Encode(test::MakeRandomImage(48, 32, 3), 90, jpeg, sources[0]).ok());
  for (std::size_t at = 2; at + 1 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDB) {
      jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), {7, 7});
      break;
    }
  test::WriteBytes(sources[0], jpeg);
  for (int jobs : {1, 2}) {
    const BuildSummary summary = Run(Plain("%o"), sources, jobs);
    EXPECT_TRUE(summary.warnings.empty());
    const Lines lines = BuildMessageLines(summary);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "1 written despite decoder warnings:");
    EXPECT_EQ(lines[3],
              "Row 1, \"" + sources[0] +
                  "\": the decoder warned (Corrupt JPEG data: 2 extraneous bytes before marker 0xdb); "
                  "no part of the picture was lost");
  }
}

// No file name can forge a report line: names are quoted, control
// characters escaped, printable text (UTF-8 included) left as it is;
// reasons keep their quotes. Only the first failures are listed.
TEST_F(BuildRunTest, TheMessageIsTheRunsOwnLinesOnly) {
  // clang-format off
  const std::pair<std::string, std::string> names[] = {
      {"a\nRow 2, \"x\": forged", "\"a\\nRow 2, \\\"x\\\": forged\""}, {"del\x7f", "\"del\\x7f\""}, {"", "\"\""},
      {"tab\there\rand\x1b[31m", "\"tab\\there\\rand\\x1b[31m\""}, {std::string("nul\0in", 6), "\"nul\\x00in\""},
      {"back\\slash", "\"back\\\\slash\""}, {"Möwe 海.png", "\"Möwe 海.png\""}};
  // clang-format on
  for (const auto& [text, quoted] : names) EXPECT_EQ(QuotedForReport(text), quoted);
  EXPECT_EQ(EscapeForReport("Invalid PNG: \"bad\"\nin x"), "Invalid PNG: \"bad\"\\nin x");
  const std::string forged = folder_.File("in/x\nRow 9, ok.png");
  test::WriteTextFile(forged, "not a picture");
  for (const std::string& line : BuildMessageLines(Run(Plain(), {forged}, 1)))
    EXPECT_EQ(line.find('\n'), std::string::npos) << line;
  BuildSummary summary;
  summary.rows = summary.failed = 9;
  summary.seconds = 0.049;
  for (int i = 1; i <= 9; ++i) summary.failures.push_back({i, "f" + std::to_string(i) + ".jpg", "broken"});
  const Lines lines = BuildMessageLines(summary);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[1], "0 of 9 written in 0.0 second(s)");
  EXPECT_EQ(lines[7], "Row 5, \"f5.jpg\": broken");
  EXPECT_EQ(lines[8], "... and 4 more.");
}

// A row that needs more memory than the run may give one row fails alone,
// with its size and file named, whether the limit is seen in planning or met
// by an allocation; the other rows are written.
class RunMemoryTest : public BuildRunTest, public ::testing::WithParamInterface<int> {
 protected:
  BuildSummary Run(const std::vector<std::string>& sources, std::uint64_t usable_memory,
                   const std::optional<SettingsRecord>& settings = std::nullopt) {
    BuildOptions options;
    options.usable_memory = usable_memory;
    return BuildRunTest::Run(settings.value_or(Plain()), sources, GetParam(), options);
  }
  std::string small_ = Source("small.png", 8, 8, 1);
  std::string other_ = Source("other.png", 8, 8, 3);  // its own file: rows sharing one count once
};

// A row is priced at its decoded picture and its file, and may take half the
// usable memory: one byte more fails it before it is tried.
TEST_P(RunMemoryTest, ARowPricedAboveHalfTheUsableMemoryFailsBeforeItIsTried) {
  const std::string big = Source("big.png", 200, 150, 2);
  const std::uint64_t price = 200 * 150 * 4 + std::filesystem::file_size(big);
  EXPECT_EQ(Run({small_, big, other_}, 2 * price).written, 3);
  const BuildSummary summary = Run({small_, big, other_}, 2 * price - 2);
  EXPECT_EQ(summary.written, 2);
  ASSERT_EQ(summary.failures.size(), 1u);
  EXPECT_EQ(summary.failures[0].row, 2);
  EXPECT_EQ(summary.failures[0].reason.rfind("not enough memory for 200x150 in " + big, 0), 0u)
      << summary.failures[0].reason;
}

// Told there is plenty under an address-space limit, a decode that needs
// the whole picture (an effect before the resize) fails its allocation
// instead: still only that row. Resized first, the same picture streams its
// rows into the shrink and fits.
TEST_P(RunMemoryTest, AnAllocationThatFailsFailsOnlyItsRow) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "address-space limits do not mix with the sanitizers";
#endif
  const std::string huge = folder_.File("huge.png");
  WriteLargeGreyPng(huge, 12000, 12000);  // 576 MB as RGBA, about 150 KB on disk
  SettingsRecord effects_first = Plain();
  effects_first.ADVpixall = 1;
  effects_first.BrightnessLevel = 10;
  const auto run = [&](const SettingsRecord& settings) {
    const rlimit cap{rlim_t{384} << 20, rlim_t{384} << 20};
    return setrlimit(RLIMIT_AS, &cap) == 0 ? Run({small_, huge, other_}, std::uint64_t{64} << 30, settings)
                                           : BuildSummary();
  };
  EXPECT_EQ(test::InChild([&] {
              const BuildSummary s = run(effects_first);
              return s.written == 2 && s.failures.size() == 1 &&
                     s.failures[0].reason.rfind("not enough memory for 12000x12000", 0) == 0;
            }),
            1);
  EXPECT_EQ(test::InChild([&] {
              const BuildSummary s = run(Plain());
              return s.written == 3 && s.failures.empty();
            }),
            1);
}

INSTANTIATE_TEST_SUITE_P(SerialAndParallel, RunMemoryTest, ::testing::Values(1, 2));

}  // namespace
}  // namespace vr
