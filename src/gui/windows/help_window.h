// The help pages: "intro.htm" in the help folder beside the program, shown
// in a plain browser window owned by the main window. A missing page shows
// nothing at all.
#pragma once

#include <QString>

class QWidget;

namespace vr {

inline constexpr const char* kHelpTopic = "intro.htm";

// Opens the topic from `help_folder`; returns the window, or nullptr (and
// shows nothing) when the page is missing.
QWidget* ShowHelpTopic(QWidget* owner, const QString& help_folder);

}  // namespace vr
