#include "settings_dialog/effects_preview.h"

#include <QPainter>

#include "imaging/engine.h"
#include "settings_dialog/region_picker.h"
#include "support/qt_image.h"

namespace vr {

namespace {

// The page's effects on slot 1, in the pipeline's order, up to the first
// that fails.
Status ApplyPreviewEffects(Engine& engine, const Image& sample, const EffectLevels& levels) {
  VR_TRY(engine.Hold(Engine::kPictureSlot, sample, "BUTTERFLY"));
  VR_TRY(engine.AddNoise(levels.noise));
  VR_TRY(engine.AdjustLight(levels.brightness, levels.contrast));
  if (levels.saturation > 0) VR_TRY(engine.Colorize(levels.saturation));
  VR_TRY(engine.Repair(static_cast<float>(levels.correction) * 0.01f));
  if (levels.gray_scale) VR_TRY(engine.GrayScale());
  if (levels.negative) VR_TRY(engine.Negative());
  return Status::Ok();
}

}  // namespace

Image RenderEffects(Engine& engine, const Image& sample, const EffectLevels& levels) {
  // A preview has nowhere to report to: a sample the engine refuses shows
  // as nothing rather than as a picture without the effects asked for.
  Image result;
  if (ApplyPreviewEffects(engine, sample, levels).ok()) result = engine.picture(Engine::kPictureSlot);
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
