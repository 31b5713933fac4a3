#include "windows/add_folder.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <memory>

#include "base/rounding.h"
#include "list/folder_scan.h"
#include "support/user_dialogs.h"
#include "widgets/percent_bar.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/progress_window.h"

namespace vr {

std::int32_t FolderProgressStep(std::int32_t count) {
  if (count <= 0) return 0;
  return RoundHalfEven(100.0 / static_cast<double>(count));
}

void AddFromFolder(MainWindow& window) {
  const QString folder = Dialogs().PickFolder(&window, QStringLiteral("Select the Folder"), QString());
  if (!folder.isEmpty()) AddFolderRows(window, folder);
}

bool AddFolderRows(MainWindow& window, const QString& folder) {
  // Regular files directly inside, bmp then jpg then png, extensions in any case.
  const Expected<std::vector<std::string>> found = ScanPictureFolder(QFile::encodeName(folder).toStdString());
  if (!found.ok() || found->empty()) return false;
  const std::vector<std::string>& pictures = *found;

  window.setEnabled(false);
  const std::int32_t step = FolderProgressStep(static_cast<std::int32_t>(pictures.size()));
  // No parent: a child of the disabled window would be greyed with it.
  auto progress = std::make_unique<ProgressWindow>();
  progress->show();
  PercentBar* bar = progress->progressBar();
  window.BeginWork(QStringLiteral("Pictures are still being added. Stop adding and close?"));

  for (const std::string& picture : pictures) {
    // Cancel keeps the rows added so far, as a stop does, without closing.
    if (window.StopRequested() || progress->wasCancelled()) break;
    window.grid()->AddFile(picture, window.settings());
    bar->SetValue(bar->Value() + step);
    QApplication::processEvents();
  }

  const bool stopped = window.StopRequested();
  progress.reset();
  window.ShowRowCount();
  window.setEnabled(true);
  window.EnableListCommands();
  window.EndWork();
  return stopped;
}

}  // namespace vr
