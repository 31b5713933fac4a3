#include "settings_dialog/effects_preview.h"

#include <gtest/gtest.h>

#include <QTest>

#include "imaging/engine.h"
#include "settings_dialog/page_effects.h"
#include "settings_dialog/region_picker.h"
#include "support/qt_image.h"
#include "widgets/cpv_slider.h"

namespace vr {
namespace {

Image Sample() { return LoadResourceImage(kButterflyResource); }

TEST(RenderEffectsTest, DefaultLevelsLeaveTheSampleUnchanged) {
  Engine engine;
  const Image sample = Sample();
  ASSERT_FALSE(sample.empty());
  const Image result = RenderEffects(engine, sample, EffectLevels{});
  EXPECT_EQ(result.width, sample.width);
  EXPECT_EQ(result.pixels, sample.pixels);
  EXPECT_TRUE(engine.empty(Engine::kPictureSlot)) << "slot 1 is released after the render";
}

TEST(RenderEffectsTest, NegativeInvertsEveryColour) {
  Engine engine;
  const Image sample = Sample();
  EffectLevels levels;
  levels.negative = true;
  const Image result = RenderEffects(engine, sample, levels);
  ASSERT_EQ(result.pixels.size(), sample.pixels.size());
  for (std::size_t i = 0; i < 400; i += 4) EXPECT_EQ(result.pixels[i], 255 - sample.pixels[i]);
}

TEST(RenderEffectsTest, RunsThePipelinesOrder) {
  EffectLevels levels;
  levels.noise = 40;
  levels.brightness = 30;
  levels.contrast = -20;
  levels.saturation = 90;
  levels.correction = 60;
  levels.gray_scale = true;
  levels.negative = true;
  Engine reference;
  ASSERT_TRUE(reference.Hold(Engine::kPictureSlot, Sample()).ok());
  ASSERT_TRUE(reference.AddNoise(40).ok());
  ASSERT_TRUE(reference.AdjustLight(30, -20).ok());
  ASSERT_TRUE(reference.Colorize(90).ok());
  ASSERT_TRUE(reference.Repair(0.6f).ok());
  ASSERT_TRUE(reference.GrayScale().ok());
  ASSERT_TRUE(reference.Negative().ok());
  Engine engine;
  const Image result = RenderEffects(engine, Sample(), levels);
  EXPECT_EQ(result.pixels, reference.picture(Engine::kPictureSlot).pixels);
  EXPECT_NE(result.pixels, Sample().pixels);
}

class PageEffectsTest : public testing::Test {
 protected:
  Engine engine;
  PageEffects page{engine};
};

TEST_F(PageEffectsTest, NothingRendersWhilePreviewIsClear) {
  page.picture2->ShowSample();
  const QImage before = page.picture2->Shown();
  page.check2->setChecked(true);
  page.RenderPreview();
  EXPECT_EQ(page.picture2->RenderCount(), 0);
  EXPECT_EQ(page.picture2->Shown(), before);
}

TEST_F(PageEffectsTest, EffectBoxesRenderWhenPreviewIsTicked) {
  page.check1->setChecked(true);
  page.picture2->ShowSample();
  const QImage sample = page.picture2->Shown();
  page.check2->setChecked(true);
  EXPECT_EQ(page.picture2->RenderCount(), 1);
  EXPECT_NE(page.picture2->Shown(), sample);
}

TEST_F(PageEffectsTest, DefaultResetsLevelsAndRendersTheUnchangedSample) {
  page.check1->setChecked(true);
  page.sliders[0]->SetValue(100);
  page.sliders[1]->SetValue(-50);
  page.sliders[4]->SetValue(70);
  page.check2->setChecked(true);
  page.check3->setChecked(true);
  page.picture2->ShowSample();
  const QImage sample = page.picture2->Shown();
  QTest::mouseClick(page.command4, Qt::LeftButton);
  for (cpvSlider* slider : page.sliders) EXPECT_EQ(slider->Value(), 0) << slider->objectName().toStdString();
  EXPECT_FALSE(page.check2->isChecked());
  EXPECT_FALSE(page.check3->isChecked());
  EXPECT_TRUE(page.check1->isChecked()) << "Preview is left alone";
  EXPECT_EQ(page.picture2->Shown(), sample);
}

TEST_F(PageEffectsTest, LevelsComeFromTheControls) {
  page.sliders[2]->SetValue(-255);
  page.sliders[3]->SetValue(255);
  page.check3->setChecked(true);
  const EffectLevels levels = page.Levels();
  EXPECT_EQ(levels.contrast, -255);
  EXPECT_EQ(levels.saturation, 255);
  EXPECT_TRUE(levels.gray_scale);
  EXPECT_FALSE(levels.negative);
}

}  // namespace
}  // namespace vr
