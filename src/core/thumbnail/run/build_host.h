// What a build needs from whoever runs it: a person to answer the folder
// question, somewhere to show progress and notices. The windows and the
// command line each provide one; a build calls it only on its own thread.
#pragma once

#include <string>

namespace vr {

class BuildHost {
 public:
  virtual ~BuildHost() = default;

  // The output folder does not exist: may it be created? `folder` is the
  // folder as set. No skips the row.
  virtual bool AskCreateFolder(const std::string& folder) = 0;

  // How far the run has got, 0 to 100.
  virtual void Progress(int percent) = 0;

  // Something the person should know that does not stop the run (a folder
  // that cannot be created, a watermark that cannot be read). Said once each.
  virtual void Notice(const std::string& message) = 0;

  // Called every few tens of milliseconds while the run waits for its
  // workers, so a window can repaint.
  virtual void KeepAlive() {}
};

}  // namespace vr
