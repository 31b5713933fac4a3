// The progress window: its design content, its bar, its edge, and that every
// use starts afresh and never takes the focus.
#include "windows/progress_window.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <memory>

#include "widgets/percent_bar.h"

namespace vr {
namespace {

TEST(ProgressWindowTest, DesignContentAndPlaces) {
  ProgressWindow window;
  EXPECT_EQ(window.objectName(), QStringLiteral("Form3"));
  EXPECT_EQ(window.size(), QSize(214, 66));
  EXPECT_EQ(window.font().family(), QStringLiteral("Verdana"));
  EXPECT_DOUBLE_EQ(window.font().pointSizeF(), 8.25);

  QLabel* headline = window.findChild<QLabel*>(QStringLiteral("Label1"));
  ASSERT_NE(headline, nullptr);
  EXPECT_EQ(headline, window.headline());
  EXPECT_EQ(headline->text(), QStringLiteral("Adding images from folder..."));
  EXPECT_EQ(headline->geometry(), QRect(18, 8, 178, 13));
  EXPECT_TRUE(headline->alignment() & Qt::AlignHCenter);

  QLabel* second = window.findChild<QLabel*>(QStringLiteral("Label2"));
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->text(), QStringLiteral("Please wait"));
  EXPECT_EQ(second->pos(), QPoint(75, 24));
  // Fitted to its text rather than the design width.
  EXPECT_EQ(second->width(), QFontMetrics(window.font()).horizontalAdvance(QStringLiteral("Please wait")));
}

TEST(ProgressWindowTest, BarHasTheStoredSettings) {
  ProgressWindow window;
  PercentBar* bar = window.findChild<PercentBar*>(QStringLiteral("Bar1"));
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(bar, window.progressBar());
  EXPECT_EQ(bar->geometry(), QRect(16, 40, 185, 17));
  EXPECT_EQ(bar->ForeColor(), 0x808080u);
  EXPECT_EQ(bar->BackColor(), 0xFFFFFFu);
  EXPECT_EQ(bar->Value(), 0);  // loaded without a stored value, not the new-bar 50
  EXPECT_EQ(bar->Max(), 100);
  EXPECT_EQ(bar->Orientation(), 3);
  EXPECT_TRUE(bar->ShowPercent());
  EXPECT_EQ(bar->Caption(), QString());
  EXPECT_EQ(bar->Font().family(), QStringLiteral("Verdana"));
  EXPECT_EQ(bar->DrawnText(), QStringLiteral("0%"));
}

TEST(ProgressWindowTest, EveryUseStartsFromTheDesign) {
  auto build = std::make_unique<ProgressWindow>();
  build->headline()->setText(QStringLiteral("Building Thumbnails..."));
  build->progressBar()->SetValue(60);
  build->show();
  EXPECT_EQ(build->progressBar()->DrawnText(), QStringLiteral("60%"));
  build.reset();

  ProgressWindow folder_add;
  EXPECT_EQ(folder_add.headline()->text(), QStringLiteral("Adding images from folder..."));
  EXPECT_EQ(folder_add.progressBar()->Value(), 0);
}

TEST(ProgressWindowTest, ShownWithoutModalityTitleOrFocus) {
  ProgressWindow window;
  window.show();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.isModal());
  EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_TRUE(window.testAttribute(Qt::WA_ShowWithoutActivating));
  EXPECT_EQ(window.focusPolicy(), Qt::NoFocus);
  for (QWidget* child : window.findChildren<QWidget*>())
    EXPECT_EQ(child->focusPolicy(), Qt::NoFocus) << child->objectName().toStdString();
}

TEST(ProgressWindowTest, CentredOnTheScreen) {
  ProgressWindow window;
  const QScreen* screen = window.screen();
  ASSERT_NE(screen, nullptr);
  const QPoint centre = screen->geometry().center();
  const QPoint own = window.geometry().center();
  EXPECT_LE(std::abs(own.x() - centre.x()), 1);
  EXPECT_LE(std::abs(own.y() - centre.y()), 1);
}

TEST(ProgressWindowTest, RaisedEdgeFramesTheWholeClientArea) {
  ProgressWindow window;
  QImage image(window.size(), QImage::Format_RGB32);
  image.fill(Qt::magenta);
  window.render(&image);
  const QPalette& palette = window.palette();
  const QRgb light = palette.color(QPalette::Light).rgb();
  const QRgb shadow = palette.color(QPalette::Shadow).rgb();
  const QRgb inside = image.pixel(8, 30) | 0xFF000000u;
  ASSERT_NE(light, shadow);
  // Lit from the top left: the outer line is light along the top and left
  // sides, dark along the bottom and right ones, all the way round.
  for (int x = 0; x < 213; ++x) {
    EXPECT_EQ(image.pixel(x, 0) | 0xFF000000u, light) << x;
    EXPECT_EQ(image.pixel(x + 1, 65) | 0xFF000000u, shadow) << x;
  }
  for (int y = 0; y < 65; ++y) {
    EXPECT_EQ(image.pixel(0, y) | 0xFF000000u, light) << y;
    EXPECT_EQ(image.pixel(213, y + 1) | 0xFF000000u, shadow) << y;
  }
  // The inner line differs from the face too, so there are two lines.
  EXPECT_NE(image.pixel(1, 30) | 0xFF000000u, inside);
  EXPECT_NE(image.pixel(212, 30) | 0xFF000000u, inside);
}

TEST(ProgressWindowTest, BarFillsInGrey) {
  ProgressWindow window;
  window.show();
  window.progressBar()->SetValue(100);
  QImage image(window.size(), QImage::Format_RGB32);
  window.render(&image);
  // Near the bar's left end, away from the centred text.
  EXPECT_EQ(image.pixel(16 + 4, 40 + 8) | 0xFF000000u, 0xFF808080u);
  window.progressBar()->SetValue(0);
  image.fill(Qt::black);
  window.render(&image);
  EXPECT_EQ(image.pixel(16 + 4, 40 + 8) | 0xFF000000u, 0xFFFFFFFFu);
}

}  // namespace
}  // namespace vr
