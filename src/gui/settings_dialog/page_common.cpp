#include "settings_dialog/page_common.h"

#include <algorithm>

#include "widgets/cpv_slider.h"
#include "widgets/property_error.h"

namespace vr {

cpvSlider* MakeLevelSlider(const char* name, int min, int max, int value, QWidget* parent) {
  auto* slider = new cpvSlider(parent);
  slider->setObjectName(name);
  try {
    slider->SetOrientation(0);
    slider->SetSliderIcon(cpvSlider::StandardThumbIcon());
    slider->SetRailPicture(cpvSlider::StandardRailPicture(168, 10));
    slider->SetRailStyle(99);
    // Max first: a new control's range is 0..10, so a negative Min is always
    // below it, and a Max above 10 must exist before a Value up there.
    slider->SetMax(max);
    slider->SetMin(min);
  } catch (const PropertyError&) {
  }
  SetSliderValueClamped(*slider, value);
  return slider;
}

void SetSliderValueClamped(cpvSlider& slider, std::int32_t value) {
  try {
    slider.SetValue(std::clamp(value, slider.Min(), slider.Max()));
  } catch (const PropertyError&) {
  }
}

QCheckBox* MakeCheck(const char* name, const QString& caption, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

QLabel* MakeLabel(const char* name, const QString& caption, QWidget* parent) {
  auto* label = new QLabel(caption, parent);
  label->setObjectName(name);
  return label;
}

}  // namespace vr
