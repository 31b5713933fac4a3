#include "windows/about_dialog.h"

#include <QFile>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringList>
#include <QSvgRenderer>

#include "support/window_text.h"

namespace vr {

namespace {

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text, const QPoint& place,
                  const QFont& font, const QColor& colour) {
  QLabel* label = MakeColouredLabel(parent, name, text, font, colour);
  label->move(place);
  label->adjustSize();  // the labels widen to fit their text
  return label;
}

}  // namespace

QString VersionText(int major, int minor, int revision) {
  return QStringLiteral("%1.%2.%3")
      .arg(major)
      .arg(minor, 2, 10, QLatin1Char('0'))
      .arg(revision, 4, 10, QLatin1Char('0'));
}

QString ProgramVersionText() {
#ifdef VARENNA_VERSION
  const QStringList parts = QString::fromLatin1(VARENNA_VERSION).split(QLatin1Char('.'));
#else
  const QStringList parts;
#endif
  auto part = [&](int i) { return i < parts.size() ? parts[i].toInt() : 0; };
  return VersionText(part(0), part(1), part(2));
}

QPixmap RenderSvg(const QString& resource, const QSize& size) {
  QPixmap pixmap(size);
  pixmap.fill(Qt::transparent);
  QSvgRenderer renderer(resource);
  if (renderer.isValid()) {
    QPainter painter(&pixmap);
    renderer.render(&painter);
  }
  return pixmap;
}

QPixmap SplashPicture() { return RenderSvg(QStringLiteral(":/splash.svg"), QSize(209, 172)); }

QLabel* MakeSplashImage(QWidget* parent, const QPoint& at) {
  auto* image = new QLabel(parent);
  image->setObjectName(QStringLiteral("Image1"));
  image->setGeometry(QRect(at, QSize(209, 172)));
  image->setPixmap(SplashPicture());
  return image;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int side : {16, 32, 48, 64})
    icon.addPixmap(RenderSvg(QStringLiteral(":/varenna.svg"), QSize(side, side)));
  return icon;
}

QString AboutText(const QString& file_name) {
  QFile file(file_name);
  if (!file.open(QIODevice::ReadOnly)) return {};
  QByteArray bytes = file.readAll();
  // Kept as the old resource block was: text, then NUL padding.
  const qsizetype nul = bytes.indexOf('\0');
  if (nul >= 0) bytes.truncate(nul);
  QString text = QString::fromUtf8(bytes);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
  setObjectName(QStringLiteral("Form7"));
  setWindowTitle(QStringLiteral("About..."));
  setFont(Verdana(8.25));
  setFixedSize(kClientWidth, kClientHeight);
  FillBlack(this);
  MakeSplashImage(this, QPoint(8, 8));

  MakeLabel(this, "Label1", QStringLiteral("Corvelle"), QPoint(144, 24), Verdana(12, true),
            QColor(0xE0, 0xE0, 0xE0));
  MakeLabel(this, "Label2", QStringLiteral("Varenna Pro"), QPoint(176, 40), Verdana(15.75, true),
            QColor(0xC0, 0xC0, 0xFF));
  label5_ = MakeLabel(this, "Label5", QStringLiteral("v.") + ProgramVersionText(), QPoint(304, 64),
                      Verdana(6.75), Qt::white);
  MakeLabel(this, "Label6", QString::fromLatin1(kEngineLine), QPoint(160, 128), Verdana(8.25),
            QColor(0xE0, 0xE0, 0xE0));

  text1_ = new QPlainTextEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setGeometry(8, 176, 401, 145);
  text1_->setReadOnly(true);
  text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette text_palette = text1_->palette();
  text_palette.setColor(QPalette::Base, Qt::black);
  text_palette.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
  text1_->setPalette(text_palette);
  text1_->setPlainText(AboutText());

  if (const QScreen* screen = this->screen()) {
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace vr
