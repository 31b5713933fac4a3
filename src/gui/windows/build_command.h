// "Build Thumbnails" in the window: the main window is disabled (but keeps
// repainting) while the build runs, the progress window shows the rows done,
// the folder question and notices go through the user dialogs, and the run
// ends with "Process done!" and its counts.
#pragma once

#include <QString>
#include <string>

#include "thumbnail/run/build_host.h"
#include "thumbnail/run/build_run.h"

namespace vr {

class MainWindow;
class ProgressWindow;

// The window's side of a build.
class WindowBuildHost final : public BuildHost {
 public:
  WindowBuildHost(MainWindow& window, ProgressWindow& progress) : window_(window), progress_(progress) {}

  // Yes/No titled "Varenna Pro": the folder, a line break and
  // "Directory does not exist. Do you want to create it?".
  bool AskCreateFolder(const std::string& folder) override;
  // Moves Bar1 and lets the windows repaint.
  void Progress(int percent) override;
  // A warning box titled "Varenna Pro".
  void Notice(const std::string& message) override;
  void KeepAlive() override;

 private:
  MainWindow& window_;
  ProgressWindow& progress_;
};

// The folder question's text for `folder`.
QString CreateFolderQuestion(const std::string& folder);

struct BuildCommandResult {
  bool ran = false;  // false for an empty list
  BuildSummary summary;
};

BuildCommandResult BuildThumbnails(MainWindow& window, const BuildOptions& options = {});

}  // namespace vr
