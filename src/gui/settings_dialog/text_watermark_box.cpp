#include "settings_dialog/text_watermark_box.h"

#include <QFormLayout>
#include <QIcon>
#include <QPixmap>
#include <algorithm>

#include "settings_dialog/page_common.h"
#include "support/user_dialogs.h"
#include "thumbnail/text_watermark.h"
#include "thumbnail/watermark.h"

namespace vr {

QStringList RegionItems() {
  // Numbered down each column, left column first, as WMArea is.
  return {QObject::tr("Top left"),   QObject::tr("Middle left"),  QObject::tr("Bottom left"),
          QObject::tr("Top centre"), QObject::tr("Centre"),       QObject::tr("Bottom centre"),
          QObject::tr("Top right"),  QObject::tr("Middle right"), QObject::tr("Bottom right")};
}

TextWatermarkBox::TextWatermarkBox(QWidget* parent) : QGroupBox(tr("Text water mark"), parent) {
  setObjectName("FrameWMText");
  text = new QLineEdit(this);
  text->setObjectName("TextWMText");
  text->setToolTip(
      tr("Drawn over every thumbnail. %o is the file's name; the counter and date tokens of the "
         "naming convention work too; (c) becomes \u00A9. Empty for none."));
  font_button = new QPushButton(this);
  font_button->setObjectName("CommandWMFont");
  font_button->setToolTip(tr("Choose the text's font"));
  size = new QSpinBox(this);
  size->setObjectName("SpinWMTextSize");
  size->setRange(1, kMaxTextPercent);
  size->setSuffix(tr(" % of the height"));
  colour_button = new QPushButton(tr("Colour..."), this);
  colour_button->setObjectName("CommandWMTextColour");
  opacity = new QSpinBox(this);
  opacity->setObjectName("SpinWMTextOpacity");
  opacity->setRange(0, 100);
  opacity->setSuffix(tr(" %"));
  region = new QComboBox(this);
  region->setObjectName("ComboWMTextArea");
  region->addItems(RegionItems());

  auto* form = new QFormLayout(this);
  form->addRow(tr("Text"), text);
  form->addRow(tr("Font"), font_button);
  form->addRow(tr("Size"), size);
  form->addRow(tr("Colour"), colour_button);
  form->addRow(tr("Opacity"), opacity);
  form->addRow(tr("Region"), region);

  connect(font_button, &QPushButton::clicked, this, &TextWatermarkBox::ChooseFont);
  connect(colour_button, &QPushButton::clicked, this, &TextWatermarkBox::ChooseColour);
  SetFont(QString());
  SetColour(kDefaultTextColour);
}

void TextWatermarkBox::Show(const SettingsRecord& r) {
  text->setText(QString::fromStdString(r.WMText));
  SetFont(QString::fromStdString(r.WMTextFont));
  size->setValue(std::clamp(r.WMTextSize, size->minimum(), size->maximum()));
  SetColour(r.WMTextColour);
  opacity->setValue(std::clamp(r.WMTextOpacity, opacity->minimum(), opacity->maximum()));
  // A region outside 1..9 shows as the default one.
  region->setCurrentIndex((IsWMArea(r.WMTextArea) ? r.WMTextArea : kDefaultTextArea) - 1);
}

void TextWatermarkBox::Collect(SettingsRecord& r) const {
  r.WMText = text->text().toStdString();
  r.WMTextFont = font_.toStdString();
  r.WMTextSize = size->value();
  r.WMTextColour = colour_;
  r.WMTextOpacity = opacity->value();
  r.WMTextArea = region->currentIndex() + 1;
}

void TextWatermarkBox::ChooseFont() {
  const QString family = Dialogs().PickFont(window(), tr("Text water mark font"), font_);
  if (!family.isEmpty()) SetFont(family);
}

void TextWatermarkBox::ChooseColour() {
  const QColor colour =
      Dialogs().PickColour(window(), tr("Text water mark colour"), ColourFromStored(colour_));
  if (colour.isValid()) SetColour(StoredFromColour(colour));
}

void TextWatermarkBox::SetFont(const QString& family) {
  font_ = family;
  // An empty name lets the build take the system's sans-serif.
  font_button->setText(family.isEmpty() ? tr("Default font") : family);
}

void TextWatermarkBox::SetColour(std::int32_t stored_bgr) {
  colour_ = stored_bgr & 0x00FFFFFF;
  QPixmap swatch(16, 16);
  swatch.fill(ColourFromStored(colour_));
  colour_button->setIcon(QIcon(swatch));
}

}  // namespace vr
