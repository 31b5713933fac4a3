// The progress window never takes the focus from the window the user works
// in, and its bar starts empty (a loaded bar without a stored value shows 0,
// where a new bar would show 50).
#include "windows/progress_window.h"

#include <gtest/gtest.h>

#include "widgets/percent_bar.h"

namespace vr {
namespace {

TEST(ProgressWindowTest, ShowsAnEmptyBarWithoutTakingTheFocus) {
  ProgressWindow window;
  window.show();
  EXPECT_EQ(window.findChild<PercentBar*>(QStringLiteral("Bar1")), window.progressBar());
  EXPECT_EQ(window.progressBar()->DrawnText(), QStringLiteral("0%"));
  EXPECT_FALSE(window.isModal());
  EXPECT_TRUE(window.windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
  for (QWidget* child : window.findChildren<QWidget*>())
    EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->objectName().toStdString();
}

}  // namespace
}  // namespace vr
