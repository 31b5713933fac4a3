#include "settings_dialog/region_picker.h"

#include <QMouseEvent>
#include <QPainter>

#include "base/rounding.h"
#include "support/qt_image.h"
#include "thumbnail/watermark.h"

namespace vr {

int RegionAt(double x, double y) {
  constexpr double a = kRegionCell, b = 2 * kRegionCell, c = kRegionGridEnd;
  if (x < a && y < a) return 1;
  if (x < a && y > a && y < b) return 2;
  if (x < a && y > b) return 3;
  if (x > a && x < b && y < a) return 4;
  if (x > a && x < b && y > a && y < b) return 5;
  if (x > a && x < b && y > b && y < c) return 6;
  if (x > b && y < a) return 7;
  if (x > b && y > a && y < b) return 8;
  if (x > b && y > b && y < c) return 9;
  return 0;
}

std::array<QPoint, 5> RegionOutline(int region) {
  const int column = (region - 1) / 3;
  const int row = (region - 1) % 3;
  const int left = column * kRegionCell, top = row * kRegionCell;
  const int right = left + kRegionCell, bottom = top + kRegionCell;
  return {QPoint(left, top), QPoint(left, bottom), QPoint(right, bottom), QPoint(right, top),
          QPoint(left, top)};
}

RegionPicker::RegionPicker(SettingsRecord& record, QWidget* parent) : QWidget(parent), record_(record) {
  setObjectName("Picture1");
  setToolTip("Click on the region to be watermarked");
  setFixedSize(kPreviewSide, kPreviewSide);
  setCursor(Qt::PointingHandCursor);
}

void RegionPicker::SetClickPoint(float x, std::int32_t y) {
  click_x_ = x;
  click_y_ = y;
}

void RegionPicker::WMArea(double x, double y) {
  shown_region_ = RegionAt(x, y);
  if (shown_region_ != 0) record_.WMArea = shown_region_;
  Draw();
}

void RegionPicker::SetWatermarkBlend(std::int32_t opacity, std::int32_t mode_code) {
  opacity_ = opacity;
  mode_code_ = mode_code;
  Draw();
}

void RegionPicker::Draw() {
  // The sample is loaded afresh every time, so nothing drawn before stays.
  Image sample = LoadPictureFile(ButterflySample());
  if (shown_region_ != 0 && !sample.empty()) {
    // Offsets count rows from the bottom; the sample is exactly as tall as the
    // grid, so the grid's size gives the cell's place in the sample too.
    const Image logo = LoadPictureFile(WatermarkSample());
    const WMOffset offset = GetWMPoint(kRegionGridEnd, sample.height, logo.width, logo.height, shown_region_);
    ApplyMask(sample, logo, offset, opacity_, mode_code_);
  }
  shown_ = QImage(kPreviewSide, kPreviewSide, QImage::Format_RGBA8888);
  shown_.fill(palette().color(QPalette::Window));
  QPainter painter(&shown_);
  painter.drawImage(0, 0, ToQImage(sample));
  if (shown_region_ != 0) {
    const auto outline = RegionOutline(shown_region_);
    painter.setPen(QPen(Qt::red, 1));
    painter.drawPolyline(outline.data(), static_cast<int>(outline.size()));
  }
  painter.end();
  update();
}

void RegionPicker::paintEvent(QPaintEvent*) {
  if (shown_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, shown_);
}

void RegionPicker::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  SetClickPoint(static_cast<float>(at.x()), RoundHalfEven(at.y()));
  WMArea(at.x(), at.y());
  event->accept();
}

}  // namespace vr
