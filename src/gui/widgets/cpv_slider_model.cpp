#include "widgets/cpv_slider_model.h"

#include <cmath>
#include <limits>

#include "widgets/property_error.h"

namespace vr {
namespace {

// Nearest whole number, an exact half going to the even neighbour.
int RoundEven(double x) { return static_cast<int>(std::nearbyint(x)); }

bool RangeFits(std::int32_t min, std::int32_t max) {
  const std::int64_t range = static_cast<std::int64_t>(max) - min;
  return range <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

CpvSliderModel::CpvSliderModel() { PlaceThumbAtMinEnd(); }

int CpvSliderModel::ThumbWidth() const {
  return thumb_picture_.present ? thumb_picture_.width : kNoThumbWidth;
}
int CpvSliderModel::ThumbHeight() const {
  return thumb_picture_.present ? thumb_picture_.height : kNoThumbHeight;
}
int CpvSliderModel::RailWidth() const { return rail_picture_.present ? rail_picture_.width : kNoRailWidth; }
int CpvSliderModel::RailHeight() const {
  return rail_picture_.present ? rail_picture_.height : kNoRailHeight;
}

int CpvSliderModel::Travel() const {
  return orientation_ == kVertical ? surface_height_ - ThumbHeight() : surface_width_ - ThumbWidth();
}

float CpvSliderModel::RailPictureLeft() const {
  return orientation_ == kVertical ? (surface_width_ - RailWidth()) * 0.5f : 2.0f;
}

float CpvSliderModel::RailPictureTop() const {
  return orientation_ == kVertical ? 2.0f : (surface_height_ - RailHeight()) * 0.5f;
}

float CpvSliderModel::ThumbPositionFor(std::int32_t value) const {
  const double offset = static_cast<double>(value) - min_;
  if (orientation_ == kHorizontal) {
    const double travel = surface_width_ - ThumbWidth();
    return static_cast<float>(travel * offset / range_);
  }
  if (orientation_ == kVertical) {
    const double travel = surface_height_ - ThumbHeight();
    return static_cast<float>(travel - travel * offset / range_);
  }
  return 0;
}

void CpvSliderModel::PlaceThumbForValue() {
  if (orientation_ == kHorizontal) thumb_left_ = ThumbPositionFor(value_);
  if (orientation_ == kVertical) thumb_top_ = ThumbPositionFor(value_);
}

void CpvSliderModel::PlaceThumbAtMinEnd() {
  if (orientation_ == kHorizontal) {
    thumb_left_ = 0;
    thumb_top_ = 0;
  } else if (orientation_ == kVertical) {
    thumb_left_ = 0;
    thumb_top_ = static_cast<float>(surface_height_ - ThumbHeight());
  }
}

std::int32_t CpvSliderModel::SnapThumbToValue() {
  const int travel = Travel();
  // A surface no longer than the thumb leaves nothing to measure along: such a
  // slider stands at Min.
  if (travel <= 0) {
    if (orientation_ == kHorizontal) thumb_left_ = ThumbPositionFor(min_);
    if (orientation_ == kVertical) thumb_top_ = ThumbPositionFor(min_);
    return min_;
  }
  double fraction = 0;
  if (orientation_ == kHorizontal) fraction = static_cast<double>(thumb_left_) / travel;
  if (orientation_ == kVertical) fraction = (travel - static_cast<double>(thumb_top_)) / travel;
  const double exact = std::nearbyint(fraction * range_ + min_);
  // Inside the travel the result lies within Min..Max; the clamp only guards
  // settings loaded without their checks.
  const double low = std::numeric_limits<std::int32_t>::min();
  const double high = std::numeric_limits<std::int32_t>::max();
  const std::int32_t value =
      std::isnan(exact) ? min_ : static_cast<std::int32_t>(exact < low ? low : (exact > high ? high : exact));
  if (orientation_ == kHorizontal) thumb_left_ = ThumbPositionFor(value);
  if (orientation_ == kVertical) thumb_top_ = ThumbPositionFor(value);
  return value;
}

void CpvSliderModel::Raise(Event event, int shift) {
  if (on_event_) on_event_(event, shift);
}

void CpvSliderModel::RequestRepaint(Repaint kind) {
  if (on_repaint_) on_repaint_(kind);
}

void CpvSliderModel::SetValue(std::int32_t value) {
  if (value < min_ || value > max_) throw PropertyError::InvalidValue("Value");
  ApplyValue(value);
}

void CpvSliderModel::ApplyValue(std::int32_t value) {
  value_ = value;
  if (value == last_reported_) return;
  // During a drag the pointer has already put the thumb where it belongs.
  if (!dragging_) PlaceThumbForValue();
  RequestRepaint(Repaint::kValue);
  last_reported_ = value;
  Raise(Event::kValueChanged);
  if (value == max_) Raise(Event::kArrivedLast);
  if (value == min_) Raise(Event::kArrivedFirst);
}

void CpvSliderModel::SetMax(std::int32_t max) {
  if (max <= min_) throw PropertyError::InvalidValue("Max");
  if (!RangeFits(min_, max)) throw PropertyError::Overflow("Max");
  max_ = max;
  range_ = max_ - min_;
}

void CpvSliderModel::SetMin(std::int32_t min) {
  if (min >= max_) throw PropertyError::InvalidValue("Min");
  // Checked first so that a failing write leaves the old state whole.
  if (!RangeFits(min, max_)) throw PropertyError::Overflow("Min");
  min_ = min;
  // The value follows the new lower end with the old range still in place;
  // the thumb lands on the Min end either way.
  ApplyValue(min);
  range_ = max_ - min_;
}

void CpvSliderModel::SetOrientation(std::int32_t orientation) {
  orientation_ = orientation;
  PlaceThumbAtMinEnd();
  LayOut();
}

void CpvSliderModel::SetRailStyle(std::int32_t style) {
  rail_style_ = style;
  LayOut();
}

void CpvSliderModel::SetBackColor(std::uint32_t color) {
  back_color_ = color;
  RequestRepaint(Repaint::kFull);
}

void CpvSliderModel::SetThumbPicture(const Picture& picture) {
  thumb_picture_ = picture;
  LayOut();
}

void CpvSliderModel::SetRailPicture(const Picture& picture) {
  rail_picture_ = picture;
  LayOut();
}

void CpvSliderModel::Resize(int width, int height) {
  surface_width_ = width;
  surface_height_ = height;
  LayOut();
}

void CpvSliderModel::LayOut() {
  if (orientation_ != kHorizontal && orientation_ != kVertical) {
    RequestRepaint(Repaint::kFull);
    return;
  }
  const int tw = ThumbWidth();
  const int th = ThumbHeight();
  const int rw = RailWidth();
  const int rh = RailHeight();
  const bool horizontal = orientation_ == kHorizontal;

  // 1. Size the control.
  int width = surface_width_;
  int height = surface_height_;
  if (PictureMode()) {
    if (horizontal) {
      width = rw + 4;
      height = rh > th ? rh : th;
    } else {
      height = rh + 4;
      width = rw > tw ? rw : tw;
    }
  } else if (horizontal) {
    if (width == 0) width = tw;
    height = th;
  } else {
    if (height == 0) height = th;
    width = tw;
  }
  if (width != surface_width_ || height != surface_height_) {
    surface_width_ = width;
    surface_height_ = height;
    if (on_size_) on_size_(width, height);
  }

  // 2. Centre the thumb across a rail picture that is thicker than it.
  if (horizontal) {
    thumb_top_ = PictureMode() && rh > th ? (rh - th) / 2.0f : 0.0f;
  } else {
    thumb_left_ = PictureMode() && rw > tw ? (rw - tw) / 2.0f : 0.0f;
  }

  // 3. Along the rail, by the value.
  PlaceThumbForValue();

  // 4. A band 4 pixels thick, centred across the thumb, from about 2 pixels
  // before the thumb centre's first place to about 2 past its last.
  const int sw = surface_width_;
  const int sh = surface_height_;
  if (horizontal) {
    rail_rect_.left = RoundEven(tw * 0.5 - 2);
    rail_rect_.top = RoundEven((th - 4) * 0.5);
    rail_rect_.right = RoundEven(static_cast<double>(sw) + rail_rect_.left - tw + 4);
    rail_rect_.bottom = rail_rect_.top + 4;
  } else {
    rail_rect_.left = RoundEven((tw - 4) * 0.5);
    rail_rect_.top = RoundEven(th * 0.5 - 2);
    rail_rect_.right = rail_rect_.left + 4;
    rail_rect_.bottom = RoundEven(static_cast<double>(sh) + rail_rect_.top - th + 4);
  }

  RequestRepaint(Repaint::kFull);
}

void CpvSliderModel::Press(int button, int shift, float x, float y) {
  if (!enabled_ || button != kLeftButton) return;
  dragging_ = true;
  const float tw = static_cast<float>(ThumbWidth());
  const float th = static_cast<float>(ThumbHeight());
  const bool on_thumb = thumb_left_ <= x && x <= thumb_left_ + tw && thumb_top_ <= y && y <= thumb_top_ + th;
  if (on_thumb) {
    grab_x_ = x - thumb_left_;
    grab_y_ = y - thumb_top_;
  } else {
    // A press on the rail brings the thumb's centre to the pointer.
    grab_x_ = tw / 2;
    grab_y_ = th / 2;
    Move(x, y);
  }
  Raise(Event::kMouseDown, shift);
}

void CpvSliderModel::Move(float x, float y) {
  if (!dragging_) return;
  const float before_left = thumb_left_;
  const float before_top = thumb_top_;
  if (orientation_ == kHorizontal) {
    const float p = x - grab_x_;
    const float travel = static_cast<float>(surface_width_ - ThumbWidth());
    thumb_left_ = p < 0 ? 0 : (p > travel ? travel : p);
  } else if (orientation_ == kVertical) {
    const float p = y - grab_y_;
    const float travel = static_cast<float>(surface_height_ - ThumbHeight());
    thumb_top_ = p < 0 ? 0 : (p > travel ? travel : p);
  }
  const std::int32_t value = SnapThumbToValue();
  const bool reported = value != last_reported_;
  SetValue(value);
  // An unchanged value repaints nothing by itself, yet the thumb may have
  // snapped to a new place (the first move after a rail setting changed).
  if (!reported && (thumb_left_ != before_left || thumb_top_ != before_top)) RequestRepaint(Repaint::kValue);
}

void CpvSliderModel::Release(int button, int shift, float x, float y) {
  if (button == kLeftButton && x >= 0 && x < surface_width_ && y >= 0 && y < surface_height_)
    Raise(Event::kClick);
  if (dragging_) Raise(Event::kMouseUp, shift);
  dragging_ = false;
}

void CpvSliderModel::Save(PropertyBag& bag, const QVariant& slider_icon, const QVariant& rail_picture) const {
  bag.Write("BackColor", QVariant::fromValue(static_cast<qint32>(back_color_)),
            QVariant::fromValue(static_cast<qint32>(kDefaultBackColor)));
  bag.Write("Enabled", enabled_, true);
  bag.Write("SliderIcon", slider_icon, QVariant());
  bag.Write("Orientation", orientation_, kVertical);
  bag.Write("RailPicture", rail_picture, QVariant());
  bag.Write("RailStyle", rail_style_, 0);
  bag.Write("ShowValueTip", show_value_tip_, true);
  bag.Write("Min", min_, 0);
  bag.Write("Max", max_, 10);
  bag.Write("Value", value_, 0);
}

void CpvSliderModel::Load(const PropertyBag& bag, const Picture& thumb, const Picture& rail) {
  back_color_ = static_cast<std::uint32_t>(
      bag.Read("BackColor", QVariant::fromValue(static_cast<qint32>(kDefaultBackColor))).toLongLong());
  enabled_ = bag.Read("Enabled", true).toBool();
  orientation_ = bag.Read("Orientation", kVertical).toInt();
  rail_style_ = bag.Read("RailStyle", 0).toInt();
  show_value_tip_ = bag.Read("ShowValueTip", true).toBool();
  min_ = bag.Read("Min", 0).toInt();
  max_ = bag.Read("Max", 10).toInt();
  value_ = bag.Read("Value", 0).toInt();
  thumb_picture_ = thumb;
  rail_picture_ = rail;
  range_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(max_) - static_cast<std::uint32_t>(min_));
  last_reported_ = value_;
  PlaceThumbForValue();
}

}  // namespace vr
