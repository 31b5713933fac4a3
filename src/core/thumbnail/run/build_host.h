// What a build needs from whoever runs it: a person to answer the folder
// question, somewhere to show progress and notices. The windows and the
// command line each provide one; a build calls it only on its own thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vr {

class BuildHost {
 public:
  virtual ~BuildHost() = default;

  // The output folder does not exist: may it be created? `folder` is the
  // folder as set. No skips the row.
  virtual bool AskCreateFolder(const std::string& folder) = 0;

  // A thumbnail of that name is already there and the policy is to ask:
  // replace it or not, and whether the answer holds for the rest of the
  // run. None when there is no one to ask: the file is then left and the
  // row skipped.
  struct ExistingAnswer {
    bool replace = false;
    bool for_all = false;
  };
  virtual std::optional<ExistingAnswer> AskReplaceExisting(const std::string& /*path*/) {
    return std::nullopt;
  }

  // How far the run has got, 0 to 100.
  virtual void Progress(int percent) = 0;

  // The same as rows: `done` of `total` reported, and the seconds the rest
  // should take once enough rows tell (none before).
  virtual void RowsDone(std::int32_t /*done*/, std::int32_t /*total*/,
                        std::optional<double> /*seconds_left*/) {}

  // Something the person should know that does not stop the run (a folder
  // that cannot be created, a watermark that cannot be read). Said once each.
  virtual void Notice(const std::string& message) = 0;

  // Called every few tens of milliseconds while the run waits for its
  // workers, so a window can repaint.
  virtual void KeepAlive() {}
};

}  // namespace vr
