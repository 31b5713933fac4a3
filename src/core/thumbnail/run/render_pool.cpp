#include "thumbnail/run/render_pool.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

#include "imaging/engine.h"

namespace vr {

double MillisecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

RenderPool::RenderPool(int workers, const RenderSettings& render, const Image& watermark,
                       std::uint64_t decode_budget, Pricing pricing, ThreadStarter start_thread)
    : render_(render), watermark_(watermark), pricing_(std::move(pricing)), budget_(decode_budget) {
  if (!pricing_) pricing_ = [](const RowRecipe& recipe) { return recipe.decode_bytes; };
  if (!start_thread) start_thread = [](std::function<void()> body) { return std::thread(std::move(body)); };
  threads_.reserve(static_cast<std::size_t>(workers));
  writers_.reserve(static_cast<std::size_t>(workers));
  try {
    for (int i = 0; i < workers; ++i) {
      threads_.push_back(start_thread([this] { Work(); }));
      writers_.push_back(start_thread([this] { WriteFiles(); }));
    }
  } catch (const std::system_error&) {
    // Refused: go on with what runs. Workers without a writer of their own
    // share the others'; without any writer no worker may stay.
    if (writers_.empty()) Stop();
  }
}

RenderPool::~RenderPool() { Stop(); }

void RenderPool::Stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  task_ready_.notify_all();
  for (std::thread& thread : threads_) thread.join();
  // Every worker has handed over its last file; the writers finish theirs.
  {
    std::lock_guard lock(mutex_);
    writers_stopping_ = true;
  }
  write_ready_.notify_all();
  for (std::thread& writer : writers_) writer.join();
  threads_.clear();
  writers_.clear();
}

void RenderPool::Submit(std::size_t index, RowRecipe recipe) {
  Task task{index, std::move(recipe), 0};
  task.bytes = pricing_(task.recipe);
  {
    std::lock_guard lock(mutex_);
    tasks_.push_back(std::move(task));
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

std::uint64_t RenderPool::peak_decode_bytes() {
  std::lock_guard lock(mutex_);
  return peak_decode_bytes_;
}

int RenderPool::peak_large_rows() {
  std::lock_guard lock(mutex_);
  return peak_large_rows_;
}

bool RenderPool::TakeNext(Task& task) {
  waiting_bytes_.clear();
  for (const Task& t : tasks_) waiting_bytes_.push_back(t.bytes);
  const std::optional<std::size_t> next = ChooseNextRow(waiting_bytes_, budget_, large_running_);
  if (!next) return false;
  task = std::move(tasks_[*next]);
  tasks_.erase(tasks_.begin() + static_cast<std::ptrdiff_t>(*next));
  budget_.Take(task.bytes);
  peak_decode_bytes_ = std::max(peak_decode_bytes_, budget_.in_use());
  if (task.large()) peak_large_rows_ = std::max(peak_large_rows_, ++large_running_);
  return true;
}

void RenderPool::Work() {
  // Each worker keeps its engine, with its decoder handle and buffers, from
  // row to row.
  Engine engine;
  std::unique_lock lock(mutex_);
  for (;;) {
    Task task;
    bool taken = false;
    task_ready_.wait(lock, [&] { return (taken = TakeNext(task)) || stopping_; });
    if (!taken) return;  // stopping, and nothing left to start
    lock.unlock();
    const auto started = std::chrono::steady_clock::now();
    RenderedRow rendered;
    Status status = RenderRow(engine, render_, task.recipe, watermark_, rendered);
    lock.lock();
    budget_.Give(task.bytes);
    if (task.large()) --large_running_;
    if (status.ok()) {
      writes_.push_back({task.index, std::move(task.recipe), std::move(rendered), started});
      write_ready_.notify_one();
    } else {
      done_.push_back({task.index, std::move(status), DecodeWarning{}, 0, MillisecondsSince(started)});
      done_ready_.notify_one();
    }
    // The freed budget may admit a row that had to wait.
    task_ready_.notify_all();
  }
}

void RenderPool::WriteFiles() {
  std::unique_lock lock(mutex_);
  for (;;) {
    write_ready_.wait(lock, [this] { return writers_stopping_ || !writes_.empty(); });
    if (writes_.empty()) return;  // stopping, and every file written
    Write write = std::move(writes_.front());
    writes_.pop_front();
    lock.unlock();
    Status status = WriteRow(write.recipe, write.rendered);
    const std::uint64_t bytes = status.ok() ? write.rendered.bytes.size() : 0;
    const double ms = MillisecondsSince(write.started);
    lock.lock();
    done_.push_back({write.index, std::move(status), std::move(write.rendered.warning), bytes, ms});
    done_ready_.notify_one();
  }
}

}  // namespace vr
