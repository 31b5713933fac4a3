#include "settings_dialog/format_options_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace vr {
namespace {

struct Layout {
  const char* object_name;
  const char* title;
  std::int32_t SettingsRecord::*quality;
  std::int32_t SettingsRecord::*second;  // speed or effort; null for WebP
  int second_min = 0;
  int second_max = 0;
};

Layout LayoutOf(OptionsFormat format) {
  switch (format) {
    case OptionsFormat::kWebp:
      return {"FormWebpOptions", QT_TRANSLATE_NOOP("FormatOptionsDialog", "WebP Output Options"),
              &SettingsRecord::WEBPquality, nullptr};
    case OptionsFormat::kAvif:
      return {"FormAvifOptions",
              QT_TRANSLATE_NOOP("FormatOptionsDialog", "AVIF Output Options"),
              &SettingsRecord::AVIFquality,
              &SettingsRecord::AVIFspeed,
              0,
              10};
    case OptionsFormat::kJxl:
      break;
  }
  return {"FormJxlOptions",
          QT_TRANSLATE_NOOP("FormatOptionsDialog", "JPEG XL Output Options"),
          &SettingsRecord::JXLquality,
          &SettingsRecord::JXLeffort,
          1,
          9};
}

}  // namespace

FormatOptionsDialog::FormatOptionsDialog(OptionsFormat format, SettingsRecord& record, QWidget* parent)
    : QDialog(parent), format_(format), record_(record) {
  const Layout layout = LayoutOf(format);
  setObjectName(layout.object_name);
  setWindowTitle(tr(layout.title));

  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setObjectName("SliderQuality");
  slider_->setRange(0, 100);
  quality_ = new QSpinBox(this);
  quality_->setObjectName("SpinQuality");
  quality_->setRange(0, 100);
  connect(slider_, &QSlider::valueChanged, quality_, &QSpinBox::setValue);
  connect(quality_, &QSpinBox::valueChanged, slider_, &QSlider::setValue);
  quality_->setValue(std::clamp(record_.*layout.quality, 0, 100));

  auto* quality_row = new QHBoxLayout;
  quality_row->addWidget(new QLabel(tr("Low (small file)"), this));
  quality_row->addWidget(slider_, 1);
  quality_row->addWidget(new QLabel(tr("High (large file)"), this));
  quality_row->addWidget(quality_);
  auto* form = new QFormLayout;
  form->addRow(tr("Quality"), quality_row);

  if (format == OptionsFormat::kWebp) {
    lossless_ = new QCheckBox(tr("Lossless (quality then sets how hard it compresses)"), this);
    lossless_->setObjectName("CheckLossless");
    lossless_->setChecked(record_.WEBPlossless != 0);
    form->addRow(QString(), lossless_);
  } else {
    second_ = new QSpinBox(this);
    second_->setObjectName(format == OptionsFormat::kAvif ? "SpinSpeed" : "SpinEffort");
    second_->setRange(layout.second_min, layout.second_max);
    second_->setValue(std::clamp(record_.*layout.second, layout.second_min, layout.second_max));
    if (format == OptionsFormat::kAvif) {
      second_->setToolTip(tr("0 is slowest and smallest, 10 fastest"));
      form->addRow(tr("Encoder speed"), second_);
    } else {
      second_->setToolTip(tr("1 is fastest, 9 slowest and smallest; 100 quality is lossless"));
      form->addRow(tr("Effort"), second_);
    }
  }

  auto* ok = new QPushButton(tr("&OK"), this);
  ok->setObjectName("Command1");
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("&Cancel"), this);
  cancel->setObjectName("Command2");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(form);
  outer->addLayout(buttons);

  connect(ok, &QPushButton::clicked, this, &FormatOptionsDialog::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void FormatOptionsDialog::OnOk() {
  const Layout layout = LayoutOf(format_);
  record_.*layout.quality = quality_->value();
  if (lossless_ != nullptr) record_.WEBPlossless = lossless_->isChecked() ? 1 : 0;
  if (second_ != nullptr) record_.*layout.second = second_->value();
  accept();
}

}  // namespace vr
