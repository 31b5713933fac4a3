// The Effects page's preview: the sample picture with the page's colour
// effects applied in the thumbnail pipeline's order. Unlike the pipeline,
// which skips every effect at level 0, the preview always runs noise, light
// and repair and skips only a saturation of 0, so what it shows is exactly
// the chain the levels describe.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>

#include "imaging/image.h"
#include "thumbnail/render_settings.h"

namespace vr {

class Engine;

// The effects on `sample` through slot 1 of `engine`, which is emptied
// afterwards; an empty picture when the engine refuses the sample (only an
// empty or oversized one), since every effect then fails as well.
// `levels` are the page's, as the controls hold them, not as the record
// does, so the preview shows unsaved settings.
Image RenderEffects(Engine& engine, const Image& sample, const EffectLevels& levels);

class EffectsPreview : public QWidget {
  Q_OBJECT

 public:
  explicit EffectsPreview(Engine& engine, QWidget* parent = nullptr);

  // The unprocessed sample.
  void ShowSample();
  // The sample loaded afresh, run through the effects, and shown.
  void Render(const EffectLevels& levels);

  // What the preview shows now, 185 x 185; the sample sits at the top left.
  const QImage& Shown() const { return shown_; }
  // How many renders ran, so callers can tell a render from no render.
  int RenderCount() const { return render_count_; }

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void Show(const Image& picture);

  Engine& engine_;
  QImage shown_;
  int render_count_ = 0;
};

}  // namespace vr
