// The "Effects" page: five level sliders, two effect boxes, the sharpening
// after the shrink, the preview box and the preview picture. Renders run when a slider is let go, when an
// effect box changes, on a release over "Preview" and after "&Default".
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QWidget>
#include <array>

#include "settings_dialog/effects_preview.h"

namespace vr {

class cpvSlider;
class Engine;

class PageEffects : public QWidget {
  Q_OBJECT

 public:
  explicit PageEffects(Engine& engine, QWidget* parent = nullptr);

  // The levels as the controls hold them now.
  EffectLevels Levels() const;
  // Does nothing unless "Preview" is ticked.
  void RenderPreview();
  // The sharpening's item for a stored OUTsharpen code; none for a code
  // without one.
  void SetSharpen(std::int32_t code);
  // Sliders to 0, effect boxes cleared, no sharpening, then a render;
  // "Preview" stays.
  void ResetToDefault();

  // Slider1 noise, Slider2 brightness, Slider3 contrast, Slider4 saturation,
  // Slider5 error correction.
  std::array<cpvSlider*, 5> sliders{};
  QCheckBox* check2 = nullptr;         // NegativeFlag
  QCheckBox* check3 = nullptr;         // GrayScaleFlag
  QCheckBox* check1 = nullptr;         // ImgPreview
  QComboBox* combo_sharpen = nullptr;  // OUTsharpen, the item's index is the code
  QPushButton* command4 = nullptr;
  EffectsPreview* picture2 = nullptr;
};

}  // namespace vr
