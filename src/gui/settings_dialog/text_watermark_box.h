// The text watermark's controls on the "Water Mark" page: the text with its
// naming tokens, the font (picked with the font dialog), its size, colour,
// opacity and region. They hold the record's WMText... values until OK
// takes them.
#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <cstdint>
#include <string>

#include "settings/settings_record.h"

namespace vr {

class TextWatermarkBox : public QGroupBox {
  Q_OBJECT

 public:
  explicit TextWatermarkBox(QWidget* parent = nullptr);

  // The controls from the record's text watermark values, each held to
  // what its control can show.
  void Show(const SettingsRecord& record);
  // The controls' values into the record's fields.
  void Collect(SettingsRecord& record) const;

  // The font button: the font dialog, starting from the current family.
  void ChooseFont();
  // The colour button: the colour dialog, starting from the current colour.
  void ChooseColour();

  QLineEdit* text = nullptr;             // WMText
  QPushButton* font_button = nullptr;    // WMTextFont, its text the family
  QSpinBox* size = nullptr;              // WMTextSize, percent of the height
  QPushButton* colour_button = nullptr;  // WMTextColour
  QSpinBox* opacity = nullptr;           // WMTextOpacity
  QComboBox* region = nullptr;           // WMTextArea, item i is region i + 1

 private:
  void SetFont(const QString& family);
  void SetColour(std::int32_t stored_bgr);

  QString font_;
  std::int32_t colour_ = kDefaultTextColour;
};

// The nine regions' names, for region 1 to 9 (down each column).
QStringList RegionItems();

}  // namespace vr
