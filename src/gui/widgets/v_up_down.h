// Up and down arrows attached to a line edit (its buddy). The arrows and the
// up/down keys in the buddy step a whole number by 1 within Min..Max and write
// it into the buddy as plain decimal text; reading Value takes the number back
// from the buddy's text.
//
// The range is handed to the arrows packed into one 32-bit word, Max in the
// low 16 bits and Min in the high 16 bits. A Min whose low 16 bits are 0x8000
// or more (every negative Min) overflows that packing: sending the range then
// throws vr::PropertyError (overflow) and the range is not sent, while the
// value just written stays stored. The usable Min is 0..32767.
//
// Host order: SetBuddy, SetMax, SetMin, SetValue, then Enabled as needed.
//
// The buddy's tooltip names the range. Text typed outside it is held to the
// range when the buddy's editing ends (or when the host calls Correct), in
// plain sight: the buddy shows the held number and Corrected says why.
#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <cstdint>

namespace vr {

class UpDownArrows;

class vUpDown : public QObject {
  Q_OBJECT

 public:
  explicit vUpDown(QObject* parent = nullptr);
  ~vUpDown() override;
  vUpDown(const vUpDown&) = delete;
  vUpDown& operator=(const vUpDown&) = delete;

  // Attaches the arrows to `buddy`, inside the buddy's parent widget at the
  // buddy's right edge. A buddy without a parent gets no arrows. Meant to be
  // called once; a second call replaces the earlier arrows.
  void SetBuddy(QLineEdit* buddy);
  QLineEdit* Buddy() const { return buddy_; }

  std::int32_t Min() const { return min_; }
  void SetMin(std::int32_t min);
  std::int32_t Max() const { return max_; }
  void SetMax(std::int32_t max);

  // While attached, writing moves the arrows' position (kept within the range)
  // and shows it in the buddy; reading takes the buddy's number, or the last
  // valid position when the text is not a number in range.
  std::int32_t Value();
  void SetValue(std::int32_t value);

  // Holds the buddy's text to the range (the last valid position when it is
  // no number) and shows the result there. Returns the note Corrected
  // carries, empty when the text was already a number in range.
  QString Correct();

  // Enables or disables the arrows only; the buddy is left alone.
  void Enabled(bool enabled);
  // Repaints the arrows at once.
  void Refresh();

  // The arrows' widget (objectName "upDown", buttons "upArrow" and "downArrow"), or null before attaching.
  QWidget* ArrowWindow() const;

  // Min's and Max's low 16 bits packed as the arrows take them; throws the overflow error.
  static std::int32_t PackRange(std::int32_t min, std::int32_t max);
  // The last range word handed to the arrows (0 before any).
  std::int32_t SentRange() const { return sent_range_; }

 signals:
  // The buddy's text was replaced by the held number; `note` says why.
  void Corrected(const QString& note);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void SendRange();
  void DestroyArrows();

  QPointer<QLineEdit> buddy_;
  QPointer<UpDownArrows> arrows_;
  std::int32_t min_ = 3;
  std::int32_t max_ = 20;
  std::int32_t value_ = 0;
  std::int32_t sent_range_ = 0;
};

}  // namespace vr
