// The main window's list and its long commands: Add Image(s) appends every
// picked file and Remove takes the selected rows; Add from Folder takes the
// BMP, then JPEG, then PNG, then the other pictures' files inside the
// folder (below it too when asked, which is remembered), its bar moving
// with the window disabled, and says what it left out; closing
// while a build or a folder add runs asks first, lets the rows started
// finish, shows the final message on a window still on screen and only
// then closes. Files and folders named on the command line go in the same
// ways, and the command line itself. The list's cells say what each file
// tells. And the whole program driven as a user would.
#include "windows/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "core/imaging/pixel_test_util.h"
#include "settings/settings_store.h"
#include "support/build_test_util.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "widgets/percent_bar.h"
#include "windows/add_folder.h"
#include "windows/build_command.h"
#include "windows/command_line.h"
#include "windows/image_grid.h"
#include "windows/progress_window.h"
#include "windows/splash_window.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directory(folder_); }
  std::string Touch(const std::string& name, int length = 1) {
    std::ofstream(temp_.File(name), std::ios::binary) << std::string(length, 'x');
    return temp_.File(name);
  }
  std::vector<std::string> Listed() const {
    std::vector<std::string> names;
    for (std::int32_t row = 1; row <= window_.grid()->RowCount(); ++row)
      names.push_back(fs::path(window_.grid()->CellText(row, 1)).filename().string());
    return names;
  }
  void AddFolder(const std::string& answer) {
    dialogs_.folders.push_back(QString::fromStdString(answer));
    AddFromFolder(window_);
  }
  static ProgressWindow* OpenProgressWindow() {
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* progress = qobject_cast<ProgressWindow*>(widget)) return progress;
    return nullptr;
  }
  bool ProgressWindowOpen() const {
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return OpenProgressWindow() != nullptr;
  }
  // What the windows show at one moment of long work: the main window
  // enabled or not, and the progress window's headline and bar, when one is
  // open.
  struct WorkSeen {
    bool window_enabled = false;
    bool progress_shown = false;
    QString headline;
    std::int32_t bar = -1;
  };
  WorkSeen LookAtWork() const {
    WorkSeen seen;
    seen.window_enabled = window_.isEnabled();
    if (const ProgressWindow* progress = OpenProgressWindow()) {
      seen.progress_shown = progress->isVisible();
      seen.headline = progress->headline()->text();
      seen.bar = progress->progressBar()->Value();
    }
    return seen;
  }
  // Asks the window to close, once, as soon as `ready` holds while work runs.
  void CloseWhen(std::function<bool()> ready) {
    auto* timer = new QTimer(&window_);
    QObject::connect(timer, &QTimer::timeout, &window_, [this, timer, ready] {
      if (!ready()) return;
      timer->stop();
      window_.close();
    });
    timer->start(0);
  }
  // `rows` rows of one 400 x 300 picture, built slowly into out/ with
  // rows still waiting when the close comes.
  BuildCommandResult Build(int rows) {
    test::WritePng(temp_.File("photo.png"), test::MakeRandomImage(400, 300, 3));
    settings_ = test::PlainSettings(temp_.File("out"));
    settings_.OUTname = "t%##";
    fs::create_directory(temp_.File("out"));
    for (int i = 0; i < rows; ++i) window_.grid()->AddFile(temp_.File("photo.png"));
    CloseWhen([this] { return !fs::is_empty(temp_.File("out")); });
    // A look every time the build lets the windows repaint.
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, &window_, [this] { during_build_.push_back(LookAtWork()); });
    watcher.start(0);
    BuildOptions options;
    options.jobs = 2;
    options.queue_depth = 2;
    return BuildThumbnails(window_, options);
  }

  test::TempFolder temp_;
  std::string folder_ = temp_.File("pictures");
  RegFileStore store_{temp_.File("s.reg")};
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  MainWindow window_{settings_, store_};
  std::vector<WorkSeen> during_build_;
};

TEST_F(MainWindowTest, AddImagesAppendsEveryPickedFileAndRemoveTakesTheSelectedRow) {
  window_.grid()->AddFile(Touch("before.jpg"));
  dialogs_.files.push_back(
      {QString::fromStdString(Touch("a.jpg", 10)), QString::fromStdString(Touch("b.jpg"))});
  window_.ClickToolbarEntry(1);  // "files"
  EXPECT_EQ(Listed(), (std::vector<std::string>{"before.jpg", "a.jpg", "b.jpg"}));
  EXPECT_EQ(window_.grid()->CellText(2, 2), "10");
  window_.grid()->clearSelection();
  window_.Command("mnuRemove")->trigger();
  EXPECT_EQ(window_.grid()->RowCount(), 3) << "nothing selected, nothing removed";
  window_.grid()->selectRow(1);
  window_.Command("mnuRemove")->trigger();
  EXPECT_EQ(Listed(), (std::vector<std::string>{"before.jpg", "b.jpg"}));
}

TEST_F(MainWindowTest, AddFolderTakesEveryPictureExtensionInAnyCaseAndCountsWhatItLeavesOut) {
  window_.show();
  Touch("pictures/notes.txt");
  for (const std::string& answer : {std::string(), folder_, temp_.File("missing")}) {
    AddFolder(answer);
    EXPECT_EQ(window_.grid()->RowCount(), 0) << "cancelled, no pictures or missing: " << answer;
  }
  EXPECT_TRUE(window_.statusLabel()->text().contains(QString::fromStdString(temp_.File("missing"))))
      << "a folder that cannot be read is named";
  for (const char* name : {"b.png", "a.jpg", "c.bmp", "d.BMP", "e.JPG", "x.PNG", "y.bmp", "w.jpg", "z.jpeg",
                           "g.gif", "jpg", "c.jpg.txt"})
    Touch(std::string("pictures/") + name);
  fs::create_directories(folder_ + "/inner");
  Touch("pictures/inner/deep.jpg");
  fs::create_directories(folder_ + "/folder.png");  // a folder, not a picture
  std::vector<WorkSeen> at_each_run;
  const QMetaObject::Connection watch =
      QObject::connect(window_.grid()->model(), &QAbstractItemModel::rowsInserted,
                       [&] { at_each_run.push_back(LookAtWork()); });
  AddFolder(folder_ + "/");
  QObject::disconnect(watch);
  EXPECT_EQ(window_.grid()->CellText(1, 1), folder_ + "/c.bmp") << "the separator is not doubled";
  EXPECT_EQ(Listed(), (std::vector<std::string>{"c.bmp", "d.BMP", "y.bmp", "a.jpg", "e.JPG", "w.jpg", "b.png",
                                                "x.PNG", "z.jpeg", "g.gif"}));
  EXPECT_EQ(window_.statusLabel()->text(), "10 image(s); left out: 3 not pictures");
  // As the rows are listed the window is disabled under the progress window.
  ASSERT_FALSE(at_each_run.empty());
  for (const WorkSeen& seen : at_each_run) {
    EXPECT_FALSE(seen.window_enabled);
    EXPECT_TRUE(seen.progress_shown);
  }
  EXPECT_TRUE(window_.isEnabled());
  EXPECT_FALSE(ProgressWindowOpen());
  EXPECT_TRUE(dialogs_.messages.empty());
}

// The check box starts as last left, in this window and after a restart;
// ticked, the folders below are added after the folder's own files.
TEST_F(MainWindowTest, IncludeSubFoldersIsRememberedAndAddsTheTreeFolderByFolder) {
  fs::create_directories(folder_ + "/sub1/deep");
  fs::create_directories(folder_ + "/sub2");
  for (const char* name :
       {"pictures/b.png", "pictures/sub2/c.gif", "pictures/sub1/deep/d.TIF", "pictures/sub1/a.jpeg"})
    Touch(name);
  dialogs_.subfolder_answers = {true};
  AddFolder(folder_);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"b.png", "a.jpeg", "d.TIF", "c.gif"}));
  EXPECT_EQ(window_.grid()->list().roots(), std::vector<std::string>(4, folder_))
      << "each row knows the folder it was added from";
  EXPECT_EQ(RegFileStore(store_.path()).ReadNumber("GENsubfolders"), 1);
  SettingsRecord reloaded;
  MainWindow restarted(reloaded, store_);
  dialogs_.folders.push_back(QString::fromStdString(folder_ + "/sub1"));
  AddFromFolder(restarted);  // left as offered
  dialogs_.subfolder_answers = {false};
  AddFolder(folder_ + "/sub1");
  EXPECT_EQ(dialogs_.subfolders_offered, (std::vector<bool>{false, true, true}));
  EXPECT_EQ(restarted.grid()->RowCount(), 2) << "sub1 and its sub-folder, as left ticked";
  EXPECT_EQ(Listed().size(), 5u) << "sub1's own file only, the box now left unticked";
  EXPECT_EQ(RegFileStore(store_.path()).ReadNumber("GENsubfolders"), 0);
}

class CloseDuringBuildTest : public MainWindowTest, public testing::WithParamInterface<bool> {};

// Asked to stop, the build finishes the rows it started whole; declined, it
// ends, and a close after it is a plain close again.
TEST_P(CloseDuringBuildTest, AsksAndStopsOrGoesOnAndTheWindowClosesOnlyAfterTheMessage) {
  const bool stop = GetParam();
  const int rows = stop ? 300 : 20;
  window_.show();
  QSignalSpy exits(&window_, &MainWindow::ExitRequested);
  dialogs_.buttons = {stop ? QMessageBox::Yes : QMessageBox::No};
  const BuildCommandResult result = Build(rows);
  ASSERT_EQ(dialogs_.messages.size(), 2u);
  EXPECT_TRUE(dialogs_.messages[0].text.contains("Stop the build"));
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith(stop ? "Process stopped.\n" : "Process done!\n"))
      << dialogs_.messages[1].text.toStdString();
  EXPECT_TRUE(dialogs_.parent_shown[1]) << "the final message came after the window was hidden";
  EXPECT_EQ(result.summary.stopped, stop);
  EXPECT_EQ(result.summary.written < rows, stop);
  int files = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(temp_.File("out"))) {
    EXPECT_EQ(test::ReadPicture(entry.path().string()).width, 300) << entry.path();
    ++files;
  }
  EXPECT_EQ(files, result.summary.written);
  // While the progress window was up, the main window stayed disabled under
  // it and the bar only moved on, to 100 when nothing stopped the build.
  std::int32_t bar = 0;
  int looks = 0;
  for (const WorkSeen& seen : during_build_) {
    if (!seen.progress_shown) continue;
    ++looks;
    EXPECT_FALSE(seen.window_enabled);
    EXPECT_EQ(seen.headline, "Building Thumbnails...");
    EXPECT_GE(seen.bar, bar);
    bar = seen.bar;
  }
  EXPECT_GT(looks, 0);
  if (!stop) {
    EXPECT_EQ(bar, 100);
  }
  EXPECT_EQ(window_.isVisible(), !stop);
  EXPECT_EQ(exits.count(), stop ? 1 : 0);
  window_.close();
  EXPECT_EQ(exits.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Answers, CloseDuringBuildTest, testing::Bool());

// Rows go in by runs of a few thousand: enough files for more than one run.
constexpr int kFilesForSeveralRuns = 5000;

TEST_F(MainWindowTest, StoppingAFolderAddKeepsTheRowsAddedAndThenCloses) {
  window_.show();
  for (int i = 0; i < kFilesForSeveralRuns; ++i) Touch("pictures/p" + std::to_string(10000 + i) + ".png");
  dialogs_.buttons = {QMessageBox::Yes};
  CloseWhen([this] { return window_.grid()->RowCount() > 0; });
  AddFolder(folder_);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_TRUE(dialogs_.messages[0].text.contains("Stop adding"));
  EXPECT_GT(window_.grid()->RowCount(), 0);
  EXPECT_LT(window_.grid()->RowCount(), kFilesForSeveralRuns);
  EXPECT_FALSE(window_.isVisible());
}

// The program's command line: a folder goes in as Add from Folder adds it,
// any other path as one row as a picked file, in the order given, and
// nothing is asked.
TEST_F(MainWindowTest, PathsGivenAtStartAddFoldersLikeAddFromFolderAndFilesAsRows) {
  window_.show();
  for (const char* name : {"b.png", "a.jpg", "notes.txt"}) Touch(std::string("pictures/") + name);
  const QStringList paths = {QString::fromStdString(Touch("single.jpg", 7)), QString::fromStdString(folder_),
                             QString::fromStdString(temp_.File("gone.png"))};
  window_.AddPaths(paths);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"single.jpg", "a.jpg", "b.png", "gone.png"}));
  EXPECT_EQ(window_.grid()->CellText(1, 2), "7");
  EXPECT_EQ(window_.grid()->CellText(2, 1), folder_ + "/a.jpg");
  EXPECT_EQ(window_.statusLabel()->text(), "4 image(s)");
  EXPECT_TRUE(window_.Command("mnuBuild")->isEnabled());
  EXPECT_TRUE(window_.isEnabled());
  EXPECT_FALSE(ProgressWindowOpen());
  EXPECT_TRUE(dialogs_.messages.empty());
}

// Closed while a given folder is added: the paths after it are not added.
TEST_F(MainWindowTest, ClosingDuringAGivenFolderAddsNoFurtherPaths) {
  window_.show();
  for (int i = 0; i < kFilesForSeveralRuns; ++i) Touch("pictures/p" + std::to_string(10000 + i) + ".png");
  dialogs_.buttons = {QMessageBox::Yes};
  CloseWhen([this] { return window_.grid()->RowCount() > 0; });
  window_.AddPaths({QString::fromStdString(folder_), QString::fromStdString(Touch("after.jpg"))});
  EXPECT_GT(window_.grid()->RowCount(), 0);
  EXPECT_LT(window_.grid()->RowCount(), kFilesForSeveralRuns);
  const std::vector<std::string> listed = Listed();
  EXPECT_EQ(std::find(listed.begin(), listed.end(), "after.jpg"), listed.end());
  EXPECT_FALSE(window_.isVisible());
}

// Files and folders after the options, made absolute, "--" ending the
// options; an unknown option fails naming it.
TEST(CommandLineTest, TakesPathsVersionAndHelpAndRefusesUnknownOptions) {
  CommandLine paths;
  ASSERT_TRUE(paths.Parse({"varenna", "a.jpg", "/pics/", "", "--", "-dash.png"}));
  EXPECT_FALSE(paths.VersionAsked());
  EXPECT_FALSE(paths.HelpAsked());
  EXPECT_EQ(paths.Paths(), (QStringList{QDir::current().filePath("a.jpg"), "/pics/",
                                        QDir::current().filePath("-dash.png")}));

  CommandLine version;
  ASSERT_TRUE(version.Parse({"varenna", "--version"}));
  EXPECT_TRUE(version.VersionAsked());
  EXPECT_EQ(CommandLine::VersionLine(), "varenna " VARENNA_VERSION);

  CommandLine help;
  ASSERT_TRUE(help.Parse({"varenna", "-h"}));
  EXPECT_TRUE(help.HelpAsked());
  EXPECT_TRUE(help.HelpText().contains("--version"));
  EXPECT_TRUE(help.HelpText().contains("[FILE|FOLDER...]"));

  CommandLine unknown;
  EXPECT_FALSE(unknown.Parse({"varenna", "--bogus", "a.jpg"}));
  EXPECT_TRUE(unknown.ErrorText().contains("bogus")) << unknown.ErrorText().toStdString();
}

// What the table shows, 1-based like the grid's CellText.
QString Cell(const ImageGrid& grid, int row, int column) {
  return grid.model()->index(row - 1, column - 1).data().toString();
}

TEST_F(MainWindowTest, ListCellsSayWhatTheFileTellsInTheColumnsTheSettingsAsk) {
  const std::string picture = temp_.File("pic.png");
  test::WritePng(picture, test::MakeRandomImage(64, 48, 1));
  SettingsRecord extra;
  extra.GENextra = extra.GENgrid = 1;
  ImageGrid grid;
  grid.CreateColumns(settings_);
  grid.AddFile(picture);
  EXPECT_EQ(grid.ColumnCount(), 2);
  grid.ApplyDisplaySettings(extra);
  EXPECT_TRUE(grid.showGrid());
  for (const std::string& path :
       {Touch("big.jpg", 1234567), picture, Touch("broken.png", 40), temp_.File("gone")})
    grid.AddFile(path);
  ASSERT_EQ(grid.RowCount(), 5) << "duplicates and vanished files are listed too";
  // Dimensions are read off the window's thread and arrive later, for the
  // rows listed before the columns came as well.
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return Cell(grid, 3, 3) == "64x48" && Cell(grid, 1, 3) == "64x48"; }, 5000));
  EXPECT_EQ(Cell(grid, 2, 2), "1234567");
  EXPECT_EQ(Cell(grid, 3, 4).size(), 10);  // mm/dd/yyyy
  EXPECT_EQ(Cell(grid, 3, 4).at(2), QLatin1Char(LocaleDateSeparator()));
  EXPECT_EQ(Cell(grid, 4, 2), "40");
  EXPECT_EQ(Cell(grid, 4, 3), QString()) << "undecodable";
  EXPECT_EQ(Cell(grid, 5, 2), QString());
  EXPECT_EQ(grid.list().row(3).dimensions_state, DimensionsState::kNone) << "read, and found no picture";
}

// The program as a user meets it: the splash hands over to the main window
// on a settings file of its own, the size is set in the settings dialog, a
// folder of pictures is added and built, and the thumbnails land in the
// output folder with the closing message.
class UserLevelTest : public testing::Test {
 protected:
  void SetUp() override {
    // PNG thumbnails, into a folder that does not exist yet.
    ASSERT_TRUE(store_.WriteText("OUTfolder", output_).ok());
    ASSERT_TRUE(store_.WriteNumber("OUTformat", 2).ok());
    ASSERT_TRUE(store_.WriteNumber("OUTpropw", -1).ok());
    fs::create_directories(pictures_);
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

  ASSERT_NO_FATAL_FAILURE(AddAndBuild(window, QMessageBox::Yes));
  ASSERT_EQ(window.grid()->RowCount(), 3);
  EXPECT_EQ(window.grid()->CellText(1, 1), pictures_ + "/olive.bmp") << "the BMP first";
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith("Process done!\n3 image(s) generated in "))
      << dialogs_.messages[1].text.toStdString();
  // Three thumbnails, 40 pixels wide, listed as written.
  EXPECT_EQ(QDir(QString::fromStdString(output_)).entryList(QDir::Files).size(), 3);
  ASSERT_EQ(window.outputs().size(), 3u);
  for (const std::string& path : window.outputs()) EXPECT_EQ(test::ReadPicture(path).width, 40) << path;
}

// Declined, nothing is written, and the message says so with a warning.
TEST_F(UserLevelTest, DecliningTheFolderStillEndsWithTheMessage) {
  test::WritePng(pictures_ + "/one.png", test::MakeRandomImage(30, 20, 4));
  ASSERT_NO_FATAL_FAILURE(AddAndBuild(Start(), QMessageBox::No));
  EXPECT_EQ(dialogs_.messages[1].icon, QMessageBox::Warning);
  EXPECT_TRUE(dialogs_.messages[1].text.contains("\n0 of 1 written in "))
      << dialogs_.messages[1].text.toStdString();
  EXPECT_TRUE(dialogs_.messages[1].text.contains("1 skipped: the output folder " +
                                                 QString::fromStdString(output_) + " was not created."));
  EXPECT_FALSE(fs::exists(output_));
  EXPECT_TRUE(window_->outputs().empty());
}

}  // namespace
}  // namespace vr
