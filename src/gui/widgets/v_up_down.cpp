#include "widgets/v_up_down.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/property_error.h"
#include "widgets/typed_number.h"

namespace vr {

// The arrow pair itself. Like the platform's spin control it keeps its own
// range and position as 16-bit numbers, writes the position into the buddy as
// decimal text, and takes the buddy's number back when asked or stepped.
class UpDownArrows : public QWidget {
 public:
  UpDownArrows(QLineEdit* buddy, QWidget* parent) : QWidget(parent), buddy_(buddy) {
    setObjectName("upDown");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    up_ = MakeButton("upArrow", Qt::UpArrow, +1);
    down_ = MakeButton("downArrow", Qt::DownArrow, -1);
    layout->addWidget(up_);
    layout->addWidget(down_);
  }

  // Upper end in the low 16 bits, lower end in the high 16 bits, each a signed 16-bit number.
  void SetRangeWord(std::int32_t word) {
    const auto bits = static_cast<std::uint32_t>(word);
    high_ = static_cast<std::int16_t>(bits & 0xFFFFu);
    low_ = static_cast<std::int16_t>(bits >> 16);
  }

  // The position is kept within the range and shown in the buddy.
  void SetPosition(std::int32_t value) {
    position_ = Clamp(static_cast<std::int16_t>(static_cast<std::uint32_t>(value) & 0xFFFFu));
    WriteBuddy();
  }

  // The position in the low 16 bits; the high 16 bits are set when the
  // buddy's text is not a number in range, and the last valid position stands.
  std::int32_t Position() {
    const bool valid = ReadBuddy();
    const std::uint32_t low = static_cast<std::uint16_t>(position_);
    return static_cast<std::int32_t>(valid ? low : (0x10000u | low));
  }

  // One step towards the upper end (+1) or the lower end (-1).
  void Step(int direction) {
    ReadBuddy();
    const int towards_high = high_ >= low_ ? 1 : -1;
    const int moved = Clamp(position_ + direction * towards_high);
    if (moved == position_) return;
    position_ = static_cast<std::int16_t>(moved);
    WriteBuddy();
  }

  int ArrowWidth() const { return std::max(12, style()->pixelMetric(QStyle::PM_ScrollBarExtent)); }

 private:
  QToolButton* MakeButton(const char* name, Qt::ArrowType arrow, int direction) {
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    connect(button, &QToolButton::clicked, this, [this, direction] { Step(direction); });
    return button;
  }

  int Lowest() const { return std::min<int>(low_, high_); }
  int Highest() const { return std::max<int>(low_, high_); }
  int Clamp(int value) const { return std::clamp(value, Lowest(), Highest()); }

  bool ReadBuddy() {
    if (!buddy_) return false;
    bool ok = false;
    const int number = buddy_->text().trimmed().toInt(&ok, 10);
    if (!ok || number < Lowest() || number > Highest()) return false;
    position_ = static_cast<std::int16_t>(number);
    return true;
  }

  void WriteBuddy() {
    if (buddy_) buddy_->setText(QString::number(position_));
  }

  QPointer<QLineEdit> buddy_;
  QToolButton* up_ = nullptr;
  QToolButton* down_ = nullptr;
  // The platform control's range before anyone sets one: 100 down to 0.
  std::int16_t low_ = 100;
  std::int16_t high_ = 0;
  std::int16_t position_ = 0;
};

vUpDown::vUpDown(QObject* parent) : QObject(parent) {}

vUpDown::~vUpDown() { DestroyArrows(); }

QWidget* vUpDown::ArrowWindow() const { return arrows_.data(); }

std::int32_t vUpDown::PackRange(std::int32_t min, std::int32_t max) {
  const std::uint32_t low_min = static_cast<std::uint32_t>(min) & 0xFFFFu;
  const std::uint32_t low_max = static_cast<std::uint32_t>(max) & 0xFFFFu;
  // The lower end is multiplied into the high half in signed 32-bit arithmetic.
  if (low_min >= 0x8000u) throw PropertyError::Overflow("Min");
  return static_cast<std::int32_t>(low_min * 65536u + low_max);
}

void vUpDown::SetBuddy(QLineEdit* buddy) {
  DestroyArrows();
  buddy_ = buddy;
  if (!buddy || !buddy->parentWidget()) return;
  arrows_ = new UpDownArrows(buddy, buddy->parentWidget());
  buddy->installEventFilter(this);
  // The arrows cover the buddy's right edge at its height; the text stops short of them.
  buddy->setTextMargins(0, 0, arrows_->ArrowWidth(), 0);
  arrows_->setGeometry(buddy->geometry().right() + 1 - arrows_->ArrowWidth(), buddy->y(),
                       arrows_->ArrowWidth(), buddy->height());
  arrows_->raise();
  arrows_->setVisible(buddy->isVisibleTo(buddy->parentWidget()));
  connect(buddy, &QLineEdit::editingFinished, arrows_.data(), [this] { Correct(); });
  SendRange();
}

void vUpDown::DestroyArrows() {
  if (buddy_) {
    buddy_->removeEventFilter(this);
    if (arrows_) buddy_->setTextMargins(0, 0, 0, 0);
  }
  delete arrows_.data();
  arrows_ = nullptr;
}

void vUpDown::SendRange() {
  if (!arrows_) return;
  const std::int32_t word = PackRange(min_, max_);
  arrows_->SetRangeWord(word);
  sent_range_ = word;
  if (buddy_) buddy_->setToolTip(RangeText(std::min(min_, max_), std::max(min_, max_)));
}

QString vUpDown::Correct() {
  if (!buddy_ || !arrows_) return {};
  const std::int32_t low = std::min(min_, max_), high = std::max(min_, max_);
  const QString typed = buddy_->text();
  const TypedNumber held = HoldToRange(typed, low, high, Value());
  SetValue(held.value);
  if (!held.corrected) return {};
  const QString note = CorrectionNote(typed, low, high, held.value);
  emit Corrected(note);
  return note;
}

void vUpDown::SetMin(std::int32_t min) {
  min_ = min;
  SendRange();
}

void vUpDown::SetMax(std::int32_t max) {
  max_ = max;
  SendRange();
}

void vUpDown::SetValue(std::int32_t value) {
  value_ = value;
  if (arrows_) arrows_->SetPosition(value);
}

std::int32_t vUpDown::Value() {
  if (arrows_) {
    const auto reply = static_cast<std::uint32_t>(arrows_->Position());
    value_ = static_cast<std::int16_t>(reply & 0xFFFFu);
  }
  return value_;
}

void vUpDown::Enabled(bool enabled) {
  if (arrows_) arrows_->setEnabled(enabled);
}

void vUpDown::Refresh() {
  if (arrows_) arrows_->repaint();
}

bool vUpDown::eventFilter(QObject* watched, QEvent* event) {
  if (watched != buddy_.data() || !arrows_) return QObject::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress: {
      const int key = static_cast<QKeyEvent*>(event)->key();
      if ((key == Qt::Key_Up || key == Qt::Key_Down) && arrows_->isEnabled()) {
        arrows_->Step(key == Qt::Key_Up ? +1 : -1);
        return true;
      }
      break;
    }
    case QEvent::Move:
    case QEvent::Resize: {
      const int width = arrows_->ArrowWidth();
      arrows_->setGeometry(buddy_->geometry().right() + 1 - width, buddy_->y(), width, buddy_->height());
      break;
    }
    case QEvent::Show:
      arrows_->show();
      arrows_->raise();
      break;
    case QEvent::Hide:
      arrows_->hide();
      break;
    default:
      break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace vr
