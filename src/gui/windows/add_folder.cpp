#include "windows/add_folder.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <algorithm>
#include <memory>
#include <span>

#include "settings/settings_record.h"
#include "support/user_dialogs.h"
#include "widgets/percent_bar.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/progress_window.h"

namespace vr {

namespace {

// Rows go in by runs of this many, the window repainting after each, so a
// folder of 100,000 files fills in a few seconds and never freezes the
// window. The scan lets it repaint once this much time went by.
constexpr std::size_t kRowsPerRun = 2048;
constexpr int kRepaintEveryMs = 40;

// The remembered sub-folder choice under its stored name, the one the
// settings table gives the field.
void RememberSubfolderChoice(MainWindow& window, bool include_subfolders) {
  window.settings().GENsubfolders = include_subfolders ? 1 : 0;
  for (const SettingsField& field : SettingsFields()) {
    if (field.number != &SettingsRecord::GENsubfolders) continue;
    // Not kept across a restart when the store cannot be written; this
    // session still goes by it, and the next settings save retries.
    (void)window.store().WriteNumber(field.name, window.settings().GENsubfolders);
  }
}

}  // namespace

void AddFromFolder(MainWindow& window) {
  const PictureFolderChoice choice = Dialogs().PickPictureFolder(&window, QStringLiteral("Select the Folder"),
                                                                 window.settings().GENsubfolders == 1);
  if (choice.folder.isEmpty()) return;
  RememberSubfolderChoice(window, choice.include_subfolders);
  AddFolderRows(window, choice.folder, choice.include_subfolders);
}

FolderAddResult AddFolderRows(MainWindow& window, const QString& folder, bool recursive,
                              const FolderAddProgress& progress) {
  FolderAddResult result;
  window.setEnabled(false);
  // No parent: a child of the disabled window would be greyed with it.
  auto progress_window = std::make_unique<ProgressWindow>();
  progress_window->show();
  ProgressWindow* shown = progress_window.get();
  const FolderAddProgress report = progress ? progress : [shown](const FolderAddStep& step) {
    if (!step.scanning && step.found > 0)
      shown->setProgress(static_cast<std::int32_t>(step.listed), static_cast<std::int32_t>(step.found));
  };
  // Cancel keeps the rows added so far, as a stop does, without closing.
  const auto stopping = [&window, shown] { return window.StopRequested() || shown->wasCancelled(); };
  window.BeginWork(QObject::tr("Pictures are still being added. Stop adding and close?"));
  window.SetStatus(QObject::tr("Looking for pictures..."));

  QElapsedTimer since_repaint;
  since_repaint.start();
  FolderAddStep step;
  auto repaint_now_and_then = [&](bool always) {
    if (!always && since_repaint.elapsed() < kRepaintEveryMs) return;
    report(step);
    QApplication::processEvents();
    since_repaint.restart();
  };

  ScanOptions options;
  options.recursive = recursive;
  options.progress = [&](const FolderScan& so_far) {
    step.found = so_far.pictures.size();
    repaint_now_and_then(false);
    return !stopping();
  };
  const std::string root = QFile::encodeName(folder).toStdString();
  const Expected<FolderScan> scan = ScanPictureFolder(root, options);
  if (scan.ok() && !stopping()) {
    step.scanning = false;
    step.found = scan->pictures.size();
    repaint_now_and_then(true);
    const std::span<const ScannedPicture> pictures(scan->pictures);
    while (step.listed < pictures.size() && !stopping()) {
      const std::size_t count = std::min(kRowsPerRun, pictures.size() - step.listed);
      window.grid()->AddScanned(pictures.subspan(step.listed, count), root);
      step.listed += count;
      repaint_now_and_then(true);
    }
    result.added = step.listed;
    result.left_out = scan->left_out;
  }

  result.stopped = stopping();
  progress_window.reset();
  if (!scan.ok()) {
    window.SetStatus(QString::fromStdString(scan.message()));
  } else {
    window.ShowRowCount(result.left_out, scan->named);
  }
  window.setEnabled(true);
  if (window.grid()->RowCount() > 0) window.EnableListCommands();
  window.EndWork();
  return result;
}

}  // namespace vr
