// A host that passes every call on and keeps the time spent waiting on a
// person (the questions, and notices a window shows until dismissed), so a
// run's time and its estimate of the time left leave it out.
#pragma once

#include <chrono>

#include "thumbnail/run/build_host.h"

namespace vr {

class QuestionClock final : public BuildHost {
 public:
  explicit QuestionClock(BuildHost& host) : host_(host) {}

  bool AskCreateFolder(const std::string& folder) override {
    const Waiting waiting(waited_);
    return host_.AskCreateFolder(folder);
  }
  std::optional<ExistingAnswer> AskReplaceExisting(const std::string& path) override {
    const Waiting waiting(waited_);
    return host_.AskReplaceExisting(path);
  }
  void Notice(const std::string& message) override {
    const Waiting waiting(waited_);
    host_.Notice(message);
  }
  void Progress(int percent) override { host_.Progress(percent); }
  void RowsDone(std::int32_t done, std::int32_t total, std::optional<double> seconds_left) override {
    host_.RowsDone(done, total, seconds_left);
  }
  void KeepAlive() override { host_.KeepAlive(); }

  // Seconds since `start` less those spent waiting on the host's person.
  double WorkingSeconds(std::chrono::steady_clock::time_point start) const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - waited_;
  }

 private:
  // Adds the time from its making to its end to `total`.
  class Waiting {
   public:
    explicit Waiting(double& total) : total_(total) {}
    ~Waiting() { total_ += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin_).count(); }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

   private:
    double& total_;
    std::chrono::steady_clock::time_point begin_ = std::chrono::steady_clock::now();
  };

  BuildHost& host_;
  double waited_ = 0.0;
};

}  // namespace vr
