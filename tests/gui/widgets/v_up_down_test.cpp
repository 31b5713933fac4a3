// The up-down arrows' rules: they and the Up and Down keys step the buddy's
// number by one within Min..Max, the value is read back from the buddy's
// text, and a Min the arrows cannot take fails without replacing the range
// in force.
#include "widgets/v_up_down.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "widgets/property_error.h"

namespace vr {
namespace {

// A buddy in a form, bound the way the settings dialog binds the sizes.
class UpDownTest : public testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    edit = new QLineEdit(form.get());
    form->show();
    arrows.SetBuddy(edit);
    arrows.SetMax(1024);
    arrows.SetMin(10);
    arrows.SetValue(300);
  }
  void Click(const char* button) {
    auto* arrow = arrows.ArrowWindow()->findChild<QToolButton*>(button);
    ASSERT_NE(arrow, nullptr) << button;
    arrow->click();
  }

  std::unique_ptr<QWidget> form;
  QLineEdit* edit = nullptr;
  vUpDown arrows;
};

TEST_F(UpDownTest, ArrowsAndKeysStepByOneWithinTheRange) {
  Click("upArrow");
  EXPECT_EQ(edit->text(), "301");
  QTest::keyClick(edit, Qt::Key_Down);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "299");
  EXPECT_EQ(arrows.Value(), 299);
  arrows.SetValue(5000);  // held to Max
  EXPECT_EQ(edit->text(), "1024");
  Click("upArrow");
  EXPECT_EQ(edit->text(), "1024");
  arrows.SetValue(3);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "10");
  // Other keys still reach the buddy.
  QTest::keyClick(edit, Qt::Key_End);
  QTest::keyClick(edit, Qt::Key_5);
  EXPECT_EQ(edit->text(), "105");
}

TEST_F(UpDownTest, ValueIsReadBackFromTheTypedText) {
  edit->setText("77");
  EXPECT_EQ(arrows.Value(), 77);
  edit->setText("abc");
  EXPECT_EQ(arrows.Value(), 77) << "letters keep the last valid position";
  edit->setText("5000");
  EXPECT_EQ(arrows.Value(), 77) << "a number outside the range is not a position";
  edit->setText(" 500 ");
  Click("upArrow");
  EXPECT_EQ(edit->text(), "501") << "a step starts from the typed number";
}

// The arrows take the range packed into one word, Min in the high 16 bits.
TEST_F(UpDownTest, MinThatCannotBePackedFailsAndTheOldRangeStillHolds) {
  EXPECT_EQ(arrows.SentRange(), 0x000A0400);
  for (std::int32_t min : {-1, 0x8000}) {
    try {
      arrows.SetMin(min);
      ADD_FAILURE() << "Min " << min << " accepted";
    } catch (const PropertyError& error) {
      EXPECT_EQ(error.number(), PropertyError::kOverflow);
    }
  }
  EXPECT_EQ(arrows.SentRange(), 0x000A0400);
  arrows.SetValue(10);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_EQ(edit->text(), "10");
}

TEST_F(UpDownTest, DisablingStopsTheArrowsAndKeysButNotTheBuddy) {
  arrows.Enabled(false);
  EXPECT_TRUE(edit->isEnabled());
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "300");
  arrows.Enabled(true);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_EQ(edit->text(), "301");
}

}  // namespace
}  // namespace vr
