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
#include <QTest>
#include <QToolButton>
#include <cstdio>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include "widgets/cpv_slider_model.h"
#include "widgets/percent_bar.h"
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

// A horizontal slider of `width` pixels, Min 0, thumb 11 pixels wide (so
// the travel is `width` - 11), run through a script of steps: P<shift>,<x>,<y>
// press, M<x> move (at the press's height), R<shift>,<x>,<y> release,
// V<n> write the value, X<n> Max, N<n> Min, D disable. Its events are
// logged as "Down0 Changed Last ...".
struct SliderCase {
  int width;
  int max;
  const char* script;
  const char* log;
  int value;
  float thumb_left;  // -1: not checked
};

class SliderModelTest : public testing::TestWithParam<SliderCase> {};

TEST_P(SliderModelTest, EndsWhereTheScriptLeadsAfterItsEvents) {
  static const char* const kNames[] = {"?", "Click", "First", "Last", "Changed", "Down", "Up"};
  Model model;
  model.SetOrientation(Model::kHorizontal);
  model.SetThumbPicture({true, 11, 11});
  model.Resize(GetParam().width, 11);
  model.SetMax(GetParam().max);
  std::string log;
  model.SetEventSink([&](Model::Event event, int shift) {
    log += (log.empty() ? "" : " ") + std::string(kNames[static_cast<int>(event)]);
    if (event == Model::Event::kMouseDown || event == Model::Event::kMouseUp) log += std::to_string(shift);
  });
  std::istringstream script(GetParam().script);
  float y = 0;
  for (std::string step; script >> step;) {
    float a = 0, b = 0, c = 0;
    std::sscanf(step.c_str() + 1, "%f,%f,%f", &a, &b, &c);
    const int n = static_cast<int>(a);
    const std::map<char, std::function<void()>> steps = {
        {'P', [&] { model.Press(Model::kLeftButton, n, b, y = c); }},
        {'M', [&] { model.Move(a, y); }},
        {'R', [&] { model.Release(Model::kLeftButton, n, b, c); }},
        {'V', [&] { model.SetValue(n); }},
        {'X', [&] { model.SetMax(n); }},
        {'N', [&] { model.SetMin(n); }},
        {'D', [&] { model.SetEnabled(false); }}};
    steps.at(step[0])();
  }
  EXPECT_EQ(log, GetParam().log);
  EXPECT_EQ(model.Value(), GetParam().value);
  if (GetParam().thumb_left >= 0) {
    EXPECT_FLOAT_EQ(model.ThumbLeft(), GetParam().thumb_left);
  }
}

// Max 32 on a travel of 64, two pixels per value: a thumb grabbed at its
// left edge and dragged rounds to the nearest value, halves to even, and
// snaps onto it.
INSTANTIATE_TEST_SUITE_P(
    Snap, SliderModelTest,
    testing::Values(SliderCase{75, 32, "P0,0,5 M1 R0,1,5", "Down0 Click Up0", 0, 0},
                    SliderCase{75, 32, "P0,0,5 M3 R0,3,5", "Down0 Changed Click Up0", 2, 4},
                    SliderCase{75, 32, "P0,0,5 M5 R0,5,5", "Down0 Changed Click Up0", 2, 4},
                    SliderCase{75, 32, "P0,0,5 M7 R0,7,5", "Down0 Changed Click Up0", 4, 8},
                    SliderCase{75, 32, "P0,0,5 M2.1 R0,2,5", "Down0 Changed Click Up0", 1, 2},
                    SliderCase{75, 32, "P0,0,5 M100 R0,70,5", "Down0 Changed Last Click Up0", 32, 64},
                    SliderCase{75, 32, "P0,0,5 M-20 R0,0,5", "Down0 Click Up0", 0, 0}));

INSTANTIATE_TEST_SUITE_P(
    Events, SliderModelTest,
    testing::Values(
        // One pixel per value: each new value is told once, the ones skipped over not at all.
        SliderCase{21, 10, "P2,3,5 M4 M4.2 M8 M30 R2,15,5", "Down2 Changed Changed Changed Last Click Up2",
                   10, 10},
        // A release outside the surface is no click.
        SliderCase{21, 10, "V10 P0,15,2 R1,21,2", "Changed Last Down0 Up1", 10, 10},
        // A press on the thumb (its right and bottom edges belong to it) keeps its place and grip.
        SliderCase{111, 100, "V20 P0,31,11 M36 R0,36,11", "Changed Down0 Changed Up0", 25, 25},
        // Disabled (the opacity slider under Mask and AND) it only clicks.
        SliderCase{111, 100, "V25 D P0,60,5 M70 R0,70,5", "Changed Click", 25, 25},
        SliderCase{21, 10, "V0 V10 V0", "Changed Last Changed First", 0, 0},
        // Max moved below the value leaves it there; a Min write puts it on the new Min.
        SliderCase{21, 10, "V8 X5", "Changed", 8, -1},
        SliderCase{21, 10, "V8 X5 N2", "Changed Changed First", 2, 0}));

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

struct PercentCase {
  std::int32_t value;
  std::int32_t max;
  int expected;
};

class PercentBarTest : public testing::TestWithParam<PercentCase> {};

// Every write redraws at once.
TEST_P(PercentBarTest, ShowsTheFlooredPercentageHeldTo0To100) {
  PercentBar bar;
  bar.SetMax(GetParam().max);
  bar.SetValue(GetParam().value);
  EXPECT_EQ(bar.DrawnText().toStdString(), std::to_string(GetParam().expected) + "%")
      << GetParam().value << " of " << GetParam().max;
  bar.SetCaption(QStringLiteral("Scanning"));
  EXPECT_EQ(bar.DrawnText().toStdString(), "Scanning (" + std::to_string(GetParam().expected) + "%)");
}

INSTANTIATE_TEST_SUITE_P(Table, PercentBarTest,
                         testing::Values(
                             // The quotient lands just under the exact value, so the floor drops one.
                             PercentCase{29, 100, 28}, PercentCase{57, 100, 56}, PercentCase{2, 3, 66},
                             PercentCase{-5, -10, 50}, PercentCase{37, 0, 0}, PercentCase{-1, 100, 0},
                             PercentCase{5, -10, 0}, PercentCase{32767, 1, 100}));

TEST(PercentBarRulesTest, ValuesBeyond16BitsFailAndTheOldPictureStays) {
  PercentBar bar;
  bar.resize(120, 20);
  bar.SetValue(29);
  const QImage before = bar.Buffer().copy();
  ExpectRefused([&] { bar.SetValue(32768); }, PropertyError::kOverflow, "value 32768");
  ExpectRefused([&] { bar.SetValue(-32769); }, PropertyError::kOverflow, "value -32769");
  ExpectRefused([&] { bar.SetMax(40000); }, PropertyError::kOverflow, "Max 40000");
  EXPECT_EQ(bar.Value(), 29);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Buffer(), before);
}

// A buddy in a form, bound the way the settings dialog binds the sizes:
// 10..1024, at 300.
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
  QWidget form;
  QLineEdit* edit = nullptr;
  vUpDown arrows;
};

// A script of steps: U the up arrow, + and - the Up and Down keys, K<c> the
// key <c> typed at the end, T<text> text put in the buddy (_ for a blank),
// V<n> a written value, E<0|1> disable or enable; =<text> checks what the
// buddy shows, #<n> the value read back.
class UpDownScriptTest : public UpDownTest, public testing::WithParamInterface<const char*> {};

TEST_P(UpDownScriptTest, ShowsWhatEachStepLeads) {
  std::istringstream script(GetParam());
  using Text = const QString&;
  const std::map<char, std::function<void(Text)>> steps = {
      {'U', [&](Text) { arrows.ArrowWindow()->findChild<QToolButton*>("upArrow")->click(); }},
      {'+', [&](Text) { QTest::keyClick(edit, Qt::Key_Up); }},
      {'-', [&](Text) { QTest::keyClick(edit, Qt::Key_Down); }},
      {'K', [&](Text key) { QTest::keyClick(edit, Qt::Key_End), QTest::keyClicks(edit, key); }},
      {'T', [&](Text text) { edit->setText(text); }},
      {'V', [&](Text value) { arrows.SetValue(value.toInt()); }},
      {'E', [&](Text on) { arrows.Enabled(on == "1"); }},
      {'=',
       [&](Text text) {
         EXPECT_EQ(edit->text().toStdString(), text.toStdString()) << "at " << script.tellg();
       }},
      {'#', [&](Text value) { EXPECT_EQ(arrows.Value(), value.toInt()) << "at " << script.tellg(); }}};
  for (std::string step; script >> step;) {
    QString rest = QString::fromStdString(step.substr(1)).replace('_', ' ');
    steps.at(step[0])(rest);
  }
  EXPECT_TRUE(edit->isEnabled()) << "the buddy stays usable";
}

INSTANTIATE_TEST_SUITE_P(Scripts, UpDownScriptTest,
                         testing::Values("U =301 - - =299 #299",
                                         "V5000 =1024 U =1024 V3 - =10",  // held to the range
                                         "V10 K5 =105",                   // other keys reach the buddy
                                         "E0 + U =300 E1 + =301",         // disabled, nothing steps
                                         // Letters and numbers outside the range keep the last valid
                                         // position; a step starts from the typed number.
                                         "T77 #77 Tabc #77 T5000 #77 T_500_ U =501"));

// The arrows take the range packed into one word, Min in the high 16 bits.
TEST_F(UpDownTest, MinThatCannotBePackedFailsAndTheOldRangeStillHolds) {
  ExpectRefused([&] { arrows.SetMin(-1); }, PropertyError::kOverflow, "Min -1");
  ExpectRefused([&] { arrows.SetMin(0x8000); }, PropertyError::kOverflow, "Min 0x8000");
  EXPECT_EQ(arrows.SentRange(), vUpDown::PackRange(10, 1024));
  arrows.SetValue(10);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "10");
}

}  // namespace
}  // namespace vr
