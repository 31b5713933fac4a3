// The options dialogs of the newer output formats, made like the JPEG
// options: a quality slider with its value beside it, and each format's
// own second choice (WebP: lossless; AVIF: encoder speed; JPEG XL: effort).
// OK puts the values into the record only; the settings dialog's OK stores
// them.
#pragma once

#include <QDialog>

#include "settings/settings_record.h"

class QCheckBox;
class QSlider;
class QSpinBox;

namespace vr {

enum class OptionsFormat { kWebp, kAvif, kJxl };

class FormatOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // The controls start at the record's values, clamped to their ranges.
  FormatOptionsDialog(OptionsFormat format, SettingsRecord& record, QWidget* parent = nullptr);

  QSlider* QualitySlider() const { return slider_; }
  QSpinBox* QualityBox() const { return quality_; }
  // WebP's lossless box; null for the others.
  QCheckBox* LosslessCheck() const { return lossless_; }
  // AVIF's speed or JPEG XL's effort; null for WebP.
  QSpinBox* SecondBox() const { return second_; }

 private:
  void OnOk();

  OptionsFormat format_;
  SettingsRecord& record_;
  QSlider* slider_ = nullptr;
  QSpinBox* quality_ = nullptr;
  QCheckBox* lossless_ = nullptr;
  QSpinBox* second_ = nullptr;
};

}  // namespace vr
