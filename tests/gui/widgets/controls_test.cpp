// The custom controls' rules. The slider (horizontal, on a rail picture,
// as the settings pages use it): a value stays within Min..Max and a bad
// write fails and changes nothing, a dragged thumb rounds to the nearest
// value with halves to even, each new value is reported once, and a release
// ends with MouseUp. The progress bar: its percentage is floored and held to
// 0..100, shown at once, and its values are 16-bit. The up-down arrows: they
// and the Up and Down keys step the buddy's number by one within Min..Max,
// the value is read back from the buddy's text, and a Min the arrows cannot
// take fails without replacing the range in force.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <limits>
#include <memory>
#include <string>

#include "widgets/cpv_slider.h"
#include "widgets/cpv_slider_model.h"
#include "widgets/percent_bar.h"
#include "widgets/percent_bar_math.h"
#include "widgets/property_error.h"
#include "widgets/v_up_down.h"

namespace vr {
namespace {

void ExpectRefused(const std::function<void()>& write, int number, const std::string& what) {
  try {
    write();
    ADD_FAILURE() << what << " accepted, error " << number << " expected";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), number) << what;
  }
}

using Model = CpvSliderModel;

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
      static const char* const kNames[] = {"?", "Click", "First", "Last", "Changed", "Down", "Up"};
      log += (log.empty() ? "" : " ") + std::string(kNames[static_cast<int>(event)]);
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
  Model model;
  model.SetMin(-10);
  model.SetValue(4);
  int events = 0;
  model.SetEventSink([&](Model::Event, int) { ++events; });
  constexpr std::int32_t kHuge = std::numeric_limits<std::int32_t>::max();
  ExpectRefused([&] { model.SetValue(-11); }, 380, "value below Min");
  ExpectRefused([&] { model.SetValue(11); }, 380, "value above Max");
  ExpectRefused([&] { model.SetMax(-10); }, 380, "Max on Min");
  ExpectRefused([&] { model.SetMin(10); }, 380, "Min on Max");
  ExpectRefused([&] { model.SetMax(kHuge); }, PropertyError::kOverflow, "huge Max");
  ExpectRefused([&] { model.SetMin(-kHuge - 1); }, PropertyError::kOverflow, "huge Min");
  EXPECT_EQ(model.Value(), 4);
  EXPECT_EQ(model.Min(), -10);
  EXPECT_EQ(model.Max(), 10);
  EXPECT_EQ(events, 0);
}

// The widget raises the model's events as its signals, the mouse's
// modifiers as the shift bits (1 Shift, 2 Ctrl).
TEST(SliderWidgetTest, RaisesTheModelsEventsAsSignals) {
  cpvSlider slider;
  slider.SetMin(0);
  slider.SetMax(10);
  slider.resize(40, 200);
  slider.show();
  QSignalSpy changed(&slider, &cpvSlider::ValueChanged), last(&slider, &cpvSlider::ArrivedLast),
      up(&slider, &cpvSlider::MouseUp);
  slider.SetValue(10);
  EXPECT_EQ(changed.count(), 1);
  EXPECT_EQ(last.count(), 1);
  QTest::mouseClick(&slider, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, QPoint(20, 100));
  ASSERT_EQ(up.count(), 1);
  EXPECT_EQ(up[0][0].toInt(), 3);
}

struct PercentCase {
  std::int32_t value;
  std::int32_t max;
  int expected;
};

class PercentageTest : public testing::TestWithParam<PercentCase> {};

TEST_P(PercentageTest, FloorsTheQuotientAndHoldsItTo0To100) {
  EXPECT_EQ(percent_bar::Percentage(GetParam().value, GetParam().max), GetParam().expected)
      << GetParam().value << " of " << GetParam().max;
}

INSTANTIATE_TEST_SUITE_P(Table, PercentageTest,
                         testing::Values(
                             // The quotient lands just under the exact value, so the floor drops one.
                             PercentCase{29, 100, 28}, PercentCase{57, 100, 56}, PercentCase{2, 3, 66},
                             PercentCase{-5, -10, 50}, PercentCase{37, 0, 0}, PercentCase{-1, 100, 0},
                             PercentCase{5, -10, 0}, PercentCase{32767, 1, 100}));

TEST(PercentBarTest, EveryWriteRedrawsAtOnceAndValuesBeyond16BitsFail) {
  PercentBar bar;
  bar.resize(120, 20);
  bar.SetValue(29);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("28%"));
  bar.SetMax(10);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("100%"));
  bar.SetCaption(QStringLiteral("Scanning"));
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("Scanning (100%)"));
  const QImage before = bar.Buffer().copy();
  ExpectRefused([&] { bar.SetValue(32768); }, PropertyError::kOverflow, "value 32768");
  ExpectRefused([&] { bar.SetValue(-32769); }, PropertyError::kOverflow, "value -32769");
  ExpectRefused([&] { bar.SetMax(40000); }, PropertyError::kOverflow, "Max 40000");
  EXPECT_EQ(bar.Value(), 29);
  EXPECT_EQ(bar.Max(), 10);
  EXPECT_EQ(bar.Buffer(), before) << "the old picture stays";
}

// A buddy in a form, bound the way the settings dialog binds the sizes.
class UpDownTest : public testing::Test {
 protected:
  void SetUp() override {
    edit = new QLineEdit(&form);
    form.show();
    arrows.SetBuddy(edit);
    arrows.SetMax(1024);
    arrows.SetMin(10);
    arrows.SetValue(300);
  }
  void Up() { arrows.ArrowWindow()->findChild<QToolButton*>("upArrow")->click(); }
  void Key(Qt::Key key) { QTest::keyClick(edit, key); }

  QWidget form;
  QLineEdit* edit = nullptr;
  vUpDown arrows;
};

TEST_F(UpDownTest, ArrowsAndKeysStepByOneWithinTheRange) {
  Up();
  EXPECT_EQ(edit->text(), "301");
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  EXPECT_EQ(edit->text(), "299");
  EXPECT_EQ(arrows.Value(), 299);
  arrows.SetValue(5000);  // held to Max
  EXPECT_EQ(edit->text(), "1024");
  Up();
  EXPECT_EQ(edit->text(), "1024");
  arrows.SetValue(3);
  Key(Qt::Key_Down);
  EXPECT_EQ(edit->text(), "10");
  // Other keys still reach the buddy.
  Key(Qt::Key_End);
  Key(Qt::Key_5);
  EXPECT_EQ(edit->text(), "105");
  // Disabled, the arrows and keys stop; the buddy stays usable.
  arrows.Enabled(false);
  EXPECT_TRUE(edit->isEnabled());
  Key(Qt::Key_Up);
  EXPECT_EQ(edit->text(), "105");
  arrows.Enabled(true);
  Key(Qt::Key_Up);
  EXPECT_EQ(edit->text(), "106");
}

TEST_F(UpDownTest, ValueIsReadBackFromTheTypedText) {
  edit->setText("77");
  EXPECT_EQ(arrows.Value(), 77);
  edit->setText("abc");
  EXPECT_EQ(arrows.Value(), 77) << "letters keep the last valid position";
  edit->setText("5000");
  EXPECT_EQ(arrows.Value(), 77) << "a number outside the range is not a position";
  edit->setText(" 500 ");
  Up();
  EXPECT_EQ(edit->text(), "501") << "a step starts from the typed number";
}

// The arrows take the range packed into one word, Min in the high 16 bits.
TEST_F(UpDownTest, MinThatCannotBePackedFailsAndTheOldRangeStillHolds) {
  ExpectRefused([&] { arrows.SetMin(-1); }, PropertyError::kOverflow, "Min -1");
  ExpectRefused([&] { arrows.SetMin(0x8000); }, PropertyError::kOverflow, "Min 0x8000");
  EXPECT_EQ(arrows.SentRange(), vUpDown::PackRange(10, 1024));
  arrows.SetValue(10);
  Key(Qt::Key_Down);
  EXPECT_EQ(edit->text(), "10");
}

}  // namespace
}  // namespace vr
