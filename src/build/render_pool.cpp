#include "build/render_pool.h"

#include <chrono>
#include <utility>

#include "imaging/engine.h"

namespace vr {

RenderPool::RenderPool(int workers, const SettingsRecord& settings, const Image* watermark)
    : settings_(settings), watermark_(watermark) {
  threads_.reserve(static_cast<std::size_t>(workers));
  for (int i = 0; i < workers; ++i) threads_.emplace_back([this] { Work(); });
}

RenderPool::~RenderPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  task_ready_.notify_all();
  for (std::thread& thread : threads_) thread.join();
}

void RenderPool::Submit(std::size_t index, RowPlan plan) {
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back({index, std::move(plan)});
  }
  task_ready_.notify_one();
}

std::vector<RenderDone> RenderPool::Collect(int wait_ms) {
  std::unique_lock lock(mutex_);
  done_ready_.wait_for(lock, std::chrono::milliseconds(wait_ms), [this] { return !done_.empty(); });
  std::vector<RenderDone> finished;
  finished.swap(done_);
  return finished;
}

void RenderPool::Work() {
  // Each worker keeps its engine, with its decoder handle and buffers, from
  // row to row.
  Engine engine;
  for (;;) {
    Task task;
    {
      std::unique_lock lock(mutex_);
      task_ready_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
      if (tasks_.empty()) return;
      task = std::move(tasks_.front());
      tasks_.pop_front();
    }
    Status status = RenderRow(engine, settings_, task.plan, watermark_);
    {
      std::lock_guard lock(mutex_);
      done_.push_back({task.index, std::move(status)});
    }
    done_ready_.notify_one();
  }
}

}  // namespace vr
