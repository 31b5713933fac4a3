#include "widgets/slider_readout.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <algorithm>
#include <memory>

#include "widgets/cpv_slider.h"

namespace vr {
namespace {

// Greys the readout with its slider, whichever way the slider was disabled.
class FollowEnabled : public QObject {
 public:
  FollowEnabled(cpvSlider* slider, QLabel* readout) : QObject(readout), readout_(readout) {
    slider->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::EnabledChange)
      readout_->setEnabled(static_cast<QWidget*>(watched)->isEnabled());
    return false;
  }

 private:
  QLabel* readout_;
};

}  // namespace

QLabel* AttachValueReadout(cpvSlider& slider) {
  QWidget* parent = slider.parentWidget();
  if (parent == nullptr || parent->layout() == nullptr) return nullptr;
  auto* row = new QWidget(parent);
  row->setObjectName(slider.objectName() + QStringLiteral("Row"));
  const std::unique_ptr<QLayoutItem> old(parent->layout()->replaceWidget(&slider, row));
  if (!old) {
    delete row;
    return nullptr;
  }
  auto* readout = new QLabel(QString::number(slider.Value()), row);
  readout->setObjectName(slider.objectName() + QStringLiteral("Value"));
  readout->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  const QFontMetrics metrics(readout->font());
  readout->setMinimumWidth(std::max(metrics.horizontalAdvance(QString::number(slider.Min())),
                                    metrics.horizontalAdvance(QString::number(slider.Max()))));
  readout->setEnabled(slider.isEnabled());
  new FollowEnabled(&slider, readout);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(&slider);
  layout->addWidget(readout);
  layout->addStretch();
  QObject::connect(&slider, &cpvSlider::ValueChanged, readout,
                   [readout, &slider] { readout->setText(QString::number(slider.Value())); });
  return readout;
}

}  // namespace vr
