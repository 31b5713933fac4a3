#include "windows/window_place.h"

#include <QRect>
#include <QScreen>
#include <QSettings>
#include <QWidget>

namespace vr {
namespace {

constexpr const char* kPlaceKey = "MainWindow/geometry";

QSettings WindowSettings() { return QSettings(QStringLiteral("Corvelle"), QStringLiteral("Varenna Pro")); }

}  // namespace

void RestoreWindowPlace(QWidget& window, const QSize& classic) {
  const QByteArray saved = WindowSettings().value(QLatin1String(kPlaceKey)).toByteArray();
  // Qt's own record also brings back a window that would lie off screen.
  if (!saved.isEmpty() && window.restoreGeometry(saved)) return;
  window.resize(classic);
  if (const QScreen* screen = window.screen()) {
    QRect frame(QPoint(0, 0), classic);
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

void SaveWindowPlace(const QWidget& window) {
  WindowSettings().setValue(QLatin1String(kPlaceKey), window.saveGeometry());
}

}  // namespace vr
