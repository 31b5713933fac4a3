// Build Thumbnails as a person meets it in the real windows: Cancel (the
// button or Escape) stops the build after the rows in hand and keeps the
// list; the progress window counts "N of M"; the folder question comes once
// a run; a thumbnail already there is asked about with "to all" answers; and
// the final message is a warning with "N of M written" whenever a row was
// not, with every failed row behind Details.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "core/imaging/pixel_test_util.h"
#include "settings/settings_store.h"
#include "support/build_test_util.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "support/user_dialogs.h"
#include "widgets/percent_bar.h"
#include "windows/add_folder.h"
#include "windows/build_command.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/progress_window.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

ProgressWindow* OpenProgressWindow() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* progress = qobject_cast<ProgressWindow*>(widget)) return progress;
  return nullptr;
}

class BuildWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(temp_.File("in"));
    settings_ = test::PlainSettings(temp_.File("out"));
    window_.show();
  }
  // `rows` rows, each a picture of its own.
  void AddPictures(int rows, int width = 400) {
    for (int i = 0; i < rows; ++i) {
      const std::string path = temp_.File("in/p" + std::to_string(100 + i) + ".png");
      test::WritePng(path, test::MakeRandomImage(width, width * 3 / 4, static_cast<std::uint32_t>(i)));
      window_.grid()->AddFile(path);
    }
  }
  // Runs `act` on the progress window once `ready` holds, while the build runs.
  void During(std::function<bool(ProgressWindow&)> ready, std::function<void(ProgressWindow&)> act) {
    auto* timer = new QTimer(&window_);
    QObject::connect(timer, &QTimer::timeout, &window_, [timer, ready, act] {
      ProgressWindow* progress = OpenProgressWindow();
      if (progress == nullptr || !ready(*progress)) return;
      timer->stop();
      act(*progress);
    });
    timer->start(0);
  }
  BuildCommandResult Build(int jobs = 1) {
    BuildOptions options;
    options.jobs = jobs;
    options.queue_depth = 2;
    return BuildThumbnails(window_, options);
  }
  const test::AskedMessage& FinalMessage() const { return dialogs_.messages.back(); }

  test::TempFolder temp_;
  RegFileStore store_{temp_.File("s.reg")};
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  MainWindow window_{settings_, store_};
};

class CancelTest : public BuildWindowTest, public testing::WithParamInterface<bool> {};

// Some rows are written whole, the rest never started; the list and the
// window stay, and the message says what was done.
TEST_P(CancelTest, StopsAfterTheRowsInHandAndKeepsTheList) {
  const bool escape = GetParam();
  constexpr int kRows = 40;
  AddPictures(kRows);
  fs::create_directories(temp_.File("out"));
  QString count_seen;
  During([](ProgressWindow& progress) { return !progress.countLabel()->text().isEmpty(); },
         [&](ProgressWindow& progress) {
           count_seen = progress.countLabel()->text();
           if (escape)
             QTest::keyClick(&progress, Qt::Key_Escape);
           else
             progress.cancelButton()->click();
         });
  const BuildCommandResult result = Build(2);
  EXPECT_TRUE(result.summary.stopped);
  EXPECT_GT(result.summary.not_started, 0);
  EXPECT_LT(result.summary.written, kRows);
  EXPECT_TRUE(count_seen.contains(QRegularExpression("^[1-9][0-9]? of 40(, about .*)?$")))
      << count_seen.toStdString();
  int files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(temp_.File("out"))) {
    EXPECT_EQ(test::ReadPicture(entry.path().string()).width, 300) << entry.path() << " is not whole";
    ++files;
  }
  EXPECT_EQ(files, result.summary.written);
  EXPECT_EQ(window_.grid()->RowCount(), kRows);
  EXPECT_TRUE(window_.isVisible());
  EXPECT_TRUE(window_.isEnabled());
  EXPECT_EQ(FinalMessage().icon, QMessageBox::Warning);
  EXPECT_TRUE(
      FinalMessage().text.startsWith("Process stopped.\n" + QString::number(files) + " of 40 written"))
      << FinalMessage().text.toStdString();
  // The next build is not stopped by the last one's Cancel.
  EXPECT_FALSE(Build(2).summary.stopped);
}

INSTANTIATE_TEST_SUITE_P(ButtonAndEscape, CancelTest, testing::Bool());

TEST_F(BuildWindowTest, TheProgressWindowCountsRowsAndItsBarMoves) {
  ProgressWindow progress;
  QSignalSpy cancels(&progress, &ProgressWindow::cancelRequested);
  progress.setProgress(3, 8);
  EXPECT_EQ(progress.countLabel()->text(), "3 of 8");
  EXPECT_EQ(progress.progressBar()->Value(), 38);
  progress.setProgress(4, 8, 75.0);
  EXPECT_EQ(progress.countLabel()->text(), "4 of 8, about 2 min left");
  progress.setProgress(5, 8, 12.4);
  EXPECT_EQ(progress.countLabel()->text(), "5 of 8, about 12 s left");
  progress.cancelButton()->click();
  QTest::keyClick(&progress, Qt::Key_Escape);
  EXPECT_EQ(cancels.count(), 1) << "said once";
  EXPECT_TRUE(progress.wasCancelled());
  EXPECT_FALSE(progress.cancelButton()->isEnabled());
}

TEST_F(BuildWindowTest, TheFolderQuestionComesOnceAndYesMakesEveryLevel) {
  AddPictures(4, 40);
  settings_.OUTfolder = temp_.File("a/b/c");
  dialogs_.buttons = {QMessageBox::No};
  Build();
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_TRUE(FinalMessage().text.contains("4 skipped: the output folder"))
      << FinalMessage().text.toStdString();
  dialogs_.buttons = {QMessageBox::Yes};
  EXPECT_EQ(Build().summary.written, 4);
  EXPECT_EQ(dialogs_.messages.size(), 4u);
  EXPECT_EQ(FinalMessage().icon, QMessageBox::Information);
  EXPECT_TRUE(FinalMessage().text.startsWith("Process done!\n4 image(s) generated in "));
  EXPECT_TRUE(fs::is_directory(temp_.File("a/b/c")));
}

// Asked about each thumbnail already there until an answer is for all.
// A tree added in one Add Folder with its sub-folders, built with the
// folder structure kept: every thumbnail lands at its picture's path below
// the folder it was added from.
TEST_F(BuildWindowTest, AFolderTreeAddedWithItsSubFoldersIsMirrored) {
  for (const char* picture : {"in/top.png", "in/a/one.png", "in/a/b/two.PNG", "in/c/three.png"}) {
    fs::create_directories(fs::path(temp_.File(picture)).parent_path());
    test::WritePng(temp_.File(picture), test::MakeRandomImage(40, 30, 7));
  }
  ASSERT_EQ(AddFolderRows(window_, QString::fromStdString(temp_.File("in")), true).added, 4u);
  settings_.OUTkeeptree = 1;
  settings_.OUTname = "%o";
  settings_.OUTformat = 2;
  fs::create_directories(temp_.File("out"));
  EXPECT_EQ(Build().summary.written, 4);
  for (const char* thumbnail : {"out/top.png", "out/a/one.png", "out/a/b/two.png", "out/c/three.png"})
    EXPECT_TRUE(fs::is_regular_file(temp_.File(thumbnail))) << thumbnail;
}

TEST_F(BuildWindowTest, AskingAboutExistingThumbnailsStopsAtAnAnswerForAll) {
  AddPictures(4, 40);
  fs::create_directories(temp_.File("out"));
  for (int i = 0; i < 4; ++i)
    test::WriteTextFile(temp_.File("out/p" + std::to_string(100 + i) + ".png"), "mine");
  settings_.OUTifexists = 4;
  dialogs_.buttons = {QMessageBox::Yes, QMessageBox::NoToAll};
  const BuildCommandResult result = Build();
  ASSERT_EQ(dialogs_.messages.size(), 3u);
  EXPECT_TRUE(dialogs_.messages[0].text.endsWith("A thumbnail of that name is already there. Replace it?"));
  EXPECT_TRUE(dialogs_.messages[0].buttons.testFlag(QMessageBox::YesToAll));
  EXPECT_EQ(result.summary.written, 1);
  EXPECT_EQ(result.summary.kept, 3);
  for (int i = 1; i < 4; ++i)
    EXPECT_EQ(test::ReadTextFile(temp_.File("out/p" + std::to_string(100 + i) + ".png")), "mine");
}

// Nine rows, none written: not "Process done!" with an information icon,
// and every failure to read and copy, not the first five.
TEST_F(BuildWindowTest, TheFinalMessageWarnsCountsAndDetailsEveryFailure) {
  fs::create_directories(temp_.File("out"));
  for (int i = 1; i <= 9; ++i) {
    const std::string path = temp_.File("in/broken" + std::to_string(i) + ".png");
    test::WriteTextFile(path, "not a picture");
    window_.grid()->AddFile(path);
  }
  Build();
  const test::AskedMessage& message = FinalMessage();
  EXPECT_EQ(message.icon, QMessageBox::Warning);
  EXPECT_TRUE(message.text.contains("\n0 of 9 written in ")) << message.text.toStdString();
  for (int i = 1; i <= 9; ++i)
    EXPECT_TRUE(message.details.contains("Row " + QString::number(i) + ", \"" +
                                         QString::fromStdString(temp_.File("in/broken")) +
                                         QString::number(i)))
        << i;
  // The real box keeps them in a read-only text that can be selected.
  const std::unique_ptr<QMessageBox> box =
      MakeReportBox(nullptr, message.icon, message.title, message.text, message.details);
  EXPECT_EQ(box->detailedText(), message.details);
  EXPECT_EQ(box->icon(), QMessageBox::Warning);
  box->show();
  auto* details = box->findChild<QTextEdit*>();
  ASSERT_NE(details, nullptr);
  EXPECT_TRUE(details->isReadOnly());
  EXPECT_TRUE(details->textInteractionFlags().testFlag(Qt::TextSelectableByMouse));
  EXPECT_EQ(details->toPlainText(), message.details);
}

}  // namespace
}  // namespace vr
