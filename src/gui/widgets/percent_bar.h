// The program's own progress bar: a Value out of Max drawn as a bar that grows
// from one of four edges, with a centred caption and/or percentage that shows
// inverted where the bar covers it. It lays itself out in twips (15 per pixel)
// and draws into a back buffer that is only renewed when something changes,
// never on a timer.
#pragma once

#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "widgets/property_bag.h"

namespace vr {

class PercentBar : public QWidget {
  Q_OBJECT

 public:
  static constexpr std::uint32_t kDefaultBackColor = 0xFFFFFF;  // white
  static constexpr std::uint32_t kDefaultForeColor = 0xFF0000;  // blue, 0x00BBGGRR
  static constexpr std::int16_t kDefaultMax = 100;
  static constexpr std::int16_t kCreatedValue = 50;       // a new bar shows half...
  static constexpr std::int16_t kLoadedValue = 0;         // ...a loaded one without a stored value none
  static constexpr std::int32_t kDefaultOrientation = 3;  // left to right

  static constexpr int kTwipsPerPixel = 15;
  static constexpr int kMarginTwips = 10;

  explicit PercentBar(QWidget* parent = nullptr);
  ~PercentBar() override;

  // Held as 16-bit numbers: a write outside -32768..32767 throws
  // PropertyError::Overflow and changes nothing.
  std::int32_t Value() const { return value_; }
  void SetValue(std::int32_t value);
  std::int32_t Max() const { return max_; }
  void SetMax(std::int32_t max);

  // 1 top down, 2 bottom up, 3 left to right, 4 right to left; any other
  // number is kept and draws the text without a bar.
  std::int32_t Orientation() const { return orientation_; }
  void SetOrientation(std::int32_t orientation);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool ShowPercent() const { return show_percent_; }
  void SetShowPercent(bool show);

  // 0x00BBGGRR, or a system colour index with the high bit set.
  std::uint32_t ForeColor() const { return fore_color_; }
  void SetForeColor(std::uint32_t color);
  std::uint32_t BackColor() const { return back_color_; }
  void SetBackColor(std::uint32_t color);

  // Drawn unscaled from the top left corner, under the text and the bar.
  QPixmap Picture() const { return picture_; }
  void SetPicture(const QPixmap& picture);

  // The text's font; until set it follows the hosting window's.
  QFont Font() const;
  void SetFont(const QFont& font);

  // Redraws the back buffer at once.
  void Update();

  // The host's stored settings. Save writes only what differs from the
  // defaults, in a fixed order, and redraws; Load reads every entry (a
  // missing one as its default, so Value 0), then redraws once.
  void Save(PropertyBag& bag);
  void Load(const PropertyBag& bag);

  // What the last redraw showed.
  QString DrawnText() const { return drawn_text_; }
  // The inner drawing surface, inside the margin, in the bar's pixels.
  QRect SurfaceRect() const;
  const QImage& Buffer() const { return buffer_; }

  QSize sizeHint() const override;

 signals:
  // Only from the margin around the inner surface. Button and shift as the
  // platform numbers them (1 left, 2 right, 4 middle; 1 shift, 2 ctrl,
  // 4 alt), x and y in twips from the bar's top left corner.
  void MouseDown(short button, short shift, float x, float y);
  void MouseMove(short button, short shift, float x, float y);
  void MouseUp(short button, short shift, float x, float y);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  class Surface;

  void Relayout();
  void Redraw();
  QFont HostFont() const;

  Surface* surface_ = nullptr;
  QImage buffer_;  // what the surface shows; kept between exposes

  QString caption_;
  std::int16_t max_ = kDefaultMax;
  std::int16_t value_ = kCreatedValue;
  std::int32_t orientation_ = kDefaultOrientation;
  bool show_percent_ = true;
  std::uint32_t back_color_ = kDefaultBackColor;
  std::uint32_t fore_color_ = kDefaultForeColor;
  QPixmap picture_;

  int drawn_percent_ = 0;
  QString drawn_text_;
};

}  // namespace vr
