// The main window's commands as rules: the list commands are enabled exactly
// while the list has rows, the upload command after a build; menu, toolbar,
// and shortcut reach one command each; Add Image(s) appends every picked
// file.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {
namespace {

class MainWindowCommandsTest : public testing::Test {
 protected:
  QAction* Command(const char* name) { return window_.Command(QString::fromLatin1(name)); }
  // Adds `count` files of 10, 11, ... bytes through "Add Image(s)".
  QStringList AddFiles(int count) {
    QStringList files;
    for (int i = 0; i < count; ++i) {
      files << temp_.filePath(QStringLiteral("pic%1.jpg").arg(i));
      QFile file(files.back());
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(QByteArray(10 + i, 'x'));
    }
    dialogs_.files.push_back(files);
    window_.AddImageFiles();
    return files;
  }
  // The enabled ones of the commands whose state follows the list or a build.
  std::string EnabledListCommands() {
    std::string enabled;
    for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList", "mnuSend"})
      if (MainWindow::IsCommandEnabled(Command(name))) enabled += std::string(name) + " ";
    if (MainWindow::IsCommandEnabled(window_.UploadButtonAction())) enabled += "upload ";
    return enabled;
  }
  QString Status() { return window_.statusLabel()->text(); }

  QTemporaryDir temp_;
  RegFileStore store_{QFile::encodeName(temp_.filePath("s.reg")).toStdString()};
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  MainWindow window_{settings_, store_};
};

TEST_F(MainWindowCommandsTest, ListCommandsAreEnabledWhileTheListHasRows) {
  EXPECT_EQ(EnabledListCommands(), "");
  const QStringList files = AddFiles(2);
  EXPECT_EQ(EnabledListCommands(), "mnuBuild mnuRemove mnuClearList ");
  window_.grid()->clearSelection();
  Command("mnuRemove")->trigger();
  EXPECT_EQ(window_.grid()->RowCount(), 2) << "nothing selected, nothing removed";

  window_.EnableUpload();  // what a build does
  EXPECT_EQ(EnabledListCommands(), "mnuBuild mnuRemove mnuClearList mnuSend upload ");
  window_.grid()->selectRow(0);
  Command("mnuRemove")->trigger();
  ASSERT_EQ(window_.grid()->RowCount(), 1);
  EXPECT_EQ(QString::fromStdString(window_.grid()->CellText(1, 1)), files[1]);
  EXPECT_EQ(EnabledListCommands(), "mnuBuild mnuRemove mnuClearList mnuSend upload ");
  window_.grid()->selectRow(0);
  Command("mnuRemove")->trigger();
  // The empty list greys the upload button too; its menu entry keeps its state.
  EXPECT_EQ(EnabledListCommands(), "mnuSend ");
  EXPECT_EQ(Status(), QStringLiteral("2 image(s)")) << "the status line keeps the last count";

  AddFiles(3);
  EXPECT_EQ(Status(), QStringLiteral("3 image(s)"));
  window_.ClickToolbarEntry(6);  // "clean"
  EXPECT_EQ(window_.grid()->RowCount(), 0);
  EXPECT_EQ(EnabledListCommands(), "mnuSend ");
  EXPECT_EQ(Status(), QStringLiteral("3 image(s)"));
}

TEST_F(MainWindowCommandsTest, ToolbarButtonsRunTheirMenuCommandWhenEnabledAndShown) {
  EXPECT_EQ(window_.ToolbarButton(QStringLiteral("build"))->defaultAction(), Command("mnuBuild"));
  // Separators, the blank entry, disabled, hidden and missing entries.
  for (int position : {0, 3, 4, 5, 6, 7, 9, 10, 14, 15, 16, 17}) window_.ClickToolbarEntry(position);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.file_requests.empty());
  EXPECT_TRUE(dialogs_.folder_titles.empty());
  window_.ClickToolbarEntry(1);
  EXPECT_EQ(dialogs_.file_requests.size(), 1u);
  window_.ClickToolbarEntry(2);
  ASSERT_EQ(dialogs_.folder_titles.size(), 1u);
  EXPECT_EQ(dialogs_.folder_titles[0], QStringLiteral("Select the Folder"));
}

TEST_F(MainWindowCommandsTest, ShortcutsReachTheirCommandsAndExitAsksNothing) {
  window_.show();
  window_.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
  QSignalSpy exit(&window_, &MainWindow::ExitRequested);
  QTest::keyClick(&window_, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.file_requests.size(), 1u);
  QTest::keyClick(&window_, Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.folder_titles.size(), 1u);
  QTest::keyClick(&window_, Qt::Key_B, Qt::ControlModifier);  // disabled: nothing
  EXPECT_TRUE(dialogs_.messages.empty());
  QTest::keyClick(&window_, Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(exit.count(), 1);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainWindowCommandsTest, AddImagesAsksForFilesAndAppendsEveryOneInOrder) {
  window_.AddImageFiles();  // cancelled
  EXPECT_EQ(window_.grid()->RowCount(), 0);
  EXPECT_EQ(Status(), QStringLiteral("Varenna Pro"));
  window_.grid()->AddFile(QFile::encodeName(temp_.filePath("before.jpg")).toStdString(), settings_);
  const QStringList files = AddFiles(2);
  ASSERT_EQ(dialogs_.file_requests.size(), 2u);
  const FileDialogRequest& request = dialogs_.file_requests[1];
  EXPECT_EQ(request.title, QStringLiteral("Add Image(s)..."));
  EXPECT_TRUE(
      request.filter.startsWith(QStringLiteral("JPEG - JFIF Compatible (*.jpg);;Windows Bitmap (*.bmp)")));
  EXPECT_EQ(request.default_suffix, QStringLiteral("jpg"));
  ASSERT_EQ(window_.grid()->RowCount(), 3);
  EXPECT_EQ(QString::fromStdString(window_.grid()->CellText(2, 1)), files[0]);
  EXPECT_EQ(window_.grid()->CellText(2, 2), "10");
  EXPECT_EQ(QString::fromStdString(window_.grid()->CellText(3, 1)), files[1]);
  EXPECT_EQ(Status(), QStringLiteral("3 image(s)"));
}

}  // namespace
}  // namespace vr
