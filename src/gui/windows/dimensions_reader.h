// Reads pictures' dimensions from their headers on a thread of its own, so a
// list of many thousands fills at once and its Dimensions cells follow as
// the answers arrive. Answers come back on the thread that owns the reader,
// in batches, through the callback given at construction.
#pragma once

#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "list/image_list.h"

namespace vr {

struct DimensionsAnswer {
  std::uint64_t id = 0;
  std::optional<PictureSize> size;  // nothing: the header could not be read
};

class DimensionsReader : public QObject {
  Q_OBJECT

 public:
  using Deliver = std::function<void(std::vector<DimensionsAnswer>)>;

  explicit DimensionsReader(Deliver deliver, QObject* parent = nullptr);
  ~DimensionsReader() override;

  // Queued behind what is waiting; the thread starts on the first request.
  void Read(std::vector<DimensionsRequest> requests);
  // Forgets what is waiting (the rows are gone); an answer on its way may
  // still come and finds no row.
  void Forget();

 private:
  void Work();
  void Send(std::vector<DimensionsAnswer> answers);

  Deliver deliver_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<DimensionsRequest> waiting_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace vr
