#include "settings_dialog/page_effects.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "settings_dialog/page_common.h"
#include "widgets/cpv_slider.h"

namespace vr {
namespace {

struct SliderLayout {
  const char* name;
  const char* label_name;
  const char* caption;
  int min;
  int max;
};

constexpr std::array<SliderLayout, 5> kSliders = {{
    {"Slider1", "Label1", "Add Noise", 0, 255},
    {"Slider2", "Label2", "Bright", -255, 255},
    {"Slider3", "Label3", "Contrast", -255, 255},
    {"Slider4", "Label4", "Saturation Level", 0, 255},
    {"Slider5", "Label5", "Error Correction", 0, 100},
}};

}  // namespace

PageEffects::PageEffects(Engine& engine, QWidget* parent) : QWidget(parent) {
  setObjectName("FrameEffects");
  auto* controls = new QGridLayout;
  for (std::size_t i = 0; i < kSliders.size(); ++i) {
    const SliderLayout& slider = kSliders[i];
    sliders[i] = MakeLevelSlider(slider.name, slider.min, slider.max, 0, this);
    controls->addWidget(MakeLabel(slider.label_name, tr(slider.caption), this), static_cast<int>(i) * 2, 0);
    controls->addWidget(sliders[i], static_cast<int>(i) * 2 + 1, 0);
    // Rendered on release, not while the thumb moves: each render reloads
    // the sample and runs the whole chain.
    connect(sliders[i], &cpvSlider::MouseUp, this, [this](int) { RenderPreview(); });
    connect(sliders[i], &cpvSlider::Stepped, this, &PageEffects::RenderPreview);
  }
  check2 = MakeCheck("Check2", tr("Negative"), this);
  check3 = MakeCheck("Check3", tr("Black && White"), this);
  check1 = MakeCheck("Check1", tr("Preview"), this);
  combo_sharpen = new QComboBox(this);
  combo_sharpen->setObjectName("ComboSharpen");
  combo_sharpen->addItems({tr("None"), tr("Light"), tr("Medium"), tr("Strong")});
  combo_sharpen->setToolTip(tr("Sharpens the thumbnail after the shrink, on its lightness only"));
  command4 = new QPushButton(tr("&Default"), this);
  command4->setObjectName("Command4");
  picture2 = new EffectsPreview(engine, this);

  auto* boxes = new QHBoxLayout;
  boxes->addWidget(check2);
  boxes->addWidget(check3);
  boxes->addStretch();
  auto* sharpen_row = new QHBoxLayout;
  sharpen_row->addWidget(MakeLabel("LabelSharpen", tr("Sharpen after the shrink"), this));
  sharpen_row->addWidget(combo_sharpen);
  sharpen_row->addStretch();
  auto* left = new QVBoxLayout;
  left->addLayout(controls);
  left->addLayout(boxes);
  left->addLayout(sharpen_row);
  left->addStretch();
  auto* right = new QVBoxLayout;
  right->addWidget(picture2);
  right->addWidget(check1);
  right->addWidget(command4);
  right->addStretch();
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(right);

  // toggled also follows a change the dialog makes itself, as a click would.
  connect(check2, &QCheckBox::toggled, this, [this] { RenderPreview(); });
  connect(check3, &QCheckBox::toggled, this, [this] { RenderPreview(); });
  // The box is toggled before its release is reported, so a click that ticks
  // it renders at once.
  connect(check1, &QCheckBox::released, this, [this] { RenderPreview(); });
  connect(command4, &QPushButton::clicked, this, &PageEffects::ResetToDefault);
}

EffectLevels PageEffects::Levels() const {
  EffectLevels levels;
  levels.noise = sliders[0]->Value();
  levels.brightness = sliders[1]->Value();
  levels.contrast = sliders[2]->Value();
  levels.saturation = sliders[3]->Value();
  levels.correction = sliders[4]->Value();
  levels.negative = check2->isChecked();
  levels.gray_scale = check3->isChecked();
  return levels;
}

void PageEffects::RenderPreview() {
  if (!check1->isChecked()) return;
  picture2->Render(Levels());
}

void PageEffects::SetSharpen(std::int32_t code) {
  combo_sharpen->setCurrentIndex(code >= 0 && code < combo_sharpen->count() ? code : 0);
}

void PageEffects::ResetToDefault() {
  for (cpvSlider* slider : sliders) SetSliderValueClamped(*slider, 0);
  combo_sharpen->setCurrentIndex(0);
  check2->setChecked(false);
  check3->setChecked(false);
  RenderPreview();
}

}  // namespace vr
