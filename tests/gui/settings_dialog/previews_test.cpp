// The settings pages' previews: the effects render only while "Preview" is
// ticked; the region picker maps a click to one of
// nine cells (none on a grid line) and stores it at once.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "imaging/engine.h"
#include "settings_dialog/effects_preview.h"
#include "settings_dialog/page_effects.h"
#include "settings_dialog/region_picker.h"
#include "support/qt_image.h"
#include "widgets/cpv_slider.h"

namespace vr {
namespace {

class PageEffectsTest : public testing::Test {
 protected:
  Engine engine;
  PageEffects page{engine};
};

TEST_F(PageEffectsTest, BoxesSlidersAndDefaultRenderOnlyWhilePreviewIsTicked) {
  page.show();
  page.picture2->ShowSample();
  const QImage sample = page.picture2->Shown();
  page.check2->setChecked(true);
  EXPECT_EQ(page.picture2->RenderCount(), 0);
  EXPECT_EQ(page.picture2->Shown(), sample);
  page.check2->setChecked(false);
  page.check1->setChecked(true);
  page.check2->setChecked(true);
  EXPECT_EQ(page.picture2->RenderCount(), 1);
  EXPECT_NE(page.picture2->Shown(), sample);
  QTest::mouseClick(page.sliders[1], Qt::LeftButton);
  EXPECT_EQ(page.picture2->RenderCount(), 2);
  // "Default" clears the levels and effect boxes, not "Preview", and shows the sample.
  QTest::mouseClick(page.command4, Qt::LeftButton);
  for (cpvSlider* slider : page.sliders) EXPECT_EQ(slider->Value(), 0) << slider->objectName().toStdString();
  EXPECT_FALSE(page.check2->isChecked());
  EXPECT_TRUE(page.check1->isChecked());
  EXPECT_EQ(page.picture2->Shown(), sample);
}

struct RegionCase {
  double x;
  double y;
  int region;
};

class RegionAtTest : public testing::TestWithParam<RegionCase> {};

TEST_P(RegionAtTest, GivesTheCellNumberedDownEachColumnOrNone) {
  EXPECT_EQ(RegionAt(GetParam().x, GetParam().y), GetParam().region)
      << "at (" << GetParam().x << ", " << GetParam().y << ")";
}

INSTANTIATE_TEST_SUITE_P(Points, RegionAtTest,
                         testing::Values(RegionCase{30, 150, 3}, RegionCase{90, 90, 5},
                                         RegionCase{150, 30, 7}, RegionCase{59.9, 59.9, 1},
                                         RegionCase{120.1, 179.9, 9},
                                         RegionCase{30, 183, 3},  // the left column has no lower edge
                                         RegionCase{60, 30, 0}, RegionCase{30, 120, 0},
                                         RegionCase{90, 180, 0}, RegionCase{150, 184, 0}));

class RegionPickerTest : public testing::Test {
 protected:
  void Click(int x, int y) { QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(x, y)); }

  SettingsRecord record;
  RegionPicker picker{record};
};

TEST_F(RegionPickerTest, AClickStoresItsRegionAtOnceAndAGridLineKeepsTheOldOne) {
  Click(30, 150);
  EXPECT_EQ(record.WMArea, 3);
  Click(150, 150);
  EXPECT_EQ(record.WMArea, 9);
  Click(60, 30);
  EXPECT_EQ(record.WMArea, 9);
  EXPECT_EQ(picker.ShownRegion(), 0);
  EXPECT_FLOAT_EQ(picker.ClickX(), 60) << "the point is kept for saving";
  EXPECT_EQ(picker.ClickY(), 30);
}

}  // namespace
}  // namespace vr
