#include "windows/about_dialog.h"

#include <QFile>
#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScreen>
#include <QStringList>
#include <QSvgRenderer>
#include <QVBoxLayout>

#include "support/window_text.h"

namespace vr {

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
  setWindowTitle(tr("About..."));
  setFont(Verdana(8.25));
  // The desktop's own colours, light or dark; the picture carries the look.
  QLabel* image = MakeSplashImage(this, QPoint(0, 0));
  image->setFixedSize(image->size());

  auto label = [this](const char* name, const QString& text, const QFont& font) {
    auto* made = new QLabel(text, this);
    made->setObjectName(QString::fromLatin1(name));
    made->setFont(font);
    return made;
  };
  QLabel* maker = label("Label1", tr("Corvelle"), Verdana(12, true));
  QLabel* product = label("Label2", tr("Varenna Pro"), Verdana(15.75, true));
  label5_ = label("Label5", tr("v.%1").arg(ProgramVersionText()), Verdana(6.75));
  QLabel* engine = label("Label6", tr(kEngineLine), Verdana(8.25));
  engine->setWordWrap(true);

  text1_ = new QPlainTextEdit(this);
  text1_->setObjectName(QStringLiteral("Text1"));
  text1_->setReadOnly(true);
  text1_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  text1_->setPlainText(AboutText());
  text1_->setMinimumHeight(kTextHeight);

  auto* names = new QVBoxLayout;
  names->addSpacing(kTextHeight / 8);
  names->addWidget(maker);
  names->addWidget(product);
  names->addWidget(label5_, 0, Qt::AlignRight);
  names->addStretch();
  names->addWidget(engine);
  names->addStretch();
  auto* top = new QHBoxLayout;
  top->addWidget(image, 0, Qt::AlignTop);
  top->addLayout(names, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(text1_, 1);
  // At least the classic size; larger when the fonts or the scale need it.
  setMinimumSize(kClientWidth, kClientHeight);
  resize(sizeHint().expandedTo(QSize(kClientWidth, kClientHeight)));

  if (const QScreen* screen = this->screen()) {
    QRect frame(QPoint(0, 0), size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

}  // namespace vr
