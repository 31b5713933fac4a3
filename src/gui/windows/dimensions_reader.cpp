#include "windows/dimensions_reader.h"

#include <chrono>

namespace vr {

namespace {

// Answers are sent in batches: one repaint per batch, not per row.
constexpr std::size_t kBatchRows = 512;
constexpr auto kBatchTime = std::chrono::milliseconds(60);

}  // namespace

DimensionsReader::DimensionsReader(Deliver deliver, QObject* parent)
    : QObject(parent), deliver_(std::move(deliver)) {}

DimensionsReader::~DimensionsReader() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_.clear();
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void DimensionsReader::Read(std::vector<DimensionsRequest> requests) {
  if (requests.empty()) return;
  {
    std::lock_guard lock(mutex_);
    for (DimensionsRequest& request : requests) waiting_.push_back(std::move(request));
  }
  if (!thread_.joinable()) thread_ = std::thread([this] { Work(); });
  wake_.notify_one();
}

void DimensionsReader::Forget() {
  std::lock_guard lock(mutex_);
  waiting_.clear();
}

void DimensionsReader::Send(std::vector<DimensionsAnswer> answers) {
  // Runs on the reader's own thread; a reader destroyed first drops it.
  QMetaObject::invokeMethod(
      this, [this, answers = std::move(answers)]() mutable { deliver_(std::move(answers)); },
      Qt::QueuedConnection);
}

void DimensionsReader::Work() {
  std::vector<DimensionsAnswer> batch;
  auto batch_started = std::chrono::steady_clock::now();
  for (;;) {
    DimensionsRequest request;
    {
      std::unique_lock lock(mutex_);
      if (waiting_.empty() && !batch.empty()) {
        lock.unlock();
        Send(std::move(batch));
        batch.clear();
        lock.lock();
      }
      wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
      if (stopping_) return;
      request = std::move(waiting_.front());
      waiting_.pop_front();
    }
    if (batch.empty()) batch_started = std::chrono::steady_clock::now();
    batch.push_back({request.id, ReadPictureSize(request.path)});
    if (batch.size() >= kBatchRows || std::chrono::steady_clock::now() - batch_started >= kBatchTime) {
      Send(std::move(batch));
      batch.clear();
    }
  }
}

}  // namespace vr
