// "Add from Folder": every BMP, then JPEG, then PNG file directly inside the
// chosen folder becomes a row while the progress window counts them. The
// main window is disabled for the whole scan.
#pragma once

#include <QString>
#include <cstdint>

namespace vr {

class MainWindow;

// What the bar gains per file: 100 / count rounded half to even (3 files
// give 33, 200 give 0). 0 for no files.
std::int32_t FolderProgressStep(std::int32_t count);

// Asks for the folder; a cancelled question, a folder that cannot be read
// or one without pictures adds nothing.
void AddFromFolder(MainWindow& window);

// The same for a folder named elsewhere (the command line), without asking
// for it. True when the window was closed meanwhile: the caller adds no more.
bool AddFolderRows(MainWindow& window, const QString& folder);

}  // namespace vr
