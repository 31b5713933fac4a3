// Where the main window was and how large, kept between runs with the
// desktop's own per-user settings (QSettings: ~/.config/Corvelle/Varenna
// Pro.conf), beside the program's settings file but not in it: it is the
// window's own state, not a setting any build reads.
#pragma once

#include <QSize>

class QWidget;

namespace vr {

// The place saved last, maximised or not; without one, `classic` centred
// on the window's screen.
void RestoreWindowPlace(QWidget& window, const QSize& classic);

// Saves the window's place and size (and whether it is maximised).
void SaveWindowPlace(const QWidget& window);

}  // namespace vr
