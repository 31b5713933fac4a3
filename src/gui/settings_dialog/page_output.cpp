#include "settings_dialog/page_output.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QPixmap>
#include <QVBoxLayout>

#include "settings/settings_record.h"
#include "settings_dialog/naming_menu.h"
#include "settings_dialog/page_common.h"
#include "support/user_dialogs.h"
#include "widgets/v_up_down.h"

namespace vr {

QStringList OutputFormatItems() {
  QStringList items;
  for (const char* item :
       {"Windows Bitmap (BMP)", "JPEG - JFIF Compatble (JPG)", "Portable Network Graphics (PNG)"})
    items << QCoreApplication::translate("vr::PageOutput", item);
  items << PageOutput::tr("WebP (WEBP)") << PageOutput::tr("AVIF (AVIF)") << PageOutput::tr("JPEG XL (JXL)");
  return items;
}

PageOutput::PageOutput(QWidget* parent) : QWidget(parent) {
  setObjectName("FrameOutput");
  combo1 = new QComboBox(this);
  combo1->setObjectName("Combo1");
  command5 = new QPushButton(tr("&Options"), this);
  command5->setObjectName("Command5");
  text8 = new QLineEdit(this);
  text8->setObjectName("Text8");
  command6 = new QPushButton(tr(">"), this);
  command6->setObjectName("Command6");
  text9 = new QLineEdit(this);
  text9->setObjectName("Text9");
  command7 = new QPushButton(tr("..."), this);
  command7->setObjectName("Command7");
  check7 = MakeCheck("Check7", tr("Create subfolder to the actual date"), this);
  combo_colour = new QComboBox(this);
  combo_colour->setObjectName("ComboColour");
  // The position is the OUTcolour code.
  combo_colour->addItems({tr("Convert to sRGB"), tr("Keep the picture's colour profile (not BMP)")});
  combo_colour->setToolTip(
      tr("Pictures with a colour profile: convert their colours to sRGB, which every viewer shows as meant, "
         "or keep them and embed the profile in the thumbnails (BMP cannot carry one)."));
  background_button = new QPushButton(tr("&Background..."), this);
  background_button->setObjectName("CommandBackground");
  background_button->setToolTip(tr("The colour under transparent pictures saved as JPEG"));

  frame12 = new QGroupBox(tr("Dimensions"), this);
  frame12->setObjectName("Frame12");
  check8 = MakeCheck("Check8", tr("Original Dimensions"), frame12);
  option1 = new QRadioButton(tr("Not proportional"), frame12);
  option1->setObjectName("Option1");
  option2 = new QRadioButton(tr("Proportional to height"), frame12);
  option2->setObjectName("Option2");
  option3 = new QRadioButton(tr("Proportional to width"), frame12);
  option3->setObjectName("Option3");
  option_fit = new QRadioButton(tr("Fit inside"), frame12);
  option_fit->setObjectName("OptionFit");
  option_fit->setToolTip(tr("Within the width and the height, the picture's proportions kept"));
  option_fill = new QRadioButton(tr("Fill and crop"), frame12);
  option_fill->setObjectName("OptionFill");
  option_fill->setToolTip(
      tr("Exactly the width and the height, the picture's proportions kept: what "
         "overflows is cropped"));
  combo_crop = new QComboBox(frame12);
  combo_crop->setObjectName("ComboCrop");
  combo_crop->addItems({tr("Crop the middle"), tr("Crop where the detail is")});
  combo_crop->setToolTip(tr("Where the detail is: edges, saturated colours and skin tones"));
  combo_enlarge = new QComboBox(frame12);
  combo_enlarge->setObjectName("ComboEnlarge");
  combo_enlarge->addItems({tr("Enlarge and shrink"), tr("Never enlarge"), tr("Only enlarge")});
  combo_enlarge->setToolTip(tr("Never enlarge: a picture smaller than the size keeps its own"));
  text10 = new QLineEdit(frame12);
  text10->setObjectName("Text10");
  text11 = new QLineEdit(frame12);
  text11->setObjectName("Text11");
  label16 = MakeLabel("Label16", tr("Width"), frame12);
  label17 = MakeLabel("Label17", tr("Height"), frame12);
  for (QLineEdit* box : {text10, text11}) box->setMaximumWidth(80);

  mnu_names = new NamingMenu(text8, this);

  auto* dims = new QGridLayout(frame12);
  dims->addWidget(check8, 0, 0, 1, 2);
  dims->addWidget(option1, 1, 0, 1, 2);
  dims->addWidget(option2, 2, 0, 1, 2);
  dims->addWidget(option3, 3, 0, 1, 2);
  dims->addWidget(option_fit, 4, 0, 1, 2);
  dims->addWidget(option_fill, 5, 0, 1, 2);
  dims->addWidget(combo_crop, 6, 0, 1, 2);
  dims->addWidget(label16, 7, 0);
  dims->addWidget(text10, 7, 1);
  dims->addWidget(label17, 8, 0);
  dims->addWidget(text11, 8, 1);
  dims->addWidget(combo_enlarge, 9, 0, 1, 2);

  auto* grid = new QGridLayout;
  grid->addWidget(MakeLabel("LabelFormat", tr("Format"), this), 0, 0, 1, 2);
  grid->addWidget(combo1, 1, 0);
  grid->addWidget(command5, 1, 1);
  grid->addWidget(MakeLabel("LabelNaming", tr("Naming convention"), this), 2, 0, 1, 2);
  grid->addWidget(text8, 3, 0);
  grid->addWidget(command6, 3, 1);
  grid->addWidget(MakeLabel("LabelFolder", tr("Default output folder"), this), 4, 0, 1, 2);
  grid->addWidget(text9, 5, 0);
  grid->addWidget(command7, 5, 1);
  grid->addWidget(check7, 6, 0, 1, 2);
  grid->addWidget(background_button, 7, 0, Qt::AlignLeft);
  combo_metadata = new QComboBox(this);
  combo_metadata->setObjectName("ComboMetadata");
  combo_metadata->addItems(
      {tr("Strip it (smallest files)"), tr("Keep it"), tr("Keep it, without the location")});
  combo_metadata->setToolTip(tr(
      "EXIF, XMP, IPTC and comments of the picture, in JPEG and PNG thumbnails; EXIF and XMP in WebP, AVIF "
      "and JPEG XL"));
  grid->addWidget(MakeLabel("LabelMetadata", tr("Metadata"), this), 8, 0, 1, 2);
  grid->addWidget(combo_metadata, 9, 0);
  auto* colour_label = MakeLabel("LabelColour", tr("Colour profiles"), this);
  colour_label->setBuddy(combo_colour);
  grid->addWidget(colour_label, 10, 0, 1, 2);
  grid->addWidget(combo_colour, 11, 0);
  check_keep_tree = new QCheckBox(tr("Keep the folder structure"), this);
  check_keep_tree->setObjectName("CheckKeepTree");
  check_keep_tree->setToolTip(
      tr("Pictures added with a folder go to the same sub-folders of the output folder"));
  grid->addWidget(check_keep_tree, 12, 0, 1, 2);
  combo_if_exists = new QComboBox(this);
  combo_if_exists->setObjectName("ComboIfExists");
  // The position is the OUTifexists code.
  combo_if_exists->addItems({tr("Overwrite it"), tr("Skip it"),
                             tr("Skip it when newer than the picture, made with these settings"),
                             tr("Write the new one as name (2)"), tr("Ask")});
  auto* exists_label = MakeLabel("LabelIfExists", tr("When a thumbnail of that name exists"), this);
  exists_label->setBuddy(combo_if_exists);
  grid->addWidget(exists_label, 13, 0, 1, 2);
  grid->addWidget(combo_if_exists, 14, 0);
  grid->setRowStretch(15, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid, 1);
  layout->addWidget(frame12, 0, Qt::AlignTop);

  connect(combo1, &QComboBox::currentIndexChanged, this, &PageOutput::ApplyFormatRule);
  connect(check8, &QCheckBox::toggled, this, &PageOutput::ApplyOriginalDimensionsRule);
  connect(option_fill, &QRadioButton::toggled, this, &PageOutput::ApplyCropRule);
  connect(command6, &QPushButton::clicked, this, &PageOutput::PopUpNamingMenu);
  connect(command7, &QPushButton::clicked, this, &PageOutput::ChooseOutputFolder);
  connect(background_button, &QPushButton::clicked, this, &PageOutput::ChooseBackground);
  SetBackground(kDefaultBackground);
}

void PageOutput::SetSizeUpDowns(vUpDown* width, vUpDown* height) {
  width_updown_ = width;
  height_updown_ = height;
}

void PageOutput::ApplyFormatRule() {
  const int item = combo1->currentIndex();
  command5->setEnabled(item == kJpegFormatItem || item == kWebpFormatItem || item == kAvifFormatItem ||
                       item == kJxlFormatItem);
}

void PageOutput::ApplyOriginalDimensionsRule() {
  const bool enabled = !check8->isChecked();
  for (QWidget* widget : std::initializer_list<QWidget*>{option1, option2, option3, option_fit, option_fill,
                                                         combo_enlarge, text10, text11, label16, label17})
    widget->setEnabled(enabled);
  if (width_updown_ != nullptr) width_updown_->Enabled(enabled);
  if (height_updown_ != nullptr) height_updown_->Enabled(enabled);
  ApplyCropRule();
}

void PageOutput::ApplyCropRule() { combo_crop->setEnabled(!check8->isChecked() && option_fill->isChecked()); }

void PageOutput::PopUpNamingMenu() { mnu_names->popup(QCursor::pos()); }

void PageOutput::ChooseOutputFolder() {
  const QString folder =
      Dialogs().PickFolder(window(), tr("Diret\u00f3rio padr\u00e3o de sa\u00edda..."), QString());
  if (!folder.isEmpty()) text9->setText(folder);
}

void PageOutput::SetBackground(std::int32_t stored_bgr) {
  background_ = stored_bgr & 0x00FFFFFF;
  QPixmap swatch(16, 16);
  swatch.fill(ColourFromStored(background_));
  background_button->setIcon(QIcon(swatch));
}

void PageOutput::ChooseBackground() {
  const QColor colour = Dialogs().PickColour(window(), tr("Background"), ColourFromStored(background_));
  if (colour.isValid()) SetBackground(StoredFromColour(colour));
}

}  // namespace vr
