#include "settings_dialog/jpeg_options_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/cpv_slider.h"
#include "widgets/property_error.h"
#include "widgets/typed_number.h"

namespace vr {
namespace {

constexpr int kQualityMin = 0;
constexpr int kQualityMax = 100;
// Also the quality loading gives a store that holds none.
constexpr int kInitialQuality = kDefaultJpegQuality;

QFrame* Line(const char* name) {
  auto* line = new QFrame;
  line->setObjectName(name);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

JpegOptionsDialog::JpegOptionsDialog(SettingsRecord& record, QWidget* parent)
    : QDialog(parent), record_(record) {
  setObjectName("Form8");
  setWindowTitle(tr("Jpeg Output Options"));

  slider_ = new cpvSlider(this);
  slider_->setObjectName("cpvSlider1");
  text_ = new QLineEdit(QString::number(kInitialQuality), this);
  text_->setObjectName("Text1");
  text_->setMaximumWidth(48);
  text_->setToolTip(RangeText(kQualityMin, kQualityMax));
  try {
    slider_->SetOrientation(0);
    slider_->SetSliderIcon(cpvSlider::StandardThumbIcon());
    slider_->SetRailPicture(cpvSlider::StandardRailPicture(222, 12));
    slider_->SetRailStyle(99);
    slider_->SetMax(kQualityMax);
    slider_->SetMin(kQualityMin);
    slider_->SetValue(kInitialQuality);
  } catch (const PropertyError&) {
    // Fixed, valid properties; nothing to recover from.
  }

  auto* quality = new QLabel(tr("Quality"), this);
  quality->setObjectName("Label1");
  auto* low = new QLabel(tr("Low (small file)"), this);
  low->setObjectName("Label2");
  auto* high = new QLabel(tr("High (large file)"), this);
  high->setObjectName("Label3");
  high->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

  auto* ok = new QPushButton(tr("&OK"), this);
  ok->setObjectName("Command1");
  ok->setDefault(true);
  auto* cancel = new QPushButton(tr("&Cancel"), this);
  cancel->setObjectName("Command2");

  auto* grid = new QGridLayout;
  grid->addWidget(quality, 0, 0);
  grid->addWidget(text_, 0, 2, Qt::AlignRight);
  grid->addWidget(slider_, 1, 0, 1, 3);
  grid->addWidget(low, 2, 0);
  grid->addWidget(high, 2, 2);
  note_ = new QLabel(this);
  note_->setObjectName("LabelNote");
  note_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  note_->setWordWrap(true);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(note_, 1);
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(Line("Line1"));
  layout->addLayout(grid);
  layout->addWidget(Line("Line2"));
  layout->addLayout(buttons);

  connect(slider_, &cpvSlider::ValueChanged, this,
          [this] { text_->setText(QString::number(slider_->Value())); });
  connect(text_, &QLineEdit::editingFinished, this, [this] { HoldTypedQuality(); });
  connect(ok, &QPushButton::clicked, this, &JpegOptionsDialog::OnOk);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

  // After the connection, so a stored quality other than the initial one
  // shows in the box and 85 leaves the box's own text.
  try {
    slider_->SetValue(std::clamp(record_.JPEGquality, kQualityMin, kQualityMax));
  } catch (const PropertyError&) {
  }
}

bool JpegOptionsDialog::HoldTypedQuality() {
  const QString typed = text_->text();
  const TypedNumber held = HoldToRange(typed, kQualityMin, kQualityMax, slider_->Value());
  try {
    slider_->SetValue(held.value);
  } catch (const PropertyError&) {
  }
  text_->setText(QString::number(held.value));
  note_->setText(held.corrected ? CorrectionNote(typed, kQualityMin, kQualityMax, held.value) : QString());
  return !held.corrected;
}

void JpegOptionsDialog::OnOk() {
  // A corrected quality is shown first; the next OK takes it.
  if (!HoldTypedQuality()) {
    text_->setFocus();
    text_->selectAll();
    return;
  }
  record_.JPEGquality = slider_->Value();
  accept();
}

}  // namespace vr
