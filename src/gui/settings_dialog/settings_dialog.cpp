#include "settings_dialog/settings_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "settings_dialog/format_options_dialog.h"
#include "settings_dialog/jpeg_options_dialog.h"
#include "settings_dialog/page_advanced.h"
#include "settings_dialog/page_common.h"
#include "settings_dialog/page_effects.h"
#include "settings_dialog/page_general.h"
#include "settings_dialog/page_output.h"
#include "settings_dialog/page_watermark.h"
#include "support/user_dialogs.h"
#include "widgets/cpv_slider.h"
#include "widgets/property_error.h"
#include "widgets/slider_readout.h"
#include "widgets/v_up_down.h"

namespace vr {
namespace {

constexpr int kSizeMin = 10;
constexpr int kSizeMax = 1024;
constexpr int kAngleMin = 0;
constexpr int kAngleMax = 359;
constexpr int kGeneralTab = 1;

// Buddy, Max, Min, Value, the order every up-down host keeps. A value outside
// the range opens at the nearer end.
void Bind(vUpDown& updown, QLineEdit* buddy, int min, int max, std::int32_t value) {
  try {
    updown.SetBuddy(buddy);
    updown.SetMax(max);
    updown.SetMin(min);
    updown.SetValue(std::clamp(value, min, max));
  } catch (const PropertyError&) {
  }
}

std::int32_t OptionValue(const QRadioButton& option) { return option.isChecked() ? -1 : 0; }

}  // namespace

SettingsDialog::SettingsDialog(SettingsRecord& record, SettingsStore& store, QWidget* parent)
    : QDialog(parent), saved_(record), record_(record), store_(store) {
  setObjectName("Form5");
  setWindowTitle(tr("Varenna Pro - Settings"));

  // 1. The up-downs, the pages stacked at one place, the five tabs.
  width_updown_ = new vUpDown(this);
  height_updown_ = new vUpDown(this);
  angle_updown_ = new vUpDown(this);
  port_updown_ = new vUpDown(this);

  general_ = new PageGeneral(this);
  effects_ = new PageEffects(engine_, this);
  watermark_ = new PageWatermark(record_, this);
  output_ = new PageOutput(this);
  advanced_ = new PageAdvanced(this);
  pages_ = {general_, effects_, watermark_, output_, advanced_};
  output_->SetSizeUpDowns(width_updown_, height_updown_);

  tab1_ = new QTabBar(this);
  tab1_->setObjectName("Tab1");
  for (const QString& caption :
       {tr("General"), tr("Effects"), tr("Water Mark"), tr("Output"), tr("Advanced")})
    tab1_->addTab(caption);

  auto* title = new QLabel(tr("Varenna Pro"), this);
  title->setObjectName("LabelTitle1");
  QFont big = title->font();
  big.setPointSize(big.pointSize() + 6);
  big.setBold(true);
  title->setFont(big);
  auto* subtitle = new QLabel(tr("Varenna Pro"), this);
  subtitle->setObjectName("LabelTitle2");

  // Why a typed value was changed; never widens the dialog.
  note_ = new QLabel(this);
  note_->setObjectName("LabelNote");
  note_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

  ok_ = new QPushButton(tr("&OK"), this);
  ok_->setObjectName("Command2");
  ok_->setDefault(true);
  cancel_ = new QPushButton(tr("&Cancel"), this);
  cancel_->setObjectName("Command3");

  // Every page counts while hidden, so the dialog has one size for all of
  // them and its minimum is one at which every page fits.
  auto* stack = new QGridLayout;
  for (QWidget* page : pages_) {
    QSizePolicy policy = page->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    page->setSizePolicy(policy);
    stack->addWidget(page, 0, 0);
  }
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(subtitle);
  buttons->addWidget(note_, 1);
  buttons->addWidget(ok_);
  buttons->addWidget(cancel_);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(title);
  layout->addWidget(tab1_);
  layout->addLayout(stack, 1);
  layout->addLayout(buttons);

  connect(tab1_, &QTabBar::currentChanged, this, [this](int index) { SelectTab(index + 1); });
  connect(ok_, &QPushButton::clicked, this, &SettingsDialog::OnOk);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
  connect(output_->command5, &QPushButton::clicked, this, &SettingsDialog::OnOptions);
  for (const auto& [keys, step] : {std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), 1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageDown), 1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), -1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), -1},
                                   std::pair{QKeySequence(Qt::CTRL | Qt::Key_PageUp), -1}}) {
    auto* shortcut = new QShortcut(keys, this);
    connect(shortcut, &QShortcut::activated, this, [this, step] { StepTab(step); });
  }

  Open();
}

SettingsDialog::~SettingsDialog() = default;

void SettingsDialog::Open() {
  const SettingsRecord& r = record_;
  // 2.
  SetCheck(*general_->check10, r.GENextra);
  SetCheck(*general_->check11, r.GENgrid);
  // 3. Blend modes, the click point, the mode's item and its rule.
  watermark_->combo2->addItems(BlendModeItems());
  watermark_->picture1->SetClickPoint(static_cast<float>(r.WMAreaX), r.WMAreaY);
  watermark_->combo2->setCurrentIndex(BlendItemForCode(r.WMMode));
  watermark_->ApplyBlendModeRule();
  // 4.
  output_->combo1->addItems(OutputFormatItems());
  watermark_->text1->setText(QString::fromStdString(r.WMFile));
  // 5. Each slider raises only its ValueChanged here; the opacity slider's
  // keeps the record's WMOpacity in step with what it can show.
  SetSliderValueClamped(*watermark_->slider6, r.WMOpacity);
  watermark_->spin_size->setValue(std::clamp(r.WMSize, 0, watermark_->spin_size->maximum()));
  watermark_->spin_margin->setValue(std::clamp(r.WMMargin, 0, watermark_->spin_margin->maximum()));
  watermark_->text_box->Show(r);
  // Set outright too: a stored 250 clamps to the slider's starting 100,
  // which raises no change, and OK would otherwise write 250 back.
  record_.WMOpacity = watermark_->slider6->Value();
  const std::array<std::int32_t, 5> levels = {r.NoiseLevel, r.BrightnessLevel, r.ContrastLevel,
                                              r.SaturationLevel, r.CorrectionLevel};
  for (std::size_t i = 0; i < levels.size(); ++i) SetSliderValueClamped(*effects_->sliders[i], levels[i]);
  // 6. "Preview" starts from its stored state; the effect boxes render as a
  // click would, and the unprocessed sample then replaces what they drew.
  SetCheck(*effects_->check1, r.ImgPreview);
  SetCheck(*effects_->check2, r.NegativeFlag);
  SetCheck(*effects_->check3, r.GrayScaleFlag);
  effects_->SetSharpen(r.OUTsharpen);
  // 7.
  effects_->picture2->ShowSample();
  // 8. A format code without an item opens at the nearer end of the list.
  output_->text8->setText(QString::fromStdString(r.OUTname));
  output_->text9->setText(QString::fromStdString(r.OUTfolder));
  SetCheck(*output_->check7, r.OUTdatefolder);
  output_->SetBackground(r.OUTbackground);
  output_->combo1->setCurrentIndex(std::clamp(r.OUTformat, 0, output_->combo1->count() - 1));
  output_->ApplyFormatRule();
  // A code without an item shows as stripping, which is what the run does.
  output_->combo_metadata->setCurrentIndex(
      r.OUTmetadata >= 0 && r.OUTmetadata < output_->combo_metadata->count() ? r.OUTmetadata : 0);
  // 9. The last non-zero option wins.
  SetCheck(*output_->check8, r.OUToriginal);
  if (r.OUTnoprop != 0) output_->option1->setChecked(true);
  if (r.OUTproph != 0) output_->option2->setChecked(true);
  if (r.OUTpropw != 0) output_->option3->setChecked(true);
  // Fit and fill win over the options of old, as they do in a run.
  if (r.OUTfit == 1) output_->option_fit->setChecked(true);
  if (r.OUTfit == 2) output_->option_fill->setChecked(true);
  // Codes without an item show as the first, which is what the run does.
  output_->combo_crop->setCurrentIndex(r.OUTcrop == 1 ? 1 : 0);
  output_->combo_enlarge->setCurrentIndex(r.OUTenlarge == 1 || r.OUTenlarge == 2 ? r.OUTenlarge : 0);
  // 10.
  SetCheck(*advanced_->check4, r.ADVempty);
  SetCheck(*advanced_->check5, r.ADVpixall);
  // 11.
  Bind(*width_updown_, output_->text10, kSizeMin, kSizeMax, r.OUTwidth);
  Bind(*height_updown_, output_->text11, kSizeMin, kSizeMax, r.OUTheight);
  Bind(*angle_updown_, watermark_->text14, kAngleMin, kAngleMax, r.WMAngle);
  // The stored watermark as the build would read it, and a word when it cannot be.
  watermark_->ShowWatermarkFile();
  for (vUpDown* updown : {width_updown_, height_updown_, angle_updown_})
    connect(updown, &vUpDown::Corrected, note_, &QLabel::setText);
  for (cpvSlider* slider : findChildren<cpvSlider*>()) AttachValueReadout(*slider);
  // The rule once more, now that the size arrows exist.
  output_->ApplyOriginalDimensionsRule();
  // The colour profiles' choice: 1 keeps them, anything else converts.
  output_->combo_colour->setCurrentIndex(r.OUTcolour == 1 ? 1 : 0);
  SetCheck(*output_->check_keep_tree, r.OUTkeeptree);
  // A code without an item shows as overwriting, the default.
  output_->combo_if_exists->setCurrentIndex(
      r.OUTifexists >= 0 && r.OUTifexists < output_->combo_if_exists->count() ? r.OUTifexists : 0);
  // 12.
  tab1_->setCurrentIndex(kGeneralTab - 1);
  SelectTab(kGeneralTab);
}

void SettingsDialog::SelectTab(int tab) {
  for (QWidget* page : pages_) page->hide();
  if (tab >= 1 && tab <= static_cast<int>(pages_.size())) pages_[static_cast<std::size_t>(tab - 1)]->show();
}

void SettingsDialog::StepTab(int step) {
  const int count = tab1_->count();
  tab1_->setCurrentIndex((tab1_->currentIndex() + step + count) % count);
}

bool SettingsDialog::HoldTypedNumbers() {
  for (vUpDown* updown : {width_updown_, height_updown_, angle_updown_}) {
    if (updown->Correct().isEmpty()) continue;
    // Shown where it was typed; the next OK takes the held number.
    for (std::size_t i = 0; i < pages_.size(); ++i)
      if (pages_[i]->isAncestorOf(updown->Buddy())) tab1_->setCurrentIndex(static_cast<int>(i));
    updown->Buddy()->setFocus();
    updown->Buddy()->selectAll();
    return false;
  }
  return true;
}

void SettingsDialog::WMArea(double x, double y) { watermark_->picture1->WMArea(x, y); }

void SettingsDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  const RegionPicker& picker = *watermark_->picture1;
  WMArea(picker.ClickX(), picker.ClickY());
}

SettingsDialogValues SettingsDialog::CollectValues() {
  SettingsDialogValues v;
  v.fields = record_;
  SettingsRecord& f = v.fields;
  f.GENextra = CheckValue(*general_->check10);
  f.GENgrid = CheckValue(*general_->check11);
  v.blend_code = BlendCodeForText(watermark_->combo2->currentText());
  v.angle = angle_updown_->Value();
  v.click_x = watermark_->picture1->ClickX();
  v.click_y = watermark_->picture1->ClickY();
  f.WMFile = watermark_->text1->text().toStdString();
  f.WMSize = watermark_->spin_size->value();
  f.WMMargin = watermark_->spin_margin->value();
  watermark_->text_box->Collect(f);
  f.OUTsharpen = effects_->combo_sharpen->currentIndex();
  f.ImgPreview = CheckValue(*effects_->check1);
  f.NoiseLevel = effects_->sliders[0]->Value();
  f.BrightnessLevel = effects_->sliders[1]->Value();
  f.ContrastLevel = effects_->sliders[2]->Value();
  f.SaturationLevel = effects_->sliders[3]->Value();
  f.CorrectionLevel = effects_->sliders[4]->Value();
  f.NegativeFlag = CheckValue(*effects_->check2);
  f.GrayScaleFlag = CheckValue(*effects_->check3);
  f.OUTname = output_->text8->text().toStdString();
  f.OUTfolder = output_->text9->text().toStdString();
  f.OUTdatefolder = CheckValue(*output_->check7);
  f.OUTbackground = output_->Background();
  f.OUTformat = output_->combo1->currentIndex();
  f.OUTwidth = width_updown_->Value();
  f.OUTheight = height_updown_->Value();
  f.OUToriginal = CheckValue(*output_->check8);
  f.OUTnoprop = OptionValue(*output_->option1);
  f.OUTproph = OptionValue(*output_->option2);
  f.OUTpropw = OptionValue(*output_->option3);
  f.OUTfit = output_->option_fit->isChecked() ? 1 : (output_->option_fill->isChecked() ? 2 : 0);
  f.OUTcrop = output_->combo_crop->currentIndex();
  f.OUTenlarge = output_->combo_enlarge->currentIndex();
  f.ADVempty = CheckValue(*advanced_->check4);
  f.ADVpixall = CheckValue(*advanced_->check5);
  f.OUTcolour = output_->combo_colour->currentIndex();
  f.OUTmetadata = output_->combo_metadata->currentIndex();
  f.OUTkeeptree = CheckValue(*output_->check_keep_tree);
  f.OUTifexists = output_->combo_if_exists->currentIndex();
  return v;
}

void SettingsDialog::OnOk() {
  if (!HoldTypedNumbers()) return;
  const Status saved = SaveDialogSettings(CollectValues(), saved_, store_);
  if (!saved.ok()) {
    // The user keeps the dialog and its values, and can retry or cancel.
    Inform(this, tr("Varenna Pro - Settings"),
           tr("The settings were not saved.") + QLatin1Char('\n') + QString::fromStdString(saved.message()));
    return;
  }
  emit SettingsSaved();
  accept();
}

void SettingsDialog::OnOptions() {
  const int item = output_->combo1->currentIndex();
  if (item == kJpegFormatItem) {
    JpegOptionsDialog options(record_, this);
    options.exec();
    return;
  }
  std::optional<OptionsFormat> format;
  if (item == kWebpFormatItem) format = OptionsFormat::kWebp;
  if (item == kAvifFormatItem) format = OptionsFormat::kAvif;
  if (item == kJxlFormatItem) format = OptionsFormat::kJxl;
  if (!format) return;
  FormatOptionsDialog options(*format, record_, this);
  options.exec();
}

}  // namespace vr
