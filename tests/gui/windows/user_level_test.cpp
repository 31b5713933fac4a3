// The program as a user meets it: the splash hands over to the main window
// on a settings file of its own, a folder of pictures is added and built,
// and the thumbnails land in the output folder with the closing message.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QToolButton>
#include <fstream>
#include <memory>

#include "imaging/codecs/bmp_codec.h"
#include "imaging/codecs/png_codec.h"
#include "imaging/engine.h"
#include "settings/settings_store.h"
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
    // PNG thumbnails 40 pixels wide, into a folder that does not exist yet.
    ASSERT_TRUE(store_->WriteText("OUTfolder", Local(output_)).ok());
    ASSERT_TRUE(store_->WriteNumber("OUTformat", 2).ok());
    ASSERT_TRUE(store_->WriteNumber("OUTwidth", 40).ok());
    ASSERT_TRUE(store_->WriteNumber("OUTpropw", -1).ok());
    ASSERT_TRUE(store_->WriteNumber("GENextra", 1).ok());
  }
  void WritePicture(const char* name, int width, int height, bool bmp) {
    Image image;
    image.Resize(width, height);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = image.at(x, y);
        p[0] = static_cast<std::uint8_t>(x * 3);
        p[1] = static_cast<std::uint8_t>(y * 5);
        p[2] = 90;
        p[3] = 255;
      }
    const std::string path = Local(QDir(pictures_).filePath(QString::fromLatin1(name)));
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE((bmp ? EncodeBmp(image, bytes, path) : EncodePng(image, bytes, path)).ok());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  // Starts the program's windows the way the program does and steps the
  // splash to the hand-over.
  MainWindow* Start() {
    auto* splash = new SplashWindow([this]() -> QWidget* {
      window_ = std::make_unique<MainWindow>(settings_, *store_);
      return window_.get();
    });
    splash->show();
    for (std::size_t i = 0; i < SplashWindow::kSteps.size(); ++i) splash->StepTick();
    EXPECT_NE(window_, nullptr);
    EXPECT_FALSE(window_->isVisible());
    splash->HandOverTick();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
  WritePicture("harbour.png", 80, 60, false);
  WritePicture("olive.bmp", 120, 90, true);
  WritePicture("terrace.png", 60, 80, false);
  MainWindow* window = Start();
  EXPECT_EQ(settings_.OUTwidth, 40);
  EXPECT_EQ(window->grid()->columnCount(), 4);

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
  EXPECT_EQ(dialogs_.messages[0].text, CreateFolderQuestion(Local(output_)));
  EXPECT_TRUE(dialogs_.messages[0].text.endsWith(
      QStringLiteral("Directory does not exist. Do you want to create it?")));
  EXPECT_EQ(dialogs_.messages[1].title, QStringLiteral("Varenna Pro"));
  EXPECT_EQ(dialogs_.messages[1].icon, QMessageBox::Information);
  EXPECT_TRUE(dialogs_.messages[1].text.startsWith(QStringLiteral("Process done!\n3 image(s) generated in ")))
      << dialogs_.messages[1].text.toStdString();
  EXPECT_TRUE(dialogs_.messages[1].text.endsWith(QStringLiteral(" second(s)")));

  // Three thumbnails, 40 pixels wide, listed as written.
  const QStringList written = QDir(output_).entryList(QDir::Files, QDir::Name);
  EXPECT_EQ(written.size(), 3) << written.join(QLatin1Char(' ')).toStdString();
  ASSERT_EQ(window->outputs().size(), 3u);
  for (const std::string& path : window->outputs()) {
    EXPECT_TRUE(QFile::exists(QString::fromStdString(path))) << path;
    Engine engine;
    ASSERT_TRUE(engine.LoadImage(Engine::kPictureSlot, path).ok()) << path;
    ASSERT_TRUE(engine.Decode(Engine::kPictureSlot).ok()) << path;
    EXPECT_EQ(engine.picture(Engine::kPictureSlot).width, 40) << path;
  }

  // Back to normal, with the hidden upload command enabled.
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("Varenna Pro"));
  EXPECT_TRUE(MainWindow::IsCommandEnabled(window->Command(QStringLiteral("mnuSend"))));
  EXPECT_TRUE(MainWindow::IsCommandEnabled(window->UploadButtonAction()));
  EXPECT_FALSE(window->Command(QStringLiteral("mnuSend"))->isVisible());
  EXPECT_FALSE(window->UploadButtonAction()->isVisible());
  QApplication::processEvents();
  EXPECT_FALSE(window->ToolbarButton(QStringLiteral("upload"))->isVisible());
  EXPECT_FALSE(window->ToolbarButton(QStringLiteral("update"))->isVisible());
  EXPECT_TRUE(window->ToolbarButton(QStringLiteral("build"))->isVisible());
}

TEST_F(UserLevelTest, EmptyListBuildDoesNothing) {
  MainWindow* window = Start();
  const BuildCommandResult result = BuildThumbnails(*window);
  EXPECT_FALSE(result.ran);
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(window->statusLabel()->text(), QStringLiteral("Varenna Pro"));
  EXPECT_FALSE(QDir(output_).exists());
}

TEST_F(UserLevelTest, DecliningTheFolderStillEndsWithTheMessage) {
  WritePicture("one.png", 30, 20, false);
  MainWindow* window = Start();
  dialogs_.folders.push_back(pictures_);
  window->ClickToolbarEntry(2);  // "folder"
  ASSERT_EQ(window->grid()->RowCount(), 1);
  dialogs_.buttons.push_back(QMessageBox::No);
  window->ClickToolbarEntry(3);  // "build"
  ASSERT_FALSE(dialogs_.messages.empty());
  EXPECT_TRUE(dialogs_.messages.back().text.startsWith(QStringLiteral("Process done!")));
  EXPECT_FALSE(QDir(output_).exists());
  EXPECT_TRUE(window->outputs().empty());
  EXPECT_TRUE(window->isEnabled());
}

}  // namespace
}  // namespace vr
