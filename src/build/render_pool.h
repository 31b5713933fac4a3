// Worker threads that render planned rows, one engine each. The run's own
// thread submits rows and collects what finished; workers never call the
// host and never touch the run's counters.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "build/pipeline.h"
#include "common/status.h"
#include "imaging/image.h"
#include "settings/settings_record.h"

namespace vr {

struct RenderDone {
  std::size_t index = 0;  // the row's place in the run, 0-based
  Status status = Status::Ok();
};

class RenderPool {
 public:
  // `settings` and `watermark` must outlive the pool; both are shared
  // read-only by every worker.
  RenderPool(int workers, const SettingsRecord& settings, const Image* watermark);
  ~RenderPool();
  RenderPool(const RenderPool&) = delete;
  RenderPool& operator=(const RenderPool&) = delete;

  void Submit(std::size_t index, RowPlan plan);

  // Rows finished since the last call; waits up to `wait_ms` for at least one.
  std::vector<RenderDone> Collect(int wait_ms);

 private:
  struct Task {
    std::size_t index = 0;
    RowPlan plan;
  };

  void Work();

  const SettingsRecord& settings_;
  const Image* watermark_;
  std::mutex mutex_;
  std::condition_variable task_ready_;
  std::condition_variable done_ready_;
  std::deque<Task> tasks_;
  std::vector<RenderDone> done_;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace vr
