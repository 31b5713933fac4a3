// The main window's list as a person uses it: files and folders dropped on
// the list or the window are added, rows picked with Ctrl and Shift go with
// Delete and the count follows, a long path is elided in the middle with
// the whole of it as a tooltip, and the list scrolls to the rows just added.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QHelpEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "windows/add_files.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {
namespace {

namespace fs = std::filesystem;

class ListViewTest : public testing::Test {
 protected:
  std::string Touch(const std::string& name) {
    const std::string path = temp_.File(name);
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << "x";
    return path;
  }
  std::vector<std::string> Listed() const {
    std::vector<std::string> names;
    for (const std::string& path : grid().list().paths()) names.push_back(fs::path(path).filename().string());
    return names;
  }
  ImageGrid& grid() const { return *window_.grid(); }
  // Adds `count` files named n1000.jpg, n1001.jpg, ... as picked files.
  void AddNumbered(int count, int from = 1000) {
    QStringList files;
    for (int i = from; i < from + count; ++i)
      files << QString::fromStdString(Touch("n/n" + std::to_string(i) + ".jpg"));
    AddFileRows(window_, files);
  }
  QPoint RowCentre(int row) const { return grid().visualRect(grid().model()->index(row, 0)).center(); }
  bool RowInView(int row) const {
    return grid().viewport()->rect().contains(grid().visualRect(grid().model()->index(row, 0)));
  }
  // Drags `urls` onto `target` and drops them there; true when both the
  // entry and the drop were taken.
  static bool Drop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(10, 10);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
  }
  static QUrl Local(const std::string& path) { return QUrl::fromLocalFile(QString::fromStdString(path)); }

  test::TempFolder temp_;
  RegFileStore store_{temp_.File("s.reg")};
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
  MainWindow window_{settings_, store_};
};

// A dropped folder goes in as Add from Folder would, with the remembered
// sub-folder choice; the files of other kinds are only counted.
TEST_F(ListViewTest, FilesAndFoldersDroppedOnTheListOrTheWindowAreAdded) {
  window_.show();
  window_.settings().GENsubfolders = 1;
  const std::string single = Touch("single.jpg");
  Touch("pictures/a.jpg");
  Touch("pictures/notes.txt");
  Touch("pictures/sub/b.png");
  ASSERT_TRUE(Drop(grid().viewport(), {Local(single), Local(temp_.File("pictures")),
                                       QUrl(QStringLiteral("https://example.com/remote.jpg"))}));
  ASSERT_TRUE(QTest::qWaitFor([this] { return grid().RowCount() == 3; }, 5000));
  EXPECT_EQ(Listed(), (std::vector<std::string>{"single.jpg", "a.jpg", "b.png"}));
  EXPECT_EQ(grid().list().roots(),
            (std::vector<std::string>{"", temp_.File("pictures"), temp_.File("pictures")}));
  EXPECT_EQ(window_.statusLabel()->text(), "3 image(s); left out: 1 not a picture");
  EXPECT_TRUE(window_.Command("mnuBuild")->isEnabled());

  ASSERT_TRUE(Drop(&window_, {Local(Touch("on-the-window.png"))}));
  ASSERT_TRUE(QTest::qWaitFor([this] { return grid().RowCount() == 4; }, 5000));
  EXPECT_EQ(Listed().back(), "on-the-window.png");

  // Only remote addresses: nothing to take, the drag is refused.
  EXPECT_FALSE(Drop(grid().viewport(), {QUrl(QStringLiteral("https://example.com/x.jpg"))}));
  EXPECT_FALSE(Drop(&window_, {}));
  QApplication::processEvents();
  EXPECT_EQ(grid().RowCount(), 4);
}

TEST_F(ListViewTest, DeleteRemovesEveryPickedRowAndTheCountFollows) {
  window_.show();
  AddNumbered(6);
  ASSERT_EQ(window_.statusLabel()->text(), "6 image(s)");
  QTest::mouseClick(grid().viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(0));
  QTest::mouseClick(grid().viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(2));
  QTest::mouseClick(grid().viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(3));
  QTest::keyClick(&grid(), Qt::Key_Delete);
  EXPECT_EQ(Listed(), (std::vector<std::string>{"n1001.jpg", "n1004.jpg", "n1005.jpg"}));
  EXPECT_EQ(window_.statusLabel()->text(), "3 image(s)");

  // A range with Shift, through the menu command this time.
  QTest::mouseClick(grid().viewport(), Qt::LeftButton, Qt::NoModifier, RowCentre(1));
  QTest::mouseClick(grid().viewport(), Qt::LeftButton, Qt::ShiftModifier, RowCentre(2));
  window_.Command("mnuRemove")->trigger();
  EXPECT_EQ(Listed(), (std::vector<std::string>{"n1001.jpg"}));
  EXPECT_EQ(window_.statusLabel()->text(), "1 image(s)");

  grid().selectAll();
  QTest::keyClick(&grid(), Qt::Key_Delete);
  EXPECT_EQ(grid().RowCount(), 0);
  EXPECT_EQ(window_.statusLabel()->text(), "0 image(s)");
  EXPECT_FALSE(window_.Command("mnuBuild")->isEnabled());
}

TEST_F(ListViewTest, ALongPathIsElidedInTheMiddleWithTheWholePathAsTooltip) {
  window_.show();
  const std::string path = Touch(std::string(120, 'd') + "/" + std::string(60, 'e') + "/harbour.jpg");
  AddFileRows(window_, {QString::fromStdString(path)});
  EXPECT_EQ(grid().textElideMode(), Qt::ElideMiddle);
  const QPoint at = RowCentre(0);
  QHelpEvent help(QEvent::ToolTip, at, grid().viewport()->mapToGlobal(at));
  QApplication::sendEvent(grid().viewport(), &help);
  EXPECT_EQ(QToolTip::text(), QString::fromStdString(path));
  EXPECT_GT(grid().fontMetrics().horizontalAdvance(QString::fromStdString(path)), grid().columnWidth(0))
      << "the path must be wider than its column for this test to mean anything";
}

TEST_F(ListViewTest, TheListScrollsToTheRowsJustAdded) {
  window_.show();
  AddNumbered(100);
  EXPECT_TRUE(RowInView(0)) << "the first of the rows just added";
  AddNumbered(3, 2000);
  EXPECT_TRUE(RowInView(100));
  EXPECT_TRUE(RowInView(102));
  EXPECT_GT(grid().verticalScrollBar()->value(), 0);
  // More new rows than fit: the first of them shows.
  AddNumbered(50, 3000);
  EXPECT_TRUE(RowInView(103));
  EXPECT_FALSE(RowInView(152));
}

// Qt's own folder dialog, as the program shows it: the check box starts as
// asked and comes back as left.
TEST(PictureFolderDialog, HasTheSubFolderBoxAndGivesBackItsState) {
  test::TempFolder temp;
  for (const bool offered : {false, true}) {
    bool box_found = false, box_started = !offered;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("CheckSubfolders"));
      box_found = box != nullptr && box->isVisible() && box->text() == "Include sub-folders";
      if (box != nullptr) {
        box_started = box->isChecked();
        box->setChecked(!offered);
      }
      dialog->setDirectory(QString::fromStdString(temp.path()));
      QMetaObject::invokeMethod(dialog, "accept");  // as the Choose button does
    });
    const PictureFolderChoice choice =
        Dialogs().PickPictureFolder(nullptr, QStringLiteral("Select the Folder"), offered);
    EXPECT_TRUE(box_found);
    EXPECT_EQ(box_started, offered);
    EXPECT_EQ(choice.folder, QString::fromStdString(temp.path()));
    EXPECT_EQ(choice.include_subfolders, !offered);
  }
}

}  // namespace
}  // namespace vr
