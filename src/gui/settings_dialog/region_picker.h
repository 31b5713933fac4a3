// The Water Mark page's region picker: the sample picture under a drawn
// 3 x 3 grid of 60-pixel cells. A click picks the cell the watermark goes
// into, a click on a grid line or beyond the grid the nearest one; the
// record's WMArea (the settings dialog's copy) follows at once, the cell is
// outlined, and the chosen watermark (or the program's sample when none is
// chosen) is blended into it at the page's opacity and mode.
#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <array>
#include <cstdint>

#include "base/status.h"
#include "imaging/image.h"
#include "settings/settings_record.h"
#include "support/data_files.h"

namespace vr {

inline constexpr int kRegionCell = 60;
inline constexpr int kRegionGridEnd = 180;
// Both preview pictures are 185 x 185 pixels, so a click can land a little
// beyond the grid.
inline constexpr int kPreviewSide = 185;

inline QString ButterflySample() { return DataFile(QStringLiteral("samples/butterfly.png")); }
inline QString WatermarkSample() { return DataFile(QStringLiteral("samples/wmlogo.png")); }

// The region (1..9, numbered down each column) of the cell under a click. A
// grid line's pixels (60 and 120) belong to the cell they start; a point
// beyond the grid goes to the nearest cell.
int RegionAt(double x, double y);

// The outline of a region's cell: from its top-left corner down, along the
// bottom, up the right side and back along the top.
std::array<QPoint, 5> RegionOutline(int region);

class RegionPicker : public QWidget {
  Q_OBJECT

 public:
  explicit RegionPicker(SettingsRecord& record, QWidget* parent = nullptr);

  // The last click: X as clicked (or as seeded), Y rounded half to even.
  void SetClickPoint(float x, std::int32_t y);
  float ClickX() const { return click_x_; }
  std::int32_t ClickY() const { return click_y_; }

  // Draws the bare sample, then outlines the region of (x, y) with the
  // watermark in it and stores it in the record's WMArea.
  void WMArea(double x, double y);

  // The watermark sample's opacity (percent) and WMMode code; redraws.
  void SetWatermarkBlend(std::int32_t opacity, std::int32_t mode_code);

  // Reads the watermark file as a build would (turned by `angle`) and shows
  // it; an empty path shows the program's sample. A file that cannot be read
  // shows none and gives the reason.
  Status ShowWatermarkFile(const std::string& path, std::int32_t angle);

  // The region outlined now, 0 for none.
  int ShownRegion() const { return shown_region_; }
  // What the picker shows, 185 x 185.
  const QImage& Shown() const { return shown_; }

  QSize sizeHint() const override { return {kPreviewSide, kPreviewSide}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  void Draw();

  SettingsRecord& record_;
  float click_x_ = 0;
  std::int32_t click_y_ = 0;
  int shown_region_ = 0;
  std::int32_t opacity_ = 0;
  std::int32_t mode_code_ = 0;
  Image watermark_;  // as shown: fitted into one cell
  QImage shown_;
};

}  // namespace vr
