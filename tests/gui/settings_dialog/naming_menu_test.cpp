#include "settings_dialog/naming_menu.h"

#include <gtest/gtest.h>

#include <QLineEdit>

namespace vr {
namespace {

class NamingMenuTest : public testing::Test {
 protected:
  void Choose(const char* name) {
    QAction* action = menu.findChild<QAction*>(name);
    ASSERT_NE(action, nullptr) << name;
    action->trigger();
  }
  QLineEdit box;
  NamingMenu menu{&box};
};

TEST_F(NamingMenuTest, AppendsTokensWithoutSeparator) {
  Choose("mnuOrigName");
  Choose("mnu2Digit");
  EXPECT_EQ(box.text(), "%o%##");
}

TEST_F(NamingMenuTest, AppendsAtTheEndWhateverTheCaret) {
  box.setText("trip_");
  box.setCursorPosition(0);
  Choose("mnuDDMMYY");
  EXPECT_EQ(box.text(), "trip_%ddmmyy");
  box.selectAll();
  Choose("mnuMM_DD_YY");
  EXPECT_EQ(box.text(), "trip_%ddmmyy%mm_dd_yy");
}

TEST_F(NamingMenuTest, TheSameTokenTwice) {
  Choose("mnuHHMM");
  Choose("mnuHHMM");
  EXPECT_EQ(box.text(), "%hhmm%hhmm");
}

TEST_F(NamingMenuTest, EveryLeafSitsWhereItsCaptionSays) {
  EXPECT_EQ(menu.objectName(), "mnuNames");
  EXPECT_EQ(menu.title(), "Noming");
  QMenu* add = menu.findChild<QMenu*>("mnuAdd");
  ASSERT_NE(add, nullptr);
  EXPECT_EQ(add->title(), "Add");
  struct Expect {
    const char* submenu;
    const char* title;
    QStringList captions;
  };
  for (const Expect& e :
       {Expect{"mnuID", "Identifier", {"2 digits", "3 digits", "4 digits"}},
        Expect{"mnuDate", "Date", {"ddmmyyyy", "ddmmyy", "mmddyyyy", "mmddyy", "dd_mm_yy", "mm_dd_yy"}},
        Expect{"mnuTime", "Time", {"hhmmss", "hhmm"}}}) {
    QMenu* sub = add->findChild<QMenu*>(e.submenu);
    ASSERT_NE(sub, nullptr) << e.submenu;
    EXPECT_EQ(sub->title(), e.title);
    QStringList captions;
    for (QAction* action : sub->actions()) captions << action->text();
    EXPECT_EQ(captions, e.captions);
  }
  EXPECT_EQ(add->actions().first()->text(), "Original Name");
}

TEST_F(NamingMenuTest, EachLeafAppendsItsToken) {
  for (const NamingToken& leaf : NamingTokens()) {
    box.clear();
    Choose(leaf.object_name);
    EXPECT_EQ(box.text(), leaf.token) << leaf.object_name;
  }
  EXPECT_EQ(NamingTokens().size(), 12u);
}

}  // namespace
}  // namespace vr
