#include "settings_dialog/page_output.h"

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
  return {"Windows Bitmap (BMP)", "JPEG - JFIF Compatble (JPG)", "Portable Network Graphics (PNG)"};
}

PageOutput::PageOutput(QWidget* parent) : QWidget(parent) {
  setObjectName("FrameOutput");
  combo1 = new QComboBox(this);
  combo1->setObjectName("Combo1");
  command5 = new QPushButton("&Options", this);
  command5->setObjectName("Command5");
  text8 = new QLineEdit(this);
  text8->setObjectName("Text8");
  command6 = new QPushButton(">", this);
  command6->setObjectName("Command6");
  text9 = new QLineEdit(this);
  text9->setObjectName("Text9");
  command7 = new QPushButton("...", this);
  command7->setObjectName("Command7");
  check7 = MakeCheck("Check7", "Create subfolder to the actual date", this);
  combo_colour = new QComboBox(this);
  combo_colour->setObjectName("ComboColour");
  // The position is the OUTcolour code.
  combo_colour->addItems({tr("Convert to sRGB"), tr("Keep the picture's colour profile (JPEG, PNG)")});
  combo_colour->setToolTip(
      tr("Pictures with a colour profile: convert their colours to sRGB, which every viewer shows as meant, "
         "or keep them and embed the profile in JPEG and PNG thumbnails (BMP cannot carry one)."));
  background_button = new QPushButton(tr("&Background..."), this);
  background_button->setObjectName("CommandBackground");
  background_button->setToolTip(tr("The colour under transparent pictures saved as JPEG"));

  frame12 = new QGroupBox("Dimensions", this);
  frame12->setObjectName("Frame12");
  check8 = MakeCheck("Check8", "Original Dimensions", frame12);
  option1 = new QRadioButton("Not proportional", frame12);
  option1->setObjectName("Option1");
  option2 = new QRadioButton("Proportional to height", frame12);
  option2->setObjectName("Option2");
  option3 = new QRadioButton("Proportional to width", frame12);
  option3->setObjectName("Option3");
  text10 = new QLineEdit(frame12);
  text10->setObjectName("Text10");
  text11 = new QLineEdit(frame12);
  text11->setObjectName("Text11");
  label16 = MakeLabel("Label16", "Width", frame12);
  label17 = MakeLabel("Label17", "Height", frame12);
  for (QLineEdit* box : {text10, text11}) box->setMaximumWidth(80);

  mnu_names = new NamingMenu(text8, this);

  auto* dims = new QGridLayout(frame12);
  dims->addWidget(check8, 0, 0, 1, 2);
  dims->addWidget(option1, 1, 0, 1, 2);
  dims->addWidget(option2, 2, 0, 1, 2);
  dims->addWidget(option3, 3, 0, 1, 2);
  dims->addWidget(label16, 4, 0);
  dims->addWidget(text10, 4, 1);
  dims->addWidget(label17, 5, 0);
  dims->addWidget(text11, 5, 1);

  auto* grid = new QGridLayout;
  grid->addWidget(MakeLabel("LabelFormat", "Format", this), 0, 0, 1, 2);
  grid->addWidget(combo1, 1, 0);
  grid->addWidget(command5, 1, 1);
  grid->addWidget(MakeLabel("LabelNaming", "Naming convention", this), 2, 0, 1, 2);
  grid->addWidget(text8, 3, 0);
  grid->addWidget(command6, 3, 1);
  grid->addWidget(MakeLabel("LabelFolder", "Default output folder", this), 4, 0, 1, 2);
  grid->addWidget(text9, 5, 0);
  grid->addWidget(command7, 5, 1);
  grid->addWidget(check7, 6, 0, 1, 2);
  grid->addWidget(background_button, 7, 0, Qt::AlignLeft);
  combo_metadata = new QComboBox(this);
  combo_metadata->setObjectName("ComboMetadata");
  combo_metadata->addItems(
      {tr("Strip it (smallest files)"), tr("Keep it"), tr("Keep it, without the location")});
  combo_metadata->setToolTip(tr("EXIF, XMP, IPTC and comments of the picture, in JPEG and PNG thumbnails"));
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
  connect(command6, &QPushButton::clicked, this, &PageOutput::PopUpNamingMenu);
  connect(command7, &QPushButton::clicked, this, &PageOutput::ChooseOutputFolder);
  connect(background_button, &QPushButton::clicked, this, &PageOutput::ChooseBackground);
  SetBackground(kDefaultBackground);
}

void PageOutput::SetSizeUpDowns(vUpDown* width, vUpDown* height) {
  width_updown_ = width;
  height_updown_ = height;
}

void PageOutput::ApplyFormatRule() { command5->setEnabled(combo1->currentIndex() == kJpegFormatItem); }

void PageOutput::ApplyOriginalDimensionsRule() {
  const bool enabled = !check8->isChecked();
  for (QWidget* widget :
       std::initializer_list<QWidget*>{option1, option2, option3, text10, text11, label16, label17})
    widget->setEnabled(enabled);
  if (width_updown_ != nullptr) width_updown_->Enabled(enabled);
  if (height_updown_ != nullptr) height_updown_->Enabled(enabled);
}

void PageOutput::PopUpNamingMenu() { mnu_names->popup(QCursor::pos()); }

void PageOutput::ChooseOutputFolder() {
  const QString folder = Dialogs().PickFolder(
      window(), QString::fromUtf8("Diret\u00f3rio padr\u00e3o de sa\u00edda..."), QString());
  if (!folder.isEmpty()) text9->setText(folder);
}

namespace {

QColor FromStored(std::int32_t bgr) { return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF); }

}  // namespace

void PageOutput::SetBackground(std::int32_t stored_bgr) {
  background_ = stored_bgr & 0x00FFFFFF;
  QPixmap swatch(16, 16);
  swatch.fill(FromStored(background_));
  background_button->setIcon(QIcon(swatch));
}

void PageOutput::ChooseBackground() {
  const QColor colour = Dialogs().PickColour(window(), tr("Background"), FromStored(background_));
  if (colour.isValid()) SetBackground(colour.blue() << 16 | colour.green() << 8 | colour.red());
}

}  // namespace vr
