// Closing the main window while a build or a folder add runs: the person is
// asked, a stop lets the rows already started finish whole, the final
// message is shown on a window still on screen, and only then does it close.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <filesystem>
#include <functional>
#include <memory>

#include "core/imaging/pixel_test_util.h"
#include "settings/settings_store.h"
#include "support/build_test_util.h"
#include "support/scripted_dialogs.h"
#include "windows/add_folder.h"
#include "windows/build_command.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class CloseDuringWorkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.isValid());
    root_ = QFile::encodeName(temp_.path()).toStdString();
    store_ = std::make_unique<RegFileStore>(root_ + "/s.reg");
    window_ = std::make_unique<MainWindow>(settings_, *store_);
    window_->show();
  }

  // Asks the window to close, once, as soon as `ready` holds while work runs.
  void CloseWhen(std::function<bool()> ready) {
    auto* timer = new QTimer(window_.get());
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, window_.get(), [this, timer, ready] {
      if (!ready()) return;
      timer->stop();
      window_->close();
    });
    timer->start();
  }

  // A list of `rows` rows, all one 400 x 300 picture, built into out/.
  void ListOnePicture(int rows) {
    const std::string picture = root_ + "/photo.png";
    test::WritePng(picture, test::MakeRandomImage(400, 300, 3));
    settings_ = test::PlainSettings(root_ + "/out");
    settings_.OUTname = "t%##";
    fs::create_directory(root_ + "/out");
    for (int i = 0; i < rows; ++i) window_->grid()->AddFile(picture, settings_);
  }

  static BuildOptions SlowStart() {
    BuildOptions options;
    options.jobs = 2;
    options.queue_depth = 2;  // rows still waiting when the close comes
    return options;
  }

  QTemporaryDir temp_;
  std::string root_;
  SettingsRecord settings_;
  std::unique_ptr<RegFileStore> store_;
  std::unique_ptr<MainWindow> window_;
  test::ScriptedDialogs dialogs_;
};

TEST_F(CloseDuringWorkTest, StoppingABuildFinishesItsRowsShowsTheMessageAndThenCloses) {
  ListOnePicture(300);
  QSignalSpy exits(window_.get(), &MainWindow::ExitRequested);
  dialogs_.buttons = {QMessageBox::Yes};
  CloseWhen([this] { return !fs::is_empty(root_ + "/out"); });

  const BuildCommandResult result = BuildThumbnails(*window_, SlowStart());

  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Stop the build")));
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith(QStringLiteral("Process stopped.\n")))
      << dialogs_.messages[1].text.toStdString();
  EXPECT_TRUE(dialogs_.parent_shown[1]) << "the final message came after the window was hidden";
  EXPECT_TRUE(result.summary.stopped);
  EXPECT_LT(result.summary.written, 300);
  std::size_t files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(root_ + "/out")) {
    EXPECT_EQ(test::ReadPicture(entry.path().string()).width, 300) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, static_cast<std::size_t>(result.summary.written));
  EXPECT_FALSE(window_->isVisible());
  EXPECT_EQ(exits.count(), 1);
}

TEST_F(CloseDuringWorkTest, DecliningToStopLetsTheBuildEndAndKeepsTheWindow) {
  ListOnePicture(20);
  QSignalSpy exits(window_.get(), &MainWindow::ExitRequested);
  dialogs_.buttons = {QMessageBox::No};
  CloseWhen([this] { return !fs::is_empty(root_ + "/out"); });

  const BuildCommandResult result = BuildThumbnails(*window_, SlowStart());

  EXPECT_FALSE(result.summary.stopped);
  EXPECT_EQ(result.summary.written, 20);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(exits.count(), 0);
  // With no work left, a close is a plain close again.
  window_->close();
  EXPECT_EQ(exits.count(), 1);
}

TEST_F(CloseDuringWorkTest, StoppingAFolderAddKeepsTheRowsAddedAndThenCloses) {
  const QString folder = temp_.filePath(QStringLiteral("pictures"));
  ASSERT_TRUE(QDir().mkpath(folder));
  for (int i = 0; i < 400; ++i) {
    QFile file(QDir(folder).filePath(QStringLiteral("p%1.png").arg(i, 3, 10, QLatin1Char('0'))));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  }
  dialogs_.folders = {folder};
  dialogs_.buttons = {QMessageBox::Yes};
  CloseWhen([this] { return window_->grid()->RowCount() > 0; });

  AddFromFolder(*window_);

  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(dialogs_.messages[0].text.contains(QStringLiteral("Stop adding")));
  EXPECT_GT(window_->grid()->RowCount(), 0);
  EXPECT_LT(window_->grid()->RowCount(), 400);
  EXPECT_FALSE(window_->isVisible());
}

}  // namespace
}  // namespace vr
