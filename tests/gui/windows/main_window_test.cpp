// The main window: its design, its commands' first states, the toolbar's
// order and clicks, the enabling rules through add, remove and cleanup, the
// status line, and the commands that leave the program (help, update tool,
// web site, exit).
#include "windows/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <memory>

#include "settings/settings_store.h"
#include "settings_dialog/settings_dialog.h"
#include "support/scripted_dialogs.h"
#include "windows/add_files.h"
#include "windows/image_grid.h"

namespace vr {
namespace {

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    store_ = std::make_unique<RegFileStore>(Path("settings.reg"));
  }
  std::string Path(const char* name) const { return QFile::encodeName(temp_.filePath(name)).toStdString(); }
  std::unique_ptr<MainWindow> MakeWindow() { return std::make_unique<MainWindow>(settings_, *store_); }
  // A few files of known length.
  QStringList MakeFiles(int count) {
    QStringList files;
    for (int i = 0; i < count; ++i) {
      const QString path = temp_.filePath(QStringLiteral("pic%1.jpg").arg(i));
      QFile file(path);
      EXPECT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(QByteArray(10 + i, 'x'));
      files << path;
    }
    return files;
  }
  bool Enabled(MainWindow& window, const char* name) {
    return MainWindow::IsCommandEnabled(window.Command(QString::fromLatin1(name)));
  }
  bool ButtonEnabled(MainWindow& window, const char* key) {
    QToolButton* button = window.ToolbarButton(QString::fromLatin1(key));
    EXPECT_NE(button, nullptr) << key;
    return button && MainWindow::IsCommandEnabled(button->defaultAction());
  }

  QTemporaryDir temp_;
  std::unique_ptr<RegFileStore> store_;
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
};

TEST_F(MainWindowTest, DesignOfTheWindow) {
  auto window = MakeWindow();
  EXPECT_EQ(window->objectName(), QStringLiteral("Form2"));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Varenna Pro"));
  EXPECT_EQ(window->font().family(), QStringLiteral("Verdana"));
  EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMinimizeButtonHint);
  EXPECT_FALSE(window->windowIcon().isNull());
  ASSERT_NE(window->centralWidget(), nullptr);
  EXPECT_EQ(window->centralWidget()->size(), QSize(546, 320));
  // Fixed size: the user cannot resize it.
  window->show();
  QApplication::processEvents();
  EXPECT_EQ(window->minimumSize(), window->maximumSize());

  EXPECT_EQ(window->toolbar()->geometry(), QRect(0, 0, 545, 49));
  EXPECT_EQ(window->grid()->geometry(), QRect(0, 50, 545, 241));
  EXPECT_EQ(window->findChild<QWidget*>(QStringLiteral("Shape1"))->geometry(), QRect(2, 294, 543, 25));
  QLabel* status = window->findChild<QLabel*>(QStringLiteral("Label1"));
  ASSERT_EQ(status, window->statusLabel());
  EXPECT_EQ(status->text(), QStringLiteral("Varenna Pro"));
  EXPECT_EQ(status->pos(), QPoint(8, 299));
}

struct CommandRow {
  const char* name;
  const char* text;
  QKeySequence shortcut;
  bool enabled;
  bool visible;
};

class CommandStateTest : public MainWindowTest, public testing::WithParamInterface<CommandRow> {};

TEST_P(CommandStateTest, InitialState) {
  auto window = MakeWindow();
  const CommandRow& row = GetParam();
  QAction* action = window->findChild<QAction*>(QString::fromLatin1(row.name));
  ASSERT_NE(action, nullptr) << row.name;
  EXPECT_EQ(action->text(), QString::fromUtf8(row.text));
  EXPECT_EQ(action->shortcut(), row.shortcut);
  EXPECT_EQ(MainWindow::IsCommandEnabled(action), row.enabled);
  EXPECT_EQ(action->isVisible(), row.visible);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, CommandStateTest,
    testing::Values(
        CommandRow{"mnuFiles", "Add Ima&ge(s)", QKeySequence(QStringLiteral("Ctrl+F")), true, true},
        CommandRow{"mnuFolder", "Add from F&older", QKeySequence(QStringLiteral("Ctrl+P")), true, true},
        CommandRow{"mnuBuild", "&Build Thumbnails", QKeySequence(QStringLiteral("Ctrl+B")), false, true},
        CommandRow{"mnuExit", "E&xit", QKeySequence(QStringLiteral("Ctrl+X")), true, true},
        CommandRow{"mnuRemove", "&Remove Selected Image", QKeySequence(), false, true},
        CommandRow{"mnuClearList", "&Cleanup List", QKeySequence(), false, true},
        CommandRow{"mnuConfig", "&Settings", QKeySequence(QStringLiteral("Ctrl+S")), true, true},
        CommandRow{"mnuSend", "Enviar via Web", QKeySequence(), false, false},
        CommandRow{"mnuContents", "&Contents", QKeySequence(QStringLiteral("F1")), true, true},
        CommandRow{"mnuUpdate", "Check for &Updates", QKeySequence(), true, false},
        CommandRow{"mnuAbout", "A&bout...", QKeySequence(), true, true},
        CommandRow{"mnuCorvelle", "&Corvelle Web Site", QKeySequence(), true, true}),
    [](const testing::TestParamInfo<CommandRow>& info) { return std::string(info.param.name); });

TEST_F(MainWindowTest, MenuBarHoldsTheEntriesInOrder) {
  auto window = MakeWindow();
  const QList<QAction*> menus = window->menuBar()->actions();
  ASSERT_EQ(menus.size(), 4);
  EXPECT_EQ(menus[0]->text(), QStringLiteral("&File"));
  EXPECT_EQ(menus[1]->text(), QStringLiteral("&Edit"));
  EXPECT_EQ(menus[2]->text(), QStringLiteral("&Tools"));
  EXPECT_EQ(menus[3]->text(), QStringLiteral("&Help"));
  auto names = [](QMenu* menu) {
    QStringList list;
    for (QAction* a : menu->actions()) list << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
    return list.join(QLatin1Char(' '));
  };
  EXPECT_EQ(names(menus[0]->menu()), QStringLiteral("mnuFiles mnuFolder - mnuBuild - mnuExit"));
  EXPECT_EQ(menus[1]->menu(), window->editMenu());
  EXPECT_EQ(window->editMenu()->objectName(), QStringLiteral("mnuEdit"));
  EXPECT_EQ(names(menus[1]->menu()), QStringLiteral("mnuRemove mnuClearList"));
  EXPECT_EQ(names(menus[2]->menu()), QStringLiteral("mnuConfig mnuSend"));
  EXPECT_EQ(names(menus[3]->menu()), QStringLiteral("mnuContents - mnuUpdate - mnuAbout mnuCorvelle"));
}

TEST_F(MainWindowTest, ToolbarOrderKeysTooltipsAndStates) {
  auto window = MakeWindow();
  struct Button {
    const char* key;  // "-" separator, "" the blank entry
    const char* tooltip;
    bool enabled;
    bool visible;
  };
  const Button expected[] = {{"file", "Add Image(s)", true, true},
                             {"folder", "Add from Folder", true, true},
                             {"build", "Build Thumbnails", false, true},
                             {"-", "", false, false},
                             {"remove", "Remove Selected Image", false, true},
                             {"clean", "Cleanup List", false, true},
                             {"-", "", false, false},
                             {"config", "Settings", true, true},
                             {"upload", "Enviar via Web", false, false},
                             {"-", "", false, false},
                             {"help", "Help", true, true},
                             {"about", "About...", true, true},
                             {"globe", "Corvelle Software Web Site", true, true},
                             {"", "", true, true},
                             {"-", "", false, false},
                             {"update", "Check for Updates", true, false}};
  const QList<QAction*> entries = window->toolbar()->actions();
  ASSERT_EQ(entries.size(), static_cast<qsizetype>(std::size(expected)));
  for (int i = 0; i < entries.size(); ++i) {
    const Button& want = expected[i];
    SCOPED_TRACE(i + 1);
    if (QString::fromLatin1(want.key) == QLatin1String("-")) {
      EXPECT_TRUE(entries[i]->isSeparator());
      continue;
    }
    QWidget* widget = window->toolbar()->widgetForAction(entries[i]);
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(widget->objectName(), QString::fromLatin1(want.key));
    EXPECT_EQ(entries[i]->toolTip().isEmpty() ? QString() : entries[i]->toolTip(),
              QString::fromLatin1(want.tooltip));
    EXPECT_EQ(MainWindow::IsCommandEnabled(entries[i]), want.enabled);
    EXPECT_EQ(entries[i]->isVisible(), want.visible);
  }
  // The blank entry carries no picture.
  EXPECT_TRUE(entries[13]->icon().isNull());
  EXPECT_FALSE(entries[0]->icon().isNull());
  // Buttons run the very command of their menu entry.
  EXPECT_EQ(window->ToolbarButton(QStringLiteral("build"))->defaultAction(),
            window->Command(QStringLiteral("mnuBuild")));
}

TEST_F(MainWindowTest, ClicksOnSeparatorsBlankAndDisabledButtonsDoNothing) {
  auto window = MakeWindow();
  for (int position : {0, 3, 4, 5, 6, 7, 9, 10, 14, 15, 16, 17}) window->ClickToolbarEntry(position);
  // Nothing was asked and nothing opened.
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.file_requests.empty());
  EXPECT_TRUE(dialogs_.folder_titles.empty());
  // Position 1 runs "Add Image(s)" and position 2 "Add from Folder".
  window->ClickToolbarEntry(1);
  EXPECT_EQ(dialogs_.file_requests.size(), 1u);
  window->ClickToolbarEntry(2);
  ASSERT_EQ(dialogs_.folder_titles.size(), 1u);
  EXPECT_EQ(dialogs_.folder_titles[0], QStringLiteral("Select the Folder"));
}

TEST_F(MainWindowTest, AddImageFilesRequestAndResult) {
  auto window = MakeWindow();
  window->grid()->AddFile(Path("before.jpg"), settings_);
  window->grid()->AddFile(Path("before.jpg"), settings_);
  window->grid()->AddFile(Path("before.jpg"), settings_);
  const QStringList files = MakeFiles(2);
  dialogs_.files.push_back(files);
  window->AddImageFiles();

  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  const FileDialogRequest& request = dialogs_.file_requests[0];
  EXPECT_EQ(request.title, QStringLiteral("Add Image(s)..."));
  EXPECT_EQ(request.filter, AddImagesFilter());
  EXPECT_TRUE(
      request.filter.startsWith(QStringLiteral("JPEG - JFIF Compatible (*.jpg);;Windows Bitmap (*.bmp)")));
  EXPECT_EQ(request.default_suffix, QStringLiteral("jpg"));
  EXPECT_TRUE(request.selected_filter.isEmpty());

  ASSERT_EQ(window->grid()->RowCount(), 5);
  EXPECT_EQ(QString::fromStdString(window->grid()->CellText(4, 1)), files[0]);
  EXPECT_EQ(window->grid()->CellText(4, 2), "10");
  EXPECT_EQ(QString::fromStdString(window->grid()->CellText(5, 1)), files[1]);
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("5 image(s)"));
  EXPECT_TRUE(Enabled(*window, "mnuBuild"));
  EXPECT_TRUE(ButtonEnabled(*window, "clean"));
}

TEST_F(MainWindowTest, CancelledFileDialogChangesNothing) {
  auto window = MakeWindow();
  window->AddImageFiles();  // nothing scripted: cancelled
  EXPECT_EQ(window->grid()->RowCount(), 0);
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("Varenna Pro"));
  EXPECT_FALSE(Enabled(*window, "mnuBuild"));
}

TEST_F(MainWindowTest, LongSelectionsAreAddedInFull) {
  auto window = MakeWindow();
  // Far more than 255 characters of names together.
  const QStringList files = MakeFiles(40);
  dialogs_.files.push_back(files);
  window->AddImageFiles();
  EXPECT_EQ(window->grid()->RowCount(), 40);
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("40 image(s)"));
}

TEST_F(MainWindowTest, EnablingFollowsAddRemoveAndCleanup) {
  auto window = MakeWindow();
  const QStringList files = MakeFiles(2);
  dialogs_.files.push_back(files);
  window->AddImageFiles();
  for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList"})
    EXPECT_TRUE(Enabled(*window, name)) << name;
  for (const char* key : {"build", "remove", "clean"}) EXPECT_TRUE(ButtonEnabled(*window, key)) << key;
  EXPECT_FALSE(MainWindow::IsCommandEnabled(window->UploadButtonAction()));  // adding leaves upload alone

  // Remove with no selection does nothing.
  window->grid()->clearSelection();
  window->Command(QStringLiteral("mnuRemove"))->trigger();
  EXPECT_EQ(window->grid()->RowCount(), 2);

  // A build would have enabled the upload command.
  window->EnableUpload();
  window->grid()->selectRow(0);
  window->Command(QStringLiteral("mnuRemove"))->trigger();
  EXPECT_EQ(window->grid()->RowCount(), 1);
  EXPECT_TRUE(Enabled(*window, "mnuBuild"));
  EXPECT_TRUE(MainWindow::IsCommandEnabled(window->UploadButtonAction()));

  window->grid()->selectRow(0);
  window->Command(QStringLiteral("mnuRemove"))->trigger();
  EXPECT_EQ(window->grid()->RowCount(), 0);
  for (const char* name : {"mnuBuild", "mnuRemove", "mnuClearList"})
    EXPECT_FALSE(Enabled(*window, name)) << name;
  EXPECT_FALSE(MainWindow::IsCommandEnabled(window->UploadButtonAction()));
  EXPECT_TRUE(Enabled(*window, "mnuSend"));  // the menu entry keeps its state
  EXPECT_FALSE(window->Command(QStringLiteral("mnuSend"))->isVisible());
  EXPECT_FALSE(window->UploadButtonAction()->isVisible());
  // The status line keeps the last count.
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("2 image(s)"));
}

TEST_F(MainWindowTest, CleanupEmptiesAndKeepsTheStatusLine) {
  auto window = MakeWindow();
  dialogs_.files.push_back(MakeFiles(5));
  window->AddImageFiles();
  window->EnableUpload();
  window->ClickToolbarEntry(6);  // "clean"
  EXPECT_EQ(window->grid()->RowCount(), 0);
  EXPECT_EQ(window->grid()->columnCount(), 2);
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("5 image(s)"));
  EXPECT_FALSE(ButtonEnabled(*window, "build"));
  EXPECT_FALSE(ButtonEnabled(*window, "remove"));
  EXPECT_FALSE(ButtonEnabled(*window, "clean"));
  EXPECT_FALSE(MainWindow::IsCommandEnabled(window->UploadButtonAction()));
  EXPECT_TRUE(Enabled(*window, "mnuSend"));
}

TEST_F(MainWindowTest, StatusLineWidensToItsText) {
  auto window = MakeWindow();
  window->SetStatus(QStringLiteral("Building Thumbnails..."));
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("Building Thumbnails..."));
  EXPECT_EQ(window->statusLabel()->width(), QFontMetrics(window->statusLabel()->font())
                                                .horizontalAdvance(QStringLiteral("Building Thumbnails...")));
  EXPECT_GT(window->statusLabel()->width(), 94);
  EXPECT_EQ(window->statusLabel()->pos(), QPoint(8, 299));
}

TEST_F(MainWindowTest, MissingUpdateToolIsReported) {
  auto window = MakeWindow();
  const QByteArray old_path = qgetenv("PATH");
  const QString old_folder = QDir::currentPath();
  qputenv("PATH", QFile::encodeName(temp_.path()));
  QDir::setCurrent(temp_.path());
  window->StartUpdateTool();
  qputenv("PATH", old_path);
  QDir::setCurrent(old_folder);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0].text, QStringLiteral("Varenna Pro Update tool was not found!"));
  EXPECT_EQ(dialogs_.messages[0].title, QStringLiteral("Varenna Pro"));
  EXPECT_EQ(dialogs_.messages[0].icon, QMessageBox::Critical);
  EXPECT_EQ(dialogs_.messages[0].buttons, QMessageBox::Ok);
}

TEST_F(MainWindowTest, UpdateToolFoundInTheCurrentFolderIsStarted) {
  auto window = MakeWindow();
  // A tool that leaves a mark, so the test sees it ran.
  const QString tool = temp_.filePath(QStringLiteral("VRPUpdate.exe"));
  const QString mark = temp_.filePath(QStringLiteral("ran"));
  QFile script(tool);
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(mark).toUtf8());
  script.close();
  script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const QString old_folder = QDir::currentPath();
  QDir::setCurrent(temp_.path());
  window->StartUpdateTool();
  QDir::setCurrent(old_folder);
  EXPECT_TRUE(dialogs_.messages.empty());
  for (int i = 0; i < 100 && !QFile::exists(mark); ++i) QThread::msleep(20);
  EXPECT_TRUE(QFile::exists(mark));
}

class UrlCatcher : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls << url; }
};

TEST_F(MainWindowTest, WebSiteOpensTheAddress) {
  auto window = MakeWindow();
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
  window->ClickToolbarEntry(13);  // "globe"
  QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
  ASSERT_EQ(catcher.urls.size(), 1);
  EXPECT_EQ(catcher.urls[0], QUrl(QStringLiteral("https://www.example.com/varenna")));
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainWindowTest, HelpShowsTheIntroPageOrNothing) {
  auto window = MakeWindow();
  window->SetHelpFolder(temp_.filePath(QStringLiteral("no-help-here")));
  window->Command(QStringLiteral("mnuContents"))->trigger();
  EXPECT_EQ(window->findChild<QTextBrowser*>(QStringLiteral("HelpWindow")), nullptr);
  EXPECT_TRUE(dialogs_.messages.empty());

  QDir(temp_.path()).mkdir(QStringLiteral("help"));
  QFile page(temp_.filePath(QStringLiteral("help/intro.htm")));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write("<html><body><h1>Getting started</h1></body></html>");
  page.close();
  window->SetHelpFolder(temp_.filePath(QStringLiteral("help")));
  window->ClickToolbarEntry(11);  // "help"
  auto* help = window->findChild<QTextBrowser*>(QStringLiteral("HelpWindow"));
  ASSERT_NE(help, nullptr);
  EXPECT_TRUE(help->isVisible());
  EXPECT_TRUE(help->toPlainText().contains(QStringLiteral("Getting started")));
  help->close();
}

TEST_F(MainWindowTest, ExitAsksNothingEvenWithAFilledList) {
  auto window = MakeWindow();
  dialogs_.files.push_back(MakeFiles(3));
  window->AddImageFiles();
  QSignalSpy exit(window.get(), &MainWindow::ExitRequested);
  window->Command(QStringLiteral("mnuExit"))->trigger();
  EXPECT_EQ(exit.count(), 1);
  EXPECT_TRUE(dialogs_.messages.empty());
}

TEST_F(MainWindowTest, ShortcutsReachTheirCommands) {
  auto window = MakeWindow();
  window->show();
  window->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  QSignalSpy exit(window.get(), &MainWindow::ExitRequested);
  QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.file_requests.size(), 1u);
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  EXPECT_EQ(dialogs_.folder_titles.size(), 1u);
  // Build is disabled while the list is empty: its shortcut does nothing.
  QTest::keyClick(window.get(), Qt::Key_B, Qt::ControlModifier);
  EXPECT_TRUE(dialogs_.messages.empty());
  QTest::keyClick(window.get(), Qt::Key_X, Qt::ControlModifier);
  EXPECT_EQ(exit.count(), 1);
}

TEST_F(MainWindowTest, WindowStartLoadsTheSettingsBeforeTheColumns) {
  ASSERT_TRUE(store_->WriteNumber("GENextra", 1).ok());
  ASSERT_TRUE(store_->WriteNumber("GENgrid", 1).ok());
  ASSERT_TRUE(store_->WriteNumber("OUTwidth", 123).ok());
  auto window = MakeWindow();
  EXPECT_EQ(settings_.OUTwidth, 123);
  EXPECT_EQ(window->grid()->columnCount(), 4);
  EXPECT_TRUE(window->grid()->showGrid());
}

TEST_F(MainWindowTest, SettingsOpenModallyAndTheirSaveReachesTheGrid) {
  auto window = MakeWindow();
  window->show();
  ASSERT_EQ(window->grid()->columnCount(), 2);
  bool seen = false;
  QTimer::singleShot(0, window.get(), [&] {
    auto* dialog = qobject_cast<SettingsDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(dialog, nullptr);
    seen = true;
    EXPECT_EQ(dialog->parentWidget(), window.get());
    // What OK does after it saved and reloaded the record.
    settings_.GENextra = 1;
    settings_.GENgrid = 1;
    emit dialog->SettingsSaved();
    dialog->reject();
  });
  window->ClickToolbarEntry(8);  // "config"
  EXPECT_TRUE(seen);
  EXPECT_EQ(window->grid()->columnCount(), 4);
  EXPECT_EQ(window->grid()->horizontalHeaderItem(2)->text(), QString::fromUtf8("Dimensões"));
  EXPECT_TRUE(window->grid()->showGrid());
}

}  // namespace
}  // namespace vr

#include "main_window_test.moc"
