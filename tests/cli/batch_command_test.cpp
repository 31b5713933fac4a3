// The varenna-batch program as a script uses it: options, exit codes and
// messages, run as a separate process.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <thread>
#include <vector>

#include "cli/batch_options.h"
#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int exit_code = -1;
  std::string out;
  std::string err;
};

class BatchCommandTest : public ::testing::Test {
 protected:
  BatchCommandTest() {
    fs::create_directory(folder_.File("in"));
    test::WriteTextFile(settings_, "");
  }

  Outcome Run(const std::string& arguments) {
    return RunCommand("--settings '" + settings_ + "' " + arguments);
  }

  // Without --settings: the program's own store, under a config folder of
  // the test's.
  Outcome RunOnOwnStore(const std::string& arguments) {
    return RunCommand(arguments, "XDG_CONFIG_HOME='" + folder_.File("config") + "' ");
  }

  Outcome RunCommand(const std::string& arguments, const std::string& environment = "") {
    const std::string err_file = folder_.File("stderr.txt");
    const std::string command =
        environment + std::string(VARENNA_BIN_DIR) + "/varenna-batch " + arguments + " 2>'" + err_file + "'";
    Outcome outcome;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return outcome;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) outcome.out.append(buffer, n);
    const int status = ::pclose(pipe);
    outcome.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    outcome.err = test::ReadTextFile(err_file);
    return outcome;
  }

  std::string OutputOptions() const {
    return "--set OUTfolder='" + folder_.File("out") +
           "' --set OUTformat=2 --set OUTnoprop=0 --set OUTpropw=-1 " +
           "--set OUTwidth=32 --set 'OUTname=t%##' ";
  }

  test::TempFolder folder_;
  std::string settings_ = folder_.File("settings.reg");
};

TEST_F(BatchCommandTest, AFolderIsBuiltInTheListsOrderAndTheMessageGoesToStdout) {
  test::WritePng(folder_.File("in/b.png"), test::MakeRandomImage(64, 48, 1));
  test::WriteBmp(folder_.File("in/c.BMP"), test::MakeRandomImage(64, 32, 2));
  test::WritePng(folder_.File("in/a.png"), test::MakeRandomImage(64, 64, 3));
  fs::create_directory(folder_.File("in/d.png"));  // a folder named like a picture
  Outcome run = Run(OutputOptions() + "--jobs 2 '" + folder_.File("in") + "'");

  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(run.out.rfind("Process done!\n3 image(s) generated in ", 0), 0u) << run.out;
  EXPECT_NE(run.err.find("Creating the output folder"), std::string::npos) << run.err;
  // .bmp first, then the .png files by name.
  EXPECT_EQ(test::ReadPicture(folder_.File("out/t00.png")).height, 16);
  EXPECT_EQ(test::ReadPicture(folder_.File("out/t01.png")).height, 32);
  EXPECT_EQ(test::ReadPicture(folder_.File("out/t02.png")).height, 24);
}

TEST_F(BatchCommandTest, AFailedRowIsReportedOnStderrAndGivesExitOne) {
  test::WritePng(folder_.File("in/good.png"), test::MakeRandomImage(20, 20, 1));
  test::WriteTextFile(folder_.File("in/bad.jpg"), "no picture");
  Outcome run =
      Run(OutputOptions() + "'" + folder_.File("in/good.png") + "' '" + folder_.File("in/bad.jpg") + "'");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("Row 2, \"" + folder_.File("in/bad.jpg") + "\": "), std::string::npos) << run.err;
  EXPECT_NE(run.out.find("1 image(s) generated"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(folder_.File("out/t00.png")));
}

TEST_F(BatchCommandTest, ADamagedPictureIsAWarningUnlessStrict) {
  const std::string cut = folder_.File("in/cut.bmp");
  test::WriteBmp(cut, test::MakeRandomImage(64, 64, 2));
  fs::resize_file(cut, fs::file_size(cut) / 2);
  Outcome run = Run(OutputOptions() + "'" + cut + "'");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("warning: Row 1, \"" + cut + "\": the picture is damaged"), std::string::npos)
      << run.err;
  EXPECT_NE(run.out.find("1 written from damaged pictures:"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::exists(folder_.File("out/t00.png")));
  EXPECT_EQ(Run(OutputOptions() + "--strict '" + cut + "'").exit_code, 1);
}

// A thumbnail name that is a link (into a web folder, say) stays a link;
// the picture lands where it points.
TEST_F(BatchCommandTest, AThumbnailThatIsALinkIsWrittenThroughIt) {
  test::WritePng(folder_.File("in/a.png"), test::MakeRandomImage(64, 32, 1));
  fs::create_directory(folder_.File("out"));
  fs::create_directory(folder_.File("site"));
  fs::create_symlink("../site/thumb.png", folder_.File("out/t00.png"));
  Outcome run = Run(OutputOptions() + "'" + folder_.File("in/a.png") + "'");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(fs::is_symlink(folder_.File("out/t00.png")));
  EXPECT_EQ(test::ReadPicture(folder_.File("site/thumb.png")).height, 16);
}

TEST_F(BatchCommandTest, NoCreateSkipsTheRowsOfAMissingFolder) {
  test::WritePng(folder_.File("in/a.png"), test::MakeRandomImage(20, 20, 1));
  Outcome run = Run(OutputOptions() + "--no-create '" + folder_.File("in") + "'");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.out.find("0 row(s) failed, 1 skipped."), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(folder_.File("out")));
}

TEST_F(BatchCommandTest, SettingsComeFromTheStoreAndSetOverridesThem) {
  test::WriteTextFile(settings_,
                      "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
                      "\"OUTwidth\"=dword:0000012c\r\n\"OUTname\"=\"from-store\"\r\n");
  Outcome run = Run("--set outheight=77 --set WMFile=/x/logo.png --show-settings");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("\nOUTname=from-store\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nOUTwidth=300\nOUTheight=77\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nWMFile=/x/logo.png\n"), std::string::npos);
  EXPECT_EQ(run.out.rfind("GENextra=", 0), 0u);  // the record's order
}

// A settings file the user names must be used or the run must not happen:
// a run on defaults would write thumbnails nobody asked for.
TEST_F(BatchCommandTest, ASettingsFileThatCannotBeUsedEndsTheRunNamingIt) {
  test::WritePng(folder_.File("in/a.png"), test::MakeRandomImage(20, 20, 1));
  fs::create_directory(folder_.File("a-folder.reg"));
  test::WriteTextFile(folder_.File("notes.reg"), "OUTwidth=300\n");
  for (const char* name : {"missing.reg", "a-folder.reg", "notes.reg"}) {
    const std::string file = folder_.File(name);
    Outcome run = Run(OutputOptions() + "--settings '" + file + "' '" + folder_.File("in") + "'");
    EXPECT_EQ(run.exit_code, 2) << name;
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    EXPECT_FALSE(fs::exists(folder_.File("out"))) << "a run went ahead without " << name;
  }
}

TEST_F(BatchCommandTest, TheProgramsOwnStoreMayBeMissing) {
  Outcome run = RunOnOwnStore("--set OUTwidth=77 --show-settings");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.out.find("\nOUTwidth=77\n"), std::string::npos) << run.out;
}

TEST_F(BatchCommandTest, InputsWithoutPicturesAreAnErrorNamingThem) {
  fs::create_directory(folder_.File("other"));
  test::WriteTextFile(folder_.File("other/readme.txt"), "not a picture");
  const std::string in = folder_.File("in");
  const std::string other = folder_.File("other");
  Outcome run = Run(OutputOptions() + "'" + in + "' '" + other + "'");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find("no pictures found in " + in + " " + other + "\n"), std::string::npos) << run.err;
  EXPECT_EQ(run.out.find("Process done!"), std::string::npos) << run.out;
  EXPECT_TRUE(run.out.empty()) << run.out;
}

struct UsageCase {
  const char* arguments;
  const char* message;
};

class BatchUsageTest : public BatchCommandTest, public ::testing::WithParamInterface<UsageCase> {};

TEST_P(BatchUsageTest, IsAnErrorWithExitTwoThatNamesTheCulprit) {
  Outcome run = Run(GetParam().arguments);
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
  EXPECT_TRUE(run.out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Errors, BatchUsageTest,
    ::testing::Values(UsageCase{"--set NoSuchThing=1 x.png", "Unknown setting NoSuchThing"},
                      UsageCase{"--set OUTwidth=12px x.png", "OUTwidth"},
                      UsageCase{"--set OUTwidth=99999999999 x.png", "OUTwidth"},
                      UsageCase{"--set =5 x.png", "NAME=VALUE"}, UsageCase{"--jobs 0 x.png", "--jobs"},
                      UsageCase{"--frobnicate x.png", "Unknown option --frobnicate"},
                      UsageCase{"", "no pictures given"},
                      UsageCase{"--settings /nonexistent-varenna/settings.reg x.png",
                                "/nonexistent-varenna/settings.reg"}));

TEST_F(BatchCommandTest, CtrlCFinishesTheRowsStartedPrintsTheSummaryAndExits130) {
  // One picture listed many times: the run is long enough to interrupt.
  const std::string picture = folder_.File("in/photo.png");
  test::WritePng(picture, test::MakeRandomImage(400, 300, 5));
  std::vector<std::string> arguments = {"varenna-batch",
                                        "--settings",
                                        settings_,
                                        "--jobs",
                                        "2",
                                        "--set",
                                        "OUTfolder=" + folder_.File("out"),
                                        "--set",
                                        "OUTformat=2",
                                        "--set",
                                        "OUTname=t%##"};
  for (int i = 0; i < 3000; ++i) arguments.push_back(picture);
  fs::create_directory(folder_.File("out"));

  const std::string out_file = folder_.File("stdout.txt");
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::freopen(out_file.c_str(), "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    ::execv((std::string(VARENNA_BIN_DIR) + "/varenna-batch").c_str(), argv.data());
    ::_exit(127);
  }
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (fs::is_empty(folder_.File("out")) && std::chrono::steady_clock::now() < give_up)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ::kill(child, SIGINT);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);

  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 130);
  const std::string out = test::ReadTextFile(out_file);
  EXPECT_EQ(out.rfind("Process stopped.\n", 0), 0u) << out;
  std::size_t written = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder_.File("out"))) {
    EXPECT_EQ(entry.path().extension(), ".png") << entry.path() << " is left over";
    EXPECT_EQ(test::ReadPicture(entry.path().string()).width, 300) << entry.path();
    ++written;
  }
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, 3000u);
  EXPECT_NE(out.find(std::to_string(written) + " image(s) generated"), std::string::npos) << out;
}

TEST_F(BatchCommandTest, AFileSizeLimitFailsTheRowsItHitsAndTheRunStillEnds) {
  test::WritePng(folder_.File("in/a_small.png"), test::MakeRandomImage(8, 8, 1));
  test::WritePng(folder_.File("in/b_large.png"), test::MakeRandomImage(400, 400, 2));
  Outcome run = RunCommand("--settings '" + settings_ + "' " + OutputOptions() +
                               "--set OUToriginal=1 --jobs 1 '" + folder_.File("in") + "'",
                           "prlimit --fsize=16384 ");
  EXPECT_EQ(run.exit_code, 1) << "killed rather than failing the row? " << run.err;
  EXPECT_EQ(run.out.rfind("Process done!\n1 image(s) generated in ", 0), 0u) << run.out;
  EXPECT_NE(run.err.find("b_large.png"), std::string::npos) << run.err;
  EXPECT_EQ(test::ReadPicture(folder_.File("out/t00.png")).width, 8);
}

TEST_F(BatchCommandTest, HelpDocumentsEveryOption) {
  Outcome run = Run("--help");
  EXPECT_EQ(run.exit_code, 0);
  for (const char* option :
       {"--settings", "--set", "--show-settings", "--jobs", "--no-create", "--strict", "--help", "Exit"})
    EXPECT_NE(run.out.find(option), std::string::npos) << option;
}

TEST(BatchOptionsTest, TextSettingsTakeAnyValueAndNumbersMustBeWhole) {
  SettingsRecord record;
  EXPECT_TRUE(ApplySettingOverride(record, "outname", "a=b %o").ok());
  EXPECT_EQ(record.OUTname, "a=b %o");
  EXPECT_TRUE(ApplySettingOverride(record, "JPEGquality", "-5").ok());
  EXPECT_EQ(record.JPEGquality, -5);
  EXPECT_FALSE(ApplySettingOverride(record, "JPEGquality", "").ok());
  EXPECT_FALSE(ApplySettingOverride(record, "JPEGquality", "2147483648").ok());
  EXPECT_EQ(record.JPEGquality, -5);
}

}  // namespace
}  // namespace vr
