// The main window's commands as rules: the list commands are enabled exactly
// while the list has rows, the upload command after a build; menu, toolbar,
// shortcut and context menu reach one command each; Add Image(s) appends
// every picked file; a saved setting reaches the list.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "settings/settings_store.h"
#include "settings_dialog/settings_dialog.h"
#include "support/scripted_dialogs.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {
namespace {

class MainWindowCommandsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    store_ = std::make_unique<RegFileStore>(QFile::encodeName(temp_.filePath("s.reg")).toStdString());
  }
  MainWindow& Window() {
    if (!window_) window_ = std::make_unique<MainWindow>(settings_, *store_);
    return *window_;
  }
  QAction* Command(const char* name) { return Window().Command(QString::fromLatin1(name)); }
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
    Window().AddImageFiles();
    return files;
  }
  // The enabled ones of the commands whose state follows the list or a build.
  std::string EnabledListCommands() {
    std::string enabled;
    for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList", "mnuSend"})
      if (MainWindow::IsCommandEnabled(Command(name))) enabled += std::string(name) + " ";
    if (MainWindow::IsCommandEnabled(Window().UploadButtonAction())) enabled += "upload ";
    return enabled;
  }
  QString Status() { return Window().statusLabel()->text(); }

  QTemporaryDir temp_;
  std::unique_ptr<RegFileStore> store_;
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(MainWindowCommandsTest, ListCommandsAreEnabledWhileTheListHasRows) {
  EXPECT_EQ(EnabledListCommands(), "");
  const QStringList files = AddFiles(2);
  EXPECT_EQ(EnabledListCommands(), "mnuBuild mnuRemove mnuClearList ");
  Window().grid()->clearSelection();
  Command("mnuRemove")->trigger();
  EXPECT_EQ(Window().grid()->RowCount(), 2) << "nothing selected, nothing removed";

  Window().EnableUpload();  // what a build does
  EXPECT_EQ(EnabledListCommands(), "mnuBuild mnuRemove mnuClearList mnuSend upload ");
  Window().grid()->selectRow(0);
  Command("mnuRemove")->trigger();
  ASSERT_EQ(Window().grid()->RowCount(), 1);
  EXPECT_EQ(QString::fromStdString(Window().grid()->CellText(1, 1)), files[1]);
  EXPECT_EQ(EnabledListCommands(), "mnuBuild mnuRemove mnuClearList mnuSend upload ");
  Window().grid()->selectRow(0);
  Command("mnuRemove")->trigger();
  // The empty list greys the upload button too; its menu entry keeps its state.
  EXPECT_EQ(EnabledListCommands(), "mnuSend ");
  EXPECT_EQ(Status(), QStringLiteral("2 image(s)")) << "the status line keeps the last count";

  AddFiles(3);
  EXPECT_EQ(Status(), QStringLiteral("3 image(s)"));
  Window().ClickToolbarEntry(6);  // "clean"
  EXPECT_EQ(Window().grid()->RowCount(), 0);
  EXPECT_EQ(EnabledListCommands(), "mnuSend ");
  EXPECT_EQ(Status(), QStringLiteral("3 image(s)"));
}

TEST_F(MainWindowCommandsTest, ToolbarButtonsRunTheirMenuCommandWhenEnabledAndShown) {
  EXPECT_EQ(Window().ToolbarButton(QStringLiteral("build"))->defaultAction(), Command("mnuBuild"));
  // Separators, the blank entry, disabled, hidden and missing entries.
  for (int position : {0, 3, 4, 5, 6, 7, 9, 10, 14, 15, 16, 17}) Window().ClickToolbarEntry(position);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.file_requests.empty());
  EXPECT_TRUE(dialogs_.folder_titles.empty());
  Window().ClickToolbarEntry(1);
  EXPECT_EQ(dialogs_.file_requests.size(), 1u);
  Window().ClickToolbarEntry(2);
  ASSERT_EQ(dialogs_.folder_titles.size(), 1u);
  EXPECT_EQ(dialogs_.folder_titles[0], QStringLiteral("Select the Folder"));
}

TEST_F(MainWindowCommandsTest, ShortcutsReachTheirCommandsAndExitAsksNothing) {
  Window().show();
  Window().activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&Window()));
  QSignalSpy exit(&Window(), &MainWindow::ExitRequested);
  QTest::keyClick(&Window(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.file_requests.size(), 1u);
  QTest::keyClick(&Window(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.folder_titles.size(), 1u);
  QTest::keyClick(&Window(), Qt::Key_B, Qt::ControlModifier);  // disabled: nothing
  EXPECT_TRUE(dialogs_.messages.empty());
  QTest::keyClick(&Window(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(exit.count(), 1);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainWindowCommandsTest, AddImagesAsksForFilesAndAppendsEveryOneInOrder) {
  Window().AddImageFiles();  // cancelled
  EXPECT_EQ(Window().grid()->RowCount(), 0);
  EXPECT_EQ(Status(), QStringLiteral("Varenna Pro"));
  Window().grid()->AddFile(QFile::encodeName(temp_.filePath("before.jpg")).toStdString(), settings_);
  const QStringList files = AddFiles(2);
  ASSERT_EQ(dialogs_.file_requests.size(), 2u);
  const FileDialogRequest& request = dialogs_.file_requests[1];
  EXPECT_EQ(request.title, QStringLiteral("Add Image(s)..."));
  EXPECT_TRUE(
      request.filter.startsWith(QStringLiteral("JPEG - JFIF Compatible (*.jpg);;Windows Bitmap (*.bmp)")));
  EXPECT_EQ(request.default_suffix, QStringLiteral("jpg"));
  ASSERT_EQ(Window().grid()->RowCount(), 3);
  EXPECT_EQ(QString::fromStdString(Window().grid()->CellText(2, 1)), files[0]);
  EXPECT_EQ(Window().grid()->CellText(2, 2), "10");
  EXPECT_EQ(QString::fromStdString(Window().grid()->CellText(3, 1)), files[1]);
  EXPECT_EQ(Status(), QStringLiteral("3 image(s)"));
}

TEST_F(MainWindowCommandsTest, RightClickShowsTheEditMenuWithItsStates) {
  Window().show();
  QMenu* menu = Window().editMenu();
  auto right_click = [this] {
    QTest::mouseClick(Window().grid()->viewport(), Qt::RightButton, Qt::NoModifier, QPoint(20, 5));
    QApplication::processEvents();
  };
  right_click();
  ASSERT_TRUE(menu->isVisible());
  EXPECT_EQ(menu->actions(), (QList<QAction*>{Command("mnuRemove"), Command("mnuClearList")}));
  EXPECT_FALSE(menu->actions()[1]->isEnabled());
  menu->hide();
  AddFiles(1);
  right_click();
  EXPECT_TRUE(menu->actions()[1]->isEnabled());
  menu->hide();
}

TEST_F(MainWindowCommandsTest, StatusLineWidensToItsText) {
  const QString text = QStringLiteral("Building Thumbnails...");
  Window().SetStatus(text);
  EXPECT_EQ(Status(), text);
  EXPECT_EQ(Window().statusLabel()->width(),
            QFontMetrics(Window().statusLabel()->font()).horizontalAdvance(text));
}

TEST_F(MainWindowCommandsTest, SettingsAreLoadedBeforeTheColumnsAndASaveReachesTheGrid) {
  ASSERT_TRUE(store_->WriteNumber("GENgrid", 1).ok());
  ASSERT_TRUE(store_->WriteNumber("OUTwidth", 123).ok());
  EXPECT_EQ(Window().grid()->columnCount(), 2);
  EXPECT_TRUE(Window().grid()->showGrid());
  EXPECT_EQ(settings_.OUTwidth, 123);
  Window().show();
  bool seen = false;
  QTimer::singleShot(0, &Window(), [&] {
    auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen = true;
    EXPECT_EQ(dialog->parentWidget(), &Window());
    dialog->findChild<QCheckBox*>(QStringLiteral("Check10"))->setChecked(true);
    dialog->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
  });
  Window().ClickToolbarEntry(8);  // "config"
  EXPECT_TRUE(seen);
  EXPECT_EQ(settings_.GENextra, 1);
  EXPECT_EQ(Window().grid()->columnCount(), 4);
  EXPECT_EQ(Window().grid()->horizontalHeaderItem(2)->text(), QString::fromUtf8("Dimensões"));
}

}  // namespace
}  // namespace vr
