// Worker threads that render planned rows, one engine each, and as many
// writer threads that put the finished files in place (written beside the
// target, flushed to the disk, renamed), so a worker goes on to the next
// picture while the disk catches up. The run's own thread submits rows and
// collects what finished; workers never call the host and never touch the
// run's counters. A row counts as finished once its file is in place.
// Rows start in the order ChooseNextRow gives: as submitted, large decodes
// early and apart, all within a memory budget.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/status.h"
#include "imaging/decode_warning.h"
#include "imaging/image.h"
#include "thumbnail/rendering.h"
#include "thumbnail/run/start_order.h"

namespace vr {

struct RenderDone {
  std::size_t index = 0;  // the row's place in the run, 0-based
  Status status = Status::Ok();
  DecodeWarning warning;    // what the source's decoder warned of
  std::uint64_t bytes = 0;  // the file's size, when written
  double ms = 0.0;          // from the start of rendering to the file in place
};

// Wall-clock milliseconds from `start` to now.
double MillisecondsSince(std::chrono::steady_clock::time_point start);

class RenderPool {
 public:
  // Bytes a row's decode will hold.
  using Pricing = std::function<std::uint64_t(const RowRecipe&)>;
  // Starts a thread running its argument; throws std::system_error when the
  // system refuses one (a thread limit, no memory for a stack).
  using ThreadStarter = std::function<std::thread(std::function<void()>)>;

  // `render` and `watermark` must outlive the pool; both are shared
  // read-only by every worker. Without `pricing` rows cost what their
  // recipes say (priced from the headers while planning). Up to `workers`
  // workers, each with a writer, are started; when the system refuses a
  // thread the pool works with those it has (see workers()).
  RenderPool(int workers, const RenderSettings& render, const Image& watermark, std::uint64_t decode_budget,
             Pricing pricing = {}, ThreadStarter start_thread = {});

  // The workers really running; 0 when not even one could be started, and
  // then nothing may be submitted.
  int workers() const { return static_cast<int>(threads_.size()); }
  ~RenderPool();
  RenderPool(const RenderPool&) = delete;
  RenderPool& operator=(const RenderPool&) = delete;

  // Prices the row (on the calling thread) and queues it.
  void Submit(std::size_t index, RowRecipe recipe);

  // Rows finished since the last call; waits up to `wait_ms` for at least one.
  std::vector<RenderDone> Collect(int wait_ms);

  // The most decode memory the rows running at once were priced at, and
  // the most large rows running at once.
  std::uint64_t peak_decode_bytes();
  int peak_large_rows();

 private:
  struct Task {
    std::size_t index = 0;
    RowRecipe recipe;
    std::uint64_t bytes = 0;
    bool large() const { return IsLargeDecode(bytes); }
  };

  struct Write {
    std::size_t index = 0;
    RowRecipe recipe;
    RenderedRow rendered;
    std::chrono::steady_clock::time_point started;
  };

  void Work();
  void WriteFiles();
  // Lets the workers finish what they started, then the writers; joins all.
  void Stop();
  // Takes the waiting task to start next into `task`; false when none fits.
  // Called with the lock held.
  bool TakeNext(Task& task);

  const RenderSettings& render_;
  const Image& watermark_;
  Pricing pricing_;
  std::mutex mutex_;
  std::condition_variable task_ready_;
  std::condition_variable done_ready_;
  std::condition_variable write_ready_;
  std::deque<Write> writes_;
  bool writers_stopping_ = false;
  std::vector<Task> tasks_;                   // in submission order
  std::vector<std::uint64_t> waiting_bytes_;  // TakeNext's scratch
  std::vector<RenderDone> done_;
  DecodeBudget budget_;
  std::uint64_t peak_decode_bytes_ = 0;
  int large_running_ = 0;
  int peak_large_rows_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
  std::vector<std::thread> writers_;
};

}  // namespace vr
