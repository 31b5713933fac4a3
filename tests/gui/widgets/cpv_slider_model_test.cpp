#include "widgets/cpv_slider_model.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "widgets/property_error.h"

namespace vr {
namespace {

using Event = CpvSliderModel::Event;

std::string Name(Event event) {
  switch (event) {
    case Event::kClick:
      return "Click";
    case Event::kArrivedFirst:
      return "ArrivedFirst";
    case Event::kArrivedLast:
      return "ArrivedLast";
    case Event::kValueChanged:
      return "ValueChanged";
    case Event::kMouseDown:
      return "MouseDown";
    case Event::kMouseUp:
      return "MouseUp";
  }
  return "?";
}

// A model with an event log. Horizontal edge mode with a thumb of the given
// size on a surface of the given width, so the travel is width - thumb.
class SliderModelTest : public testing::Test {
 protected:
  void SetUp() override {
    model.SetEventSink([this](Event event, int shift) {
      log.push_back(Name(event) + (event == Event::kMouseDown || event == Event::kMouseUp
                                       ? "(" + std::to_string(shift) + ")"
                                       : ""));
    });
  }

  void MakeHorizontal(int surface_width, int thumb = 11, std::int32_t min = 0, std::int32_t max = 10) {
    model.SetOrientation(CpvSliderModel::kHorizontal);
    model.SetThumbPicture({true, thumb, thumb});
    model.Resize(surface_width, thumb);
    model.SetMax(max);
    model.SetMin(min);
    log.clear();
  }

  CpvSliderModel model;
  std::vector<std::string> log;
};

TEST_F(SliderModelTest, NewControlHasTheDocumentedState) {
  EXPECT_EQ(model.Value(), 0);
  EXPECT_EQ(model.Min(), 0);
  EXPECT_EQ(model.Max(), 10);
  EXPECT_EQ(model.Range(), 10);
  EXPECT_EQ(model.Orientation(), CpvSliderModel::kVertical);
  EXPECT_EQ(model.RailStyle(), 0);
  EXPECT_TRUE(model.Enabled());
  EXPECT_TRUE(model.ShowValueTip());
  EXPECT_EQ(model.BackColor(), 0x8000000Fu);
  EXPECT_FALSE(model.Dragging());
  // No pictures yet: the holders' sizes stand in.
  EXPECT_EQ(model.ThumbWidth(), 16);
  EXPECT_EQ(model.ThumbHeight(), 16);
  EXPECT_EQ(model.RailWidth(), 22);
  EXPECT_EQ(model.RailHeight(), 20);
}

// Min 0, Max 32, travel 64: a dragged thumb rounds to the nearest value, a half
// to the even one, and snaps onto that value's exact place.
struct SnapCase {
  float dragged_left;
  int value;
  float snapped_left;
};

class SliderSnapTest : public SliderModelTest, public testing::WithParamInterface<SnapCase> {};

TEST_P(SliderSnapTest, DraggedThumbSnapsToWholeValue) {
  MakeHorizontal(64 + 11, 11, 0, 32);
  const SnapCase& c = GetParam();
  // Grab the thumb at its left edge, then move it there.
  model.Press(CpvSliderModel::kLeftButton, 0, 0, 5);
  model.Move(c.dragged_left, 5);
  EXPECT_EQ(model.Value(), c.value);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), c.snapped_left);
}

INSTANTIATE_TEST_SUITE_P(HalfToEven, SliderSnapTest,
                         testing::Values(SnapCase{1, 0, 0}, SnapCase{3, 2, 4}, SnapCase{33, 16, 32},
                                         SnapCase{5, 2, 4}, SnapCase{7, 4, 8}, SnapCase{2.1f, 1, 2},
                                         SnapCase{64, 32, 64}, SnapCase{100, 32, 64}, SnapCase{-20, 0, 0}));

TEST_F(SliderModelTest, ThumbPositionFollowsValueInBothOrientations) {
  MakeHorizontal(172, 11, 0, 255);
  model.SetValue(255);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 161);
  model.SetValue(100);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 161.0f * 100 / 255);

  CpvSliderModel vertical;
  vertical.SetThumbPicture({true, 11, 11});
  vertical.Resize(11, 111);  // travel 100
  vertical.SetValue(10);
  EXPECT_FLOAT_EQ(vertical.ThumbTop(), 0);
  vertical.SetValue(3);
  EXPECT_FLOAT_EQ(vertical.ThumbTop(), 70);
  vertical.SetMin(-5);  // value becomes -5, the bottom
  EXPECT_FLOAT_EQ(vertical.ThumbTop(), 100);
}

TEST_F(SliderModelTest, VerticalDragToTheTopGivesMax) {
  model.SetThumbPicture({true, 11, 11});
  model.Resize(11, 61);
  model.SetMax(20);
  log.clear();
  model.Press(CpvSliderModel::kLeftButton, 0, 5, 55);  // on the thumb, which sits at the bottom
  model.Move(5, -40);
  EXPECT_EQ(model.Value(), 20);
  EXPECT_FLOAT_EQ(model.ThumbTop(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"MouseDown(0)", "ValueChanged", "ArrivedLast"}));
}

TEST_F(SliderModelTest, DragFromMinToMaxReportsEachNewValueThenClickAndMouseUp) {
  MakeHorizontal(10 + 11, 11, 0, 10);  // one pixel per value
  model.Press(CpvSliderModel::kLeftButton, 2, 3, 5);
  model.Move(4, 5);     // left 1: value 1
  model.Move(4.2f, 5);  // still 1: nothing
  model.Move(8, 5);     // left 5: 2 to 4 jumped over
  model.Move(30, 5);    // beyond the end: Max
  model.Release(CpvSliderModel::kLeftButton, 2, 15, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"MouseDown(2)", "ValueChanged", "ValueChanged", "ValueChanged",
                                           "ArrivedLast", "Click", "MouseUp(2)"}));
  EXPECT_FALSE(model.Dragging());
}

TEST_F(SliderModelTest, ReleaseOutsideTheSurfaceRaisesOnlyMouseUp) {
  MakeHorizontal(21);
  model.Press(CpvSliderModel::kLeftButton, 0, 2, 2);
  model.Release(CpvSliderModel::kLeftButton, 1, 21, 2);  // x == SW is outside
  EXPECT_EQ(log, (std::vector<std::string>{"MouseDown(0)", "MouseUp(1)"}));
}

TEST_F(SliderModelTest, PressOnTheRailCentresTheThumbBeforeMouseDown) {
  MakeHorizontal(100 + 11, 11, 0, 100);
  model.Press(CpvSliderModel::kLeftButton, 0, 60.5f, 5);
  EXPECT_EQ(model.Value(), 55);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 55);
  EXPECT_TRUE(model.Dragging());
  EXPECT_EQ(log, (std::vector<std::string>{"ValueChanged", "MouseDown(0)"}));
  // Held by its centre now: moving the pointer 10 to the right moves the value by 10.
  model.Move(70.5f, 5);
  EXPECT_EQ(model.Value(), 65);
}

TEST_F(SliderModelTest, PressOnTheThumbKeepsItsPlaceAndGrabOffset) {
  MakeHorizontal(100 + 11, 11, 0, 100);
  model.SetValue(20);
  log.clear();
  model.Press(CpvSliderModel::kLeftButton, 0, 31, 11);  // right and bottom edges are part of the thumb
  EXPECT_EQ(model.Value(), 20);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 20);
  EXPECT_EQ(log, (std::vector<std::string>{"MouseDown(0)"}));
  model.Move(36, 11);
  EXPECT_EQ(model.Value(), 25);
}

TEST_F(SliderModelTest, RightButtonAndDisabledPressesAreIgnored) {
  MakeHorizontal(21);
  model.Press(CpvSliderModel::kRightButton, 0, 15, 5);
  EXPECT_FALSE(model.Dragging());
  model.Release(CpvSliderModel::kRightButton, 0, 15, 5);
  EXPECT_TRUE(log.empty());

  model.SetEnabled(false);
  model.Press(CpvSliderModel::kLeftButton, 0, 15, 5);
  model.Move(18, 5);
  EXPECT_EQ(model.Value(), 0);
  model.Release(CpvSliderModel::kLeftButton, 0, 15, 5);
  EXPECT_EQ(log, (std::vector<std::string>{"Click"}));
}

TEST_F(SliderModelTest, MoveWithoutPressDoesNothing) {
  MakeHorizontal(21);
  model.Move(15, 5);
  EXPECT_EQ(model.Value(), 0);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 0);
  EXPECT_TRUE(log.empty());
}

TEST_F(SliderModelTest, SettingValueRaisesEventsInOrder) {
  MakeHorizontal(21, 11, 0, 10);
  model.SetValue(0);
  EXPECT_TRUE(log.empty()) << "unchanged value";
  model.SetValue(10);
  EXPECT_EQ(log, (std::vector<std::string>{"ValueChanged", "ArrivedLast"}));
  log.clear();
  model.SetValue(0);
  EXPECT_EQ(log, (std::vector<std::string>{"ValueChanged", "ArrivedFirst"}));
  log.clear();
  model.SetValue(4);
  EXPECT_EQ(log, (std::vector<std::string>{"ValueChanged"}));
}

TEST_F(SliderModelTest, ValueOutsideTheRangeFailsWith380AndChangesNothing) {
  MakeHorizontal(21, 11, 0, 10);
  model.SetValue(4);
  log.clear();
  for (std::int32_t bad : {-1, 11, std::numeric_limits<std::int32_t>::min()}) {
    try {
      model.SetValue(bad);
      ADD_FAILURE() << "no error for " << bad;
    } catch (const PropertyError& error) {
      EXPECT_EQ(error.number(), 380);
    }
  }
  EXPECT_EQ(model.Value(), 4);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 4);
  EXPECT_TRUE(log.empty());
}

TEST_F(SliderModelTest, MaxRules) {
  MakeHorizontal(21, 11, 0, 10);
  model.SetValue(8);
  log.clear();
  try {
    model.SetMax(0);
    ADD_FAILURE() << "Max equal to Min accepted";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), 380);
  }
  EXPECT_EQ(model.Max(), 10);
  // Below the value: accepted, the value stays above Max and nothing moves.
  model.SetMax(5);
  EXPECT_EQ(model.Max(), 5);
  EXPECT_EQ(model.Range(), 5);
  EXPECT_EQ(model.Value(), 8);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 8);
  EXPECT_TRUE(log.empty());
}

TEST_F(SliderModelTest, RangeBeyond32BitsOverflowsAndChangesNothing) {
  MakeHorizontal(21, 11, -10, 10);
  try {
    model.SetMax(std::numeric_limits<std::int32_t>::max());
    ADD_FAILURE() << "overflowing Max accepted";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), PropertyError::kOverflow);
  }
  EXPECT_EQ(model.Max(), 10);
  try {
    model.SetMin(std::numeric_limits<std::int32_t>::min());
    ADD_FAILURE() << "overflowing Min accepted";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), PropertyError::kOverflow);
  }
  EXPECT_EQ(model.Min(), -10);
  EXPECT_EQ(model.Value(), -10);
  EXPECT_EQ(model.Range(), 20);
}

TEST_F(SliderModelTest, MinWriteMovesTheValueAndRaisesValueChangedAndArrivedFirst) {
  MakeHorizontal(21, 11, 0, 10);
  model.SetValue(3);
  log.clear();
  model.SetMin(5);
  EXPECT_EQ(model.Value(), 5);
  EXPECT_EQ(model.Range(), 5);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"ValueChanged", "ArrivedFirst"}));

  log.clear();
  try {
    model.SetMin(10);
    ADD_FAILURE() << "Min equal to Max accepted";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), 380);
  }
  EXPECT_EQ(model.Min(), 5);
  EXPECT_TRUE(log.empty());
}

TEST_F(SliderModelTest, RepaintsFollowValueChangesOnly) {
  MakeHorizontal(21, 11, 0, 10);
  std::vector<CpvSliderModel::Repaint> repaints;
  model.SetRepaintSink([&](CpvSliderModel::Repaint kind) { repaints.push_back(kind); });
  model.SetValue(0);
  model.SetMax(20);
  EXPECT_TRUE(repaints.empty());
  model.SetValue(7);
  model.SetBackColor(0x00FF00);
  EXPECT_EQ(repaints, (std::vector{CpvSliderModel::Repaint::kValue, CpvSliderModel::Repaint::kFull}));
}

TEST_F(SliderModelTest, ZeroTravelStandsAtMin) {
  MakeHorizontal(11, 11, 0, 10);
  model.SetValue(5);
  model.Press(CpvSliderModel::kLeftButton, 0, 3, 3);
  model.Move(8, 3);
  EXPECT_EQ(model.Value(), 0);
}

// The form data holds entry names in lower case; defaults are not stored.
TEST(SliderModelProperties, NewControlStoresNothing) {
  CpvSliderModel model;
  PropertyBag bag;
  model.Save(bag, QVariant(), QVariant());
  EXPECT_TRUE(bag.Names().isEmpty()) << bag.Names().join(",").toStdString();
}

TEST(SliderModelProperties, ChangedEntriesAreStoredInTableOrder) {
  CpvSliderModel model;
  model.SetOrientation(CpvSliderModel::kHorizontal);
  model.SetRailStyle(99);
  model.SetMax(255);
  model.SetMin(-255);
  model.SetValue(7);
  model.SetShowValueTip(false);
  model.SetEnabled(false);
  model.SetBackColor(0x00123456);
  PropertyBag bag;
  model.Save(bag, QVariant(QString("icon")), QVariant(QString("rail")));
  EXPECT_EQ(bag.Names(), (QStringList{"backcolor", "enabled", "slidericon", "orientation", "railpicture",
                                      "railstyle", "showvaluetip", "min", "max", "value"}));
  EXPECT_EQ(bag.Read("backcolor", 0).toInt(), 0x00123456);
  EXPECT_EQ(bag.Read("MIN", 0).toInt(), -255);
}

TEST(SliderModelProperties, LoadReadsNamesWithoutRegardToCaseAndRaisesNothing) {
  PropertyBag bag;
  bag.Write("orientation", 0, 1);
  bag.Write("RAILSTYLE", 99, 0);
  bag.Write("min", 0, -1);
  bag.Write("Max", 100, 10);
  bag.Write("vAlUe", 85, 0);
  bag.Write("showvaluetip", false, true);
  bag.Write("backcolor", 0x00FF0000, 0);
  CpvSliderModel model;
  // A 226 pixel wide surface, as the form's slider has when its settings are read.
  model.SetOrientation(CpvSliderModel::kHorizontal);
  model.SetThumbPicture({true, 11, 12});
  model.Resize(226, 12);
  ASSERT_EQ(model.SurfaceWidth(), 226);
  int events = 0;
  int repaints = 0;
  model.SetEventSink([&](Event, int) { ++events; });
  model.SetRepaintSink([&](CpvSliderModel::Repaint) { ++repaints; });
  model.Load(bag, {true, 11, 11}, {true, 222, 12});
  EXPECT_EQ(model.Orientation(), 0);
  EXPECT_EQ(model.RailStyle(), 99);
  EXPECT_EQ(model.Max(), 100);
  EXPECT_EQ(model.Value(), 85);
  EXPECT_EQ(model.LastReportedValue(), 85);
  EXPECT_EQ(model.Range(), 100);
  EXPECT_FALSE(model.ShowValueTip());
  EXPECT_TRUE(model.Enabled());
  EXPECT_EQ(model.BackColor(), 0x00FF0000u);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 215.0f * 85 / 100);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(repaints, 0);
  // Missing entries read as their defaults, the system button face among them.
  CpvSliderModel fresh;
  fresh.SetBackColor(1);
  fresh.Load(PropertyBag(), {}, {});
  EXPECT_EQ(fresh.BackColor(), 0x8000000Fu);
  EXPECT_EQ(fresh.Orientation(), 1);
  EXPECT_EQ(fresh.Max(), 10);
}

TEST(SliderModelProperties, SaveThenLoadRoundTrips) {
  CpvSliderModel model;
  model.SetOrientation(CpvSliderModel::kHorizontal);
  model.SetMax(100);
  model.SetValue(100);
  model.SetBackColor(0x8000000Fu);
  PropertyBag bag;
  model.Save(bag, QVariant(), QVariant());
  EXPECT_FALSE(bag.Contains("BackColor"));
  CpvSliderModel copy;
  copy.Load(bag, {}, {});
  EXPECT_EQ(copy.Orientation(), 0);
  EXPECT_EQ(copy.Max(), 100);
  EXPECT_EQ(copy.Value(), 100);
}

}  // namespace
}  // namespace vr
