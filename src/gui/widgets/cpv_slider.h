// The program's own slider: a thumb picture dragged along a rail (a drawn
// 3-D edge or a rail picture) to pick a whole number between Min and Max.
// The model (cpv_slider_model.h) holds the rules; this widget forwards the
// mouse, paints, and raises the model's events as signals of the same names.
//
// It takes the keyboard focus (a click or Tab) and draws the focus frame;
// arrows step by 1, Page Up and Page Down by a tenth of the range, Home and
// End go to Min and Max, each step raising ValueChanged and then Stepped.
// With ShowValueTip the value is its tooltip, shown at the thumb while it
// moves.
//
// Property writes of Value, Min and Max throw vr::PropertyError on a broken
// rule and then change nothing. The control sizes itself to its pictures
// (picture mode) or to the thumb across the rail (edge mode).
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>
#include <cstdint>

#include "widgets/cpv_slider_model.h"
#include "widgets/property_bag.h"

namespace vr {

class cpvSlider : public QWidget {
  Q_OBJECT

 public:
  explicit cpvSlider(QWidget* parent = nullptr);
  ~cpvSlider() override;

  int Value() const { return model_.Value(); }
  void SetValue(int value);
  int Min() const { return model_.Min(); }
  void SetMin(int min);
  int Max() const { return model_.Max(); }
  void SetMax(int max);

  // 0 horizontal (Min at the left), 1 vertical (Min at the bottom, the default).
  int Orientation() const { return model_.Orientation(); }
  void SetOrientation(int orientation);
  // 0 sunken, 1 raised, 2 thin sunken, 3 thin raised, 4 none, 99 rail picture.
  int RailStyle() const { return model_.RailStyle(); }
  void SetRailStyle(int style);

  // Whether a press starts a drag. Unlike QWidget::setEnabled, a release over
  // a slider that is not Enabled still raises Click.
  bool Enabled() const { return model_.Enabled(); }
  void SetEnabled(bool enabled) { model_.SetEnabled(enabled); }
  bool ShowValueTip() const { return model_.ShowValueTip(); }
  void SetShowValueTip(bool show) {
    model_.SetShowValueTip(show);
    setToolTip(show ? QString::number(Value()) : QString());
  }

  // 0x00BBGGRR, or a system colour index with the high bit set (0x8000000F, the button face).
  std::uint32_t BackColor() const { return model_.BackColor(); }
  void SetBackColor(std::uint32_t color);

  // A null image means none. Transparent pixels of the thumb let the rail show through.
  QImage SliderIcon() const { return slider_icon_; }
  void SetSliderIcon(const QImage& icon);
  QImage RailPicture() const { return rail_picture_; }
  void SetRailPicture(const QImage& picture);

  // The host form's stored settings for this control.
  void SaveProperties(PropertyBag& bag) const;
  void LoadProperties(const PropertyBag& bag);

  // Geometry and state, for hosts and tests.
  const CpvSliderModel& model() const { return model_; }

  // Pictures in the look of the program's own sliders: an 11 x 11 thumb and a
  // groove of the given size for rail style 99.
  static QImage StandardThumbIcon();
  static QImage StandardRailPicture(int width, int height);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void Click();
  void ArrivedFirst();
  void ArrivedLast();
  void ValueChanged();
  // Shift: 1 Shift, 2 Ctrl, 4 Alt, added together.
  void MouseDown(int shift);
  void MouseUp(int shift);
  // A key moved the thumb; like MouseUp, the moment to act on the new value.
  void Stepped();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  // The value as tooltip, shown at the thumb when `pop_up` and on screen.
  void ShowValue(bool pop_up);
  void OnModelEvent(CpvSliderModel::Event event, int shift);
  void OnModelRepaint(CpvSliderModel::Repaint kind);
  void OnModelSized(int width, int height);
  void UpdateSizePolicy();
  // A hidden widget hears of a resize only when shown; catch up before using the surface size.
  void SyncSurface();
  // Draws the whole surface into the back buffer (cpv_slider_paint.cpp).
  void RenderSurface();
  QRect ThumbPixelRect() const;

  CpvSliderModel model_;
  QImage slider_icon_;
  QImage rail_picture_;
  QImage surface_;       // what is painted, kept between paints
  QRect painted_thumb_;  // where the thumb was last drawn, to repaint only old and new place
  bool sizing_ = false;
  bool stepping_ = false;  // a key is moving the thumb
};

}  // namespace vr
