#include "settings_dialog/page_watermark.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <array>

#include "settings_dialog/page_common.h"
#include "support/user_dialogs.h"
#include "thumbnail/watermark.h"
#include "thumbnail/watermark_scale.h"
#include "widgets/cpv_slider.h"

namespace vr {
namespace {

struct BlendItem {
  const char* text;
  std::int32_t code;
};

// The list's order is the dialog's own; the codes are the stored ones.
constexpr std::array<BlendItem, 8> kBlendItems = {{
    {"Normal", kNormalWMMode},
    {"Addictive", 0},
    {"Subtractive", 7},
    {"Mask", 4},
    {"Copy (DST)", 6},
    {"OR", 3},
    {"AND", 1},
    {"XOR", 2},
}};

QString BlendItemText(const BlendItem& item) {
  return QCoreApplication::translate("vr::PageWatermark", item.text);
}

constexpr std::int32_t kMaskCode = 4;
constexpr std::int32_t kAndCode = 1;
constexpr int kFullOpacity = 100;

}  // namespace

QStringList BlendModeItems() {
  QStringList items;
  for (const BlendItem& item : kBlendItems) items << BlendItemText(item);
  return items;
}

std::optional<std::int32_t> BlendCodeForText(const QString& text) {
  for (const BlendItem& item : kBlendItems)
    if (text == BlendItemText(item)) return item.code;
  return std::nullopt;
}

int BlendItemForCode(std::int32_t code) {
  for (std::size_t i = 0; i < kBlendItems.size(); ++i)
    if (kBlendItems[i].code == code) return static_cast<int>(i);
  return code == 0 ? 0 : BlendItemForCode(0);
}

PageWatermark::PageWatermark(SettingsRecord& record, QWidget* parent) : QWidget(parent), record_(record) {
  setObjectName("FrameWatermark");
  text1 = new QLineEdit(this);
  text1->setObjectName("Text1");
  command1 = new QPushButton(tr("..."), this);
  command1->setObjectName("Command1");
  command1->setToolTip(tr("Choose water mark file"));
  combo2 = new QComboBox(this);
  combo2->setObjectName("Combo2");
  text14 = new QLineEdit(this);
  text14->setObjectName("Text14");
  text14->setMaximumWidth(70);
  // The stored control starts at 100.
  slider6 = MakeLevelSlider("Slider6", 0, 100, kFullOpacity, this);
  opacity_label = MakeLabel("LabelOpacity", tr("Water mark opacity (%)"), this);
  opacity_low = MakeLabel("LabelOpacityLow", tr("0"), this);
  opacity_high = MakeLabel("LabelOpacityHigh", tr("100"), this);
  picture1 = new RegionPicker(record_, this);
  spin_size = new QSpinBox(this);
  spin_size->setObjectName("SpinWMSize");
  spin_size->setRange(0, kMaxWatermarkPercent);
  spin_size->setSuffix(tr(" % of the width"));
  spin_size->setSpecialValueText(tr("Its own size"));
  spin_margin = new QSpinBox(this);
  spin_margin->setObjectName("SpinWMMargin");
  spin_margin->setRange(0, kMaxWatermarkMargin);
  spin_margin->setSuffix(tr(" px"));
  spin_margin->setToolTip(tr("Between the water marks and the edges they sit at"));
  text_box = new TextWatermarkBox(this);
  file_error = MakeLabel("LabelFileError", QString(), this);
  file_error->setWordWrap(true);
  // Long reasons wrap rather than widen the dialog.
  file_error->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  QFont bold = file_error->font();
  bold.setBold(true);
  file_error->setFont(bold);

  auto* file_row = new QHBoxLayout;
  file_row->addWidget(text1, 1);
  file_row->addWidget(command1);
  auto* grid = new QGridLayout;
  int row = 0;
  grid->addWidget(MakeLabel("LabelFile", tr("Water mark image"), this), row++, 0, 1, 3);
  grid->addLayout(file_row, row++, 0, 1, 3);
  grid->addWidget(file_error, row++, 0, 1, 3);
  grid->addWidget(MakeLabel("LabelMode", tr("Water marking mode"), this), row, 0);
  grid->addWidget(MakeLabel("LabelAngle", tr("Angle (º)"), this), row++, 1);
  grid->addWidget(combo2, row, 0);
  grid->addWidget(text14, row++, 1);
  grid->addWidget(opacity_label, row++, 0, 1, 3);
  grid->addWidget(opacity_low, row, 0, Qt::AlignLeft);
  grid->addWidget(opacity_high, row++, 2, Qt::AlignRight);
  grid->addWidget(slider6, row++, 0, 1, 3);
  grid->addWidget(MakeLabel("LabelWMSize", tr("Water mark width"), this), row, 0);
  grid->addWidget(MakeLabel("LabelWMMargin", tr("Margin"), this), row++, 1);
  grid->addWidget(spin_size, row, 0);
  grid->addWidget(spin_margin, row++, 1);
  grid->addWidget(MakeLabel("LabelBy", tr("Watermarking and effects by"), this), row++, 0, 1, 3);
  grid->addWidget(MakeLabel("LabelEngine", tr("Halvern Engine Library"), this), row++, 0, 1, 3);
  grid->setRowStretch(row, 1);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(grid, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(picture1, 0, Qt::AlignTop);
  right->addWidget(text_box);
  right->addStretch();
  layout->addLayout(right);

  connect(combo2, &QComboBox::currentIndexChanged, this, [this] {
    ApplyBlendModeRule();
    picture1->SetWatermarkBlend(slider6->Value(), SelectedCode());
  });
  connect(slider6, &cpvSlider::ValueChanged, this, &PageWatermark::OnOpacityChanged);
  connect(command1, &QPushButton::clicked, this, &PageWatermark::ChooseWatermarkFile);
  connect(text1, &QLineEdit::editingFinished, this, &PageWatermark::ShowWatermarkFile);
  connect(text14, &QLineEdit::editingFinished, this, &PageWatermark::ShowWatermarkFile);
}

void PageWatermark::ShowWatermarkFile() {
  const Status shown = picture1->ShowWatermarkFile(text1->text().toStdString(), text14->text().toInt());
  file_error->setText(
      shown ? QString()
            : tr("The water mark cannot be read: %1").arg(QString::fromStdString(shown.message())));
}

std::int32_t PageWatermark::SelectedCode() const {
  return BlendCodeForText(combo2->currentText()).value_or(0);
}

void PageWatermark::ApplyBlendModeRule() {
  const std::int32_t code = SelectedCode();
  const bool full = combo2->currentIndex() >= 0 && (code == kMaskCode || code == kAndCode);
  if (full) SetSliderValueClamped(*slider6, kFullOpacity);
  slider6->SetEnabled(!full);
  for (QWidget* widget : {static_cast<QWidget*>(slider6), static_cast<QWidget*>(opacity_label),
                          static_cast<QWidget*>(opacity_low), static_cast<QWidget*>(opacity_high)})
    widget->setEnabled(!full);
}

void PageWatermark::OnOpacityChanged() {
  record_.WMOpacity = slider6->Value();
  picture1->SetWatermarkBlend(record_.WMOpacity, SelectedCode());
}

void PageWatermark::ChooseWatermarkFile() {
  FileDialogRequest request;
  request.title = tr("Marca d\u00b4\u00e1gua...");
  request.filter =
      tr("Windows Bitmap (*.bmp);;JPEG - JFIF Compatible (*.jpg);;Portable Network Graphics (*.png)");
  request.default_suffix = "jpg";
  const QString path = Dialogs().OpenFile(window(), request);
  if (path.isEmpty()) return;
  // Kept as chosen even when unreadable; the page says why at once, and the
  // build leaves such a watermark out with a notice.
  text1->setText(path);
  ShowWatermarkFile();
}

}  // namespace vr
