// The JPEG options dialog: a quality slider with its value beside it. OK puts
// the quality into the record only; the settings dialog's OK stores it.
#pragma once

#include <QDialog>

#include "settings/settings_record.h"

class QLineEdit;

namespace vr {

class cpvSlider;

class JpegOptionsDialog : public QDialog {
  Q_OBJECT

 public:
  // The slider starts at the record's JPEGquality; a stored quality outside
  // 0..100 opens at the nearer end.
  explicit JpegOptionsDialog(SettingsRecord& record, QWidget* parent = nullptr);

  cpvSlider* QualitySlider() const { return slider_; }
  QLineEdit* QualityText() const { return text_; }

 private:
  void OnOk();

  SettingsRecord& record_;
  cpvSlider* slider_ = nullptr;
  QLineEdit* text_ = nullptr;
};

}  // namespace vr
