#include "widgets/v_up_down.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "widgets/property_error.h"

namespace vr {
namespace {

struct PackCase {
  std::int32_t min;
  std::int32_t max;
  std::int32_t word;
};

class UpDownPacking : public testing::TestWithParam<PackCase> {};

TEST_P(UpDownPacking, MinGoesHighMaxGoesLow) {
  EXPECT_EQ(vUpDown::PackRange(GetParam().min, GetParam().max), GetParam().word);
}

INSTANTIATE_TEST_SUITE_P(Ranges, UpDownPacking,
                         testing::Values(PackCase{0, 359, 0x00000167}, PackCase{10, 1024, 0x000A0400},
                                         PackCase{3, 20, 0x00030014}, PackCase{0x7FFF, 0xFFFF, 0x7FFFFFFF},
                                         // Only the low 16 bits of each end count.
                                         PackCase{0x10005, 0x20007, 0x00050007},
                                         PackCase{1, -1, 0x0001FFFF}));

TEST(UpDownPacking, LowerEndOf0x8000OrMoreOverflows) {
  for (std::int32_t min : {-1, 0x8000, 0xFFFF, 0x18000, -32768}) {
    try {
      vUpDown::PackRange(min, 10);
      ADD_FAILURE() << "no overflow for " << min;
    } catch (const PropertyError& error) {
      EXPECT_EQ(error.number(), PropertyError::kOverflow) << min;
    }
  }
}

// A buddy inside a form, attached the way the settings dialog does it.
class UpDownAttached : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    form->resize(300, 100);
    edit = new QLineEdit(form.get());
    edit->setGeometry(20, 30, 80, 22);
    form->show();
    arrows.SetBuddy(edit);
    arrows.SetMax(1024);
    arrows.SetMin(10);
    arrows.SetValue(300);
  }

  QToolButton* Button(const char* name) { return arrows.ArrowWindow()->findChild<QToolButton*>(name); }

  std::unique_ptr<QWidget> form;
  QLineEdit* edit = nullptr;
  vUpDown arrows;
};

TEST_F(UpDownAttached, ShowsTheValueAndStepsByOneWithinTheRange) {
  EXPECT_EQ(arrows.SentRange(), 0x000A0400);
  EXPECT_EQ(edit->text(), "300");
  ASSERT_NE(Button("upArrow"), nullptr);
  Button("upArrow")->click();
  EXPECT_EQ(edit->text(), "301");
  Button("downArrow")->click();
  Button("downArrow")->click();
  EXPECT_EQ(edit->text(), "299");
  EXPECT_EQ(arrows.Value(), 299);

  arrows.SetValue(1024);
  Button("upArrow")->click();
  EXPECT_EQ(edit->text(), "1024");
  arrows.SetValue(10);
  Button("downArrow")->click();
  EXPECT_EQ(edit->text(), "10");
}

TEST_F(UpDownAttached, ArrowKeysInTheBuddyStep) {
  QTest::keyClick(edit, Qt::Key_Up);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "302");
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(arrows.Value(), 301);
  // Other keys still reach the buddy.
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClick(edit, Qt::Key_5);
  EXPECT_EQ(edit->text(), "3015");
}

TEST_F(UpDownAttached, ValueIsReadBackFromTheText) {
  edit->setText("77");
  EXPECT_EQ(arrows.Value(), 77);
  edit->setText("abc");
  EXPECT_EQ(arrows.Value(), 77) << "letters keep the last valid position";
  edit->setText("5000");
  EXPECT_EQ(arrows.Value(), 77) << "a number outside the range is not a position";
  // A step starts from the typed number.
  edit->setText(" 500 ");
  Button("upArrow")->click();
  EXPECT_EQ(edit->text(), "501");
}

TEST_F(UpDownAttached, TextIsPlainDecimalWithoutSeparators) {
  arrows.SetValue(1000);
  EXPECT_EQ(edit->text(), "1000");
  arrows.SetMin(0);
  arrows.SetMax(359);
  EXPECT_EQ(arrows.SentRange(), 359);
  arrows.SetValue(0);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "0");
}

TEST_F(UpDownAttached, WrittenValueOutsideTheRangeIsKeptWithin) {
  arrows.SetValue(5000);
  EXPECT_EQ(edit->text(), "1024");
  EXPECT_EQ(arrows.Value(), 1024);
}

TEST_F(UpDownAttached, NegativeMinOverflowsKeepsTheValueAndSendsNoRange) {
  try {
    arrows.SetMin(-1);
    ADD_FAILURE() << "negative Min accepted";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), PropertyError::kOverflow);
  }
  EXPECT_EQ(arrows.Min(), -1);
  EXPECT_EQ(arrows.SentRange(), 0x000A0400);
  arrows.SetValue(10);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "10") << "the old range still holds";
}

TEST_F(UpDownAttached, ArrowsSitAtTheBuddysRightEdgeAndFollowIt) {
  QWidget* window = arrows.ArrowWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->parentWidget(), form.get());
  EXPECT_EQ(window->geometry().right(), edit->geometry().right());
  EXPECT_EQ(window->geometry().top(), edit->geometry().top());
  EXPECT_EQ(window->height(), edit->height());
  EXPECT_TRUE(window->isVisible());
  edit->setGeometry(50, 10, 120, 30);
  EXPECT_EQ(window->geometry().right(), edit->geometry().right());
  EXPECT_EQ(window->height(), 30);
  EXPECT_GE(edit->textMargins().right(), window->width());
}

TEST_F(UpDownAttached, EnabledTouchesTheArrowsOnly) {
  arrows.Enabled(false);
  EXPECT_FALSE(arrows.ArrowWindow()->isEnabled());
  EXPECT_TRUE(edit->isEnabled());
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "300");
  arrows.Enabled(true);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "301");
}

TEST(UpDownDetached, NewObjectStoresItsValues) {
  vUpDown arrows;
  EXPECT_EQ(arrows.Min(), 3);
  EXPECT_EQ(arrows.Max(), 20);
  EXPECT_EQ(arrows.Value(), 0);
  EXPECT_EQ(arrows.ArrowWindow(), nullptr);
  arrows.SetValue(4242);
  arrows.SetMin(-1);  // only stored: no range is sent yet
  EXPECT_EQ(arrows.Value(), 4242);
  EXPECT_EQ(arrows.Min(), -1);
  arrows.Enabled(false);
  arrows.Refresh();
}

TEST(UpDownDetached, BuddyWithoutParentGetsNoArrows) {
  QLineEdit lonely;
  vUpDown arrows;
  arrows.SetBuddy(&lonely);
  EXPECT_EQ(arrows.Buddy(), &lonely);
  EXPECT_EQ(arrows.ArrowWindow(), nullptr);
  arrows.SetValue(12);
  EXPECT_EQ(lonely.text(), "");
  EXPECT_EQ(arrows.Value(), 12);
}

TEST(UpDownDetached, AttachingWithANegativeMinFailsAfterMakingTheArrows) {
  QWidget form;
  auto* edit = new QLineEdit(&form);
  vUpDown arrows;
  arrows.SetMin(-5);
  try {
    arrows.SetBuddy(edit);
    ADD_FAILURE() << "attach with negative Min accepted";
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), PropertyError::kOverflow);
  }
  EXPECT_EQ(arrows.Buddy(), edit);
  EXPECT_NE(arrows.ArrowWindow(), nullptr);
  EXPECT_EQ(arrows.SentRange(), 0);
}

TEST(UpDownDetached, DefaultRangeHoldsUntilTheHostSetsItsOwn) {
  QWidget form;
  auto* edit = new QLineEdit(&form);
  vUpDown arrows;
  arrows.SetBuddy(edit);
  EXPECT_EQ(arrows.SentRange(), 0x00030014);
  arrows.SetValue(50);
  EXPECT_EQ(edit->text(), "20");
}

TEST(UpDownDetached, EndOfLifeRemovesTheArrows) {
  QWidget form;
  auto* edit = new QLineEdit(&form);
  QPointer<QWidget> window;
  {
    vUpDown arrows;
    arrows.SetBuddy(edit);
    window = arrows.ArrowWindow();
    ASSERT_FALSE(window.isNull());
  }
  EXPECT_TRUE(window.isNull());
  EXPECT_TRUE(form.findChildren<QToolButton*>().isEmpty());
  // The buddy outlives the arrows and keeps working on its own.
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "");
}

}  // namespace
}  // namespace vr
