// The files the windows read at run time (the About text, the help page, the
// sample pictures) are found in the data folder beside the programs' folder,
// here build/share/varenna, as installed /usr/share/varenna.
#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QWidget>
#include <memory>

#include "settings_dialog/region_picker.h"
#include "support/qt_image.h"
#include "windows/about_dialog.h"
#include "windows/help_window.h"

namespace vr {
namespace {

TEST(DataFiles, TheAboutBoxShowsTheAboutText) {
  AboutDialog about;
  const auto* text = about.findChild<QPlainTextEdit*>(QStringLiteral("Text1"));
  ASSERT_NE(text, nullptr);
  EXPECT_TRUE(text->toPlainText().startsWith(QStringLiteral("Varenna Pro makes thumbnails")))
      << DataFolder().toStdString();
  EXPECT_TRUE(text->toPlainText().endsWith(QStringLiteral("Thanks for using Varenna Pro.\n")));
}

TEST(DataFiles, HelpOpensItsTopicFromTheDataFolder) {
  QWidget owner;
  QWidget* help = ShowHelpTopic(&owner, DataFile(QStringLiteral("help")));
  ASSERT_NE(help, nullptr) << DataFolder().toStdString();
  auto* browser = qobject_cast<QTextBrowser*>(help);
  ASSERT_NE(browser, nullptr);
  EXPECT_TRUE(browser->source().path().endsWith(QStringLiteral("share/varenna/help/intro.htm")));
  EXPECT_FALSE(browser->toPlainText().isEmpty());
}

TEST(DataFiles, TheSamplePicturesLoadWhole) {
  const Image butterfly = LoadPictureFile(ButterflySample());
  EXPECT_EQ(butterfly.width, 269);
  EXPECT_EQ(butterfly.height, 180);
  const Image logo = LoadPictureFile(WatermarkSample());
  EXPECT_EQ(logo.width, 64);
  EXPECT_EQ(logo.height, 62);
  EXPECT_EQ(LoadPictureFile(DataFile(QStringLiteral("samples/none.png"))).width, 0);
}

}  // namespace
}  // namespace vr
