#include "thumbnail/pipeline.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/imaging/pixel_test_util.h"
#include "imaging/engine.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using test::MakeImage;
using test::PixelAt;
using test::Rgba;

LocalDateTime FifthOfDecember() { return {2026, 12, 5, 9, 30, 0}; }

class PipelineTest : public ::testing::Test {
 protected:
  std::string Source(const std::string& name, int width, int height, Rgba fill = {100, 100, 100, 255}) {
    const std::string path = folder_.File(name);
    test::WritePng(path, MakeImage(width, height, fill));
    return path;
  }

  enum class Outcome { kWritten, kSkipped, kFailed };
  struct Result {
    Outcome outcome = Outcome::kFailed;
    std::string output_path;
    std::string reason;  // for kFailed
  };

  // One row through planning, rendering and writing, as a serial run makes it.
  Result Make(const SettingsRecord& settings, std::int32_t row, const std::string& source,
              const Image& watermark = Image()) {
    const RenderSettings render = RenderSettingsFrom(settings);
    const RowRecipe recipe = PlanRow(settings, render, row, source, state_);
    if (recipe.action == RowRecipe::Action::kSkip) return {Outcome::kSkipped, recipe.output_path, ""};
    RenderedRow rendered;
    Status done = RenderRow(engine_, render, recipe, watermark, rendered);
    if (done) done = WriteRow(recipe, rendered);
    if (!done) return {Outcome::kFailed, recipe.output_path, done.message()};
    outputs_.push_back(recipe.output_path);
    return {Outcome::kWritten, recipe.output_path, ""};
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  PlanState state_{host_, counter_, FifthOfDecember};
  OutputList outputs_;
  Engine engine_;
};

// ---- The output folder and the name ----------------------------------------------

TEST_F(PipelineTest, DecliningTheFolderSkipsTheRowWithoutUsingAName) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  const std::string source = Source("a.png", 40, 30);
  host_.answers = {false, true};

  Result declined = Make(s, 1, source);
  EXPECT_EQ(declined.outcome, Outcome::kSkipped);
  EXPECT_EQ(counter_.value, 0);
  EXPECT_FALSE(fs::exists(folder_.File("out")));

  // Asked again on the next row; yes creates the folder.
  Result made = Make(s, 2, source);
  ASSERT_EQ(made.outcome, Outcome::kWritten) << made.reason;
  EXPECT_EQ(host_.asked, (std::vector<std::string>{folder_.File("out"), folder_.File("out")}));
  EXPECT_EQ(made.output_path, folder_.File("out") + "/a.png");
  EXPECT_EQ(outputs_, OutputList{made.output_path});
  EXPECT_EQ(counter_.value, 1);
}

TEST_F(PipelineTest, AFolderThatCannotBeCreatedIsReportedOnceAndItsRowsFailButKeepTheirNames) {
  SettingsRecord s = test::PlainSettings(folder_.File("missing/parent/out"));
  s.OUTname = "t%##";
  const std::string source = Source("a.png", 40, 30);
  host_.answers = {true};  // asked once only

  for (std::int32_t row = 1; row <= 3; ++row) {
    Result result = Make(s, row, source);
    EXPECT_EQ(result.outcome, Outcome::kFailed);
    EXPECT_NE(result.reason.find("missing/parent/out"), std::string::npos) << result.reason;
  }
  EXPECT_EQ(host_.asked.size(), 1u);
  ASSERT_EQ(host_.notices.size(), 1u);
  EXPECT_NE(host_.notices[0].find("Cannot create folder"), std::string::npos);
  EXPECT_EQ(counter_.value, 3);
  EXPECT_TRUE(outputs_.empty());
}

TEST_F(PipelineTest, TheDatedFolderIsAddedAndCreatedWithoutAsking) {
  SettingsRecord s = test::PlainSettings(folder_.path());  // no trailing "/"
  s.OUTdatefolder = 1;
  Result result = Make(s, 1, Source("a.png", 40, 30));
  ASSERT_EQ(result.outcome, Outcome::kWritten) << result.reason;
  EXPECT_EQ(result.output_path, folder_.path() + "/12052026/a.png");
  EXPECT_TRUE(fs::is_regular_file(result.output_path));
  EXPECT_TRUE(host_.asked.empty());
}

TEST_F(PipelineTest, AnUnknownOutputFormatFailsTheRowAndWritesNothing) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUTformat = 5;
  Result result = Make(s, 1, Source("a.png", 40, 30));
  EXPECT_EQ(result.outcome, Outcome::kFailed);
  EXPECT_EQ(result.output_path, folder_.path() + "/a");  // no extension
  EXPECT_FALSE(fs::exists(result.output_path));
  EXPECT_EQ(counter_.value, 1);
}

// ---- Failed rows ---------------------------------------------------------------------

TEST_F(PipelineTest, AnUnreadableRowWritesNothingNotEvenThePreviousPicture) {
  SettingsRecord s = test::PlainSettings(folder_.File("out"));
  fs::create_directory(s.OUTfolder);
  s.OUTname = "%##";
  ASSERT_EQ(Make(s, 1, Source("good.png", 40, 30)).outcome, Outcome::kWritten);

  test::WriteTextFile(folder_.File("bad.png"), "not a picture at all");
  Result bad = Make(s, 2, folder_.File("bad.png"));
  EXPECT_EQ(bad.outcome, Outcome::kFailed);
  EXPECT_NE(bad.reason.find("bad.png"), std::string::npos) << bad.reason;
  Result vanished = Make(s, 3, folder_.File("gone.png"));
  EXPECT_EQ(vanished.outcome, Outcome::kFailed);
  EXPECT_NE(vanished.reason.find("gone.png"), std::string::npos) << vanished.reason;

  ASSERT_EQ(Make(s, 4, Source("good2.png", 40, 30)).outcome, Outcome::kWritten);
  // Rows 2 and 3 used their names (01, 02) without writing them.
  EXPECT_EQ(outputs_, (OutputList{s.OUTfolder + "/00.png", s.OUTfolder + "/03.png"}));
  EXPECT_FALSE(fs::exists(s.OUTfolder + "/01.png"));
  EXPECT_FALSE(fs::exists(s.OUTfolder + "/02.png"));
}

TEST_F(PipelineTest, AFolderThatCannotBeWrittenFailsTheSaveAndLeavesNoFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  SettingsRecord s = test::PlainSettings(folder_.File("locked"));
  fs::create_directory(s.OUTfolder);
  ::chmod(s.OUTfolder.c_str(), 0555);
  Result result = Make(s, 1, Source("a.png", 40, 30));
  ::chmod(s.OUTfolder.c_str(), 0755);
  EXPECT_EQ(result.outcome, Outcome::kFailed);
  EXPECT_TRUE(fs::is_empty(s.OUTfolder));
}

// ---- Sizes and the order of effects, seen in the pixels ------------------------------

TEST_F(PipelineTest, TheThumbnailHasTheSizeRulesSize) {
  SettingsRecord s = test::PlainSettings(folder_.path() + "/");
  s.OUTname = "thumb";
  ASSERT_EQ(Make(s, 1, Source("wide.png", 400, 300)).outcome, Outcome::kWritten);
  Image out = test::ReadPicture(folder_.File("thumb.png"));
  EXPECT_EQ(out.width, 300);
  EXPECT_EQ(out.height, 225);

  s.OUTpropw = 0;
  s.OUToriginal = 1;
  ASSERT_EQ(Make(s, 2, Source("small.png", 40, 30)).outcome, Outcome::kWritten);
  out = test::ReadPicture(folder_.File("thumb.png"));
  EXPECT_EQ(out.width, 40);
  EXPECT_EQ(out.height, 30);
}

// A grey 600 x 300 picture, a white 60 x 60 watermark copied into the top
// left corner, and the negative effect.
class EffectOrderTest : public PipelineTest {
 protected:
  Image Render(std::int32_t pixall) {
    SettingsRecord s = test::PlainSettings(folder_.path());
    s.ADVpixall = pixall;
    s.NegativeFlag = 1;
    s.WMArea = 1;
    s.WMMode = 5;
    s.WMOpacity = 100;
    s.OUTname = "order" + std::to_string(pixall);
    const Image watermark = MakeImage(60, 60, {255, 255, 255, 255});
    Result result = Make(s, 1, Source("grey.png", 600, 300), watermark);
    EXPECT_EQ(result.outcome, Outcome::kWritten) << result.reason;
    return test::ReadPicture(result.output_path);
  }
};

TEST_F(EffectOrderTest, ResizeFirstPutsAnUncorrectedWatermarkOnTheThumbnail) {
  Image out = Render(0);
  ASSERT_EQ(out.width, 300);
  ASSERT_EQ(out.height, 150);
  EXPECT_EQ(PixelAt(out, 10, 10), (Rgba{255, 255, 255, 255}));    // the watermark, after the negative
  EXPECT_EQ(PixelAt(out, 50, 10), (Rgba{255, 255, 255, 255}));    // at its own 60 px
  EXPECT_EQ(PixelAt(out, 150, 100), (Rgba{155, 155, 155, 255}));  // the negated picture
}

TEST_F(EffectOrderTest, WatermarkFirstIsCorrectedAndShrunkWithThePicture) {
  Image out = Render(1);
  ASSERT_EQ(out.width, 300);
  ASSERT_EQ(out.height, 150);
  EXPECT_EQ(PixelAt(out, 10, 10), (Rgba{0, 0, 0, 255}));        // negated with the picture
  EXPECT_EQ(PixelAt(out, 50, 10), (Rgba{155, 155, 155, 255}));  // shrunk to 30 px
  EXPECT_EQ(PixelAt(out, 150, 100), (Rgba{155, 155, 155, 255}));
}

TEST_F(PipelineTest, EffectsAtLevelZeroAreNotApplied) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUToriginal = 1;
  s.OUTname = "same";
  const Image original = test::MakeRandomImage(32, 24, 7);
  test::WritePng(folder_.File("random.png"), original);
  ASSERT_EQ(Make(s, 1, folder_.File("random.png")).outcome, Outcome::kWritten);
  Image out = test::ReadPicture(folder_.File("same.png"));
  EXPECT_EQ(out.pixels, original.pixels);
}

// ---- The watermark for a run ------------------------------------------------------------

TEST_F(PipelineTest, TheRunsWatermarkIsDecodedOnceAndTurnedOnlyForPositiveAngles) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.WMFile = Source("wm.png", 40, 10);
  for (std::int32_t angle : {-15, 0}) {
    s.WMAngle = angle;
    Expected<Image> watermark = LoadWatermark(engine_, s);
    ASSERT_TRUE(watermark.ok()) << watermark.message();
    EXPECT_EQ(watermark->width, 40) << angle;
    EXPECT_EQ(watermark->height, 10) << angle;
  }
  s.WMAngle = 90;
  Expected<Image> turned = LoadWatermark(engine_, s);
  ASSERT_TRUE(turned.ok());
  EXPECT_EQ(turned->width, 10);
  EXPECT_EQ(turned->height, 40);
  EXPECT_TRUE(engine_.empty(Engine::kOverlaySlot));

  s.WMFile.clear();
  Expected<Image> none = LoadWatermark(engine_, s);
  ASSERT_TRUE(none.ok());
  EXPECT_TRUE(none->empty());
  s.WMFile = folder_.File("no-such-logo.png");
  Expected<Image> missing = LoadWatermark(engine_, s);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.message().find("no-such-logo.png"), std::string::npos);
}

}  // namespace
}  // namespace vr
