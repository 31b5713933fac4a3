// The fonts, background and coloured labels the program's windows are drawn
// with.
#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>
#include <QString>

namespace vr {

// Verdana at `points`, the program's face in every window.
inline QFont Verdana(double points, bool bold = false) {
  QFont font(QStringLiteral("Verdana"));
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

// A black window background, as the splash and the About box have.
inline void FillBlack(QWidget* window) {
  window->setAutoFillBackground(true);
  QPalette black = window->palette();
  black.setColor(QPalette::Window, Qt::black);
  window->setPalette(black);
}

// A label with its objectName, font and text colour, drawn over whatever its
// window paints behind it. The caller places it.
inline QLabel* MakeColouredLabel(QWidget* parent, const char* name, const QString& text, const QFont& font,
                                 const QColor& colour) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFont(font);
  label->setAttribute(Qt::WA_TranslucentBackground);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

}  // namespace vr
