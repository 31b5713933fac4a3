// The size modes beside the four of old: fit inside a box, fill it and crop
// the overflow, and the limits that keep a picture from being enlarged or
// shrunk; their settings, absent from older files, change nothing there.
#include <gtest/gtest.h>

#include <random>

#include "thumbnail/size_rule.h"

namespace vr {
namespace {

SizeRequest Box(SizeRule rule, std::int32_t width, std::int32_t height, ScaleLimit limit = ScaleLimit::kAny) {
  SizeRequest request;
  request.rule = rule;
  request.width = width;
  request.height = height;
  request.limit = limit;
  return request;
}

std::optional<ThumbSize> Target(const SizeRequest& request, int width, int height) {
  Expected<std::optional<ThumbSize>> target = TargetSize(request, width, height, "/p/a.jpg");
  EXPECT_TRUE(target.ok()) << target.message();
  return target.ok() ? *target : std::nullopt;
}

TEST(SizeModesTest, FitKeepsTheProportionsInsideTheBox) {
  EXPECT_EQ(Target(Box(SizeRule::kFit, 300, 300), 4000, 3000), (ThumbSize{300, 225}));
  // The portrait that a fixed width of 1024 made 1024x1820.
  EXPECT_EQ(Target(Box(SizeRule::kFit, 1024, 1024), 1080, 1920), (ThumbSize{576, 1024}));
  EXPECT_EQ(Target(Box(SizeRule::kFit, 1024, 1024), 400, 250), (ThumbSize{1024, 640}));
  EXPECT_EQ(Target(Box(SizeRule::kFit, 1024, 1024, ScaleLimit::kShrinkOnly), 400, 250), std::nullopt);
  EXPECT_EQ(Target(Box(SizeRule::kFit, 100, 100, ScaleLimit::kEnlargeOnly), 400, 250), std::nullopt);
  EXPECT_EQ(Target(Box(SizeRule::kFit, 1024, 1024, ScaleLimit::kEnlargeOnly), 400, 250),
            (ThumbSize{1024, 640}));
}

// "1024x1024>" never gives a side beyond the box or beyond the picture's,
// and "300x300" always fits with one side touching the box.
TEST(SizeModesTest, NeverEnlargeStaysWithinTheBoxAndThePicture) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> side(1, 5000);
  for (int i = 0; i < 2000; ++i) {
    const int w = side(random), h = side(random);
    const std::optional<ThumbSize> kept =
        Target(Box(SizeRule::kFit, 1024, 1024, ScaleLimit::kShrinkOnly), w, h);
    const ThumbSize made = kept.value_or(ThumbSize{w, h});
    EXPECT_TRUE(made.width <= std::min(1024, w) && made.height <= std::min(1024, h)) << w << "x" << h;
    const std::optional<ThumbSize> fit = Target(Box(SizeRule::kFit, 300, 300), w, h);
    ASSERT_TRUE(fit.has_value());
    EXPECT_TRUE(fit->width <= 300 && fit->height <= 300 && (fit->width == 300 || fit->height == 300))
        << w << "x" << h;
  }
}

// The box's sides, and the window on the picture: the part of it that
// cropping the picture scaled to cover the box would keep.
void ExpectFill(const std::optional<ThumbSize>& target, int width, int height, SourceBox window) {
  ASSERT_TRUE(target.has_value());
  EXPECT_EQ(std::pair(target->width, target->height), std::pair(width, height));
  ASSERT_TRUE(target->crop.has_value());
  EXPECT_NEAR(target->crop->x, window.x, 1e-9);
  EXPECT_NEAR(target->crop->y, window.y, 1e-9);
  EXPECT_NEAR(target->crop->width, window.width, 1e-9);
  EXPECT_NEAR(target->crop->height, window.height, 1e-9);
}

TEST(SizeModesTest, FillCropsTheMiddleOfThePictureScaledToCoverTheBox) {
  // Scaled to 341x256 (341.33 rounded): the middle 256 columns start at the
  // 42nd, 42 x 4000 / 341 source pixels in.
  ExpectFill(Target(Box(SizeRule::kFill, 256, 256), 4000, 3000), 256, 256,
             {42 * 4000 / 341.0, 0, 256 * 4000 / 341.0, 3000});
  ExpectFill(Target(Box(SizeRule::kFill, 256, 256), 3000, 4000), 256, 256,
             {0, 42 * 4000 / 341.0, 3000, 256 * 4000 / 341.0});
  // 150.5 rounds to 150, whose overflow of 50 leaves 25 on the left.
  ExpectFill(Target(Box(SizeRule::kFill, 100, 100), 301, 200), 100, 100,
             {25 * 301 / 150.0, 0, 100 * 301 / 150.0, 200});
  // The same proportions as the box: nothing to crop.
  EXPECT_EQ(Target(Box(SizeRule::kFill, 300, 200), 600, 400), (ThumbSize{300, 200}));
  // Small pictures are enlarged to cover (to 480x300)...
  ExpectFill(Target(Box(SizeRule::kFill, 300, 300), 400, 250), 300, 300, {75, 0, 250, 250});
  // ...unless never enlarged: then only what overflows the box is cut.
  ExpectFill(Target(Box(SizeRule::kFill, 300, 300, ScaleLimit::kShrinkOnly), 400, 250), 300, 250,
             {50, 0, 300, 250});
  EXPECT_EQ(Target(Box(SizeRule::kFill, 300, 300, ScaleLimit::kShrinkOnly), 200, 100), std::nullopt);
}

TEST(SizeModesTest, TheLimitsHoldForTheFourRulesOfOld) {
  EXPECT_EQ(Target(Box(SizeRule::kPropWidth, 1024, 0, ScaleLimit::kShrinkOnly), 400, 250), std::nullopt);
  EXPECT_EQ(Target(Box(SizeRule::kPropWidth, 300, 0, ScaleLimit::kShrinkOnly), 400, 250),
            (ThumbSize{300, 188}));
  EXPECT_EQ(Target(Box(SizeRule::kPropHeight, 0, 100, ScaleLimit::kEnlargeOnly), 400, 250), std::nullopt);
  EXPECT_EQ(Target(Box(SizeRule::kPropHeight, 0, 500, ScaleLimit::kEnlargeOnly), 400, 250),
            (ThumbSize{800, 500}));
  // Exactly W x H: enlarging when no side shrinks, shrinking when none grows.
  EXPECT_EQ(Target(Box(SizeRule::kNoProp, 500, 300, ScaleLimit::kShrinkOnly), 400, 250), std::nullopt);
  EXPECT_EQ(Target(Box(SizeRule::kNoProp, 500, 200, ScaleLimit::kShrinkOnly), 400, 250),
            (ThumbSize{500, 200}));
  EXPECT_EQ(Target(Box(SizeRule::kNoProp, 300, 200, ScaleLimit::kEnlargeOnly), 400, 250), std::nullopt);
  EXPECT_EQ(Target(Box(SizeRule::kOriginal, 30, 20, ScaleLimit::kEnlargeOnly), 400, 250), std::nullopt);
  // A picture of no size cannot be compared with the box.
  EXPECT_FALSE(TargetSize(Box(SizeRule::kNoProp, 30, 20, ScaleLimit::kShrinkOnly), 0, 0, "a.jpg").ok());
  EXPECT_FALSE(TargetSize(Box(SizeRule::kFill, 0, 20), 40, 30, "a.jpg").ok());
}

TEST(SizeModesTest, TheNewSettingsChooseOnlyWhenSet) {
  SettingsRecord s;
  s.OUTpropw = -1;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kPropWidth);
  EXPECT_EQ(SizeRequestFrom(s).limit, ScaleLimit::kAny);
  EXPECT_EQ(SizeRequestFrom(s).crop, CropPlace::kCentre);
  s.OUTfit = 1;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kFit);
  s.OUTfit = 2;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kFill);
  s.OUTfit = 3;  // unknown: the options of old decide
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kPropWidth);
  s.OUTfit = 2;
  s.OUToriginal = 1;
  EXPECT_EQ(ChooseSizeRule(s), SizeRule::kOriginal);
  s.OUTenlarge = 1;
  s.OUTcrop = 1;
  EXPECT_EQ(SizeRequestFrom(s).limit, ScaleLimit::kShrinkOnly);
  EXPECT_EQ(SizeRequestFrom(s).crop, CropPlace::kAttention);
  s.OUTenlarge = 2;
  EXPECT_EQ(SizeRequestFrom(s).limit, ScaleLimit::kEnlargeOnly);
}

}  // namespace
}  // namespace vr
