// Painting of cpvSlider: the back buffer is cleared to the back colour, then
// gets the rail (a 3-D edge along the rail rectangle, or the rail picture)
// and the thumb picture on top.
#include <QPainter>
#include <QPalette>
#include <cmath>

#include "widgets/cpv_slider.h"

namespace vr {
namespace {

// Fractional places go to the nearest pixel, an exact half to the even one.
int ToPixel(float coordinate) {
  if (!std::isfinite(coordinate)) return 0;
  const double rounded = std::nearbyint(static_cast<double>(coordinate));
  if (rounded < -1e6) return -1000000;
  if (rounded > 1e6) return 1000000;
  return static_cast<int>(rounded);
}

// The system colour indices a back colour may name, taken from the widget's palette.
QColor SystemColor(std::uint32_t index, const QPalette& palette) {
  switch (index) {
    case 5:  // window
      return palette.color(QPalette::Base);
    case 8:  // window text
      return palette.color(QPalette::Text);
    case 13:  // highlight
      return palette.color(QPalette::Highlight);
    case 14:  // highlighted text
      return palette.color(QPalette::HighlightedText);
    case 16:  // button shadow
      return palette.color(QPalette::Dark);
    case 18:  // button text
      return palette.color(QPalette::ButtonText);
    case 20:  // button highlight
      return palette.color(QPalette::Light);
    case 21:  // dark shadow
      return palette.color(QPalette::Shadow);
    case 22:  // light
      return palette.color(QPalette::Midlight);
    default:  // 15, the button face, and anything we do not know
      return palette.color(QPalette::Button);
  }
}

QColor ColorOf(std::uint32_t value, const QPalette& palette) {
  if (value & 0x80000000u) return SystemColor(value & 0xFFFFu, palette);
  return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

// One ring of a 3-D edge on the rectangle (right and bottom exclusive): the
// first colour on the top and left lines, the second on the bottom and right.
void DrawRing(QPainter& painter, int left, int top, int right, int bottom, const QColor& top_left,
              const QColor& bottom_right) {
  const int width = right - left;
  const int height = bottom - top;
  if (width <= 0 || height <= 0) return;
  painter.fillRect(left, top, width - 1, 1, top_left);
  painter.fillRect(left, top, 1, height - 1, top_left);
  painter.fillRect(left, bottom - 1, width, 1, bottom_right);
  painter.fillRect(right - 1, top, 1, height, bottom_right);
}

void DrawRailEdge(QPainter& painter, const CpvSliderModel::Rect& r, int style, const QPalette& palette) {
  const QColor shadow = palette.color(QPalette::Dark);
  const QColor dark_shadow = palette.color(QPalette::Shadow);
  const QColor light = palette.color(QPalette::Midlight);
  const QColor highlight = palette.color(QPalette::Light);
  switch (style) {
    case 0:  // sunken, two pixels
      DrawRing(painter, r.left, r.top, r.right, r.bottom, shadow, highlight);
      DrawRing(painter, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, dark_shadow, light);
      break;
    case 1:  // raised, two pixels
      DrawRing(painter, r.left, r.top, r.right, r.bottom, light, dark_shadow);
      DrawRing(painter, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1, highlight, shadow);
      break;
    case 2:  // thin sunken
      DrawRing(painter, r.left, r.top, r.right, r.bottom, shadow, highlight);
      break;
    case 3:  // thin raised
      DrawRing(painter, r.left, r.top, r.right, r.bottom, highlight, shadow);
      break;
    default:  // 4 has no border; 99 without a picture and unknown styles draw nothing
      break;
  }
}

}  // namespace

QRect cpvSlider::ThumbPixelRect() const {
  return {ToPixel(model_.ThumbLeft()), ToPixel(model_.ThumbTop()), model_.ThumbWidth(), model_.ThumbHeight()};
}

void cpvSlider::RenderSurface() {
  const int width = model_.SurfaceWidth();
  const int height = model_.SurfaceHeight();
  if (width <= 0 || height <= 0) {
    surface_ = QImage();
    return;
  }
  if (surface_.size() != QSize(width, height))
    surface_ = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
  const QPalette& colors = palette();
  surface_.fill(ColorOf(model_.BackColor(), colors));

  QPainter painter(&surface_);
  const int orientation = model_.Orientation();
  const bool known_orientation =
      orientation == CpvSliderModel::kHorizontal || orientation == CpvSliderModel::kVertical;
  if (!model_.PictureMode()) {
    DrawRailEdge(painter, model_.RailRect(), model_.RailStyle(), colors);
  } else if (known_orientation) {
    painter.drawImage(QPoint(ToPixel(model_.RailPictureLeft()), ToPixel(model_.RailPictureTop())),
                      rail_picture_);
  }
  // The thumb's transparent pixels leave the rail and background visible.
  if (!slider_icon_.isNull()) painter.drawImage(ThumbPixelRect().topLeft(), slider_icon_);
}

QImage cpvSlider::StandardThumbIcon() {
  QImage icon(11, 11, QImage::Format_ARGB32_Premultiplied);
  icon.fill(Qt::transparent);
  QPainter painter(&icon);
  // A raised square button with its corners cut away.
  painter.fillRect(1, 1, 9, 9, QColor(0xC0, 0xC0, 0xC0));
  painter.fillRect(1, 0, 9, 1, Qt::white);
  painter.fillRect(0, 1, 1, 9, Qt::white);
  painter.fillRect(1, 10, 9, 1, QColor(0x40, 0x40, 0x40));
  painter.fillRect(10, 1, 1, 9, QColor(0x40, 0x40, 0x40));
  painter.fillRect(2, 9, 8, 1, QColor(0x80, 0x80, 0x80));
  painter.fillRect(9, 2, 1, 8, QColor(0x80, 0x80, 0x80));
  return icon;
}

QImage cpvSlider::StandardRailPicture(int width, int height) {
  if (width <= 0 || height <= 0) return {};
  QImage rail(width, height, QImage::Format_ARGB32_Premultiplied);
  rail.fill(Qt::transparent);
  QPainter painter(&rail);
  // A sunken groove, 4 pixels thick, across the middle.
  const int top = (height - 4) / 2;
  painter.fillRect(0, top, width, 4, QColor(0xE0, 0xE0, 0xE0));
  painter.fillRect(0, top, width - 1, 1, QColor(0x80, 0x80, 0x80));
  painter.fillRect(0, top, 1, 3, QColor(0x80, 0x80, 0x80));
  painter.fillRect(0, top + 3, width, 1, Qt::white);
  painter.fillRect(width - 1, top, 1, 4, Qt::white);
  painter.fillRect(1, top + 1, width - 2, 1, QColor(0x40, 0x40, 0x40));
  return rail;
}

}  // namespace vr
