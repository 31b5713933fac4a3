#include "widgets/cpv_slider.h"

#include <gtest/gtest.h>

#include <QPaintEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <string>
#include <vector>

#include "widgets/property_error.h"

namespace vr {
namespace {

const QColor kFace(200, 200, 200);
const QColor kDark(100, 100, 100);      // shadow
const QColor kShadow(10, 10, 10);       // dark shadow
const QColor kMidlight(220, 220, 220);  // light
const QColor kLight(255, 255, 255);     // highlight
const QColor kThumb(255, 0, 0);
const QColor kRail(0, 0, 255);

QImage Solid(int width, int height, const QColor& color) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(color);
  return image;
}

// A red thumb whose top-left pixel is transparent.
QImage ThumbIcon(int size = 11) {
  QImage icon = Solid(size, size, kThumb);
  icon.setPixelColor(0, 0, Qt::transparent);
  return icon;
}

void UseKnownPalette(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Button, kFace);
  palette.setColor(QPalette::Dark, kDark);
  palette.setColor(QPalette::Shadow, kShadow);
  palette.setColor(QPalette::Midlight, kMidlight);
  palette.setColor(QPalette::Light, kLight);
  widget.setPalette(palette);
}

QImage Render(cpvSlider& slider) {
  QImage image(slider.size(), QImage::Format_ARGB32);
  image.fill(Qt::black);
  slider.render(&image);
  return image;
}

std::string Rgb(const QColor& c) {
  return std::to_string(c.red()) + "," + std::to_string(c.green()) + "," + std::to_string(c.blue());
}

#define EXPECT_PIXEL(image, x, y, color) \
  EXPECT_EQ(Rgb((image).pixelColor((x), (y))), Rgb(color)) << "at (" << (x) << ", " << (y) << ")"

// Horizontal edge mode, 11 x 11 thumb, 100 pixels wide: the rail rectangle is
// left 4, top 4, right 97, bottom 8.
std::unique_ptr<cpvSlider> EdgeSlider(int style) {
  auto slider = std::make_unique<cpvSlider>();
  UseKnownPalette(*slider);
  slider->SetOrientation(0);
  slider->SetSliderIcon(ThumbIcon());
  slider->show();
  slider->resize(100, 30);
  slider->SetRailStyle(style);
  return slider;
}

TEST(CpvSliderLayout, EdgeModeRailRectangleRoundsHalvesToEven) {
  auto slider = EdgeSlider(0);
  EXPECT_EQ(slider->size(), QSize(100, 11));
  EXPECT_EQ(slider->model().RailRect(), (CpvSliderModel::Rect{4, 4, 97, 8}));
  EXPECT_EQ(slider->sizeHint(), QSize(100, 11));
}

TEST(CpvSliderLayout, SettingsDialogSliderSizesItselfToItsRailPicture) {
  cpvSlider slider;
  slider.SetOrientation(0);
  slider.SetRailStyle(99);
  slider.SetSliderIcon(ThumbIcon());
  slider.SetRailPicture(Solid(168, 10, kRail));
  EXPECT_EQ(slider.size(), QSize(172, 11));
  EXPECT_FLOAT_EQ(slider.model().ThumbTop(), 0);
  EXPECT_FLOAT_EQ(slider.model().RailPictureLeft(), 2);
  EXPECT_FLOAT_EQ(slider.model().RailPictureTop(), 0.5f);
  EXPECT_EQ(slider.model().Travel(), 161);
  EXPECT_EQ(slider.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
}

TEST(CpvSliderLayout, JpegDialogSliderCentresTheThumbOnTheTallerRail) {
  cpvSlider slider;
  slider.SetOrientation(0);
  slider.SetRailStyle(99);
  slider.SetSliderIcon(ThumbIcon());
  slider.SetRailPicture(Solid(222, 12, kRail));
  EXPECT_EQ(slider.size(), QSize(226, 12));
  EXPECT_FLOAT_EQ(slider.model().ThumbTop(), 0.5f);
  EXPECT_FLOAT_EQ(slider.model().RailPictureTop(), 0);
  EXPECT_EQ(slider.model().Travel(), 215);
}

TEST(CpvSliderLayout, TurningVerticalKeepsTheHeightAndTakesTheThumbWidth) {
  auto slider = EdgeSlider(0);
  slider->resize(100, 40);  // edge mode puts the height back to the thumb's
  ASSERT_EQ(slider->size(), QSize(100, 11));
  slider->SetOrientation(1);
  EXPECT_EQ(slider->size(), QSize(11, 11));
  slider->resize(30, 100);
  EXPECT_EQ(slider->size(), QSize(11, 100));
  EXPECT_EQ(slider->model().RailRect(), (CpvSliderModel::Rect{4, 4, 8, 97}));
}

TEST(CpvSliderLayout, RailStyle99WithoutPictureLaysOutLikeEdgeMode) {
  auto slider = EdgeSlider(99);
  EXPECT_EQ(slider->size(), QSize(100, 11));
  EXPECT_EQ(slider->model().RailRect(), (CpvSliderModel::Rect{4, 4, 97, 8}));
}

// Rail rows 4 to 7 at a column away from the thumb, for each style.
struct StyleCase {
  int style;
  QColor rows[4];
};

class CpvSliderStylePaint : public testing::TestWithParam<StyleCase> {};

TEST_P(CpvSliderStylePaint, DrawsTheBorderAndTheThumbWhereTheValueSays) {
  const StyleCase& c = GetParam();
  auto slider = EdgeSlider(c.style);
  slider->SetMax(89);
  slider->SetValue(89);  // one pixel per value: the thumb's left is 89
  const QImage image = Render(*slider);
  for (int row = 0; row < 4; ++row) EXPECT_PIXEL(image, 50, 4 + row, c.rows[row]);
  EXPECT_PIXEL(image, 50, 3, kFace);
  EXPECT_PIXEL(image, 50, 8, kFace);
  // The thumb covers 89..99; its transparent corner shows the background.
  EXPECT_PIXEL(image, 94, 5, kThumb);
  EXPECT_PIXEL(image, 90, 0, kThumb);
  EXPECT_PIXEL(image, 89, 0, kFace);
  if (c.style <= 3) {
    EXPECT_NE(Rgb(image.pixelColor(88, 4)), Rgb(kThumb));
  }
}

INSTANTIATE_TEST_SUITE_P(AllStyles, CpvSliderStylePaint,
                         testing::Values(StyleCase{0, {kDark, kShadow, kMidlight, kLight}},
                                         StyleCase{1, {kMidlight, kLight, kDark, kShadow}},
                                         StyleCase{2, {kDark, kFace, kFace, kLight}},
                                         StyleCase{3, {kLight, kFace, kFace, kDark}},
                                         StyleCase{4, {kFace, kFace, kFace, kFace}},
                                         StyleCase{7, {kFace, kFace, kFace, kFace}},
                                         StyleCase{99, {kFace, kFace, kFace, kFace}}));

TEST(CpvSliderPaint, ThinSunkenRailCornerBelongsToTheBottomLine) {
  auto slider = EdgeSlider(2);
  slider->SetValue(10);  // the thumb out of the way at the far end
  const QImage image = Render(*slider);
  EXPECT_PIXEL(image, 4, 4, kDark);
  EXPECT_PIXEL(image, 4, 6, kDark);
  EXPECT_PIXEL(image, 4, 7, kLight);  // the bottom line owns the bottom-left corner
  EXPECT_PIXEL(image, 3, 5, kFace);
}

TEST(CpvSliderPaint, PictureModeDrawsRailPictureAndThumbOverIt) {
  cpvSlider slider;
  UseKnownPalette(slider);
  slider.SetOrientation(0);
  slider.SetRailStyle(99);
  slider.SetSliderIcon(ThumbIcon());
  slider.SetRailPicture(Solid(168, 10, kRail));
  slider.SetMax(255);
  slider.SetValue(100);  // thumb left 161 * 100 / 255 = 63.1
  const QImage image = Render(slider);
  EXPECT_PIXEL(image, 1, 5, kFace);
  EXPECT_PIXEL(image, 2, 5, kRail);
  EXPECT_PIXEL(image, 169, 5, kRail);
  EXPECT_PIXEL(image, 170, 5, kFace);
  EXPECT_PIXEL(image, 20, 10, kFace);  // the rail's half-pixel drop goes to the even row 0
  EXPECT_PIXEL(image, 62, 5, kRail);
  EXPECT_PIXEL(image, 64, 5, kThumb);
  EXPECT_PIXEL(image, 73, 10, kThumb);
  EXPECT_PIXEL(image, 74, 5, kRail);
  EXPECT_PIXEL(image, 63, 0, kRail);  // transparent corner
}

TEST(CpvSliderPaint, VerticalThumbIsAtTheTopForMaxAndBottomForMin) {
  cpvSlider slider;
  UseKnownPalette(slider);
  slider.SetSliderIcon(ThumbIcon());
  slider.resize(30, 100);  // hidden: the surface catches up at the next property write
  slider.SetValue(1);
  ASSERT_EQ(slider.size(), QSize(11, 100));
  slider.SetValue(10);
  QImage image = Render(slider);
  EXPECT_PIXEL(image, 5, 1, kThumb);
  EXPECT_PIXEL(image, 5, 10, kThumb);
  EXPECT_NE(Rgb(image.pixelColor(5, 11)), Rgb(kThumb));
  slider.SetValue(0);
  image = Render(slider);
  EXPECT_NE(Rgb(image.pixelColor(5, 5)), Rgb(kThumb)) << "old place repainted";
  EXPECT_PIXEL(image, 5, 89, kThumb);
  EXPECT_PIXEL(image, 5, 99, kThumb);
  EXPECT_PIXEL(image, 5, 88, kShadow);  // sunken rail, inner ring
}

// Records the region of every paint the slider gets.
class PaintRecorder : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) regions.push_back(static_cast<QPaintEvent*>(event)->region());
    return false;
  }
  std::vector<QRegion> regions;
};

TEST(CpvSliderPaint, ValueChangeRepaintsOnlyTheOldAndNewThumbPlace) {
  auto slider = EdgeSlider(0);
  slider->resize(300, 11);
  slider->SetMax(289);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(slider.get()));
  QCoreApplication::processEvents();
  PaintRecorder recorder;
  slider->installEventFilter(&recorder);
  slider->SetValue(10);
  QTest::qWait(20);
  ASSERT_FALSE(recorder.regions.empty());
  QRegion painted;
  for (const QRegion& region : recorder.regions) painted += region;
  EXPECT_EQ(painted.boundingRect(), QRect(0, 0, 21, 11));
  recorder.regions.clear();
  slider->SetRailStyle(1);
  QTest::qWait(20);
  ASSERT_FALSE(recorder.regions.empty());
  EXPECT_EQ(recorder.regions.back().boundingRect(), slider->rect());
}

TEST(CpvSliderPaint, BackColorTakesRgbOrSystemIndex) {
  auto slider = EdgeSlider(4);
  slider->SetBackColor(0x00336699);  // 0x00BBGGRR
  EXPECT_PIXEL(Render(*slider), 50, 1, QColor(0x99, 0x66, 0x33));
  slider->SetBackColor(0x8000000F);
  EXPECT_PIXEL(Render(*slider), 50, 1, kFace);
}

// Mouse input through the widget, with the events logged in order.
class CpvSliderMouse : public testing::Test {
 protected:
  void SetUp() override {
    slider = EdgeSlider(0);
    slider->resize(111, 11);  // travel 100
    slider->SetMax(100);
    QObject::connect(slider.get(), &cpvSlider::Click, [this] { log.push_back("Click"); });
    QObject::connect(slider.get(), &cpvSlider::ArrivedFirst, [this] { log.push_back("ArrivedFirst"); });
    QObject::connect(slider.get(), &cpvSlider::ArrivedLast, [this] { log.push_back("ArrivedLast"); });
    QObject::connect(slider.get(), &cpvSlider::ValueChanged, [this] { log.push_back("ValueChanged"); });
    QObject::connect(slider.get(), &cpvSlider::MouseDown,
                     [this](int shift) { log.push_back("MouseDown" + std::to_string(shift)); });
    QObject::connect(slider.get(), &cpvSlider::MouseUp,
                     [this](int shift) { log.push_back("MouseUp" + std::to_string(shift)); });
    slider->show();
  }

  std::unique_ptr<cpvSlider> slider;
  std::vector<std::string> log;
};

TEST_F(CpvSliderMouse, PressDragReleaseRaisesEventsInOrder) {
  QTest::mousePress(slider.get(), Qt::LeftButton, Qt::ShiftModifier, QPoint(60, 5));
  EXPECT_EQ(slider->Value(), 55);
  QTest::mouseMove(slider.get(), QPoint(200, 5));
  EXPECT_EQ(slider->Value(), 100);
  QTest::mouseRelease(slider.get(), Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, QPoint(100, 5));
  EXPECT_EQ(log, (std::vector<std::string>{"ValueChanged", "MouseDown1", "ValueChanged", "ArrivedLast",
                                           "Click", "MouseUp6"}));
  const QImage image = Render(*slider);
  EXPECT_PIXEL(image, 105, 5, kThumb);
}

TEST_F(CpvSliderMouse, DisabledSliderOnlyClicks) {
  slider->SetEnabled(false);
  QTest::mouseClick(slider.get(), Qt::LeftButton, Qt::NoModifier, QPoint(60, 5));
  EXPECT_EQ(slider->Value(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"Click"}));
}

TEST_F(CpvSliderMouse, RightButtonDoesNothing) {
  QTest::mouseClick(slider.get(), Qt::RightButton, Qt::NoModifier, QPoint(60, 5));
  EXPECT_EQ(slider->Value(), 0);
  EXPECT_TRUE(log.empty());
}

TEST(CpvSliderProperties, WritesFailWith380AndKeepTheState) {
  cpvSlider slider;
  slider.SetValue(4);
  QSignalSpy changed(&slider, &cpvSlider::ValueChanged);
  for (auto write : {+[](cpvSlider& s) { s.SetValue(11); }, +[](cpvSlider& s) { s.SetMax(0); },
                     +[](cpvSlider& s) { s.SetMin(10); }}) {
    try {
      write(slider);
      ADD_FAILURE() << "write accepted";
    } catch (const PropertyError& error) {
      EXPECT_EQ(error.number(), 380);
    }
  }
  EXPECT_EQ(slider.Value(), 4);
  EXPECT_EQ(slider.Min(), 0);
  EXPECT_EQ(slider.Max(), 10);
  EXPECT_EQ(changed.count(), 0);
}

TEST(CpvSliderProperties, PicturesAndSettingsSurviveSaveAndLoad) {
  cpvSlider original;
  original.SetOrientation(0);
  original.SetRailStyle(99);
  original.SetSliderIcon(ThumbIcon());
  original.SetRailPicture(Solid(222, 12, kRail));
  original.SetMax(100);
  original.SetValue(85);
  PropertyBag bag;
  original.SaveProperties(bag);
  EXPECT_TRUE(bag.Contains("SLIDERICON"));

  cpvSlider copy;
  QSignalSpy changed(&copy, &cpvSlider::ValueChanged);
  copy.LoadProperties(bag);
  EXPECT_EQ(copy.Value(), 85);
  EXPECT_EQ(copy.RailPicture().size(), QSize(222, 12));
  EXPECT_EQ(copy.SliderIcon().pixelColor(5, 5), kThumb);
  EXPECT_EQ(copy.size(), QSize(226, 12));
  EXPECT_FLOAT_EQ(copy.model().ThumbLeft(), 215.0f * 85 / 100);
  EXPECT_EQ(changed.count(), 0);
}

TEST(CpvSliderProperties, StandardPicturesHaveTheFormsSizes) {
  EXPECT_EQ(cpvSlider::StandardThumbIcon().size(), QSize(11, 11));
  EXPECT_EQ(cpvSlider::StandardThumbIcon().pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(cpvSlider::StandardRailPicture(168, 10).size(), QSize(168, 10));
}

}  // namespace
}  // namespace vr
