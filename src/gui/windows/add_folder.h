// "Add from Folder": the pictures of the chosen folder (and, when "Include
// sub-folders" is ticked, of every folder below it) become rows, in the
// scan's order (list/folder_scan.h). The main window is disabled for the
// whole add but keeps repainting: the scan and the rows report progress as
// they go, and a close asks whether to stop. What the scan left out is
// counted by cause in the status line.
#pragma once

#include <QString>
#include <cstddef>
#include <functional>

#include "list/folder_scan.h"

namespace vr {

class MainWindow;

// Where a folder add is: while `scanning`, `found` pictures so far; then
// `listed` of the `found` rows are in the list.
struct FolderAddStep {
  bool scanning = true;
  std::size_t found = 0;
  std::size_t listed = 0;
};
// Called often enough to move a bar; the window has just repainted.
using FolderAddProgress = std::function<void(const FolderAddStep&)>;

struct FolderAddResult {
  bool stopped = false;  // a close asked to stop: the caller adds no more
  std::size_t added = 0;
  LeftOutCounts left_out;
};

// Asks for the folder and the sub-folder choice, which is remembered; a
// cancelled question, a folder that cannot be read or one without pictures
// adds nothing (the last two say so in the status line).
void AddFromFolder(MainWindow& window);

// The same for a folder named elsewhere (the command line, a drop), without
// asking. Without `progress`, the progress window's bar shows the rows
// listed.
FolderAddResult AddFolderRows(MainWindow& window, const QString& folder, bool recursive,
                              const FolderAddProgress& progress = {});

}  // namespace vr
