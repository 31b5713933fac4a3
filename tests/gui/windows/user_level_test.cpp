// The program as a user meets it: the splash hands over to the main window
// on a settings file of its own, the size is set in the settings dialog, a
// folder of pictures is added and built, and the thumbnails land in the
// output folder with the closing message.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include "core/imaging/pixel_test_util.h"
#include "settings/settings_store.h"
#include "support/build_test_util.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/splash_window.h"

namespace vr {
namespace {

class UserLevelTest : public testing::Test {
 protected:
  void SetUp() override {
    // PNG thumbnails, into a folder that does not exist yet.
    ASSERT_TRUE(store_.WriteText("OUTfolder", output_).ok());
    ASSERT_TRUE(store_.WriteNumber("OUTformat", 2).ok());
    ASSERT_TRUE(store_.WriteNumber("OUTpropw", -1).ok());
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(pictures_)));
  }
  // Starts the windows the way the program does and steps the splash to the
  // hand-over: the main window is loaded hidden, then shown as the splash goes.
  MainWindow& Start() {
    QPointer<SplashWindow> splash = new SplashWindow([this]() -> QWidget* {
      window_ = std::make_unique<MainWindow>(settings_, store_);
      return window_.get();
    });
    splash->show();
    for (std::size_t i = 0; i < SplashWindow::kSteps.size(); ++i) splash->StepTick();
    EXPECT_FALSE(window_->isVisible());
    splash->HandOverTick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
    EXPECT_TRUE(window_->isVisible());
    return *window_;
  }
  // Adds the pictures' folder through the toolbar and builds it.
  void AddAndBuild(MainWindow& window, QMessageBox::StandardButton create_folder) {
    dialogs_.folders.push_back(QString::fromStdString(pictures_));
    window.ClickToolbarEntry(2);  // "folder"
    dialogs_.buttons.push_back(create_folder);
    window.ClickToolbarEntry(3);  // "build"
    ASSERT_EQ(dialogs_.messages.size(), 2u);
    EXPECT_EQ(dialogs_.messages[0].text,
              QString::fromStdString(output_) + "\nDirectory does not exist. Do you want to create it?");
    EXPECT_TRUE(window.isEnabled());
  }

  test::TempFolder temp_;
  std::string pictures_ = temp_.File("pictures");
  std::string output_ = temp_.File("thumbs");
  RegFileStore store_{temp_.File("Varenna Pro.reg")};
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  std::unique_ptr<MainWindow> window_;
};

TEST_F(UserLevelTest, SetTheSizeAddAFolderAndBuildIt) {
  test::WritePng(pictures_ + "/harbour.png", test::MakeRandomImage(80, 60, 1));
  test::WriteBmp(pictures_ + "/olive.bmp", test::MakeRandomImage(120, 90, 2));
  test::WritePng(pictures_ + "/terrace.png", test::MakeRandomImage(60, 80, 3));
  MainWindow& window = Start();
  // In the settings dialog: 40 pixels wide and grid lines, saved with OK.
  QTimer::singleShot(0, &window, [] {
    QWidget* dialog = QApplication::activeModalWidget();
    ASSERT_NE(dialog, nullptr);
    dialog->findChild<QLineEdit*>("Text10")->setText("40");
    dialog->findChild<QCheckBox*>("Check11")->setChecked(true);
    dialog->findChild<QPushButton*>("Command2")->click();
  });
  window.ClickToolbarEntry(8);  // "config"
  EXPECT_EQ(RegFileStore(store_.path()).ReadNumber("OUTwidth"), 40);
  EXPECT_TRUE(window.grid()->showGrid()) << "the saved display settings reach the list";

  AddAndBuild(window, QMessageBox::Yes);
  ASSERT_EQ(window.grid()->RowCount(), 3);
  EXPECT_EQ(window.grid()->CellText(1, 1), pictures_ + "/olive.bmp") << "the BMP first";
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith("Process done!\n3 image(s) generated in "))
      << dialogs_.messages[1].text.toStdString();
  // Three thumbnails, 40 pixels wide, listed as written.
  EXPECT_EQ(QDir(QString::fromStdString(output_)).entryList(QDir::Files).size(), 3);
  ASSERT_EQ(window.outputs().size(), 3u);
  for (const std::string& path : window.outputs()) EXPECT_EQ(test::ReadPicture(path).width, 40) << path;
}

TEST_F(UserLevelTest, DecliningTheFolderStillEndsWithTheMessage) {
  test::WritePng(pictures_ + "/one.png", test::MakeRandomImage(30, 20, 4));
  AddAndBuild(Start(), QMessageBox::No);
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith("Process done!"));
  EXPECT_FALSE(QDir(QString::fromStdString(output_)).exists());
  EXPECT_TRUE(window_->outputs().empty());
}

}  // namespace
}  // namespace vr
