// The splash window's design and its message sequence with the timers'
// intervals, the hand-over to the main window, the version text, and the
// About box.
#include "windows/splash_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "windows/about_dialog.h"

namespace vr {
namespace {

struct VersionCase {
  int major, minor, revision;
  const char* text;
};

class VersionTextTest : public testing::TestWithParam<VersionCase> {};

TEST_P(VersionTextTest, Formats) {
  const VersionCase& c = GetParam();
  EXPECT_EQ(VersionText(c.major, c.minor, c.revision), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(Versions, VersionTextTest,
                         testing::Values(VersionCase{1, 0, 49, "1.00.0049"},
                                         VersionCase{2, 3, 7, "2.03.0007"},
                                         VersionCase{1, 12, 12345, "1.12.12345"},
                                         VersionCase{1, 0, 0, "1.00.0000"},
                                         VersionCase{10, 5, 1, "10.05.0001"}));

TEST(VersionTextTest, ProgramVersionComesFromTheBuild) {
  EXPECT_EQ(ProgramVersionText(), QStringLiteral("1.00.0000"));  // project version 1.0.0
}

QString Text(QWidget& window, const char* name) {
  auto* label = window.findChild<QLabel*>(QString::fromLatin1(name));
  return label ? label->text() : QStringLiteral("<missing>");
}

TEST(SplashTest, Design) {
  SplashWindow splash([] { return nullptr; });
  EXPECT_EQ(splash.objectName(), QStringLiteral("Form1"));
  EXPECT_EQ(splash.size(), QSize(360, 233));
  EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_EQ(splash.palette().color(QPalette::Window), QColor(Qt::black));
  EXPECT_EQ(Text(splash, "Label1"), QStringLiteral("Corvelle"));
  EXPECT_EQ(Text(splash, "Label2"), QStringLiteral("Varenna Pro"));
  EXPECT_EQ(Text(splash, "Label4"), QStringLiteral("Loading..."));
  EXPECT_EQ(Text(splash, "Label5"), QStringLiteral("v.1.00.0000"));
  EXPECT_EQ(splash.messageLabel()->geometry(), QRect(92, 120, 177, 17));
  EXPECT_TRUE(splash.messageLabel()->alignment() & Qt::AlignHCenter);
  auto* picture = splash.findChild<QLabel*>(QStringLiteral("Image1"));
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->geometry(), QRect(144, 40, 209, 172));
  EXPECT_FALSE(picture->pixmap().isNull());
  EXPECT_EQ(splash.findChild<QTimer*>(QStringLiteral("Timer2")), splash.stepTimer());
  EXPECT_TRUE(splash.stepTimer()->isActive());
  EXPECT_EQ(splash.stepTimer()->interval(), 500);
  EXPECT_FALSE(splash.handOverTimer()->isActive());
  EXPECT_EQ(splash.handOverTimer()->interval(), 2000);
}

TEST(SplashTest, MessageSequenceIntervalsAndHandOver) {
  QWidget main;
  int loads = 0;
  bool shown_at_load = true;
  auto* splash = new SplashWindow([&]() -> QWidget* {
    ++loads;
    shown_at_load = main.isVisible();
    return &main;
  });
  QPointer<SplashWindow> alive(splash);
  splash->show();

  struct Expected {
    const char* message;
    int interval;  // Timer2's interval after the tick; 0: Timer2 stopped
  };
  const Expected ticks[] = {{"IMAGE_CORE_LIB", 800}, {"JPEG_TRANSFORM", 200}, {"BITMAP_RLE", 150},
                            {"PIXELIZE_TOOL", 600},  {"HALVERN_ENGINE", 700}, {"Starting Varenna...", 0}};
  int tick = 0;
  for (const Expected& want : ticks) {
    SCOPED_TRACE(tick + 1);
    splash->StepTick();
    ++tick;
    EXPECT_EQ(splash->TickCount(), tick);
    EXPECT_EQ(splash->messageLabel()->text(), QString::fromLatin1(want.message));
    if (want.interval > 0) {
      EXPECT_TRUE(splash->stepTimer()->isActive());
      EXPECT_EQ(splash->stepTimer()->interval(), want.interval);
      EXPECT_FALSE(splash->handOverTimer()->isActive());
      EXPECT_EQ(loads, 0);
    }
  }
  EXPECT_FALSE(splash->stepTimer()->isActive());
  EXPECT_TRUE(splash->handOverTimer()->isActive());
  EXPECT_EQ(splash->handOverTimer()->interval(), 2000);
  EXPECT_EQ(loads, 1);
  EXPECT_FALSE(shown_at_load);
  EXPECT_FALSE(main.isVisible());  // loaded, not yet shown
  EXPECT_EQ(splash->mainWindow(), &main);

  splash->HandOverTick();
  EXPECT_TRUE(main.isVisible());
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
  EXPECT_EQ(loads, 1);
}

TEST(SplashTest, FirstMessageAfterHalfASecondOfRealTime) {
  SplashWindow splash([] { return nullptr; });
  splash.show();
  QElapsedTimer clock;
  clock.start();
  QTRY_COMPARE_WITH_TIMEOUT(splash.TickCount(), 1, 2000);
  EXPECT_GE(clock.elapsed(), 450);
  EXPECT_EQ(splash.messageLabel()->text(), QStringLiteral("IMAGE_CORE_LIB"));
  EXPECT_EQ(splash.stepTimer()->interval(), 800);
}

TEST(AboutTest, Content) {
  AboutDialog about;
  EXPECT_EQ(about.objectName(), QStringLiteral("Form7"));
  EXPECT_EQ(about.windowTitle(), QStringLiteral("About..."));
  EXPECT_EQ(about.size(), QSize(418, 359));
  EXPECT_TRUE(about.windowFlags() & Qt::Tool);
  EXPECT_FALSE(about.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(Text(about, "Label1"), QStringLiteral("Corvelle"));
  EXPECT_EQ(Text(about, "Label2"), QStringLiteral("Varenna Pro"));
  EXPECT_EQ(Text(about, "Label5"), QStringLiteral("v.1.00.0000"));
  EXPECT_EQ(Text(about, "Label6"), QStringLiteral("Halvern Engine: 0.2.2a.win32(vrpro)"));
  QPlainTextEdit* text = about.textBox();
  ASSERT_EQ(text, about.findChild<QPlainTextEdit*>(QStringLiteral("Text1")));
  EXPECT_EQ(text->geometry(), QRect(8, 176, 401, 145));
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_EQ(text->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("Varenna Pro")));
  EXPECT_EQ(text->toPlainText(), AboutText());

  // A second opening shows the same.
  AboutDialog again;
  EXPECT_EQ(again.textBox()->toPlainText(), text->toPlainText());
  EXPECT_EQ(Text(again, "Label5"), Text(about, "Label5"));
}

TEST(AboutTest, AboutTextDropsPaddingAndCarriageReturns) {
  QTemporaryDir temp;
  const QString path = temp.filePath(QStringLiteral("about.txt"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(QByteArray("first line\r\nsecond line\r\n\0\0\0\0", 29));
  file.close();
  EXPECT_EQ(AboutText(path), QStringLiteral("first line\nsecond line\n"));
  EXPECT_EQ(AboutText(temp.filePath(QStringLiteral("missing.txt"))), QString());
}

}  // namespace
}  // namespace vr
