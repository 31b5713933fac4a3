// Small pieces every settings page uses: the program's sliders, captioned
// boxes, and value writes that never throw.
#pragma once

#include <QCheckBox>
#include <QColor>
#include <QLabel>
#include <QString>
#include <cstdint>

namespace vr {

class cpvSlider;

// A horizontal slider in the dialogs' look (rail picture 168 x 10) with the
// given range and value; objectName `name`.
cpvSlider* MakeLevelSlider(const char* name, int min, int max, int value, QWidget* parent);

// Sets the slider to `value` moved into its range. The slider's own rules
// throw on a value outside the range; a stored setting written by another
// tool must still open the dialog.
void SetSliderValueClamped(cpvSlider& slider, std::int32_t value);

QCheckBox* MakeCheck(const char* name, const QString& caption, QWidget* parent);
QLabel* MakeLabel(const char* name, const QString& caption, QWidget* parent);

// Check-box settings hold 0 or 1; any non-zero stored value ticks the box.
inline void SetCheck(QCheckBox& box, std::int32_t value) { box.setChecked(value != 0); }
inline std::int32_t CheckValue(const QCheckBox& box) { return box.isChecked() ? 1 : 0; }

// Colours are stored as 0x00BBGGRR.
inline QColor ColourFromStored(std::int32_t bgr) {
  return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}
inline std::int32_t StoredFromColour(const QColor& colour) {
  return colour.blue() << 16 | colour.green() << 8 | colour.red();
}

}  // namespace vr
