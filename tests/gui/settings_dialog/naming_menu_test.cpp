// The naming menu: each entry, found by its objectName, appends its token to
// the naming box, at the end whatever the caret or selection.
#include "settings_dialog/naming_menu.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <string>

namespace vr {
namespace {

TEST(NamingMenuTest, EntriesAppendTheirTokensAtTheEnd) {
  QLineEdit box("trip_");
  NamingMenu menu(&box);
  EXPECT_EQ(menu.objectName(), "mnuNames");
  box.setCursorPosition(0);
  for (const char* name : {"mnuOrigName", "mnu2Digit", "mnu4Digit", "mnuDDMMYY", "mnuMM_DD_YY", "mnuHHMMSS",
                           "mnuHHMM", "mnuHHMM"}) {
    if (name == std::string("mnuHHMM")) box.selectAll();  // a selection is not replaced either
    QAction* entry = menu.findChild<QAction*>(name);
    ASSERT_NE(entry, nullptr) << name;
    entry->trigger();
  }
  EXPECT_EQ(box.text(), "trip_%o%##%####%ddmmyy%mm_dd_yy%hhmmss%hhmm%hhmm");
}

}  // namespace
}  // namespace vr
