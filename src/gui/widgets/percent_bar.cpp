// The bar's properties, its stored settings and the mouse events of its margin.
#include "widgets/percent_bar.h"

#include <QApplication>
#include <QMouseEvent>
#include <limits>

#include "widgets/property_error.h"

namespace vr {

namespace {

std::int16_t CheckedShort(std::int32_t value, const char* property) {
  if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
    throw PropertyError::Overflow(property);
  return static_cast<std::int16_t>(value);
}

// Stored numbers may come back as any integer type; a value that does not fit
// keeps what the bar already holds, as a failed step is skipped.
void ReadShort(const PropertyBag& bag, const char* name, std::int16_t default_value, std::int16_t& field) {
  bool ok = false;
  const qlonglong value =
      bag.Read(QString::fromLatin1(name), QVariant::fromValue(default_value)).toLongLong(&ok);
  if (ok && value >= std::numeric_limits<std::int16_t>::min() &&
      value <= std::numeric_limits<std::int16_t>::max())
    field = static_cast<std::int16_t>(value);
}

void ReadColor(const PropertyBag& bag, const char* name, std::uint32_t default_value, std::uint32_t& field) {
  bool ok = false;
  const qlonglong value =
      bag.Read(QString::fromLatin1(name), static_cast<qint32>(default_value)).toLongLong(&ok);
  if (ok) field = static_cast<std::uint32_t>(value);
}

short ButtonCode(Qt::MouseButtons buttons) {
  short code = 0;
  if (buttons & Qt::LeftButton) code |= 1;
  if (buttons & Qt::RightButton) code |= 2;
  if (buttons & Qt::MiddleButton) code |= 4;
  return code;
}

short ShiftCode(Qt::KeyboardModifiers modifiers) {
  short code = 0;
  if (modifiers & Qt::ShiftModifier) code |= 1;
  if (modifiers & Qt::ControlModifier) code |= 2;
  if (modifiers & Qt::AltModifier) code |= 4;
  return code;
}

float Twips(qreal pixels) { return static_cast<float>(pixels * PercentBar::kTwipsPerPixel); }

}  // namespace

void PercentBar::SetValue(std::int32_t value) {
  value_ = CheckedShort(value, "Value");
  Redraw();
}

void PercentBar::SetMax(std::int32_t max) {
  max_ = CheckedShort(max, "Max");
  Redraw();
}

void PercentBar::SetOrientation(std::int32_t orientation) {
  orientation_ = orientation;
  Redraw();
}

void PercentBar::SetCaption(const QString& caption) {
  caption_ = caption;
  Redraw();
}

void PercentBar::SetShowPercent(bool show) {
  show_percent_ = show;
  Redraw();
}

void PercentBar::SetForeColor(std::uint32_t color) {
  fore_color_ = color;
  Redraw();
}

void PercentBar::SetBackColor(std::uint32_t color) {
  back_color_ = color;
  Redraw();
}

void PercentBar::SetPicture(const QPixmap& picture) {
  picture_ = picture;
  Redraw();
}

void PercentBar::Update() { Redraw(); }

QFont PercentBar::HostFont() const { return parentWidget() ? parentWidget()->font() : QApplication::font(); }

void PercentBar::Save(PropertyBag& bag) {
  bag.Write("BackColor", static_cast<qint32>(back_color_), static_cast<qint32>(kDefaultBackColor));
  bag.Write("ForeColor", static_cast<qint32>(fore_color_), static_cast<qint32>(kDefaultForeColor));
  // No picture is an empty entry, which is the default and so not stored.
  bag.Write("Picture", picture_.isNull() ? QVariant() : QVariant::fromValue(picture_), QVariant());
  bag.Write("Font", Font(), HostFont());
  bag.Write("Max", QVariant::fromValue(max_), QVariant::fromValue(kDefaultMax));
  bag.Write("Value", QVariant::fromValue(value_), QVariant::fromValue(kLoadedValue));
  bag.Write("Orientation", orientation_, kDefaultOrientation);
  bag.Write("Caption", caption_, QString());
  bag.Write("ShowPercent", show_percent_, true);
  Redraw();
}

void PercentBar::Load(const PropertyBag& bag) {
  back_color_ = kDefaultBackColor;
  fore_color_ = kDefaultForeColor;
  ReadColor(bag, "BackColor", kDefaultBackColor, back_color_);
  ReadColor(bag, "ForeColor", kDefaultForeColor, fore_color_);

  const QVariant font = bag.Read("Font", QVariant());
  // Without a stored font the surface goes back to following its host's.
  SetFont(font.canConvert<QFont>() ? font.value<QFont>() : QFont());

  const QVariant picture = bag.Read("Picture", QVariant());
  picture_ = picture.canConvert<QPixmap>() ? picture.value<QPixmap>() : QPixmap();

  value_ = kLoadedValue;
  max_ = kDefaultMax;
  ReadShort(bag, "Value", kLoadedValue, value_);
  ReadShort(bag, "Max", kDefaultMax, max_);

  bool ok = false;
  const int orientation = bag.Read("Orientation", kDefaultOrientation).toInt(&ok);
  orientation_ = ok ? orientation : kDefaultOrientation;
  caption_ = bag.Read("Caption", QString()).toString();
  show_percent_ = bag.Read("ShowPercent", true).toBool();
  Redraw();
}

void PercentBar::mousePressEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  emit MouseDown(ButtonCode(event->button()), ShiftCode(event->modifiers()), Twips(at.x()), Twips(at.y()));
}

void PercentBar::mouseMoveEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  emit MouseMove(ButtonCode(event->buttons()), ShiftCode(event->modifiers()), Twips(at.x()), Twips(at.y()));
}

void PercentBar::mouseReleaseEvent(QMouseEvent* event) {
  const QPointF at = event->position();
  emit MouseUp(ButtonCode(event->button()), ShiftCode(event->modifiers()), Twips(at.x()), Twips(at.y()));
}

}  // namespace vr
