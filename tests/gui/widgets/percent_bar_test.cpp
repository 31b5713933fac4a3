// The progress bar's arithmetic, properties, stored settings and mouse events.
#include "widgets/percent_bar.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QSignalSpy>

#include "widgets/percent_bar_math.h"
#include "widgets/property_error.h"

namespace vr {
namespace {

using percent_bar::BarCorners;

struct PercentCase {
  std::int32_t value;
  std::int32_t max;
  int expected;
};

class PercentageTest : public testing::TestWithParam<PercentCase> {};

TEST_P(PercentageTest, FloorsTheScaledQuotientAndClamps) {
  const PercentCase& c = GetParam();
  EXPECT_EQ(percent_bar::Percentage(c.value, c.max), c.expected) << c.value << " of " << c.max;
}

INSTANTIATE_TEST_SUITE_P(Table, PercentageTest,
                         testing::Values(
                             // The quotient lands just under the exact value, so the floor drops one.
                             PercentCase{29, 100, 28}, PercentCase{57, 100, 56}, PercentCase{58, 100, 57},
                             PercentCase{0, 100, 0}, PercentCase{45, 100, 45}, PercentCase{50, 100, 50},
                             PercentCase{100, 100, 100}, PercentCase{1, 3, 33}, PercentCase{2, 3, 66},
                             PercentCase{-5, -10, 50},
                             // Nothing to divide by.
                             PercentCase{0, 0, 0}, PercentCase{37, 0, 0}, PercentCase{-37, 0, 0},
                             // Negative progress shows none.
                             PercentCase{-1, 100, 0}, PercentCase{-32768, 100, 0}, PercentCase{5, -10, 0},
                             // Over the top, also by far more than a 16-bit percentage could hold.
                             PercentCase{101, 100, 100}, PercentCase{32767, 100, 100},
                             PercentCase{32767, 1, 100}, PercentCase{-32768, -1, 100},
                             PercentCase{328, 1, 100}));

struct TextCase {
  const char* caption;
  bool show_percent;
  int percent;
  const char* expected;
};

class BarTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(BarTextTest, CombinesCaptionAndPercentage) {
  const TextCase& c = GetParam();
  EXPECT_EQ(percent_bar::BarText(QString::fromLatin1(c.caption), c.show_percent, c.percent).toStdString(),
            c.expected);
}

INSTANTIATE_TEST_SUITE_P(Table, BarTextTest,
                         testing::Values(TextCase{"", true, 45, "45%"}, TextCase{"", true, 0, "0%"},
                                         TextCase{"", true, 100, "100%"}, TextCase{"", false, 45, ""},
                                         TextCase{"Copying", true, 7, "Copying (7%)"},
                                         TextCase{"Copying", false, 7, "Copying"},
                                         TextCase{"Scanning", true, 45, "Scanning (45%)"}));

struct CornerCase {
  std::int32_t orientation;
  int width;
  int height;
  int percent;
  BarCorners expected;
};

class CornersTest : public testing::TestWithParam<CornerCase> {};

TEST_P(CornersTest, SpansTheFilledPart) {
  const CornerCase& c = GetParam();
  const BarCorners got = percent_bar::CornersFor(c.orientation, c.width, c.height, c.percent);
  EXPECT_EQ(got.x1, c.expected.x1);
  EXPECT_EQ(got.y1, c.expected.y1);
  EXPECT_EQ(got.x2, c.expected.x2);
  EXPECT_EQ(got.y2, c.expected.y2);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CornersTest,
    testing::Values(CornerCase{1, 200, 40, 25, {0, 0, 200, 10}}, CornerCase{2, 200, 40, 25, {0, 40, 200, 30}},
                    CornerCase{3, 200, 40, 25, {0, 0, 50, 40}}, CornerCase{4, 200, 40, 25, {200, 0, 150, 40}},
                    CornerCase{3, 200, 40, 100, {0, 0, 200, 40}}, CornerCase{3, 200, 40, 0, {0, 0, 0, 40}},
                    // Halves go to the even neighbour: 2.5 -> 2, 3.5 -> 4, 7.5 -> 8.
                    CornerCase{3, 10, 4, 25, {0, 0, 2, 4}}, CornerCase{3, 14, 4, 25, {0, 0, 4, 4}},
                    CornerCase{4, 10, 4, 25, {10, 0, 8, 4}}, CornerCase{2, 4, 10, 25, {0, 10, 4, 8}},
                    CornerCase{0, 200, 40, 50, {0, 0, 0, 0}}, CornerCase{5, 200, 40, 50, {0, 0, 0, 0}}));

TEST(FillAreaTest, CoversNearEdgesOnlySoNothingAtZero) {
  EXPECT_TRUE(percent_bar::FillArea({0, 0, 0, 40}).isEmpty());
  EXPECT_TRUE(percent_bar::FillArea({0, 0, 0, 0}).isEmpty());
  EXPECT_EQ(percent_bar::FillArea({200, 0, 150, 40}), QRect(150, 0, 50, 40));
  EXPECT_EQ(percent_bar::FillArea({0, 40, 200, 30}), QRect(0, 30, 200, 10));
}

TEST(ColorTest, LowByteIsRedAndHighBitNamesASystemColour) {
  EXPECT_EQ(percent_bar::ToRgb(0x0000FF, QPalette()), qRgb(255, 0, 0));
  EXPECT_EQ(percent_bar::ToRgb(0xFF0000, QPalette()), qRgb(0, 0, 255));
  EXPECT_EQ(percent_bar::ToRgb(0x102030, QPalette()), qRgb(0x30, 0x20, 0x10));
  QPalette palette;
  palette.setColor(QPalette::Button, QColor(1, 2, 3));
  EXPECT_EQ(percent_bar::ToRgb(0x8000000F, palette), qRgb(1, 2, 3));
  EXPECT_EQ(percent_bar::FromRgb(qRgb(0x30, 0x20, 0x10)), 0x102030u);
}

TEST(NotXorTest, InvertsPenAgainstThePixel) {
  const QRgb blue = qRgb(0, 0, 255);
  EXPECT_EQ(percent_bar::NotXor(blue, qRgb(255, 255, 255)), blue);
  EXPECT_EQ(percent_bar::NotXor(blue, blue), qRgb(255, 255, 255));
  EXPECT_EQ(percent_bar::NotXor(blue, qRgb(255, 0, 0)), qRgb(0, 255, 0));
}

TEST(PercentBarPropertiesTest, NewBarStartsAtHalfWithDefaults) {
  PercentBar bar;
  EXPECT_EQ(bar.Value(), 50);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Orientation(), 3);
  EXPECT_TRUE(bar.ShowPercent());
  EXPECT_EQ(bar.Caption(), QString());
  EXPECT_EQ(bar.BackColor(), 0xFFFFFFu);
  EXPECT_EQ(bar.ForeColor(), 0xFF0000u);
  EXPECT_TRUE(bar.Picture().isNull());
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("50%"));
}

TEST(PercentBarPropertiesTest, EveryWriteRedrawsAtOnce) {
  PercentBar bar;
  bar.SetValue(45);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("45%"));
  bar.SetCaption(QStringLiteral("Scanning"));
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("Scanning (45%)"));
  bar.SetShowPercent(false);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("Scanning"));
  bar.SetShowPercent(true);
  bar.SetMax(0);
  EXPECT_EQ(bar.DrawnPercent(), 0);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("Scanning (0%)"));
  bar.SetMax(10);
  EXPECT_EQ(bar.DrawnPercent(), 100);  // 45 of 10
}

TEST(PercentBarPropertiesTest, SixteenBitLimitsAreAccepted) {
  PercentBar bar;
  bar.SetValue(-32768);
  EXPECT_EQ(bar.Value(), -32768);
  bar.SetValue(32767);
  EXPECT_EQ(bar.Value(), 32767);
  bar.SetMax(-32768);
  EXPECT_EQ(bar.Max(), -32768);
}

struct OverflowCase {
  bool max;
  std::int32_t value;
};

class PercentBarOverflowTest : public testing::TestWithParam<OverflowCase> {};

TEST_P(PercentBarOverflowTest, FailsAndLeavesTheOldValueShown) {
  PercentBar bar;
  bar.resize(120, 20);
  bar.SetValue(30);
  const QImage before = bar.Buffer().copy();
  try {
    if (GetParam().max)
      bar.SetMax(GetParam().value);
    else
      bar.SetValue(GetParam().value);
    FAIL() << "no error for " << GetParam().value;
  } catch (const PropertyError& error) {
    EXPECT_EQ(error.number(), PropertyError::kOverflow);
  }
  EXPECT_EQ(bar.Value(), 30);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("30%"));
  EXPECT_EQ(bar.Buffer(), before);
}

INSTANTIATE_TEST_SUITE_P(Table, PercentBarOverflowTest,
                         testing::Values(OverflowCase{false, 40000}, OverflowCase{false, 32768},
                                         OverflowCase{false, -32769}, OverflowCase{true, 40000},
                                         OverflowCase{true, -40000}));

TEST(PercentBarPersistenceTest, DefaultsAreNotStoredButTheCreatedValueIs) {
  QWidget host;
  auto* bar = new PercentBar(&host);
  PropertyBag bag;
  bar->Save(bag);
  // A new bar holds 50 while the stored default is 0.
  EXPECT_EQ(bag.Names(), QStringList{QStringLiteral("value")});
  EXPECT_EQ(bag.Read("Value", 0).toInt(), 50);
}

TEST(PercentBarPersistenceTest, SavesEveryChangedEntryInTableOrder) {
  QWidget host;
  auto* bar = new PercentBar(&host);
  // Set in a different order from the one saved.
  bar->SetShowPercent(false);
  bar->SetCaption(QStringLiteral("Copying"));
  bar->SetOrientation(2);
  bar->SetValue(7);
  bar->SetMax(20);
  QFont font = host.font();
  font.setPointSize(font.pointSize() + 5);
  bar->SetFont(font);
  QPixmap picture(4, 4);
  picture.fill(Qt::black);
  bar->SetPicture(picture);
  bar->SetForeColor(0x808080);
  bar->SetBackColor(0x00FFFF);
  PropertyBag bag;
  bar->Save(bag);
  EXPECT_EQ(bag.Names(), (QStringList{"backcolor", "forecolor", "picture", "font", "max", "value",
                                      "orientation", "caption", "showpercent"}));
  EXPECT_EQ(bag.Read("forecolor", 0).toInt(), 8421504);
  EXPECT_EQ(bag.Read("backcolor", 0).toInt(), 0x00FFFF);
  EXPECT_EQ(bag.Read("max", 0).toInt(), 20);
  EXPECT_EQ(bag.Read("value", 0).toInt(), 7);
  EXPECT_EQ(bag.Read("orientation", 0).toInt(), 2);
  EXPECT_EQ(bag.Read("caption", "").toString(), QStringLiteral("Copying"));
  EXPECT_FALSE(bag.Read("showpercent", true).toBool());

  PercentBar copy;
  copy.Load(bag);
  EXPECT_EQ(copy.ForeColor(), 0x808080u);
  EXPECT_EQ(copy.BackColor(), 0x00FFFFu);
  EXPECT_EQ(copy.Max(), 20);
  EXPECT_EQ(copy.Value(), 7);
  EXPECT_EQ(copy.Orientation(), 2);
  EXPECT_EQ(copy.Caption(), QStringLiteral("Copying"));
  EXPECT_FALSE(copy.ShowPercent());
  EXPECT_EQ(copy.Font().pointSize(), font.pointSize());
  EXPECT_EQ(copy.Picture().size(), QSize(4, 4));
  EXPECT_EQ(copy.DrawnText(), QStringLiteral("Copying"));
}

TEST(PercentBarPersistenceTest, LoadingNothingGivesTheDefaultsAndValueZero) {
  PercentBar bar;
  bar.SetCaption(QStringLiteral("old"));
  bar.SetForeColor(0x123456);
  bar.Load(PropertyBag());
  EXPECT_EQ(bar.Value(), 0);
  EXPECT_EQ(bar.Max(), 100);
  EXPECT_EQ(bar.Orientation(), 3);
  EXPECT_TRUE(bar.ShowPercent());
  EXPECT_EQ(bar.Caption(), QString());
  EXPECT_EQ(bar.ForeColor(), 0xFF0000u);
  EXPECT_EQ(bar.BackColor(), 0xFFFFFFu);
  EXPECT_EQ(bar.DrawnText(), QStringLiteral("0%"));
}

TEST(PercentBarPersistenceTest, NamesMatchWithoutRegardToCase) {
  PropertyBag bag;
  bag.Write("FORECOLOR", 8421504, QVariant());
  bag.Write("vAlUe", 29, QVariant());
  bag.Write("ShowPercent", false, QVariant());
  PercentBar bar;
  bar.Load(bag);
  EXPECT_EQ(bar.ForeColor(), 0x808080u);
  EXPECT_EQ(bar.Value(), 29);
  EXPECT_FALSE(bar.ShowPercent());
}

TEST(PercentBarPersistenceTest, StoredValueOutsideSixteenBitsIsSkipped) {
  PropertyBag bag;
  bag.Write("value", 40000, QVariant());
  bag.Write("max", 50, QVariant());
  PercentBar bar;
  bar.Load(bag);
  EXPECT_EQ(bar.Value(), 0);
  EXPECT_EQ(bar.Max(), 50);
}

TEST(PercentBarPersistenceTest, WithoutAStoredFontTheHostsFontIsFollowed) {
  QWidget host;
  QFont first = host.font();
  first.setPointSize(21);
  host.setFont(first);
  auto* bar = new PercentBar(&host);
  bar->Load(PropertyBag());
  EXPECT_EQ(bar->Font().pointSize(), 21);
  PropertyBag bag;
  bar->Save(bag);
  EXPECT_FALSE(bag.Contains("font"));

  QFont second = first;
  second.setPointSize(9);
  host.setFont(second);
  EXPECT_EQ(bar->Font().pointSize(), 9);
}

// Sends a mouse event where a real one would go: to the widget under the
// point, letting the application pass it up when that widget ignores it.
void SendMouse(PercentBar& bar, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = bar.childAt(at);
  if (!target) target = &bar;
  const QPoint local = target->mapFrom(&bar, at);
  QMouseEvent event(type, QPointF(local), QPointF(target->mapToGlobal(local)), button, buttons, modifiers,
                    QPointingDevice::primaryPointingDevice());
  QApplication::sendEvent(target, &event);
}

TEST(PercentBarMouseTest, MarginReportsInTwipsAndTheSurfaceNot) {
  PercentBar bar;
  bar.resize(100, 20);
  bar.show();
  QSignalSpy down(&bar, &PercentBar::MouseDown);
  QSignalSpy move(&bar, &PercentBar::MouseMove);
  QSignalSpy up(&bar, &PercentBar::MouseUp);

  // Inside the surface: nothing reaches the host.
  SendMouse(bar, QEvent::MouseButtonPress, QPoint(50, 10), Qt::LeftButton, Qt::LeftButton);
  SendMouse(bar, QEvent::MouseMove, QPoint(51, 10), Qt::NoButton, Qt::NoButton);
  SendMouse(bar, QEvent::MouseButtonRelease, QPoint(50, 10), Qt::LeftButton, Qt::NoButton);
  EXPECT_EQ(down.count() + move.count() + up.count(), 0);

  // On the left margin column.
  SendMouse(bar, QEvent::MouseButtonPress, QPoint(0, 10), Qt::RightButton, Qt::RightButton,
            Qt::ShiftModifier);
  ASSERT_EQ(down.count(), 1);
  EXPECT_EQ(down[0][0].value<short>(), 2);
  EXPECT_EQ(down[0][1].value<short>(), 1);
  EXPECT_FLOAT_EQ(down[0][2].value<float>(), 0.0f);
  EXPECT_FLOAT_EQ(down[0][3].value<float>(), 150.0f);

  // The bottom margin row, with nothing pressed.
  SendMouse(bar, QEvent::MouseMove, QPoint(30, 19), Qt::NoButton, Qt::NoButton,
            Qt::ControlModifier | Qt::AltModifier);
  ASSERT_EQ(move.count(), 1);
  EXPECT_EQ(move[0][0].value<short>(), 0);
  EXPECT_EQ(move[0][1].value<short>(), 6);
  EXPECT_FLOAT_EQ(move[0][2].value<float>(), 450.0f);
  EXPECT_FLOAT_EQ(move[0][3].value<float>(), 285.0f);

  SendMouse(bar, QEvent::MouseButtonRelease, QPoint(99, 0), Qt::LeftButton, Qt::NoButton);
  ASSERT_EQ(up.count(), 1);
  EXPECT_EQ(up[0][0].value<short>(), 1);
  EXPECT_FLOAT_EQ(up[0][2].value<float>(), 1485.0f);
}

}  // namespace
}  // namespace vr
