#include "windows/build_command.h"

#include <QApplication>
#include <QCoreApplication>
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

QString ReplaceExistingQuestion(const std::string& path) {
  return QString::fromStdString(path) + QLatin1Char('\n') +
         QCoreApplication::translate("BuildCommand",
                                     "A thumbnail of that name is already there. Replace it?");
}

bool WindowBuildHost::AskCreateFolder(const std::string& folder) {
  return AskYesNo(&window_, kTitle, CreateFolderQuestion(folder));
}

std::optional<BuildHost::ExistingAnswer> WindowBuildHost::AskReplaceExisting(const std::string& path) {
  const QMessageBox::StandardButton answer = Dialogs().Message(
      &window_, QMessageBox::Question, kTitle, ReplaceExistingQuestion(path),
      QMessageBox::Yes | QMessageBox::YesToAll | QMessageBox::No | QMessageBox::NoToAll, QMessageBox::No);
  return ExistingAnswer{answer == QMessageBox::Yes || answer == QMessageBox::YesToAll,
                        answer == QMessageBox::YesToAll || answer == QMessageBox::NoToAll};
}

void WindowBuildHost::Progress(int percent) {
  progress_.progressBar()->SetValue(percent);
  LetWindowsRun();
}

void WindowBuildHost::RowsDone(std::int32_t done, std::int32_t total, std::optional<double> seconds_left) {
  progress_.setProgress(done, total, seconds_left);
}

// Cancel and a confirmed close are both seen here, between rows.
void WindowBuildHost::LetWindowsRun() {
  QApplication::processEvents();
  if (window_.StopRequested()) stop_ = true;
}

void WindowBuildHost::Notice(const std::string& message) {
  Dialogs().Message(&window_, QMessageBox::Warning, kTitle, ForDisplay(message), QMessageBox::Ok,
                    QMessageBox::Ok);
}

void WindowBuildHost::KeepAlive() { LetWindowsRun(); }

BuildReport BuildReportFor(const BuildSummary& summary) {
  BuildReport report;
  report.icon = summary.AllWritten() ? QMessageBox::Information : QMessageBox::Warning;
  report.text = JoinedLines(BuildMessageLines(summary));
  report.details = JoinedLines(BuildDetailLines(summary));
  return report;
}

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

  // Each row with the folder it was added from, below which OUTkeeptree
  // mirrors its folders.
  const std::vector<std::string> paths = grid.list().paths();
  const std::vector<std::string> roots = grid.list().roots();
  std::vector<RunSource> sources;
  sources.reserve(paths.size());
  for (std::size_t i = 0; i < paths.size(); ++i)
    sources.push_back({paths[i], i < roots.size() ? roots[i] : ""});

  std::atomic<bool> stop{false};
  QObject::connect(progress.get(), &ProgressWindow::cancelRequested, [&stop] { stop = true; });
  WindowBuildHost host(window, *progress, stop);
  window.BeginWork(QStringLiteral("Thumbnails are still being built. Stop the build and close?"));
  progress->activateWindow();
  progress->setFocus();
  BuildOptions run_options = options;
  run_options.stop = &stop;
  result.summary =
      RunBuild(window.settings(), sources, host, window.counter(), window.outputs(), run_options);

  progress.reset();
  window.SetStatus(QStringLiteral("Varenna Pro"));
  window.EnableUpload();
  window.setEnabled(true);
  window.activateWindow();
  const BuildReport report = BuildReportFor(result.summary);
  Dialogs().Report(&window, report.icon, kTitle, report.text, report.details);
  // Only now may a close asked for during the build take the window away.
  window.EndWork();
  return result;
}

}  // namespace vr
