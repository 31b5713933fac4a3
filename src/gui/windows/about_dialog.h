// The About box (objectName "Form7"), and what it shares with the splash window: the
// version text and the pictures drawn from the program's SVG resources.
#pragma once

#include <QDialog>
#include <QPixmap>
#include <QString>

#include "support/data_files.h"

class QLabel;
class QPlainTextEdit;

namespace vr {

// major "." minor as two digits "." revision as four digits: 1.00.0049,
// 2.03.0007, 1.12.12345.
QString VersionText(int major, int minor, int revision);
// The program's own version (VARENNA_VERSION, "major.minor.revision").
QString ProgramVersionText();

// An SVG resource (":/splash.svg") drawn at `size`; an empty pixmap of that
// size when the resource is missing.
QPixmap RenderSvg(const QString& resource, const QSize& size);
// The 209 x 172 picture of the splash and the About box.
QPixmap SplashPicture();
// That picture as the window's label "Image1", its top left corner at `at`.
QLabel* MakeSplashImage(QWidget* parent, const QPoint& at);
// The program icon.
QIcon ProgramIcon();

// The about text as stored: trailing NUL bytes dropped, line ends made
// plain; empty when the file is missing.
QString AboutText(const QString& file = DataFile(QStringLiteral("about.txt")));

// The picture, the names and the version beside it, the about text below,
// laid out so nothing overlaps at any scale, in the desktop's colours.
class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  // The classic size, the least the box takes.
  static constexpr int kClientWidth = 418;
  static constexpr int kClientHeight = 359;
  static constexpr int kTextHeight = 145;
  static constexpr const char* kEngineLine = QT_TR_NOOP("Halvern Engine: 0.2.2a.win32(vrpro)");

  explicit AboutDialog(QWidget* parent = nullptr);

  QLabel* versionLabel() const { return label5_; }
  QPlainTextEdit* textBox() const { return text1_; }

 private:
  QLabel* label5_ = nullptr;
  QPlainTextEdit* text1_ = nullptr;
};

}  // namespace vr
