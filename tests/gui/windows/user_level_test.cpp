// The program as a user meets it: the splash hands over to the main window
// on a settings file of its own, the size is set in the settings dialog, a
// folder of pictures is added and built, and the thumbnails land in the
// output folder with the closing message.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "core/imaging/pixel_test_util.h"
#include "settings/settings_store.h"
#include "support/build_test_util.h"
#include "support/scripted_dialogs.h"
#include "windows/build_command.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/splash_window.h"

namespace vr {
namespace {

std::string Local(const QString& path) { return QFile::encodeName(path).toStdString(); }

class UserLevelTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    pictures_ = temp_.filePath(QStringLiteral("pictures"));
    output_ = temp_.filePath(QStringLiteral("thumbs"));
    ASSERT_TRUE(QDir().mkpath(pictures_));
    store_ = std::make_unique<RegFileStore>(Local(temp_.filePath(QStringLiteral("Varenna Pro.reg"))));
    // PNG thumbnails, into a folder that does not exist yet.
    ASSERT_TRUE(store_->WriteText("OUTfolder", Local(output_)).ok());
    ASSERT_TRUE(store_->WriteNumber("OUTformat", 2).ok());
    ASSERT_TRUE(store_->WriteNumber("OUTpropw", -1).ok());
    ASSERT_TRUE(store_->WriteNumber("GENextra", 1).ok());
  }
  std::string Picture(const char* name) const {
    return Local(QDir(pictures_).filePath(QString::fromLatin1(name)));
  }
  // Starts the windows the way the program does and steps the splash to the
  // hand-over: the main window is loaded hidden, then shown as the splash goes.
  MainWindow* Start() {
    QPointer<SplashWindow> splash = new SplashWindow([this]() -> QWidget* {
      window_ = std::make_unique<MainWindow>(settings_, *store_);
      return window_.get();
    });
    splash->show();
    for (std::size_t i = 0; i < SplashWindow::kSteps.size(); ++i) splash->StepTick();
    EXPECT_NE(window_, nullptr);
    EXPECT_FALSE(window_->isVisible());
    splash->HandOverTick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
    EXPECT_TRUE(window_->isVisible());
    return window_.get();
  }

  QTemporaryDir temp_;
  QString pictures_;
  QString output_;
  std::unique_ptr<RegFileStore> store_;
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(UserLevelTest, AddAFolderAndBuildIt) {
  test::WritePng(Picture("harbour.png"), test::MakeRandomImage(80, 60, 1));
  test::WriteBmp(Picture("olive.bmp"), test::MakeRandomImage(120, 90, 2));
  test::WritePng(Picture("terrace.png"), test::MakeRandomImage(60, 80, 3));
  MainWindow* window = Start();
  EXPECT_EQ(window->grid()->columnCount(), 4) << "the settings are read before the columns are made";
  // In the settings dialog: 40 pixels wide and grid lines, saved with OK.
  QTimer::singleShot(0, window, [window] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->parentWidget(), window);
    dialog->findChild<QLineEdit*>(QStringLiteral("Text10"))->setText(QStringLiteral("40"));
    dialog->findChild<QCheckBox*>(QStringLiteral("Check11"))->setChecked(true);
    dialog->findChild<QPushButton*>(QStringLiteral("Command2"))->click();
  });
  window->ClickToolbarEntry(8);  // "config"
  EXPECT_EQ(RegFileStore(store_->path()).ReadNumber("OUTwidth"), 40);
  EXPECT_TRUE(window->grid()->showGrid()) << "the saved display settings reach the list";

  dialogs_.folders.push_back(pictures_);
  window->Command(QStringLiteral("mnuFolder"))->trigger();
  ASSERT_EQ(window->grid()->RowCount(), 3);
  EXPECT_EQ(window->grid()->CellText(1, 3), "120x90");  // the BMP first
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("3 image(s)"));

  dialogs_.buttons.push_back(QMessageBox::Yes);  // create the output folder
  const BuildCommandResult result = BuildThumbnails(*window);
  ASSERT_TRUE(result.ran);
  EXPECT_TRUE(result.window_disabled);
  EXPECT_EQ(result.headline, QStringLiteral("Building Thumbnails..."));
  EXPECT_EQ(result.bar_values, (std::vector<int>{33, 67, 100}));

  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_EQ(dialogs_.messages[0].title, QStringLiteral("Varenna Pro"));
  EXPECT_EQ(dialogs_.messages[0].buttons, QMessageBox::Yes | QMessageBox::No);
  EXPECT_EQ(dialogs_.messages[0].text,
            QString::fromStdString(Local(output_)) +
                QStringLiteral("\nDirectory does not exist. Do you want to create it?"));
  EXPECT_EQ(dialogs_.messages[1].icon, QMessageBox::Information);
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith(QStringLiteral("Process done!\n3 image(s) generated in ")))
      << dialogs_.messages[1].text.toStdString();
  EXPECT_TRUE(dialogs_.messages[1].text.endsWith(QStringLiteral(" second(s)")));

  // Three thumbnails, 40 pixels wide, listed as written.
  EXPECT_EQ(QDir(output_).entryList(QDir::Files).size(), 3);
  ASSERT_EQ(window->outputs().size(), 3u);
  for (const std::string& path : window->outputs()) EXPECT_EQ(test::ReadPicture(path).width, 40) << path;

  // Back to normal, with the hidden upload command enabled.
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("Varenna Pro"));
  EXPECT_TRUE(MainWindow::IsCommandEnabled(window->UploadButtonAction()));
  EXPECT_FALSE(window->UploadButtonAction()->isVisible());
}

TEST_F(UserLevelTest, DecliningTheFolderStillEndsWithTheMessage) {
  test::WritePng(Picture("one.png"), test::MakeRandomImage(30, 20, 4));
  MainWindow* window = Start();
  dialogs_.folders.push_back(pictures_);
  window->ClickToolbarEntry(2);  // "folder"
  ASSERT_EQ(window->grid()->RowCount(), 1);
  dialogs_.buttons.push_back(QMessageBox::No);
  window->ClickToolbarEntry(3);  // "build"
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_TRUE(dialogs_.messages.back().text.startsWith(QStringLiteral("Process done!")));
  EXPECT_FALSE(QDir(output_).exists());
  EXPECT_TRUE(window->outputs().empty());
  EXPECT_TRUE(window->isEnabled());
}

}  // namespace
}  // namespace vr
