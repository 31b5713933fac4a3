#include "settings_dialog/effects_preview.h"

#include <QPainter>

#include "imaging/engine.h"
#include "settings_dialog/region_picker.h"
#include "support/qt_image.h"

namespace vr {

Image RenderEffects(Engine& engine, const Image& sample, const EffectLevels& levels) {
  (void)engine.Hold(Engine::kPictureSlot, sample, "BUTTERFLY");
  (void)engine.AddNoise(levels.noise);
  (void)engine.AdjustLight(levels.brightness, levels.contrast);
  if (levels.saturation > 0) (void)engine.Colorize(levels.saturation);
  (void)engine.Repair(static_cast<float>(levels.correction) * 0.01f);
  if (levels.gray_scale) (void)engine.GrayScale();
  if (levels.negative) (void)engine.Negative();
  Image result = engine.picture(Engine::kPictureSlot);
  engine.ClearPicture();
  return result;
}

EffectsPreview::EffectsPreview(Engine& engine, QWidget* parent) : QWidget(parent), engine_(engine) {
  setObjectName("Picture2");
  setFixedSize(kPreviewSide, kPreviewSide);
}

QSize EffectsPreview::sizeHint() const { return {kPreviewSide, kPreviewSide}; }

void EffectsPreview::ShowSample() { Show(LoadPictureFile(ButterflySample())); }

void EffectsPreview::Render(const EffectLevels& levels) {
  ++render_count_;
  Show(RenderEffects(engine_, LoadPictureFile(ButterflySample()), levels));
}

void EffectsPreview::Show(const Image& picture) {
  // Drawn at the origin and cut off at the edges, as the library draws onto
  // a picture box narrower than the sample.
  shown_ = QImage(kPreviewSide, kPreviewSide, QImage::Format_RGBA8888);
  shown_.fill(palette().color(QPalette::Window));
  QPainter painter(&shown_);
  painter.drawImage(0, 0, ToQImage(picture));
  painter.end();
  update();
}

void EffectsPreview::paintEvent(QPaintEvent*) {
  if (shown_.isNull()) return;
  QPainter painter(this);
  painter.drawImage(0, 0, shown_);
}

}  // namespace vr
