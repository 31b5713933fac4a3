// Add from Folder: the bar's step (100 / count, halves to even), which files
// are taken (BMP, then JPEG, then PNG, any case, not sub-folders), the window
// disabled during the scan, and the ways it ends without changing anything.
#include "windows/add_folder.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/progress_window.h"

namespace vr {
namespace {

struct StepCase {
  std::int32_t count;
  std::int32_t step;
};

class ProgressStepTest : public testing::TestWithParam<StepCase> {};

TEST_P(ProgressStepTest, HundredByCountRoundedHalfToEven) {
  EXPECT_EQ(FolderProgressStep(GetParam().count), GetParam().step);
}

INSTANTIATE_TEST_SUITE_P(Counts, ProgressStepTest,
                         testing::Values(StepCase{1, 100}, StepCase{3, 33}, StepCase{8, 12}, StepCase{150, 1},
                                         StepCase{200, 0}, StepCase{0, 0}));

class AddFolderTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    store_ = std::make_unique<RegFileStore>(QFile::encodeName(temp_.filePath("s.reg")).toStdString());
    window_ = std::make_unique<MainWindow>(settings_, *store_);
    folder_ = temp_.filePath(QStringLiteral("pictures"));
    ASSERT_TRUE(QDir().mkpath(folder_));
  }
  void Touch(const QString& name) {
    QFile file(QDir(folder_).filePath(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << name.toStdString();
    file.write("x");
  }
  QStringList ListedNames() const {
    QStringList names;
    for (std::int32_t row = 1; row <= window_->grid()->RowCount(); ++row)
      names << QFileInfo(QString::fromStdString(window_->grid()->CellText(row, 1))).fileName();
    return names;
  }
  FolderAddTrace Run(const QString& answer) {
    dialogs_.folders.push_back(answer);
    return AddFromFolder(*window_);
  }
  static int OpenProgressWindows() {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (qobject_cast<ProgressWindow*>(widget)) ++count;
    return count;
  }

  QTemporaryDir temp_;
  std::unique_ptr<RegFileStore> store_;
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
  QString folder_;
};

TEST_F(AddFolderTest, TakesBmpThenJpegThenPngInAnyCaseAndNothingElse) {
  for (const char* name :
       {"b.png", "a.jpg", "c.bmp", "d.BMP", "e.JPG", "z.jpeg", "g.gif", "jpg", "c.jpg.txt"})
    Touch(QString::fromLatin1(name));
  ASSERT_TRUE(QDir(folder_).mkpath(QStringLiteral("inner")));
  Touch(QStringLiteral("inner/deep.jpg"));
  ASSERT_TRUE(QDir(folder_).mkpath(QStringLiteral("folder.png")));  // a folder, not a picture
  const FolderAddTrace trace = Run(folder_ + QLatin1Char('/'));     // the separator is not doubled
  EXPECT_EQ(QString::fromStdString(window_->grid()->CellText(1, 1)), folder_ + QStringLiteral("/c.bmp"));
  ASSERT_EQ(dialogs_.folder_titles.size(), 1u);
  EXPECT_EQ(dialogs_.folder_titles[0], QStringLiteral("Select the Folder"));
  EXPECT_EQ(trace.added, 5);
  EXPECT_EQ(ListedNames(), (QStringList{"c.bmp", "d.BMP", "a.jpg", "e.JPG", "b.png"}));
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(AddFolderTest, BarStepsPerFileWhileTheWindowIsDisabled) {
  window_->show();
  for (const char* name : {"1.jpg", "2.jpg", "3.jpg"}) Touch(QString::fromLatin1(name));
  const FolderAddTrace trace = Run(folder_);
  EXPECT_EQ(trace.step, 33);
  EXPECT_EQ(trace.bar_values, (std::vector<std::int32_t>{33, 66, 99}));
  EXPECT_TRUE(trace.window_disabled_throughout);
  EXPECT_TRUE(trace.progress_shown_throughout);
  // Afterwards: the window is back, the progress window gone.
  EXPECT_TRUE(window_->isEnabled());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(OpenProgressWindows(), 0);
  EXPECT_EQ(window_->statusLabel()->text(), QStringLiteral("3 image(s)"));
  EXPECT_TRUE(MainWindow::IsCommandEnabled(window_->Command(QStringLiteral("mnuBuild"))));
}

TEST_F(AddFolderTest, CancelledEmptyOrMissingFolderChangesNothing) {
  Touch(QStringLiteral("notes.txt"));
  for (const QString& answer : {QString(), folder_, temp_.filePath(QStringLiteral("missing"))})
    EXPECT_EQ(Run(answer).added, 0) << answer.toStdString();
  EXPECT_EQ(window_->grid()->RowCount(), 0);
  EXPECT_EQ(window_->statusLabel()->text(), QStringLiteral("Varenna Pro"));
  EXPECT_FALSE(MainWindow::IsCommandEnabled(window_->Command(QStringLiteral("mnuBuild"))));
  EXPECT_TRUE(window_->isEnabled());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(OpenProgressWindows(), 0);
  EXPECT_TRUE(dialogs_.messages.empty());
}

}  // namespace
}  // namespace vr
