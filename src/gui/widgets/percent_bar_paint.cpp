// The bar's inner surface, its layout inside the twip margin and the drawing
// into the back buffer: background, picture, text, then the not-xor bar over
// them so the covered part of the text comes out inverted.
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>
#include <algorithm>

#include "base/rounding.h"
#include "widgets/percent_bar.h"
#include "widgets/percent_bar_math.h"

namespace vr {

// Shows the back buffer. It takes the mouse for itself so that presses on the
// bar proper never reach the bar's own handlers; only the margin reports.
class PercentBar::Surface final : public QWidget {
 public:
  explicit Surface(PercentBar* owner) : QWidget(owner), owner_(owner) {
    setAttribute(Qt::WA_OpaquePaintEvent);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.drawImage(0, 0, owner_->buffer_);
  }
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
  void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
  void mouseDoubleClickEvent(QMouseEvent* event) override { event->accept(); }
  void changeEvent(QEvent* event) override {
    if (event->type() == QEvent::FontChange) owner_->Redraw();
    QWidget::changeEvent(event);
  }

 private:
  PercentBar* owner_;
};

PercentBar::PercentBar(QWidget* parent) : QWidget(parent) {
  surface_ = new Surface(this);
  setMouseTracking(true);
  Redraw();
}

PercentBar::~PercentBar() = default;

QFont PercentBar::Font() const { return surface_->font(); }

void PercentBar::SetFont(const QFont& font) {
  surface_->setFont(font);
  Redraw();
}

QRect PercentBar::SurfaceRect() const { return surface_->geometry(); }

QSize PercentBar::sizeHint() const { return QSize(185, 17); }

void PercentBar::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Redraw();
}

void PercentBar::changeEvent(QEvent* event) {
  // System colours follow the palette.
  if (event->type() == QEvent::PaletteChange) Redraw();
  QWidget::changeEvent(event);
}

void PercentBar::Relayout() {
  // The surface sits 10 twips in from every side. Both of its edges are
  // converted to pixels, so the margin is one pixel each side at 15 twips a
  // pixel. A side shorter than the two margins keeps the surface's old size.
  const auto to_pixels = [](int twips) { return RoundHalfEven(static_cast<double>(twips) / kTwipsPerPixel); };
  const int inner_width = width() * kTwipsPerPixel - 2 * kMarginTwips;
  const int inner_height = height() * kTwipsPerPixel - 2 * kMarginTwips;
  const int origin = to_pixels(kMarginTwips);
  QRect area = surface_->geometry();
  area.moveTopLeft(QPoint(origin, origin));
  if (inner_width >= 0) area.setWidth(to_pixels(kMarginTwips + inner_width) - origin);
  if (inner_height >= 0) area.setHeight(to_pixels(kMarginTwips + inner_height) - origin);
  if (area != surface_->geometry()) surface_->setGeometry(area);
}

void PercentBar::Redraw() {
  using namespace percent_bar;
  if (!surface_) return;  // a font change while the surface is being made
  // Laid out on every redraw as well, so a bar that has not been shown yet
  // (its resize events still pending) already draws at its real size.
  Relayout();
  drawn_percent_ = Percentage(value_, max_);
  drawn_text_ = BarText(caption_, show_percent_, drawn_percent_);

  const QSize size = surface_->size();
  if (size.isEmpty()) {
    buffer_ = QImage();
    surface_->update();
    return;
  }
  if (buffer_.size() != size) buffer_ = QImage(size, QImage::Format_RGB32);

  const QRgb back = ToRgb(back_color_, palette());
  const QRgb fore = ToRgb(fore_color_, palette());
  buffer_.fill(back);
  {
    QPainter painter(&buffer_);
    if (!picture_.isNull()) painter.drawPixmap(0, 0, picture_);
    if (!drawn_text_.isEmpty()) {
      painter.setFont(surface_->font());
      const QFontMetricsF metrics = painter.fontMetrics();
      const float text_width = static_cast<float>(metrics.horizontalAdvance(drawn_text_));
      const float text_height = static_cast<float>(metrics.height());
      const float x = static_cast<float>(size.width()) / 2 - text_width / 2;
      const float y = static_cast<float>(size.height()) / 2 - text_height / 2;
      painter.setPen(QColor(fore));
      painter.drawText(QPointF(x, y + metrics.ascent()), drawn_text_);
    }
  }

  // The bar last, pixel by pixel, as the not-xor pen leaves it.
  const QRect bar = FillArea(CornersFor(orientation_, size.width(), size.height(), drawn_percent_))
                        .intersected(QRect(QPoint(0, 0), size));
  for (int row = bar.top(); row <= bar.bottom(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(buffer_.scanLine(row));
    for (int column = bar.left(); column <= bar.right(); ++column) line[column] = NotXor(fore, line[column]);
  }
  surface_->update();
}

}  // namespace vr
