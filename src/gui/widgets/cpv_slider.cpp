#include "widgets/cpv_slider.h"

#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QToolTip>
#include <algorithm>

namespace vr {
namespace {

int ButtonCode(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return CpvSliderModel::kLeftButton;
    case Qt::RightButton:
      return CpvSliderModel::kRightButton;
    case Qt::MiddleButton:
      return CpvSliderModel::kMiddleButton;
    default:
      return 0;
  }
}

// The modifier bits our events carry: 1 Shift, 2 Ctrl, 4 Alt.
int ShiftState(Qt::KeyboardModifiers modifiers) {
  int shift = 0;
  if (modifiers & Qt::ShiftModifier) shift |= 1;
  if (modifiers & Qt::ControlModifier) shift |= 2;
  if (modifiers & Qt::AltModifier) shift |= 4;
  return shift;
}

CpvSliderModel::Picture PictureOf(const QImage& image) {
  if (image.isNull()) return {};
  return {true, image.width(), image.height()};
}

}  // namespace

cpvSlider::cpvSlider(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  model_.SetEventSink([this](CpvSliderModel::Event event, int shift) { OnModelEvent(event, shift); });
  model_.SetRepaintSink([this](CpvSliderModel::Repaint kind) { OnModelRepaint(kind); });
  model_.SetSizeSink([this](int width, int height) { OnModelSized(width, height); });
  // A new control starts without a size of its own and takes the thumb's.
  resize(0, 0);
  model_.Resize(0, 0);
  UpdateSizePolicy();
  ShowValue(false);
}

cpvSlider::~cpvSlider() = default;

void cpvSlider::SyncSurface() {
  if (size() != QSize(model_.SurfaceWidth(), model_.SurfaceHeight())) model_.Resize(width(), height());
}

void cpvSlider::SetValue(int value) {
  SyncSurface();
  model_.SetValue(value);
}

void cpvSlider::SetMin(int min) {
  SyncSurface();
  model_.SetMin(min);
}

void cpvSlider::SetMax(int max) { model_.SetMax(max); }

void cpvSlider::SetOrientation(int orientation) {
  SyncSurface();
  model_.SetOrientation(orientation);
  UpdateSizePolicy();
}

void cpvSlider::SetRailStyle(int style) {
  SyncSurface();
  model_.SetRailStyle(style);
  UpdateSizePolicy();
}

void cpvSlider::SetBackColor(std::uint32_t color) { model_.SetBackColor(color); }

void cpvSlider::SetSliderIcon(const QImage& icon) {
  SyncSurface();
  slider_icon_ = icon;
  model_.SetThumbPicture(PictureOf(icon));
}

void cpvSlider::SetRailPicture(const QImage& picture) {
  SyncSurface();
  rail_picture_ = picture;
  model_.SetRailPicture(PictureOf(picture));
  UpdateSizePolicy();
}

void cpvSlider::SaveProperties(PropertyBag& bag) const {
  const QVariant icon = slider_icon_.isNull() ? QVariant() : QVariant::fromValue(slider_icon_);
  const QVariant rail = rail_picture_.isNull() ? QVariant() : QVariant::fromValue(rail_picture_);
  model_.Save(bag, icon, rail);
}

void cpvSlider::LoadProperties(const PropertyBag& bag) {
  slider_icon_ = bag.Read("SliderIcon", QVariant()).value<QImage>();
  rail_picture_ = bag.Read("RailPicture", QVariant()).value<QImage>();
  SyncSurface();
  model_.Load(bag, PictureOf(slider_icon_), PictureOf(rail_picture_));
  // A form sets the control's extent as it loads, which lays the control out
  // for the loaded pictures; no event is raised by that.
  model_.LayOut();
  UpdateSizePolicy();
}

QSize cpvSlider::sizeHint() const { return {model_.SurfaceWidth(), model_.SurfaceHeight()}; }

QSize cpvSlider::minimumSizeHint() const { return {model_.ThumbWidth(), model_.ThumbHeight()}; }

void cpvSlider::UpdateSizePolicy() {
  // Picture mode fixes both lengths; edge mode keeps the length along the rail free.
  const bool fixed = model_.PictureMode();
  const bool vertical = model_.Orientation() == CpvSliderModel::kVertical;
  const QSizePolicy::Policy along = fixed ? QSizePolicy::Fixed : QSizePolicy::Preferred;
  if (vertical) {
    setSizePolicy(QSizePolicy::Fixed, along);
  } else {
    setSizePolicy(along, QSizePolicy::Fixed);
  }
  updateGeometry();
}

void cpvSlider::OnModelSized(int width, int height) {
  if (size() == QSize(width, height)) return;
  sizing_ = true;
  resize(width, height);
  sizing_ = false;
  updateGeometry();
}

void cpvSlider::OnModelEvent(CpvSliderModel::Event event, int shift) {
  switch (event) {
    case CpvSliderModel::Event::kClick:
      emit Click();
      break;
    case CpvSliderModel::Event::kArrivedFirst:
      emit ArrivedFirst();
      break;
    case CpvSliderModel::Event::kArrivedLast:
      emit ArrivedLast();
      break;
    case CpvSliderModel::Event::kValueChanged:
      ShowValue(stepping_ || model_.Dragging());
      emit ValueChanged();
      break;
    case CpvSliderModel::Event::kMouseDown:
      emit MouseDown(shift);
      break;
    case CpvSliderModel::Event::kMouseUp:
      emit MouseUp(shift);
      break;
  }
}

void cpvSlider::OnModelRepaint(CpvSliderModel::Repaint kind) {
  RenderSurface();
  const QRect thumb = ThumbPixelRect();
  // A moved thumb only dirties its old and new place; everything else asks for the whole surface.
  if (kind == CpvSliderModel::Repaint::kValue) {
    update(painted_thumb_.united(thumb));
  } else {
    update();
  }
  painted_thumb_ = thumb;
}

void cpvSlider::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Our own resize from lay out is already known to the model.
  if (event->size() == QSize(model_.SurfaceWidth(), model_.SurfaceHeight())) return;
  model_.Resize(event->size().width(), event->size().height());
}

void cpvSlider::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  OnModelRepaint(CpvSliderModel::Repaint::kFull);
}

void cpvSlider::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  // System colours come from the palette.
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
    OnModelRepaint(CpvSliderModel::Repaint::kFull);
}

void cpvSlider::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect area = event->rect();
  if (!surface_.rect().contains(area)) painter.fillRect(area, palette().button());
  painter.drawImage(area.topLeft(), surface_, area);
  if (hasFocus()) {
    QStyleOptionFocusRect frame;
    frame.initFrom(this);
    frame.backgroundColor = palette().color(QPalette::Button);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &frame, &painter, this);
  }
}

void cpvSlider::keyPressEvent(QKeyEvent* event) {
  const int value = Value();
  const int page = std::max(1, (Max() - Min()) / 10);
  int target = value;
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
      target = value - 1;
      break;
    case Qt::Key_Right:
    case Qt::Key_Up:
      target = value + 1;
      break;
    case Qt::Key_PageUp:
      target = value + page;
      break;
    case Qt::Key_PageDown:
      target = value - page;
      break;
    case Qt::Key_Home:
      target = Min();
      break;
    case Qt::Key_End:
      target = Max();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
  // Like a press, a key moves only a slider that is Enabled.
  target = std::clamp(target, Min(), Max());
  if (!model_.Enabled() || target == value) return;
  stepping_ = true;
  SetValue(target);
  stepping_ = false;
  emit Stepped();
}

void cpvSlider::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void cpvSlider::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void cpvSlider::ShowValue(bool pop_up) {
  if (!model_.ShowValueTip()) return;
  const QString text = QString::number(Value());
  setToolTip(text);
  if (pop_up && isVisible()) QToolTip::showText(mapToGlobal(ThumbPixelRect().topRight()), text, this);
}

void cpvSlider::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  model_.Press(ButtonCode(event->button()), ShiftState(event->modifiers()), static_cast<float>(at.x()),
               static_cast<float>(at.y()));
  event->accept();
}

void cpvSlider::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  model_.Move(static_cast<float>(at.x()), static_cast<float>(at.y()));
  event->accept();
}

void cpvSlider::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  model_.Release(ButtonCode(event->button()), ShiftState(event->modifiers()), static_cast<float>(at.x()),
                 static_cast<float>(at.y()));
  event->accept();
}

}  // namespace vr
