#include "settings_dialog/region_picker.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "imaging/engine.h"
#include "support/qt_image.h"
#include "thumbnail/rendering.h"
#include "thumbnail/watermark.h"

namespace vr {

int RegionAt(double x, double y) {
  auto cell = [](double at) { return std::clamp(static_cast<int>(std::floor(at / kRegionCell)), 0, 2); };
  return cell(x) * 3 + cell(y) + 1;
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
  setToolTip(tr("Click on the region to be watermarked"));
  setFixedSize(kPreviewSide, kPreviewSide);
  setCursor(Qt::PointingHandCursor);
  (void)ShowWatermarkFile({}, 0);
}

namespace {

// A preview shows where the watermark goes, not its size on a thumbnail: one
// larger than a cell is shrunk into it.
Image FitIntoCell(const Image& picture) {
  if (picture.width <= kRegionCell && picture.height <= kRegionCell) return picture;
  return FromQImage(
      ToQImage(picture).scaled(kRegionCell, kRegionCell, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

}  // namespace

Status RegionPicker::ShowWatermarkFile(const std::string& path, std::int32_t angle) {
  Status result = Status::Ok();
  if (path.empty()) {
    watermark_ = LoadPictureFile(WatermarkSample());
  } else {
    SettingsRecord wanted;
    wanted.WMFile = path;
    wanted.WMAngle = angle;
    Engine engine;
    Expected<Image> loaded = LoadWatermark(engine, wanted);
    watermark_ = loaded ? FitIntoCell(*loaded) : Image();
    if (!loaded) result = loaded.status();
  }
  Draw();
  return result;
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
    const WMOffset offset =
        GetWMPoint(kRegionGridEnd, sample.height, watermark_.width, watermark_.height, shown_region_);
    if (!watermark_.empty()) ApplyMask(sample, watermark_, offset, opacity_, mode_code_);
  }
  shown_ = QImage(kPreviewSide, kPreviewSide, QImage::Format_RGBA8888);
  shown_.fill(palette().color(QPalette::Window));
  QPainter painter(&shown_);
  painter.drawImage(0, 0, ToQImage(sample));
  // The grid in light and dark together, legible over any picture.
  for (const auto& [pen, style] :
       {std::pair{QColor(255, 255, 255, 170), Qt::SolidLine}, std::pair{QColor(0, 0, 0, 170), Qt::DotLine}}) {
    painter.setPen(QPen(pen, 1, style));
    for (int at = kRegionCell; at < kRegionGridEnd; at += kRegionCell) {
      painter.drawLine(at, 0, at, kRegionGridEnd - 1);
      painter.drawLine(0, at, kRegionGridEnd - 1, at);
    }
  }
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
