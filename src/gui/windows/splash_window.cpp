#include "windows/splash_window.h"

#include <QFrame>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "support/window_text.h"
#include "windows/about_dialog.h"

namespace vr {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QRect& place,
                  const QFont& font, const QColor& colour) {
  QLabel* label = MakeColouredLabel(parent, name, text, font, colour);
  label->setGeometry(place);
  return label;
}

}  // namespace

SplashWindow::SplashWindow(std::function<QWidget*()> load_main, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), load_main_(std::move(load_main)) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(tr("Loading"));
  setWindowIcon(ProgramIcon());
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(kClientWidth, kClientHeight);
  FillBlack(this);
  MakeSplashImage(this, QPoint(144, 40));

  // The white outline round the whole window, over the picture.
  auto* shape1 = new QFrame(this);
  shape1->setObjectName(QStringLiteral("Shape1"));
  shape1->setGeometry(0, 0, 361, 233);
  shape1->setStyleSheet(
      QStringLiteral("QFrame#Shape1 { border: 1px solid white; background: transparent; }"));

  MakeLabel(this, "Label1", tr("Corvelle"), QRect(48, 24, 83, 18), Verdana(12, true),
            QColor(0xC0, 0xC0, 0xC0))
      ->adjustSize();
  MakeLabel(this, "Label2", tr("Varenna Pro"), QRect(69, 40, 223, 29), Verdana(18, true),
            QColor(0xE0, 0xE0, 0xE0))
      ->adjustSize();
  label5_ = MakeLabel(this, "Label5", QStringLiteral("v."), QRect(226, 66, 51, 12), Verdana(6.75, false),
                      Qt::white);
  label4_ = MakeLabel(this, "Label4", tr("Loading..."), QRect(92, 120, 177, 17), Verdana(8.25, true),
                      QColor(0xE0, 0xE0, 0xE0));
  label4_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

  label5_->setText(tr("v.%1").arg(ProgramVersionText()));
  label5_->adjustSize();

  timer1_ = new QTimer(this);
  timer1_->setObjectName(QStringLiteral("Timer1"));
  timer1_->setInterval(kHandOverInterval);
  connect(timer1_, &QTimer::timeout, this, &SplashWindow::HandOverTick);

  timer2_ = new QTimer(this);
  timer2_->setObjectName(QStringLiteral("Timer2"));
  timer2_->setInterval(kFirstInterval);
  connect(timer2_, &QTimer::timeout, this, &SplashWindow::StepTick);
  timer2_->start();

  if (const QScreen* screen = this->screen()) {
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->geometry().center());
    move(frame.topLeft());
  }
}

void SplashWindow::StepTick() {
  if (ticks_ >= static_cast<int>(kSteps.size())) return;
  ticks_ += 1;
  const Step& step = kSteps[static_cast<std::size_t>(ticks_ - 1)];
  if (step.next_interval > 0) {
    timer2_->start(step.next_interval);  // restarts, counting from this tick
  } else {
    timer2_->stop();
    // The load runs inside this tick, so Timer1's two seconds count from
    // its end.
    if (load_main_) main_ = load_main_();
    timer1_->start(kHandOverInterval);
    emit MainWindowLoaded(main_);
  }
  label4_->setText(QString::fromLatin1(step.message));
}

void SplashWindow::HandOverTick() {
  timer1_->stop();
  QWidget* main = main_;
  if (main) main->show();
  emit HandedOver(main);
  close();  // deletes the splash
}

}  // namespace vr
