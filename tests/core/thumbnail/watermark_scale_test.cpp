// The watermark sized to the picture and kept off its edges: the width as a
// share of the picture's, the margin for every region, one scaling per
// width and worker; through a whole row, a 20 % watermark is a fifth of
// every thumbnail whatever the photo, and "Normal" lays it over by its own
// alpha times the opacity.
#include "thumbnail/watermark_scale.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/imaging/pixel_test_util.h"
#include "support/build_test_util.h"
#include "support/temp_folder.h"
#include "thumbnail/planning.h"
#include "thumbnail/rendering.h"

namespace vr {
namespace {

using test::MakeImage;
using test::PixelAt;
using test::Rgba;

TEST(WatermarkScaleTest, TheWidthIsTheShareOfThePicturesWidth) {
  EXPECT_EQ(ScaledWatermarkWidth(300, 0), 0);
  EXPECT_EQ(ScaledWatermarkWidth(300, -5), 0);
  EXPECT_EQ(ScaledWatermarkWidth(300, 20), 60);
  EXPECT_EQ(ScaledWatermarkWidth(256, 20), 51);  // 51.2
  EXPECT_EQ(ScaledWatermarkWidth(258, 20), 52);  // 51.6
  EXPECT_EQ(ScaledWatermarkWidth(300, 250), 300);
  EXPECT_EQ(ScaledWatermarkWidth(3, 1), 1);
}

// On a 100 x 100 picture, a 10 x 10 watermark with a margin of 7: corner and
// edge regions move in by 7 from the edges they touch, the centre stays put.
TEST(WatermarkScaleTest, TheMarginKeepsEachRegionOffItsEdges) {
  struct Case {
    std::int32_t area;
    std::int64_t left, top;  // the watermark's top-left pixel on the picture
  };
  for (const Case c : {Case{1, 7, 7}, Case{2, 7, 45}, Case{3, 7, 83}, Case{4, 45, 7}, Case{5, 45, 45},
                       Case{6, 45, 83}, Case{7, 83, 7}, Case{8, 83, 45}, Case{9, 83, 83}}) {
    const WMOffset offset = WithMargin(GetWMPoint(100, 100, 10, 10, c.area), c.area, 7);
    // Offsets count rows from the bottom: the lower-left corner is at (-x, -y).
    EXPECT_EQ(-offset.x, c.left) << c.area;
    EXPECT_EQ(100 - 10 + offset.y, c.top) << c.area;
  }
  EXPECT_EQ(WithMargin(WMOffset{3, 4}, 0, 7), (WMOffset{3, 4}));
  EXPECT_EQ(WithMargin(WMOffset{3, 4}, 1, -7), (WMOffset{3, 4}));
}

TEST(WatermarkScaleTest, EachWidthIsScaledOnceUntilTheWatermarkChanges) {
  ScaledWatermarks copies;
  const Image logo = test::MakeRandomImage(40, 20, 3, /*random_alpha=*/true);
  const Image& at_10 = copies.At(logo, 10);
  EXPECT_EQ(at_10.width, 10);
  EXPECT_EQ(at_10.height, 5);
  EXPECT_EQ(&copies.At(logo, 10), &at_10);
  EXPECT_EQ(copies.At(logo, 80).height, 40);
  EXPECT_EQ(&copies.At(logo, 10), &at_10);
  EXPECT_EQ(copies.scalings(), 2);
  // Another run's watermark, even at the same address and size.
  const Image other = test::MakeRandomImage(40, 20, 4);
  EXPECT_EQ(copies.At(other, 10).pixels, ResampleImage(other, 10, 5).pixels);
  EXPECT_EQ(copies.scalings(), 3);
}

TEST(WatermarkScaleTest, EveryThreadScalesFromTheSharedWatermarkAlike) {
  const Image logo = test::MakeRandomImage(64, 32, 8, /*random_alpha=*/true);
  const Image here = ThreadScaledWatermark(logo, 21);
  Image there;
  std::thread other([&] { there = ThreadScaledWatermark(logo, 21); });
  other.join();
  EXPECT_EQ(here.pixels, there.pixels);
  EXPECT_EQ(here.pixels, ResampleImage(logo, 21, 11).pixels);
}

class ScaledRowTest : public ::testing::Test {
 protected:
  // One row of `photo` rendered with `settings` and `watermark`, read back.
  Image Render(SettingsRecord settings, const Image& photo, const Image& watermark) {
    settings.OUTname = "row" + std::to_string(++rows_);
    test::WritePng(folder_.File("photo.png"), photo);
    const RenderSettings render = RenderSettingsFrom(settings);
    const RowRecipe recipe = PlanRow(PlanSettingsFrom(settings), rows_, folder_.File("photo.png"), state_);
    RenderedRow rendered;
    EXPECT_TRUE(RenderRow(engine_, render, recipe, watermark, rendered).ok());
    EXPECT_TRUE(WriteRow(recipe, rendered).ok());
    return test::ReadPicture(recipe.output_path);
  }

  test::TempFolder folder_;
  test::ScriptedHost host_;
  NameCounter counter_;
  PlanState state_{host_, counter_};
  Engine engine_;
  int rows_ = 0;
};

// The white columns along the top row of a black thumbnail.
int WhiteColumns(const Image& image, int row) {
  int count = 0;
  for (int x = 0; x < image.width; ++x) count += image.at(x, row)[0] > 127 ? 1 : 0;
  return count;
}

TEST_F(ScaledRowTest, ATwentyPercentWatermarkIsAFifthOfEveryThumbnail) {
  const Image logo = MakeImage(240, 120, {255, 255, 255, 255});
  const Rgba black{0, 0, 0, 255};
  struct Case {
    int photo_width, photo_height, thumbnail_width;
  };
  for (const Case c : {Case{1600, 1200, 256}, Case{400, 300, 256}, Case{3000, 1000, 640}, Case{900, 900, 120},
                       Case{200, 150, 300}}) {
    SettingsRecord s = test::PlainSettings(folder_.path());
    s.OUTwidth = c.thumbnail_width;
    s.WMSize = 20;
    s.WMMargin = 4;
    s.WMArea = 1;
    s.WMMode = kNormalWMMode;
    const Image out = Render(s, MakeImage(c.photo_width, c.photo_height, black), logo);
    ASSERT_EQ(out.width, c.thumbnail_width);
    const int expected = ScaledWatermarkWidth(c.thumbnail_width, 20);
    EXPECT_NEAR(WhiteColumns(out, 4 + expected / 4), expected, 1)
        << c.photo_width << " -> " << c.thumbnail_width;
    // Four pixels from the top-left corner, and nothing in the margin.
    EXPECT_EQ(PixelAt(out, 1, 1), black);
    EXPECT_EQ(PixelAt(out, 4 + expected / 2, 1), black);
    EXPECT_EQ(PixelAt(out, 4 + expected / 2, 4 + expected / 4)[0], 255);
  }
}

TEST_F(ScaledRowTest, ZeroKeepsTheWatermarksOwnSize) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.WMArea = 1;
  s.WMMode = kNormalWMMode;
  const Image out = Render(s, MakeImage(600, 300, {0, 0, 0, 255}), MakeImage(37, 10, {255, 255, 255, 255}));
  EXPECT_EQ(WhiteColumns(out, 2), 37);
}

// "Normal": the watermark's own alpha times the opacity, over the picture.
TEST_F(ScaledRowTest, NormalBlendsByTheWatermarksAlphaTimesTheOpacity) {
  SettingsRecord s = test::PlainSettings(folder_.path());
  s.WMArea = 1;
  s.WMMode = kNormalWMMode;
  s.WMOpacity = 50;
  Image logo = MakeImage(20, 10, {200, 100, 0, 255});
  for (int x = 10; x < 20; ++x)
    for (int y = 0; y < 10; ++y) logo.at(x, y)[3] = 0;
  const Image out = Render(s, MakeImage(600, 300, {0, 100, 200, 255}), logo);
  EXPECT_EQ(PixelAt(out, 3, 3), (Rgba{100, 100, 100, 255}));
  EXPECT_EQ(PixelAt(out, 15, 3), (Rgba{0, 100, 200, 255}));
}

}  // namespace
}  // namespace vr
