#include "settings_dialog/region_picker.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QTest>

#include "support/qt_image.h"

namespace vr {
namespace {

struct RegionCase {
  double x;
  double y;
  int region;
};

class RegionAtTest : public testing::TestWithParam<RegionCase> {};

TEST_P(RegionAtTest, GivesTheCellOrNone) {
  EXPECT_EQ(RegionAt(GetParam().x, GetParam().y), GetParam().region)
      << "at (" << GetParam().x << ", " << GetParam().y << ")";
}

INSTANTIATE_TEST_SUITE_P(Cells, RegionAtTest,
                         testing::Values(RegionCase{30, 30, 1}, RegionCase{30, 90, 2}, RegionCase{30, 150, 3},
                                         RegionCase{90, 30, 4}, RegionCase{90, 90, 5}, RegionCase{90, 150, 6},
                                         RegionCase{150, 30, 7}, RegionCase{150, 90, 8},
                                         RegionCase{150, 150, 9}, RegionCase{59.9, 59.9, 1},
                                         RegionCase{60.5, 0, 4}, RegionCase{120.1, 179.9, 9},
                                         // The left column has no lower edge.
                                         RegionCase{30, 183, 3}));

INSTANTIATE_TEST_SUITE_P(GridLinesAndEdge, RegionAtTest,
                         testing::Values(RegionCase{60, 30, 0}, RegionCase{120, 30, 0}, RegionCase{30, 60, 0},
                                         RegionCase{30, 120, 0}, RegionCase{90, 120, 0},
                                         RegionCase{90, 180, 0}, RegionCase{150, 180, 0},
                                         RegionCase{150, 184, 0}));

TEST(RegionOutlineTest, RunsDownAlongUpAndBack) {
  const auto nine = RegionOutline(9);
  const std::array<QPoint, 5> expected = {QPoint(120, 120), QPoint(120, 180), QPoint(180, 180),
                                          QPoint(180, 120), QPoint(120, 120)};
  EXPECT_EQ(nine, expected);
  EXPECT_EQ(RegionOutline(3)[0], QPoint(0, 120));
  EXPECT_EQ(RegionOutline(7)[0], QPoint(120, 0));
  EXPECT_EQ(RegionOutline(5)[2], QPoint(120, 120));
}

class RegionPickerTest : public testing::Test {
 protected:
  SettingsRecord record;
  RegionPicker picker{record};
  QColor At(int x, int y) const { return picker.Shown().pixelColor(x, y); }
};

TEST_F(RegionPickerTest, ClicksSetTheRecordsRegionAtOnce) {
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(30, 150));
  EXPECT_EQ(record.WMArea, 3);
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(150, 30));
  EXPECT_EQ(record.WMArea, 7);
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(90, 90));
  EXPECT_EQ(record.WMArea, 5);
  EXPECT_EQ(picker.ShownRegion(), 5);
  EXPECT_FLOAT_EQ(picker.ClickX(), 90);
  EXPECT_EQ(picker.ClickY(), 90);
}

TEST_F(RegionPickerTest, AClickOnAGridLineKeepsTheRegionButStoresThePoint) {
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(150, 150));
  ASSERT_EQ(record.WMArea, 9);
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(60, 30));
  EXPECT_EQ(record.WMArea, 9);
  EXPECT_EQ(picker.ShownRegion(), 0);
  EXPECT_FLOAT_EQ(picker.ClickX(), 60);
  EXPECT_EQ(picker.ClickY(), 30);
  // Beyond the grid's lower edge in the right column: no region either.
  QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(150, 182));
  EXPECT_EQ(record.WMArea, 9);
}

TEST_F(RegionPickerTest, OutlinesTheChosenCellOnly) {
  picker.WMArea(150, 150);
  const QColor outline = At(120, 150);
  EXPECT_EQ(outline, QColor(Qt::red));
  EXPECT_EQ(At(150, 180), QColor(Qt::red));
  EXPECT_EQ(At(180, 150), QColor(Qt::red));
  EXPECT_NE(At(60, 90), QColor(Qt::red));
  // A click on a grid line shows the bare sample: the outline vanishes.
  picker.WMArea(60, 30);
  const QImage bare = ToQImage(LoadResourceImage(kButterflyResource));
  EXPECT_EQ(At(120, 150), bare.pixelColor(120, 150));
  EXPECT_EQ(At(150, 180), QColor(picker.palette().color(QPalette::Window)));
}

TEST_F(RegionPickerTest, ShowsTheWatermarkSampleInTheChosenCellAtItsOpacity) {
  const QImage bare = ToQImage(LoadResourceImage(kButterflyResource));
  auto differing = [&](int left, int top) {
    int count = 0;
    for (int y = top + 2; y < top + 58; ++y)
      for (int x = left + 2; x < left + 58; ++x)
        count += picker.Shown().pixelColor(x, y) != bare.pixelColor(x, y);
    return count;
  };
  picker.SetWatermarkBlend(0, 0);
  picker.WMArea(150, 150);
  EXPECT_EQ(differing(120, 120), 0) << "opacity 0 changes nothing";
  picker.SetWatermarkBlend(100, 0);
  EXPECT_GT(differing(120, 120), 100) << "the logo shows in region 9";
  EXPECT_EQ(differing(0, 0), 0) << "and nowhere else";
  picker.WMArea(30, 30);
  EXPECT_GT(differing(0, 0), 100);
  EXPECT_EQ(differing(120, 120), 0);
}

}  // namespace
}  // namespace vr
