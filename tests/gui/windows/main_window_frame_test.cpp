// The main window as a desktop window: the classic size on a first start,
// resized and maximised with the list taking the room, its size, place and
// maximised state back on the next start; and Add Image(s) offering every
// picture the program reads first.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFrame>
#include <QScreen>
#include <QSettings>
#include <QTest>
#include <QToolBar>
#include <memory>

#include "settings/settings_store.h"
#include "support/scripted_dialogs.h"
#include "support/temp_folder.h"
#include "windows/add_files.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"

namespace vr {
namespace {

class MainWindowFrameTest : public testing::Test {
 protected:
  // Each test starts as a first start: no window state kept.
  void SetUp() override { QSettings(QStringLiteral("Corvelle"), QStringLiteral("Varenna Pro")).clear(); }
  void TearDown() override { SetUp(); }

  std::unique_ptr<MainWindow> Start() {
    auto window = std::make_unique<MainWindow>(settings_, store_);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    return window;
  }
  static void Settle() { QApplication::processEvents(); }

  test::TempFolder temp_;
  RegFileStore store_{temp_.File("Varenna Pro.reg")};
  SettingsRecord settings_;
  test::ScriptedDialogs dialogs_;
};

TEST_F(MainWindowFrameTest, AFirstStartHasTheClassicSize) {
  auto window = Start();
  EXPECT_EQ(window->centralWidget()->size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
  EXPECT_GE(window->grid()->width(), ImageGrid::kWidth);
}

// The toolbar stays on top, the status line at the bottom, and the list
// takes whatever the window gains or loses.
TEST_F(MainWindowFrameTest, ResizingStretchesTheList) {
  auto window = Start();
  const QSize classic_list = window->grid()->size();
  for (const QSize wanted : {QSize(900, 640), QSize(420, 300)}) {
    window->resize(wanted);
    Settle();
    EXPECT_EQ(window->size(), wanted);
    const QWidget* client = window->centralWidget();
    const QSize gained = client->size() - QSize(MainWindow::kClientWidth, MainWindow::kClientHeight);
    EXPECT_NEAR(window->grid()->width(), classic_list.width() + gained.width(), 2) << wanted.width();
    EXPECT_NEAR(window->grid()->height(), classic_list.height() + gained.height(), 2) << wanted.height();
    const auto* status = window->findChild<QFrame*>("Shape1");
    EXPECT_GE(status->geometry().bottom(), client->height() - 2) << "the status line at the bottom";
    EXPECT_GT(status->y(), window->grid()->geometry().bottom());
    EXPECT_EQ(window->toolbar()->y(), 0);
  }
}

TEST_F(MainWindowFrameTest, MaximisingFillsTheScreenWithTheList) {
  auto window = Start();
  EXPECT_TRUE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
  window->showMaximized();
  Settle();
  EXPECT_TRUE(window->isMaximized());
  EXPECT_GT(window->grid()->width(), window->screen()->availableGeometry().width() * 9 / 10);
}

TEST_F(MainWindowFrameTest, SizePlaceAndMaximisedAreBackOnTheNextStart) {
  {
    auto window = Start();
    window->resize(700, 500);
    window->move(40, 30);
    Settle();
    window->close();
  }
  {
    auto window = Start();
    EXPECT_EQ(window->size(), QSize(700, 500));
    EXPECT_EQ(window->pos(), QPoint(40, 30));
    window->resize(650, 450);
    Settle();
    window->Exit();  // the menu's Exit keeps it as well
  }
  {
    auto window = Start();
    EXPECT_EQ(window->size(), QSize(650, 450));
    window->showMaximized();
    Settle();
    window->close();
  }
  auto window = Start();
  EXPECT_TRUE(window->isMaximized());
}

TEST_F(MainWindowFrameTest, AddImagesOffersAllPicturesFirst) {
  auto window = Start();
  window->Command("mnuFiles")->trigger();
  ASSERT_EQ(dialogs_.file_requests.size(), 1u);
  const QStringList choices = dialogs_.file_requests[0].filter.split(";;");
  ASSERT_GE(choices.size(), 4);
  EXPECT_TRUE(choices[0].startsWith("All pictures (")) << choices[0].toStdString();
  for (const char* pattern : {"*.bmp", "*.gif", "*.jpg", "*.jpeg", "*.png", "*.tif", "*.tiff"})
    EXPECT_TRUE(choices[0].contains(pattern)) << pattern;
  EXPECT_TRUE(choices[1].startsWith("JPEG")) << "the single kinds follow";
}

}  // namespace
}  // namespace vr
