// The slider's rules as the settings pages use them (horizontal, on a rail
// picture): a value stays within Min..Max and a bad write fails and changes
// nothing, a dragged thumb rounds to the nearest value with halves to even,
// each new value is reported once, and a release ends with MouseUp.
#include <gtest/gtest.h>

#include <functional>
#include <limits>
#include <string>

#include "widgets/cpv_slider_model.h"
#include "widgets/property_error.h"

namespace vr {
namespace {

using Model = CpvSliderModel;

std::string EventName(Model::Event event) {
  static const char* const kNames[] = {"?", "Click", "First", "Last", "Changed", "Down", "Up"};
  return kNames[static_cast<int>(event)];
}

// A horizontal model whose thumb is 11 pixels wide, so the travel is
// `surface_width` - 11, logging its events as "Down0 Changed Last ...".
class SliderModelTest : public testing::Test {
 protected:
  void Make(int surface_width, std::int32_t max) {
    model.SetOrientation(Model::kHorizontal);
    model.SetThumbPicture({true, 11, 11});
    model.Resize(surface_width, 11);
    model.SetMax(max);
    model.SetEventSink([this](Model::Event event, int shift) {
      log += (log.empty() ? "" : " ") + EventName(event);
      if (event == Model::Event::kMouseDown || event == Model::Event::kMouseUp) log += std::to_string(shift);
    });
  }
  Model model;
  std::string log;
};

struct SnapCase {
  float dragged_left;
  int value;
  float snapped_left;
};

class SliderSnapTest : public SliderModelTest, public testing::WithParamInterface<SnapCase> {};

// Min 0, Max 32, travel 64: two pixels per value.
TEST_P(SliderSnapTest, DraggedThumbRoundsHalfToEvenAndSnapsOntoItsValue) {
  Make(64 + 11, 32);
  model.Press(Model::kLeftButton, 0, 0, 5);  // grabbed at its left edge
  model.Move(GetParam().dragged_left, 5);
  EXPECT_EQ(model.Value(), GetParam().value);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), GetParam().snapped_left);
}

INSTANTIATE_TEST_SUITE_P(Drags, SliderSnapTest,
                         testing::Values(SnapCase{1, 0, 0}, SnapCase{3, 2, 4}, SnapCase{5, 2, 4},
                                         SnapCase{7, 4, 8}, SnapCase{2.1f, 1, 2}, SnapCase{33, 16, 32},
                                         SnapCase{100, 32, 64}, SnapCase{-20, 0, 0}));

TEST_F(SliderModelTest, DragReportsEachNewValueThenClickAndMouseUp) {
  Make(10 + 11, 10);  // one pixel per value
  model.Press(Model::kLeftButton, 2, 3, 5);
  model.Move(4, 5);     // value 1
  model.Move(4.2f, 5);  // still 1: nothing
  model.Move(8, 5);     // 5: the values in between are not reported
  model.Move(30, 5);    // beyond the end: Max
  model.Release(Model::kLeftButton, 2, 15, 5);
  EXPECT_EQ(log, "Down2 Changed Changed Changed Last Click Up2");
  EXPECT_FALSE(model.Dragging());
  // A release outside the surface is no click.
  log.clear();
  model.Press(Model::kLeftButton, 0, 15, 2);  // on the thumb, at the far end
  model.Release(Model::kLeftButton, 1, 21, 2);
  EXPECT_EQ(log, "Down0 Up1");
}

// A press on the thumb keeps it where it is, held where it was grabbed.
TEST_F(SliderModelTest, PressOnTheThumbKeepsItsPlaceAndGrip) {
  Make(100 + 11, 100);
  model.SetValue(20);
  log.clear();
  model.Press(Model::kLeftButton, 0, 31, 11);  // the thumb's right and bottom edges belong to it
  EXPECT_EQ(model.Value(), 20);
  EXPECT_EQ(log, "Down0");
  model.Move(36, 11);
  EXPECT_EQ(model.Value(), 25);
  model.Release(Model::kLeftButton, 0, 36, 11);
  // Disabled (the opacity slider under Mask and AND) it only clicks.
  model.SetEnabled(false);
  log.clear();
  model.Press(Model::kLeftButton, 0, 60, 5);
  model.Move(70, 5);
  model.Release(Model::kLeftButton, 0, 70, 5);
  EXPECT_EQ(model.Value(), 25);
  EXPECT_EQ(log, "Click");
}

TEST_F(SliderModelTest, WrittenValuesRaiseChangedAndTheEndsTheirArrival) {
  Make(21, 10);
  model.SetValue(0);  // unchanged
  model.SetValue(10);
  model.SetValue(0);
  EXPECT_EQ(log, "Changed Last Changed First");
  // Max moved below the value is accepted and leaves the value where it is.
  model.SetValue(8);
  log.clear();
  model.SetMax(5);
  EXPECT_EQ(model.Value(), 8);
  EXPECT_EQ(log, "");
  // A Min write puts the value on the new Min.
  model.SetMin(2);
  EXPECT_EQ(model.Value(), 2);
  EXPECT_FLOAT_EQ(model.ThumbLeft(), 0);
  EXPECT_EQ(log, "Changed First");
}

TEST(SliderModelRulesTest, WritesOutsideTheRulesFailAndChangeNothing) {
  Model model;  // Min -10, Max 10, value 4
  model.SetMin(-10);
  model.SetValue(4);
  int events = 0;
  model.SetEventSink([&](Model::Event, int) { ++events; });
  const std::pair<std::function<void()>, int> writes[] = {
      {[&] { model.SetValue(-11); }, 380},
      {[&] { model.SetValue(11); }, 380},
      {[&] { model.SetMax(-10); }, 380},  // Max on Min
      {[&] { model.SetMin(10); }, 380},   // Min on Max
      {[&] { model.SetMax(std::numeric_limits<std::int32_t>::max()); }, PropertyError::kOverflow},
      {[&] { model.SetMin(std::numeric_limits<std::int32_t>::min()); }, PropertyError::kOverflow}};
  for (const auto& [write, number] : writes) {
    try {
      write();
      ADD_FAILURE() << "accepted, error " << number << " expected";
    } catch (const PropertyError& error) {
      EXPECT_EQ(error.number(), number);
    }
  }
  EXPECT_EQ(model.Value(), 4);
  EXPECT_EQ(model.Min(), -10);
  EXPECT_EQ(model.Max(), 10);
  EXPECT_EQ(events, 0);
}

}  // namespace
}  // namespace vr
