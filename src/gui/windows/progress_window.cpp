#include "windows/progress_window.h"

#include <qdrawutil.h>

#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "support/window_text.h"
#include "thumbnail/run/build_message.h"
#include "widgets/percent_bar.h"
#include "widgets/property_bag.h"

namespace vr {

namespace {

QFont WindowFont() { return Verdana(8.25); }

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setGeometry(place);
  label->setFocusPolicy(Qt::NoFocus);
  return label;
}

}  // namespace

ProgressWindow::ProgressWindow(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("Form3"));
  // It takes the focus, so Escape reaches it while the main window is disabled.
  setFont(WindowFont());
  setFixedSize(kClientWidth, kClientHeight);

  label1_ = MakeLabel(this, "Label1", QStringLiteral("Adding images from folder..."), QRect(18, 8, 178, 13));
  label1_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  // The second line sizes itself to its text, keeping its left edge.
  const QString wait = QStringLiteral("Please wait");
  const QFontMetrics metrics(font());
  label2_ = MakeLabel(this, "Label2", wait, QRect(75, 24, metrics.horizontalAdvance(wait), metrics.height()));

  bar1_ = new PercentBar(this);
  bar1_->setObjectName(QStringLiteral("Bar1"));
  bar1_->setGeometry(16, 40, 185, 17);
  bar1_->setFocusPolicy(Qt::NoFocus);
  // The bar's stored settings: grey instead of blue, the window's font, and
  // no stored value, so it starts at 0.
  PropertyBag settings;
  settings.Write(QStringLiteral("forecolor"), static_cast<qint32>(kBarForeColor), QVariant());
  settings.Write(QStringLiteral("font"), font(), QVariant());
  bar1_->Load(settings);

  label3_ = MakeLabel(this, "Label3", QString(), QRect(8, 60, 198, 13));
  label3_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  cancel_ = new QPushButton(tr("Cancel"), this);
  cancel_->setObjectName(QStringLiteral("CancelButton"));
  cancel_->setGeometry(70, 78, 75, 22);
  cancel_->setDefault(true);
  connect(cancel_, &QPushButton::clicked, this, &ProgressWindow::Cancel);
  setFocusProxy(cancel_);

  CentreOnScreen();
}

void ProgressWindow::setProgress(std::int32_t done, std::int32_t total, std::optional<double> seconds_left) {
  bar1_->SetValue(ProgressPercent(done, total));
  QString count = tr("%1 of %2").arg(done).arg(total);
  if (seconds_left) {
    count =
        *seconds_left < 59.5
            ? tr("%1, about %2 s left").arg(count).arg(std::max(1L, std::lround(*seconds_left)))
            : tr("%1, about %2 min left").arg(count).arg(static_cast<long>(std::ceil(*seconds_left / 60.0)));
  }
  label3_->setText(count);
}

void ProgressWindow::Cancel() {
  if (cancelled_) return;
  cancelled_ = true;
  cancel_->setEnabled(false);
  label2_->setText(tr("Stopping..."));
  label2_->adjustSize();
  emit cancelRequested();
}

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    Cancel();
    return;
  }
  QWidget::keyPressEvent(event);
}

void ProgressWindow::CentreOnScreen() {
  const QScreen* screen = this->screen();
  if (!screen) return;
  QRect frame(QPoint(0, 0), size());
  frame.moveCenter(screen->geometry().center());
  move(frame.topLeft());
}

void ProgressWindow::paintEvent(QPaintEvent*) {
  // A raised edge, outer and inner lines, round the whole client area.
  QPainter painter(this);
  qDrawWinPanel(&painter, rect(), palette(), /*sunken=*/false);
}

}  // namespace vr
