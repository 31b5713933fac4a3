// The varenna-batch program as a script uses it, run through sh: its exit
// codes (0 done, 1 a row failed, 2 refused, 130 stopped) and message lines.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "base/atomic_file.h"
#include "base/file_bytes.h"
#include "cli/batch_program_test_base.h"
#include "core/imaging/colour/profile_bytes.h"
#include "core/imaging/metadata/metadata_files.h"
#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/colour/icc_profile.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

using test::Outcome;

class BatchCommandTest : public test::BatchProgramTest {
 protected:
  // 32-px-wide PNG thumbnails named t00, t01, ... in out/.
  static std::string Out(const std::string& more) {
    return "--set OUTfolder=DIR/out --set OUTformat=2 --set OUTnoprop=0 --set OUTpropw=-1 "
           "--set OUTwidth=32 --set 'OUTname=t%##' " +
           more;
  }
  void Picture(const std::string& name, int width, int height) {
    test::WritePng(Path(name), test::MakeRandomImage(width, height, width + height));
  }
  int Height(const std::string& name) const { return test::ReadPicture(Path(name)).height; }
};

struct RowCase {
  const char* arguments;
  const char* before;
  int code;
  const char* out;
  const char* err;
  const char* heights;  // of t00.png, t01.png, ... in out/, the thumbnails written
};

class RowOutcomeTest : public BatchCommandTest, public testing::WithParamInterface<RowCase> {};

TEST_P(RowOutcomeTest, GivesItsExitCodeMessagesAndThumbnails) {
  Picture("in/b.png", 64, 48);
  test::WriteBmp(Path("in/c.BMP"), test::MakeRandomImage(64, 32, 2));
  Picture("in/a.png", 64, 64);
  fs::create_directories(Path("in/d.png"));  // a folder named like a picture
  fs::create_directories(Path("rows"));
  Picture("rows/good.png", 20, 20);
  Picture("rows/large.png", 400, 400);
  test::WriteTextFile(Path("rows/bad.jpg"), "no picture");
  test::WriteBmp(Path("rows/cut.bmp"), test::MakeRandomImage(64, 64, 2));
  fs::resize_file(Path("rows/cut.bmp"), fs::file_size(Path("rows/cut.bmp")) / 2);
  // A whole JPEG with three stray bytes before its scan (nothing lost), the
  // same cut short, and a plain JPEG cut short.
  std::vector<std::uint8_t> jpeg;
  JpegCodec codec;
  ASSERT_TRUE(codec.Encode(test::MakeRandomImage(64, 64, 4), 90, jpeg, "stray.jpg").ok());
  test::WriteBytes(Path("rows/cut.jpg"),
                   {jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() * 2 / 3)});
  for (std::size_t at = 2; at + 1 < jpeg.size(); ++at)
    if (jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA) {
      jpeg.insert(jpeg.begin() + static_cast<std::ptrdiff_t>(at), {1, 2, 3});
      break;
    }
  test::WriteBytes(Path("rows/stray.jpg"), jpeg);
  jpeg.resize(jpeg.size() * 2 / 3);
  test::WriteBytes(Path("rows/stray-cut.jpg"), jpeg);
  const Outcome run = Run(Out(GetParam().arguments), GetParam().before);
  EXPECT_EQ(run.code, GetParam().code) << run.err;
  EXPECT_NE(run.out.find(InFolder(GetParam().out)), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(InFolder(GetParam().err)), std::string::npos) << run.err;
  std::istringstream heights(GetParam().heights);
  int row = 0;
  for (int height; heights >> height; ++row)
    EXPECT_EQ(Height("out/t0" + std::to_string(row) + ".png"), height);
  EXPECT_FALSE(fs::exists(Path("out/t0" + std::to_string(row) + ".png")));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RowOutcomeTest,
    testing::Values(
        // A folder: .bmp first, then the .png files by name; the message goes to stdout.
        RowCase{"--jobs 2 DIR/in", "", 0, "Process done!\n3 image(s) generated in ",
                "Creating the output folder", "16 32 24"},
        RowCase{"DIR/rows/good.png DIR/rows/bad.jpg", "", 1, "1 of 2 written",
                "Row 2, \"DIR/rows/bad.jpg\": ", "32"},
        RowCase{"DIR/rows/cut.bmp", "", 0, "1 written from damaged pictures:",
                "warning: Row 1, \"DIR/rows/cut.bmp\": the picture is damaged", "32"},
        RowCase{"--strict DIR/rows/cut.bmp", "", 1, "1 written from damaged pictures:", "DIR/rows/cut.bmp",
                "32"},
        // The reason is the decoder's; only lost pixels fail a strict run, and
        // stray bytes do not hide a cut behind them.
        RowCase{"--strict DIR/rows/stray.jpg", "", 0, "1 written despite decoder warnings:",
                "warning: Row 1, \"DIR/rows/stray.jpg\": the decoder warned (Corrupt JPEG data: 3 extraneous "
                "bytes before marker 0xda); no part of the picture was lost",
                "32"},
        RowCase{"--strict DIR/rows/cut.jpg", "", 1, "1 written from damaged pictures:",
                "warning: Row 1, \"DIR/rows/cut.jpg\": the picture is damaged (Premature end of JPEG file)",
                "32"},
        RowCase{"--strict DIR/rows/stray-cut.jpg", "", 1, "1 written from damaged pictures:",
                "the picture is damaged (Premature end of JPEG file)", "32"},
        RowCase{"DIR/rows/cut.bmp", "", 0, "", "the picture is damaged (its file ends early)", "32"},
        RowCase{"--no-create DIR/rows/good.png", "", 1, "0 row(s) failed, 1 skipped.", "", ""},
        // A file size limit fails the row it hits instead of killing the run.
        RowCase{"--set OUToriginal=1 --jobs 1 DIR/rows/good.png DIR/rows/large.png", "prlimit --fsize=16384 ",
                1, "Process done, with problems.\n1 of 2 written in ", "large.png", "20"}));

TEST_F(BatchCommandTest, SettingsComeFromTheStoreAndSetOverridesThem) {
  test::WriteTextFile(Path("settings.reg"),
                      "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
                      "\"OUTwidth\"=dword:0000012c\r\n\"OUTname\"=\"from-store\"\r\n");
  Outcome run =
      Run("--set outheight=77 --set 'WMFile=/x/a=b %o.png' --set JPEGquality=-5 --background '#1a2B3c' "
          "--show-settings");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out.rfind("GENextra=", 0), 0u);  // the record's order
  // The background is written as web colours are (RRGGBB) and stored as 0x00BBGGRR.
  for (const char* line : {"\nOUTname=from-store\n", "\nOUTwidth=300\nOUTheight=77\n",
                           "\nWMFile=/x/a=b %o.png\n", "\nJPEGquality=-5\n", "\nOUTbackground=3943194\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
  // Without --settings the program's own store is read, and it may be missing.
  store.clear();
  run = Run("--set OUTwidth=77 --show-settings", "XDG_CONFIG_HOME=DIR/config ");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("\nOUTwidth=77\n"), std::string::npos) << run.out;
}

// -q sets the quality of the format the run ends up with, wherever -f
// stands; formats without one leave it to JPEGquality.
TEST_F(BatchCommandTest, QualityGoesToTheRunsFormat) {
  struct Case {
    const char* options;
    const char* shown;
  };
  for (const Case& c :
       {Case{"-f webp -q 70", "\nWEBPquality=70\n"}, Case{"-q 33 -f avif", "\nAVIFquality=33\n"},
        Case{"--format=jxl --quality=95", "\nJXLquality=95\n"}, Case{"-f jpeg -q 40", "\nJPEGquality=40\n"},
        Case{"-f png -q 12", "\nJPEGquality=12\n"}}) {
    const Outcome run = Run(std::string(c.options) + " --show-settings");
    EXPECT_EQ(run.code, 0) << c.options << run.err;
    EXPECT_NE(run.out.find(c.shown), std::string::npos) << c.options << run.out;
  }
}

// A store without a quality makes JPEGs at 85, the same bytes as asking for
// 85, and shows it; a stored 0 stays 0. Without an output folder the
// thumbnails go beside the program, whose folder can be written here.
TEST_F(BatchCommandTest, AStoreWithoutAQualityMakesJpegsAt85AndAStoredZeroStays) {
  Outcome run = Run("--show-settings");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_NE(run.out.find("\nJPEGquality=85\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("\nOUTfolder=" + fs::canonical(VARENNA_BIN_DIR).string() + "\n"), std::string::npos)
      << run.out;

  Picture("in/photo.png", 64, 48);
  const std::string jpeg = "--set OUTformat=1 --set OUTwidth=32 --set OUTname=q DIR/in/photo.png";
  for (const auto& [folder, quality] : {std::pair{"unset", ""}, std::pair{"q85", "--set JPEGquality=85 "},
                                        std::pair{"q0", "--set JPEGquality=0 "}}) {
    run = Run(std::string(quality) + "--set OUTfolder=DIR/" + folder + " " + jpeg);
    EXPECT_EQ(run.code, 0) << run.err;
  }
  const std::string unset = test::ReadTextFile(Path("unset/q.jpg"));
  EXPECT_FALSE(unset.empty());
  EXPECT_EQ(unset, test::ReadTextFile(Path("q85/q.jpg")));
  EXPECT_NE(unset, test::ReadTextFile(Path("q0/q.jpg")));

  test::WriteTextFile(Path("settings.reg"),
                      "Windows Registry Editor Version 5.00\r\n\r\n"
                      "[HKEY_LOCAL_MACHINE\\Software\\Corvelle\\Varenna Pro]\r\n"
                      "\"JPEGquality\"=dword:00000000\r\n");
  run = Run("--show-settings");
  EXPECT_NE(run.out.find("\nJPEGquality=0\n"), std::string::npos) << run.out;
  // The program's own store, missing on a first run.
  store.clear();
  run = Run("--show-settings", "XDG_CONFIG_HOME=DIR/config ");
  EXPECT_NE(run.out.find("\nJPEGquality=85\n"), std::string::npos) << run.out;
}

// --set OUTformat chooses the newer formats too: each thumbnail gets its
// extension and is the picture at the size asked for, read back from a
// WebP, AVIF and JPEG XL made by the previous run.
TEST_F(BatchCommandTest, OutFormatWritesWebpAvifAndJpegXl) {
  Picture("in/photo.png", 64, 48);
  std::string input = "DIR/in/photo.png";
  for (const char* format : {"3", "4", "5"}) {
    const Outcome run = Run("--set OUTformat=" + std::string(format) +
                            " --set OUTfolder=DIR/out --set OUTnoprop=0 --set OUTpropw=-1 --set OUTwidth=32 "
                            "--set OUTname=t" +
                            format + " " + input);
    EXPECT_EQ(run.code, 0) << run.err;
    const char* extension = format[0] == '3' ? ".webp" : format[0] == '4' ? ".avif" : ".jxl";
    input = "DIR/out/t" + std::string(format) + extension;
    EXPECT_EQ(Height("out/t" + std::string(format) + extension), 24) << extension;
  }
}

TEST_F(BatchCommandTest, VersionPrintsTheProgramsNameAndVersion) {
  const Outcome run = Run("--version");
  EXPECT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out, "varenna-batch " VARENNA_VERSION "\n");
  EXPECT_EQ(run.err, "");
}

struct RefusedCase {
  const char* arguments;
  const char* message;
};

class RefusedTest : public BatchCommandTest, public testing::WithParamInterface<RefusedCase> {};

// A settings file the user names must be used or the run must not happen:
// a run on defaults would write thumbnails nobody asked for.
TEST_P(RefusedTest, ExitsTwoNamingTheCulpritAndWritesNothing) {
  Picture("p/a.png", 20, 20);
  fs::create_directory(Path("a-folder.reg"));
  test::WriteTextFile(Path("notes.reg"), "OUTwidth=300\n");
  fs::create_directory(Path("other"));
  test::WriteTextFile(Path("other/readme.txt"), "not a picture");
  const Outcome run = Run(Out(GetParam().arguments));
  EXPECT_EQ(run.code, 2);
  EXPECT_NE(run.err.find(InFolder(GetParam().message)), std::string::npos) << run.err;
  EXPECT_EQ(run.out, "");
  EXPECT_FALSE(fs::exists(Path("out")));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, RefusedTest,
    testing::Values(
        RefusedCase{"--settings DIR/missing.reg DIR/p", "DIR/missing.reg"},
        RefusedCase{"--settings DIR/a-folder.reg DIR/p", "DIR/a-folder.reg"},
        RefusedCase{"--settings DIR/notes.reg DIR/p", "DIR/notes.reg"},
        RefusedCase{"DIR/in DIR/other", "no pictures found in DIR/in DIR/other\n"},
        RefusedCase{"--set NoSuchThing=1 DIR/p", "Unknown setting NoSuchThing"},
        RefusedCase{"--background 12345 DIR/p", "--background needs a colour as RRGGBB"},
        RefusedCase{"--background red DIR/p", "not \"red\""},
        RefusedCase{"--background", "--background needs a value"},
        RefusedCase{"--set OUTwidth=12px DIR/p", "OUTwidth"},
        RefusedCase{"--set OUTwidth=2147483648 DIR/p", "OUTwidth"},
        RefusedCase{"--set OUTwidth= DIR/p", "OUTwidth"}, RefusedCase{"--set =5 DIR/p", "NAME=VALUE"},
        RefusedCase{"--jobs 0 DIR/p", "--jobs"},
        RefusedCase{"--frobnicate DIR/p", "Unknown option --frobnicate"},
        RefusedCase{"--colour wide DIR/p", "--colour needs srgb or keep, not \"wide\""},
        RefusedCase{"--colour", "--colour needs a value"}, RefusedCase{"", "no pictures given"},
        RefusedCase{"--metadata everything DIR/p", "--metadata needs strip, keep or no-location"},
        RefusedCase{"--sharpen extreme DIR/p",
                    "--sharpen needs none, light, medium or strong, not \"extreme\""},
        RefusedCase{"--watermark-size 101 DIR/p",
                    "--watermark-size needs a whole number from 0 to 100, not \"101\""},
        RefusedCase{"--watermark-region 0 DIR/p", "--watermark-region needs a whole number from 1 to 9"},
        RefusedCase{"--watermark-margin 5px DIR/p", "--watermark-margin needs a whole number"},
        RefusedCase{"--watermark-blend multiply DIR/p", "--watermark-blend needs normal, additive"},
        RefusedCase{"--text-colour white DIR/p", "--text-colour needs a colour as RRGGBB"},
        RefusedCase{"--text-size 0 DIR/p", "--text-size needs a whole number from 1 to 100"},
        RefusedCase{"--text", "--text needs a value"},
        RefusedCase{"--if-exists ask DIR/p",
                    "--if-exists needs overwrite, skip, newer or rename, not \"ask\""},
        RefusedCase{"--set OUTifexists=9 DIR/p", "OUTifexists=9 is out of range: 0 to 4"}));

// Each look option is its setting by name, in turn with the --set options.
TEST_F(BatchCommandTest, LookOptionsSetTheirSettings) {
  const Outcome run = Run(
      "--sharpen medium --watermark /logo.png --watermark-size 20 --watermark-margin 8 --watermark-region 7 "
      "--watermark-opacity 80 --watermark-blend normal --text '(c) %o' --font 'DejaVu Serif' --text-size 6 "
      "--text-colour '#102030' --text-opacity 70 --text-region 3 --set WMTextArea=4 --show-settings");
  ASSERT_EQ(run.code, 0) << run.err;
  for (const char* line :
       {"\nOUTsharpen=2\n", "\nWMFile=/logo.png\n", "\nWMSize=20\n", "\nWMMargin=8\n", "\nWMArea=7\n",
        "\nWMOpacity=80\n", "\nWMMode=9\n", "\nWMText=(c) %o\n", "\nWMTextFont=DejaVu Serif\n",
        "\nWMTextSize=6\n", "\nWMTextColour=3153936\n", "\nWMTextOpacity=70\n", "\nWMTextArea=4\n"})
    EXPECT_NE(run.out.find(line), std::string::npos) << line << run.out;
}

// A 40-pixel logo at 25 % of 32-pixel thumbnails is 8 pixels wide, 2 from
// the top-left corner; the text's white glyphs land in the bottom half.
TEST_F(BatchCommandTest, TheWatermarkScalesToTheThumbnailAndTheTextIsDrawn) {
  test::WritePng(Path("in/black.png"), test::MakeImage(160, 160, {0, 0, 0, 255}));
  test::WritePng(Path("logo.png"), test::MakeImage(40, 40, {255, 255, 255, 255}));
  const Outcome run =
      Run(Out("--watermark DIR/logo.png --watermark-size 25 --watermark-margin 2 --watermark-region 1 "
              "--watermark-blend normal --watermark-opacity 100 --text '%o' --text-size 20 --text-region 3 "
              "--set OUTheight=32 DIR/in"));
  ASSERT_EQ(run.code, 0) << run.err;
  const Image thumbnail = test::ReadPicture(Path("out/t00.png"));
  ASSERT_EQ(thumbnail.width, 32);
  int white = 0;
  for (int x = 0; x < 32; ++x) white += thumbnail.at(x, 5)[0] > 127 ? 1 : 0;
  EXPECT_EQ(white, 8);
  EXPECT_EQ(thumbnail.at(1, 1)[0], 0);
  EXPECT_GT(thumbnail.at(2, 2)[0], 127);
  int lit = 0;
  for (int y = 16; y < 32; ++y)
    for (int x = 0; x < 32; ++x) lit += thumbnail.at(x, y)[0] > 0 ? 1 : 0;
  EXPECT_GT(lit, 10);
}

// The size modes through the program: fill makes every thumbnail the box,
// "never enlarge" leaves the small picture as it is, fit stays inside.
TEST_F(BatchCommandTest, SizeMakesTheShapesItNames) {
  Picture("in/wide.png", 400, 250);
  Picture("in/tall.png", 90, 700);
  const auto sides = [this](const std::string& name) {
    const Image picture = test::ReadPicture(Path("out/" + name));
    return std::to_string(picture.width) + "x" + std::to_string(picture.height);
  };
  const auto run = [this](const std::string& size) {
    return Run(Out("--size " + size + " --set 'OUTname=%o' DIR/in/wide.png DIR/in/tall.png")).code;
  };
  ASSERT_EQ(run("'64x64^'"), 0);
  EXPECT_EQ(sides("wide.png") + " " + sides("tall.png"), "64x64 64x64");
  ASSERT_EQ(run("'300x300>' --crop attention"), 0);
  EXPECT_EQ(sides("wide.png") + " " + sides("tall.png"), "300x188 39x300");
  ASSERT_EQ(run("'500x500>'"), 0);
  EXPECT_EQ(sides("wide.png") + " " + sides("tall.png"), "400x250 64x500");
  ASSERT_EQ(run("200x100"), 0);
  EXPECT_EQ(sides("wide.png") + " " + sides("tall.png"), "160x100 13x100");
  EXPECT_EQ(Run(Out("--size 200y100 DIR/in/wide.png")).code, 2);
}

// --colour is OUTcolour by name, taken in turn with the --set options.
TEST_F(BatchCommandTest, ColourSetsOutColourInTurnWithTheSetOptions) {
  for (const auto& [arguments, shown] :
       {std::pair{"--colour keep", "\nOUTcolour=1\n"}, std::pair{"--colour srgb", "\nOUTcolour=0\n"},
        std::pair{"--set OUTcolour=1 --colour srgb", "\nOUTcolour=0\n"},
        std::pair{"--colour srgb --set OUTcolour=1", "\nOUTcolour=1\n"}, std::pair{"", "\nOUTcolour=0\n"}}) {
    const Outcome run = Run(std::string(arguments) + " --show-settings");
    EXPECT_EQ(run.code, 0) << arguments;
    EXPECT_NE(run.out.find(shown), std::string::npos) << arguments << "\n" << run.out;
  }
}

// A picture with an Adobe RGB profile: converted to sRGB by default, its
// samples and profile kept with --colour keep.
TEST_F(BatchCommandTest, ColourKeepEmbedsTheProfileAndSrgbConverts) {
  const std::vector<std::uint8_t> icc = test::RgbProfileBytes(test::kAdobeRgbPrimaries);
  std::vector<std::uint8_t> png;
  ASSERT_TRUE(EncodePng(test::MakeImage(64, 64, {219, 0, 0, 255}), png, "red.png", icc).ok());
  ASSERT_TRUE(ReplaceFileAtomically(Path("in/red.png"), png).ok());

  ASSERT_EQ(Run(Out("DIR/in/red.png")).code, 0);
  std::vector<std::uint8_t> converted;
  ASSERT_TRUE(ReadWholeFileInto(Path("out/t00.png"), converted).ok());
  EXPECT_FALSE(ReadPngColour(converted).Tagged());
  EXPECT_GE(test::ReadPicture(Path("out/t00.png")).at(5, 5)[0], 250);

  ASSERT_EQ(Run(Out("--colour keep --set OUTname=kept DIR/in/red.png")).code, 0);
  std::vector<std::uint8_t> kept;
  ASSERT_TRUE(ReadWholeFileInto(Path("out/kept.png"), kept).ok());
  EXPECT_EQ(ReadPngColour(kept).icc, icc);
  Image samples;  // as stored: a reader that manages colour would show sRGB's red
  ASSERT_TRUE(DecodePng(kept, "kept.png", samples).ok());
  EXPECT_EQ(samples.at(5, 5)[0], 219);
}

// --metadata decides what a camera photo's thumbnail keeps, over
// OUTmetadata from the store or --set wherever it stands.
TEST_F(BatchCommandTest, MetadataChoosesWhatThumbnailsKeepAndWinsOverTheSetting) {
  using namespace test;
  fs::create_directory(Path("p"));
  WriteBytes(Path("p/camera.jpg"), JpegWith({MakeSegment(0xE1, kExifPrefix, CameraExif(true, 6)),
                                             MakeSegment(0xFE, "", ToBytes("harbour at dawn"))}));
  const struct {
    const char* arguments;
    bool exif, location;
  } cases[] = {
      {"", false, false},
      {"--metadata keep", true, true},
      {"--metadata no-location", true, false},
      {"--set OUTmetadata=2", true, false},
      {"--metadata strip --set OUTmetadata=1", false, false},
      {"--set OUTmetadata=1 --metadata 0", false, false},
  };
  for (const auto& c : cases) {
    const Outcome run = Run(Out(c.arguments) + " DIR/p/camera.jpg");
    ASSERT_EQ(run.code, 0) << c.arguments << run.err;
    const Bytes thumbnail = ReadBytes(Path("out/t00.png"));
    EXPECT_EQ(Contains(thumbnail, kCopyright), c.exif) << c.arguments;
    EXPECT_EQ(Contains(thumbnail, "harbour at dawn"), c.exif) << c.arguments;
    EXPECT_EQ(Contains(thumbnail, kGpsDatum), c.location) << c.arguments;
    EXPECT_FALSE(Contains(thumbnail, kThumbnailPixels)) << c.arguments;
  }
  const Outcome shown = Run("--set OUTmetadata=0 --metadata no-location --show-settings");
  EXPECT_NE(shown.out.find("\nOUTmetadata=2\n"), std::string::npos) << shown.out;
}

// A tree of nested folders with mixed extensions in one command: each
// folder's own files first (.png before .jpeg), then its sub-folders in
// name order; what was left out is counted and the broken link named.
TEST_F(BatchCommandTest, RecursiveTakesTheWholeTreeAndCountsWhatItLeftOut) {
  fs::create_directories(Path("tree/sub"));
  fs::create_directories(Path("tree/Sub/deep"));
  Picture("tree/top.png", 64, 48);
  std::vector<std::uint8_t> jpeg;
  ASSERT_TRUE(JpegCodec().Encode(test::MakeRandomImage(64, 64, 4), 90, jpeg, "x.JPEG").ok());
  test::WriteBytes(Path("tree/x.JPEG"), jpeg);
  test::WriteBmp(Path("tree/Sub/deep/d.bmp"), test::MakeRandomImage(64, 32, 2));
  Picture("tree/sub/s.png", 64, 16);
  test::WriteTextFile(Path("tree/sub/notes.txt"), "not a picture");
  fs::create_symlink(Path("nowhere.jpg"), Path("tree/gone.jpg"));
  for (const auto& [flag, heights] : {std::pair{"", "24 32"}, std::pair{"-r ", "24 32 16 8"}}) {
    fs::remove_all(Path("out"));
    const Outcome run = Run(Out(std::string(flag) + "DIR/tree"));
    EXPECT_EQ(run.code, 0) << flag << run.err;
    std::istringstream expected(heights);
    int row = 0;
    for (int height; expected >> height; ++row)
      EXPECT_EQ(Height("out/t0" + std::to_string(row) + ".png"), height) << flag << row;
    EXPECT_FALSE(fs::exists(Path("out/t0" + std::to_string(row) + ".png"))) << flag;
    EXPECT_NE(run.err.find(InFolder("left out: \"DIR/tree/gone.jpg\": broken link\n")), std::string::npos)
        << run.err;
    const std::string counts = *flag ? "1 not a picture, 1 broken link." : "1 broken link.";
    EXPECT_NE(run.out.find("\nLeft out of the folders: " + counts + "\n"), std::string::npos) << run.out;
  }
  EXPECT_EQ(Run(Out("--recursive DIR/tree")).code, 0) << "the long name";
}

TEST_F(BatchCommandTest, CtrlCFinishesTheRowsStartedPrintsTheSummaryAndExits130) {
  // One picture listed many times: the run is long enough to interrupt.
  Picture("in/photo.png", 400, 300);
  fs::create_directory(Path("out"));
  std::string rows;
  for (int i = 0; i < 3000; ++i) rows += " DIR/in/photo.png";
  const Outcome run =
      Run("--jobs 2 --set OUTfolder=DIR/out --set OUTformat=2 --set 'OUTname=t%##'" + rows, "",
          " & for i in $(seq 3000); do [ -n \"$(ls DIR/out)\" ] && break; sleep 0.01; "
          "done; kill -INT $!; wait $!");
  EXPECT_EQ(run.code, 130);
  EXPECT_EQ(run.out.rfind("Process stopped.\n", 0), 0u) << run.out;
  std::size_t written = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(Path("out"))) {
    EXPECT_EQ(entry.path().extension(), ".png") << entry.path() << " is left over";
    EXPECT_EQ(test::ReadPicture(entry.path().string()).width, 300) << entry.path();
    ++written;
  }
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, 3000u);
  EXPECT_NE(run.out.find(std::to_string(written) + " of 3000 written"), std::string::npos) << run.out;
}

// A re-run with newer writes nothing and says so; after new pictures are
// added it writes exactly those. Both runs end with status 0.
TEST_F(BatchCommandTest, NewerWritesNothingTheSecondTimeAndThenOnlyTheNewPictures) {
  for (const char* name : {"in/a.png", "in/b.png", "in/c.png"}) Picture(name, 40, 30);
  const std::string arguments = Out("--set OUTname=%o --if-exists newer DIR/in");
  EXPECT_EQ(Run(arguments).code, 0);
  const auto made = fs::last_write_time(Path("out/a.png"));
  const Outcome again = Run(arguments);
  EXPECT_EQ(again.code, 0) << again.err;
  EXPECT_NE(again.out.find("0 of 3 written"), std::string::npos) << again.out;
  EXPECT_NE(again.out.find("3 skipped: already up to date."), std::string::npos) << again.out;
  for (const char* name : {"in/d.png", "in/e.png"}) Picture(name, 50, 30);
  const Outcome more = Run(arguments);
  EXPECT_NE(more.out.find("2 of 5 written"), std::string::npos) << more.out;
  EXPECT_EQ(fs::last_write_time(Path("out/a.png")), made);
  EXPECT_EQ(Height("out/e.png"), 19);
}

// Nothing is read when the output folder cannot be made: one line names it.
TEST_F(BatchCommandTest, AnOutputFolderThatCannotBeMadeFailsAtOnceWithOneLine) {
  Picture("in/a.png", 40, 30);
  test::WriteTextFile(Path("file"), "x");
  const Outcome run = Run(Out("--set OUTfolder=DIR/file/out DIR/in"));
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.err,
            InFolder("varenna-batch: Cannot create the output folder DIR/file/out: DIR/file is a file\n"));
  EXPECT_EQ(run.out, "");
}

TEST_F(BatchCommandTest, KeepStructureAndIfExistsSetTheirSettings) {
  const Outcome shown = Run("--keep-structure --if-exists rename --show-settings");
  EXPECT_NE(shown.out.find("OUTkeeptree=1\n"), std::string::npos) << shown.out;
  EXPECT_NE(shown.out.find("OUTifexists=3\n"), std::string::npos) << shown.out;
}

// On a terminal the bar says how many rows of how many are done.
TEST_F(BatchCommandTest, TheProgressBarCountsRowsOnATerminal) {
  for (const char* name : {"in/a.png", "in/b.png", "in/c.png"}) Picture(name, 40, 30);
  const std::string command = InFolder(std::string(VARENNA_BIN_DIR "/varenna-batch ") + store +
                                       Out("--jobs 1 DIR/in") + " >/dev/null");
  const int status =
      std::system(InFolder("script -qec \"" + command + "\" /dev/null >DIR/tty.txt 2>&1").c_str());
  ASSERT_TRUE(WIFEXITED(status)) << status;
  const std::string shown = test::ReadTextFile(Path("tty.txt"));
  for (const char* count : {"1 of 3", "2 of 3", "3 of 3"})
    EXPECT_NE(shown.find(count), std::string::npos) << shown;
  EXPECT_NE(shown.find("100%"), std::string::npos) << shown;
}

}  // namespace
}  // namespace vr
