// "Add from Folder": every BMP, then JPEG, then PNG file directly inside the
// chosen folder becomes a row while the progress window counts them. The
// main window is disabled for the whole scan.
#pragma once

#include <QString>
#include <cstdint>
#include <vector>

namespace vr {

class MainWindow;

// What the bar gains per file: 100 / count rounded half to even (3 files
// give 33, 200 give 0). 0 for no files.
std::int32_t FolderProgressStep(std::int32_t count);

// What a run did, for whoever wants to look: the bar's value after each
// file and whether the window was disabled then.
struct FolderAddTrace {
  std::int32_t added = 0;
  bool stopped = false;  // the window was closed meanwhile, and closes when it ends
  std::int32_t step = 0;
  std::vector<std::int32_t> bar_values;
  bool window_disabled_throughout = true;
  bool progress_shown_throughout = true;
};

FolderAddTrace AddFromFolder(MainWindow& window);

// The same for a folder named elsewhere (the command line), without asking
// for it.
FolderAddTrace AddFolderRows(MainWindow& window, const QString& folder);

}  // namespace vr
