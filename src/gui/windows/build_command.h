// "Build Thumbnails" in the window: the main window is disabled (but keeps
// repainting) while the build runs, the progress window shows the rows done
// and offers Cancel, the questions and notices go through the user dialogs,
// and the run ends with its message: "Process done!" and its counts when
// every row was written, else a warning with "N of M written" and every
// failed row behind Details.
#pragma once

#include <QMessageBox>
#include <QString>
#include <atomic>
#include <string>

#include "thumbnail/run/build_host.h"
#include "thumbnail/run/build_run.h"

namespace vr {

class MainWindow;
class ProgressWindow;

// The window's side of a build.
class WindowBuildHost final : public BuildHost {
 public:
  // `stop` is the run's stop flag: set by Cancel, and by a close of the
  // main window the person confirmed.
  WindowBuildHost(MainWindow& window, ProgressWindow& progress, std::atomic<bool>& stop)
      : window_(window), progress_(progress), stop_(stop) {}

  // Yes/No titled "Varenna Pro": the folder, a line break and
  // "Directory does not exist. Do you want to create it?".
  bool AskCreateFolder(const std::string& folder) override;
  // The file, and Yes, Yes to All, No, No to All.
  std::optional<ExistingAnswer> AskReplaceExisting(const std::string& path) override;
  // Moves Bar1 and lets the windows repaint.
  void Progress(int percent) override;
  // "N of M" and the time left under the bar.
  void RowsDone(std::int32_t done, std::int32_t total, std::optional<double> seconds_left) override;
  // A warning box titled "Varenna Pro".
  void Notice(const std::string& message) override;
  void KeepAlive() override;

 private:
  void LetWindowsRun();

  MainWindow& window_;
  ProgressWindow& progress_;
  std::atomic<bool>& stop_;
};

// The folder question's text for `folder`.
QString CreateFolderQuestion(const std::string& folder);

// The question about a thumbnail already at `path`.
QString ReplaceExistingQuestion(const std::string& path);

// The final message's icon, text and details for a run's summary.
struct BuildReport {
  QMessageBox::Icon icon = QMessageBox::Information;
  QString text;
  QString details;  // every failed, colliding or damaged row; empty when none
};
BuildReport BuildReportFor(const BuildSummary& summary);

struct BuildCommandResult {
  bool ran = false;  // false for an empty list
  BuildSummary summary;
};

BuildCommandResult BuildThumbnails(MainWindow& window, const BuildOptions& options = {});

}  // namespace vr
