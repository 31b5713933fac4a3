// The JPEG options dialog: a quality slider with its value in a box beside
// it, where a quality can also be typed. OK puts the quality into the record
// it was given (the settings dialog's copy), and the settings dialog's OK
// stores it.
#pragma once

#include <QDialog>

#include "settings/settings_record.h"

class QLabel;
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
  // The typed quality held to 0..100 on the slider and in the box; false,
  // with a note saying why, when the text had to change.
  bool HoldTypedQuality();

  SettingsRecord& record_;
  cpvSlider* slider_ = nullptr;
  QLineEdit* text_ = nullptr;
  QLabel* note_ = nullptr;
};

}  // namespace vr
