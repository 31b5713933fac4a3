// The slider's state without any widget: its value between Min and Max, the
// property rules, the mapping between a value and the thumb's place on the
// rail, the mouse handling with its events, the geometry of the surface, the
// thumb and the rail, and the stored settings. The widget (cpv_slider.h) only
// forwards mouse input, paints what this reports, and resizes itself when told.
//
// Lengths are pixels of the slider's own surface. Orientation 0 puts Min at
// the left, 1 puts Min at the bottom.
#pragma once

#include <QVariant>
#include <cstdint>
#include <functional>

#include "widgets/property_bag.h"

namespace vr {

class CpvSliderModel {
 public:
  // Numbered in the order the control raises them.
  enum class Event {
    kClick = 1,
    kArrivedFirst = 2,
    kArrivedLast = 3,
    kValueChanged = 4,
    kMouseDown = 5,
    kMouseUp = 6
  };

  static constexpr int kHorizontal = 0;
  static constexpr int kVertical = 1;
  static constexpr int kPictureRailStyle = 99;
  // Button codes of a press or release.
  static constexpr int kLeftButton = 1;
  static constexpr int kRightButton = 2;
  static constexpr int kMiddleButton = 4;
  // The button face, as a system colour index with the high bit set.
  static constexpr std::uint32_t kDefaultBackColor = 0x8000000Fu;
  // Holder sizes that stand in for a missing picture.
  static constexpr int kNoThumbWidth = 16;
  static constexpr int kNoThumbHeight = 16;
  static constexpr int kNoRailWidth = 22;
  static constexpr int kNoRailHeight = 20;

  struct Picture {
    bool present = false;
    int width = 0;
    int height = 0;
  };
  // Right and bottom exclusive.
  struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool operator==(const Rect&) const = default;
  };

  // A full repaint follows a layout or colour change; a value repaint only moved the thumb.
  enum class Repaint { kFull, kValue };

  using EventSink = std::function<void(Event event, int shift)>;
  using RepaintSink = std::function<void(Repaint kind)>;
  using SizeSink = std::function<void(int width, int height)>;

  CpvSliderModel();

  // Hooks for the host. The size sink is told when lay out changes the surface size.
  void SetEventSink(EventSink sink) { on_event_ = std::move(sink); }
  void SetRepaintSink(RepaintSink sink) { on_repaint_ = std::move(sink); }
  void SetSizeSink(SizeSink sink) { on_size_ = std::move(sink); }

  // Properties. Value, Min and Max throw PropertyError (380, or overflow for a
  // range beyond 32 bits) and then leave everything as it was.
  std::int32_t Value() const { return value_; }
  void SetValue(std::int32_t value);
  std::int32_t Min() const { return min_; }
  void SetMin(std::int32_t min);
  std::int32_t Max() const { return max_; }
  void SetMax(std::int32_t max);

  std::int32_t Orientation() const { return orientation_; }
  void SetOrientation(std::int32_t orientation);
  std::int32_t RailStyle() const { return rail_style_; }
  void SetRailStyle(std::int32_t style);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled) { enabled_ = enabled; }
  bool ShowValueTip() const { return show_value_tip_; }
  void SetShowValueTip(bool show) { show_value_tip_ = show; }
  std::uint32_t BackColor() const { return back_color_; }
  void SetBackColor(std::uint32_t color);

  // The pictures themselves live in the widget; the model needs their sizes.
  void SetThumbPicture(const Picture& picture);
  void SetRailPicture(const Picture& picture);
  // Rail style 99 with a rail picture; every other case draws an edge rail.
  bool PictureMode() const { return rail_style_ == kPictureRailStyle && rail_picture_.present; }

  // The control was resized to this surface: lay out again.
  void Resize(int width, int height);
  void LayOut();

  // Geometry.
  int SurfaceWidth() const { return surface_width_; }
  int SurfaceHeight() const { return surface_height_; }
  float ThumbLeft() const { return thumb_left_; }
  float ThumbTop() const { return thumb_top_; }
  int ThumbWidth() const;
  int ThumbHeight() const;
  int RailWidth() const;
  int RailHeight() const;
  Rect RailRect() const { return rail_rect_; }
  // Where the rail picture's top-left corner goes in picture mode.
  float RailPictureLeft() const;
  float RailPictureTop() const;
  // Thumb travel along the rail: SW - TW horizontally, SH - TH vertically.
  int Travel() const;

  // The thumb coordinate along the rail (left, or top when vertical) for `value`.
  float ThumbPositionFor(std::int32_t value) const;
  // The value the thumb's place stands for; moves the thumb onto that value's exact place.
  std::int32_t SnapThumbToValue();

  // Mouse input at surface point (x, y). Shift is passed on to the events unchanged.
  void Press(int button, int shift, float x, float y);
  void Move(float x, float y);
  void Release(int button, int shift, float x, float y);
  // Between a press that started a drag and its release.
  bool Dragging() const { return dragging_; }

  // Stored settings. Pictures are opaque to the model: the widget passes them
  // (a null QVariant for none) and reads them back itself before Load.
  void Save(PropertyBag& bag, const QVariant& slider_icon, const QVariant& rail_picture) const;
  // Stores every entry without the property checks, then places the thumb.
  // Raises no event and does not repaint.
  void Load(const PropertyBag& bag, const Picture& thumb, const Picture& rail);

 private:
  void PlaceThumbAtMinEnd();
  void PlaceThumbForValue();
  void ApplyValue(std::int32_t value);
  void Raise(Event event, int shift = 0);
  void RequestRepaint(Repaint kind);

  std::int32_t value_ = 0;
  std::int32_t min_ = 0;
  std::int32_t max_ = 10;
  std::int32_t range_ = 10;
  std::int32_t last_reported_ = 0;
  std::int32_t orientation_ = kVertical;
  std::int32_t rail_style_ = 0;
  bool enabled_ = true;
  bool show_value_tip_ = true;
  std::uint32_t back_color_ = kDefaultBackColor;
  Picture thumb_picture_;
  Picture rail_picture_;

  int surface_width_ = 0;
  int surface_height_ = 0;
  float thumb_left_ = 0;
  float thumb_top_ = 0;
  Rect rail_rect_;

  bool dragging_ = false;
  float grab_x_ = 0;
  float grab_y_ = 0;

  EventSink on_event_;
  RepaintSink on_repaint_;
  SizeSink on_size_;
};

}  // namespace vr
