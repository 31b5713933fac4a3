#include "windows/progress_window.h"

#include <qdrawutil.h>

#include <QFontMetrics>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include "support/window_text.h"
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

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
  setObjectName(QStringLiteral("Form3"));
  setAttribute(Qt::WA_ShowWithoutActivating);
  setFocusPolicy(Qt::NoFocus);
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

  CentreOnScreen();
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
