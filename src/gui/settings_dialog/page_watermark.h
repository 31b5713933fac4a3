// The "Water Mark" page: the watermark file, blend mode, angle, opacity,
// width and margin, the region picker and the text watermark's box. The
// opacity slider writes the record's WMOpacity (the settings dialog's copy)
// on every change; choosing "Mask" or "AND" pins it at 100. The picker shows
// the file named in the box, read as a build reads it, and the page says so
// at once when it cannot be read.
#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QWidget>
#include <optional>

#include "settings/settings_record.h"
#include "settings_dialog/region_picker.h"
#include "settings_dialog/text_watermark_box.h"

namespace vr {

class cpvSlider;

// The widest margin the page offers, in pixels.
inline constexpr int kMaxWatermarkMargin = 1000;

// Combo2's items in list order.
QStringList BlendModeItems();
// The WMMode code of an item's text, nothing for any other text.
std::optional<std::int32_t> BlendCodeForText(const QString& text);
// The item of a code; "Addictive" (code 0) for a code without an item.
int BlendItemForCode(std::int32_t code);

class PageWatermark : public QWidget {
  Q_OBJECT

 public:
  explicit PageWatermark(SettingsRecord& record, QWidget* parent = nullptr);

  // Mask and AND blend at full strength: the slider goes to 100 and is
  // disabled with its labels; any other mode enables them, keeping the value.
  void ApplyBlendModeRule();
  // The "..." button: picks the watermark file.
  void ChooseWatermarkFile();
  // Shows the file named in Text1 at the angle in Text14 in the picker, or
  // in LabelFileError why it cannot be read.
  void ShowWatermarkFile();

  QLineEdit* text1 = nullptr;  // WMFile
  QPushButton* command1 = nullptr;
  QComboBox* combo2 = nullptr;   // WMMode
  QLineEdit* text14 = nullptr;   // WMAngle, with the angle up-down
  cpvSlider* slider6 = nullptr;  // WMOpacity
  QLabel* opacity_label = nullptr;
  QLabel* opacity_low = nullptr;
  QLabel* opacity_high = nullptr;
  RegionPicker* picture1 = nullptr;
  QSpinBox* spin_size = nullptr;    // WMSize, 0 its own size
  QSpinBox* spin_margin = nullptr;  // WMMargin
  TextWatermarkBox* text_box = nullptr;
  QLabel* file_error = nullptr;  // empty while the file can be read

 private:
  void OnOpacityChanged();
  std::int32_t SelectedCode() const;

  SettingsRecord& record_;
};

}  // namespace vr
