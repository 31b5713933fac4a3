#include "windows/build_command.h"

#include <QApplication>
#include <QLabel>
#include <QStringList>
#include <memory>

#include "support/user_dialogs.h"
#include "widgets/percent_bar.h"
#include "windows/image_grid.h"
#include "windows/main_window.h"
#include "windows/progress_window.h"

namespace vr {

namespace {

const QString kTitle = QStringLiteral("Varenna Pro");

// Message boxes take plain line feeds.
QString ForDisplay(const std::string& text) {
  QString shown = QString::fromStdString(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return shown;
}

// The run's message lines, one per line of the box.
QString JoinedLines(const std::vector<std::string>& lines) {
  QStringList shown;
  for (const std::string& line : lines) shown << QString::fromStdString(line);
  return shown.join(QLatin1Char('\n'));
}

}  // namespace

QString CreateFolderQuestion(const std::string& folder) {
  return QString::fromStdString(folder) +
         QStringLiteral("\nDirectory does not exist. Do you want to create it?");
}

bool WindowBuildHost::AskCreateFolder(const std::string& folder) {
  return AskYesNo(&window_, kTitle, CreateFolderQuestion(folder));
}

void WindowBuildHost::Progress(int percent) {
  progress_.progressBar()->SetValue(percent);
  QApplication::processEvents();
}

void WindowBuildHost::Notice(const std::string& message) {
  Dialogs().Message(&window_, QMessageBox::Warning, kTitle, ForDisplay(message), QMessageBox::Ok,
                    QMessageBox::Ok);
}

void WindowBuildHost::KeepAlive() { QApplication::processEvents(); }

BuildCommandResult BuildThumbnails(MainWindow& window, const BuildOptions& options) {
  BuildCommandResult result;
  ImageGrid& grid = *window.grid();
  if (grid.RowCount() == 0) return result;
  result.ran = true;

  window.SetStatus(QStringLiteral("Building Thumbnails..."));
  window.setEnabled(false);

  // No parent: a child of the disabled window would be greyed with it.
  auto progress = std::make_unique<ProgressWindow>();
  progress->headline()->setText(QStringLiteral("Building Thumbnails..."));
  progress->progressBar()->SetValue(0);
  progress->show();
  QApplication::processEvents();

  const std::vector<std::string> sources = grid.list().paths();

  WindowBuildHost host(window, *progress);
  window.BeginWork(QStringLiteral("Thumbnails are still being built. Stop the build and close?"));
  BuildOptions run_options = options;
  run_options.stop = window.stopFlag();
  result.summary =
      RunBuild(window.settings(), sources, host, window.counter(), window.outputs(), run_options);

  progress.reset();
  window.SetStatus(QStringLiteral("Varenna Pro"));
  window.EnableUpload();
  window.setEnabled(true);
  window.activateWindow();
  Inform(&window, kTitle, JoinedLines(BuildMessageLines(result.summary)));
  // Only now may a close asked for during the build take the window away.
  window.EndWork();
  return result;
}

}  // namespace vr
