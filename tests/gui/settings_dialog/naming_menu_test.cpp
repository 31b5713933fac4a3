// The naming menu: each entry, found by its objectName, appends its token to
// the naming box, at the end whatever the caret or selection.
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

TEST_F(NamingMenuTest, EntriesAppendTheirTokensAtTheEnd) {
  box.setText("trip_");
  box.setCursorPosition(0);
  for (const char* name : {"mnuOrigName", "mnu2Digit", "mnu4Digit", "mnuDDMMYY", "mnuMM_DD_YY", "mnuHHMMSS"})
    Choose(name);
  box.selectAll();
  Choose("mnuHHMM");
  Choose("mnuHHMM");
  EXPECT_EQ(box.text(), "trip_%o%##%####%ddmmyy%mm_dd_yy%hhmmss%hhmm%hhmm");
  EXPECT_EQ(menu.objectName(), "mnuNames");
}

}  // namespace
}  // namespace vr
