// One row from settings to file: the folder question and the dated folder,
// failed rows that keep their names and leave nothing behind, the effects
// and their order seen in the pixels, the run's watermark, and the guard that
// keeps a row off the run's own pictures.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>

#include "core/imaging/pixel_test_util.h"
#include "imaging/codecs/jpeg_codec.h"
#include "imaging/ops/light.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/planning.h"
#include "thumbnail/rendering.h"
#include "thumbnail/source_guard.h"

namespace vr {
namespace {

namespace fs = std::filesystem;
using test::MakeImage;
using test::PixelAt;
using test::Rgba;

class PipelineTest : public ::testing::Test {
 protected:
  std::string Source(const std::string& name, const Image& image) {
    test::WritePng(folder_.File(name), image);
    return folder_.File(name);
  }
  std::string Grey(const std::string& name) { return Source(name, MakeImage(40, 30, {100, 100, 100, 255})); }

  // One row through planning, rendering and writing, as a serial run makes
  // it: the reason it failed, "skipped", or "" when written.
  std::string Make(const SettingsRecord& settings, std::int32_t row, const std::string& source,
                   const Image& watermark = Image()) {
    const RenderSettings render = RenderSettingsFrom(settings);
    const RowRecipe recipe = PlanRow(PlanSettingsFrom(settings), row, source, state_);
    last_output_ = recipe.output_path;
    if (recipe.action == RowRecipe::Action::kSkip) return "skipped";
    RenderedRow rendered;
    Status done = RenderRow(engine_, render, recipe, watermark, rendered);
    if (done) done = WriteRow(recipe, rendered);
    if (done) outputs_.push_back(recipe.output_path);
    return done ? "" : done.message();
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  PlanState state_{host_, counter_, [] { return LocalDateTime{2026, 12, 5, 9, 30, 0}; }};
  std::vector<std::string> outputs_;
  std::string last_output_;
  Engine engine_;
};

// Declining the folder skips the row without using a name, and the answer
// holds for the rest of the run: the next row is skipped unasked. In a new
// run yes makes the folder with the missing level above it (the default
// Pictures/Thumbnails where Pictures is missing too). The dated folder (the
// folder given without a trailing "/") is added and made without asking.
TEST_F(PipelineTest, TheOutputFolderIsAskedForOnceARunAndTheDatedOneMade) {
  SettingsRecord s = test::PlainSettings(folder_.File("Pictures/Thumbnails"));
  host_.answers = {false, true};
  EXPECT_EQ(Make(s, 1, Grey("a.png")), "skipped");
  EXPECT_EQ(Make(s, 2, Grey("a.png")), "skipped");
  EXPECT_EQ(counter_.value, 0);
  EXPECT_EQ(host_.asked.size(), 1u);
  state_.folder_answers.clear();  // as a new run starts
  EXPECT_EQ(Make(s, 2, Grey("a.png")), "");
  s.OUTdatefolder = 1;
  EXPECT_EQ(Make(s, 3, Grey("a.png")), "");
  EXPECT_EQ(host_.asked, (std::vector<std::string>{s.OUTfolder, s.OUTfolder}));
  EXPECT_EQ(outputs_, (std::vector<std::string>{s.OUTfolder + "/a.png", s.OUTfolder + "/12052026/a.png"}));
}

// Asked once and reported once; its rows fail but use their names.
TEST_F(PipelineTest, AFolderThatCannotBeCreatedFailsItsRows) {
  test::WriteTextFile(folder_.File("a-file"), "in the way");
  SettingsRecord s = test::PlainSettings(folder_.File("a-file/parent/out"));
  host_.answers = {true};
  for (std::int32_t row = 1; row <= 3; ++row)
    EXPECT_NE(Make(s, row, Grey("a.png")).find("a-file/parent/out"), std::string::npos);
  EXPECT_EQ(host_.asked.size(), 1u);
  EXPECT_EQ(host_.notices.size(), 1u);
  EXPECT_EQ(counter_.value, 3);
  EXPECT_TRUE(outputs_.empty());
}

// A row that cannot be read or written uses its name, writes nothing (not
// even the picture before it) and leaves nothing in the engine.
TEST_F(PipelineTest, AFailedRowWritesNothingAndLeavesNothingBehind) {
  SettingsRecord s = test::PlainSettings(folder_.path() + "/");
  s.OUTname = "%##";
  EXPECT_EQ(Make(s, 1, Grey("good.png")), "");
  test::WriteTextFile(folder_.File("bad.png"), "not a picture at all");
  for (const char* source : {"bad.png", "gone.png"}) {
    EXPECT_NE(Make(s, 2, folder_.File(source)).find(source), std::string::npos);
    EXPECT_TRUE(engine_.empty(Engine::kPictureSlot)) << source;
  }
  s.OUTformat = 9;  // unknown
  EXPECT_EQ(Make(s, 4, Grey("good.png")), "Unknown output format 9 for " + folder_.File("03"));
  EXPECT_EQ(last_output_, folder_.File("03"));
  EXPECT_EQ(outputs_, std::vector<std::string>{folder_.File("00.png")});
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_.path()), {}), 3) << "only the sources and 00.png";
}

// A filled and cropped row is priced as the resize its decode serves: a
// landscape filled to 100x100 decodes as much as one made 100 high, and
// more than one made 100 wide; its thumbnail is the box.
TEST_F(PipelineTest, AFillRowIsPricedAtTheScaleItsWindowNeeds) {
  std::vector<std::uint8_t> jpeg;
  ASSERT_TRUE(JpegCodec().Encode(test::MakeRandomImage(1600, 900, 3), 90, jpeg, "wide.jpg").ok());
  test::WriteBytes(folder_.File("wide.jpg"), jpeg);
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUTwidth = s.OUTheight = 100;
  const auto price = [&](std::int32_t fit, std::int32_t propw, std::int32_t proph) {
    s.OUTfit = fit;
    s.OUTpropw = propw;
    s.OUTproph = proph;
    const RowRecipe recipe = PlanRow(PlanSettingsFrom(s), 1, folder_.File("wide.jpg"), state_);
    EXPECT_EQ(recipe.action, RowRecipe::Action::kRender) << recipe.failure.message();
    return recipe.decode_bytes;
  };
  const std::uint64_t fill = price(2, 0, 0), high = price(0, 0, -1), wide = price(0, -1, 0);
  EXPECT_EQ(fill, high);
  EXPECT_GT(fill, wide);
  s.OUTfit = 2;
  EXPECT_EQ(Make(s, 2, folder_.File("wide.jpg")), "");
  const Image thumbnail = test::ReadPicture(last_output_);
  EXPECT_EQ(std::pair(thumbnail.width, thumbnail.height), std::pair(100, 100));
}

class LightTest : public PipelineTest, public ::testing::WithParamInterface<std::pair<int, int>> {};

// Brightness and contrast reach the picture as themselves, either alone;
// at level zero the picture is left as it is.
TEST_P(LightTest, IsTheLightOpOnThePicture) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUToriginal = 1;
  std::tie(s.BrightnessLevel, s.ContrastLevel) = GetParam();
  Image expected = test::MakeRandomImage(32, 24, 7);
  EXPECT_EQ(Make(s, 1, Source("random.png", expected)), "");
  AdjustLight(expected, GetParam().first, GetParam().second);
  EXPECT_EQ(test::ReadPicture(outputs_.at(0)).pixels, expected.pixels);
}

INSTANTIATE_TEST_SUITE_P(Levels, LightTest,
                         ::testing::Values(std::pair{0, 0}, std::pair{0, 40}, std::pair{30, -20}));

// Three blocks (clear, half-transparent red, opaque blue) saved as each
// format: the JPEG is the picture over the background, white by default or
// the colour set; the BMP keeps the alpha and shows the background only
// where nothing is; the PNG keeps every pixel as it was.
TEST_F(PipelineTest, TransparencyMeetsTheBackgroundOnlyWhereTheFormatHasNoAlpha) {
  Image picture = MakeImage(48, 16, {0, 0, 0, 0});
  for (int y = 0; y < 16; ++y)
    for (int x = 16; x < 48; ++x)
      test::SetPixel(picture, x, y, x < 32 ? Rgba{255, 0, 0, 128} : Rgba{0, 0, 255, 255});
  const std::string source = Source("clear.png", picture);
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUToriginal = 1;
  s.JPEGquality = 100;
  s.OUTname = "%o_%#";
  auto near = [](Rgba got, Rgba want) {
    for (int c = 0; c < 4; ++c)
      if (std::abs(got[c] - want[c]) > 3) return false;
    return true;
  };
  const std::pair<std::int32_t, std::array<Rgba, 3>> jpegs[] = {
      {kDefaultBackground, {Rgba{255, 255, 255, 255}, Rgba{255, 127, 127, 255}, Rgba{0, 0, 255, 255}}},
      {0x00004000, {Rgba{0, 64, 0, 255}, Rgba{128, 32, 0, 255}, Rgba{0, 0, 255, 255}}}};
  for (const auto& [background, blocks] : jpegs) {
    s.OUTbackground = background;
    s.OUTformat = 1;
    ASSERT_EQ(Make(s, 1, source), "");
    const Image jpeg = test::ReadPicture(last_output_);
    for (int block = 0; block < 3; ++block)
      EXPECT_TRUE(near(PixelAt(jpeg, block * 16 + 8, 8), blocks[block])) << background << " block " << block;
  }
  s.OUTbackground = 0x00004000;
  s.OUTformat = 0;
  ASSERT_EQ(Make(s, 1, source), "");
  const Image bmp = test::ReadPicture(last_output_);
  EXPECT_EQ(PixelAt(bmp, 8, 8), (Rgba{0, 64, 0, 0}));
  EXPECT_EQ(PixelAt(bmp, 24, 8), (Rgba{255, 0, 0, 128}));
  s.OUTformat = 2;
  ASSERT_EQ(Make(s, 1, source), "");
  EXPECT_EQ(test::ReadPicture(last_output_).pixels, picture.pixels);
}

// The newer formats: the extension from the format table, the options
// from the record (lossless WebP keeps every pixel, transparency included),
// and a row whose decode is priced above the row's memory fails by name
// before anything is decoded.
TEST_F(PipelineTest, NewerFormatsAreWrittenWithTheirOptions) {
  const Image picture = test::MakeRandomImage(24, 16, 9, true);
  const std::string source = Source("random.png", picture);
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUToriginal = 1;
  s.OUTname = "%o";
  s.WEBPlossless = 1;
  for (const auto& [format, extension] : {std::pair{3, ".webp"}, {4, ".avif"}, {5, ".jxl"}}) {
    s.OUTformat = format;
    ASSERT_EQ(Make(s, 1, source), "") << extension;
    EXPECT_EQ(last_output_, folder_.File(std::string("random") + extension));
    const Image written = test::ReadPicture(last_output_);
    EXPECT_EQ(std::pair(written.width, written.height), std::pair(24, 16)) << extension;
    // Lossless WebP keeps every visible pixel (the colour under a fully
    // transparent one may change).
    for (std::size_t i = 0; format == 3 && i < picture.pixels.size(); i += 4) {
      if (picture.pixels[i + 3] == 0) continue;
      ASSERT_TRUE(std::equal(&picture.pixels[i], &picture.pixels[i] + 4, &written.pixels[i])) << i;
    }
  }
  state_.row_memory_ceiling = 100;
  s.OUTformat = 4;
  const std::string reason = Make(s, 2, last_output_);
  EXPECT_NE(reason.find("not enough memory"), std::string::npos) << reason;
  EXPECT_NE(reason.find("random.jxl"), std::string::npos) << reason;
}

TEST_F(PipelineTest, EachRowGetsItsOwnNoise) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.OUTname = "%##";
  s.NoiseLevel = 30;
  EXPECT_EQ(Make(s, 1, Grey("a.png")), "");
  EXPECT_EQ(Make(s, 2, Grey("a.png")), "");
  EXPECT_NE(test::ReadPicture(outputs_.at(0)).pixels, test::ReadPicture(outputs_.at(1)).pixels);
}

// A grey 600 x 300 picture, a white 60 x 60 watermark copied into the top
// left, and the negative: resized first, the watermark stays white at its own
// 60 px; watermark first, it is negated and shrunk with the picture.
TEST_F(PipelineTest, TheWatermarkGoesOnBeforeOrAfterTheEffects) {
  const Rgba white{255, 255, 255, 255}, black{0, 0, 0, 255}, negated{155, 155, 155, 255};
  for (const std::int32_t pixall : {0, 1}) {
    SettingsRecord s = test::PlainSettings(folder_.path());
    s.ADVpixall = pixall;
    s.NegativeFlag = 1;
    s.WMArea = 1;
    s.WMMode = 5;
    s.OUTname = "order" + std::to_string(pixall);
    EXPECT_EQ(
        Make(s, 1, Source("grey.png", MakeImage(600, 300, {100, 100, 100, 255})), MakeImage(60, 60, white)),
        "");
    const Image out = test::ReadPicture(last_output_);
    ASSERT_EQ(out.width, 300);
    ASSERT_EQ(out.height, 150);
    EXPECT_EQ(PixelAt(out, 10, 10), pixall ? black : white);
    EXPECT_EQ(PixelAt(out, 50, 10), pixall ? negated : white);
    EXPECT_EQ(PixelAt(out, 150, 100), negated);
  }
}

TEST_F(PipelineTest, TheRunsWatermarkIsDecodedOnceAndTurnedOnlyForPositiveAngles) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.WMFile = Source("wm.png", MakeImage(40, 10, {1, 2, 3, 255}));
  for (const std::int32_t angle : {-15, 0, 90}) {
    s.WMAngle = angle;
    Expected<Image> watermark = LoadWatermark(engine_, s);
    ASSERT_TRUE(watermark.ok()) << watermark.message();
    EXPECT_EQ(watermark->width, angle > 0 ? 10 : 40) << angle;
    EXPECT_TRUE(engine_.empty(Engine::kOverlaySlot));
  }
  s.WMFile.clear();
  EXPECT_TRUE(LoadWatermark(engine_, s)->empty());
  s.WMFile = folder_.File("no-such-logo.png");
  EXPECT_NE(LoadWatermark(engine_, s).message().find("no-such-logo.png"), std::string::npos);
}

// No sharpening, as a store without OUTsharpen gives, leaves the thumbnail
// exactly the resampler's; each level changes it, and only after the shrink
// (the photo itself is one flat colour either side of one edge).
TEST_F(PipelineTest, SharpeningIsAfterTheShrinkAndNoneKeepsTheResamplersPixels) {
  Image photo = MakeImage(600, 400, {40, 90, 160, 255});
  for (int y = 0; y < 400; ++y)
    for (int x = 300; x < 600; ++x)
      std::copy_n(std::array<std::uint8_t, 3>{220, 200, 60}.data(), 3, photo.at(x, y));
  const std::string source = Source("edge.png", photo);
  const Image plain = ResampleImage(photo, 300, 200);
  std::vector<std::uint8_t> previous;
  for (const std::int32_t level : {0, 1, 2, 3}) {
    SettingsRecord s = test::PlainSettings(folder_.path());
    s.OUTsharpen = level;
    s.OUTname = "sharp" + std::to_string(level);
    ASSERT_EQ(Make(s, level + 1, source), "");
    const Image out = test::ReadPicture(last_output_);
    if (level == 0) {
      EXPECT_EQ(out.pixels, plain.pixels);
    } else {
      EXPECT_NE(out.pixels, previous) << level;
    }
    // Far from the edge the colours stay as they were.
    EXPECT_EQ(PixelAt(out, 20, 100), PixelAt(plain, 20, 100));
    EXPECT_EQ(PixelAt(out, 280, 100), PixelAt(plain, 280, 100));
    previous = out.pixels;
  }
}

// A run must never write over one of its own pictures, whatever path leads
// to it: another spelling, a linked folder or file, a hard link, a relative
// path, or a picture not there yet.

TEST(SourceGuardTest, FindsTheSourceByEveryPathThatLeadsToIt) {
  test::TempFolder folder;
  fs::create_directories(folder.File("pics/sub"));
  const std::string photo = folder.File("pics/photo.jpg");
  test::WriteBytes(photo, {1, 2, 3});
  fs::create_directory_symlink(folder.File("pics"), folder.File("linked"));
  fs::create_symlink(photo, folder.File("pics/sub/alias.jpg"));
  fs::create_hard_link(photo, folder.File("pics/sub/same.jpg"));
  const SourceGuard guard({photo});
  for (const char* spelling : {"pics/./photo.jpg", "pics/sub/../photo.jpg", "pics//photo.jpg",
                               "linked/photo.jpg", "pics/sub/alias.jpg", "pics/sub/same.jpg"})
    EXPECT_EQ(guard.SourceAt(folder.File(spelling)), photo) << spelling;
  EXPECT_EQ(guard.SourceAt(folder.File("pics/photo.png")), std::nullopt);
  // Listed through a link or not there at all, found by the plain path.
  const std::string missing = folder.File("linked/sub/../later.jpg");
  EXPECT_EQ(SourceGuard({folder.File("linked/photo.jpg")}).SourceAt(photo), folder.File("linked/photo.jpg"));
  EXPECT_EQ(SourceGuard({missing}).SourceAt(folder.File("pics/later.jpg")), missing);
  const fs::path before = fs::current_path();
  fs::current_path(folder.File("pics"));
  const SourceGuard relative({"photo.jpg"});
  fs::current_path(before);
  EXPECT_EQ(relative.SourceAt(photo), "photo.jpg");
}

}  // namespace
}  // namespace vr

namespace vr {
namespace {

// A PNG whose rows stream into the resize is priced at its file, a few rows
// and the thumbnail; effects or a watermark before the resize need the
// whole picture, and are priced for it.
TEST_F(PipelineTest, APriceFollowsWhetherTheRowsStream) {
  const std::string source = Source("wide.png", test::MakeImage(900, 600, {90, 140, 200, 255}));
  const std::uint64_t file = std::filesystem::file_size(source);
  const std::uint64_t whole = std::uint64_t{900} * 600 * 4;
  std::filesystem::create_directory(folder_.File("out"));
  SettingsRecord settings = test::PlainSettings(folder_.File("out"));
  settings.OUTformat = 1;
  settings.OUTwidth = 90;
  for (int pixall : {0, 1}) {
    settings.ADVpixall = pixall;
    const RowRecipe recipe = PlanRow(PlanSettingsFrom(settings), 1 + pixall, source, state_);
    ASSERT_EQ(recipe.action, RowRecipe::Action::kRender);
    if (pixall == 1) {
      EXPECT_EQ(recipe.decode_bytes, file + whole);
    } else {
      EXPECT_GT(recipe.decode_bytes, file + std::uint64_t{90} * 60 * 4);
      EXPECT_LT(recipe.decode_bytes, file + whole / 8);
    }
  }
}

}  // namespace
}  // namespace vr
