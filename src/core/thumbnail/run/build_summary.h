// What a run did, row by row where it matters: the counts, and each failed,
// skipped, colliding or damaged row with its file and reason.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vr {

struct RowFailure {
  std::int32_t row = 0;  // 1-based
  std::string file;      // the row's source file
  std::string reason;
};

struct BuildSummary {
  std::int32_t rows = 0;
  // Rows whose thumbnail is on the disk at the end: a row whose file a later
  // row of the run wrote over is no longer counted.
  std::int32_t written = 0;
  std::int32_t failed = 0;
  std::int32_t skipped = 0;
  // Of the skipped, those whose file was already there and is kept as the
  // overwrite policy says: nothing is missing for them.
  std::int32_t kept = 0;
  std::int32_t not_started = 0;  // rows a stop left out
  bool stopped = false;
  // Why the run ended before its first row (the output folder cannot be
  // written, say); empty when it ran.
  std::string fatal;
  // Working time: without the time the host spent on questions and notices.
  double seconds = 0.0;
  std::vector<RowFailure> failures;  // in row order
  // Why rows were skipped, each reason once with its count, in the order met.
  std::vector<std::pair<std::string, std::int32_t>> skip_reasons;
  // Rows planning the file an earlier row of the run plans, naming both.
  std::vector<RowFailure> collisions;
  // Rows written from damaged pictures (data missing or corrupt), in row
  // order: worth a look, but written, and counted as written.
  std::vector<RowFailure> warnings;
  // Rows whose decoder warned of something that cost no pixels (stray bytes
  // before a marker), in row order.
  std::vector<RowFailure> notes;

  // Every row written and nothing to report but damage.
  bool AllWritten() const {
    return fatal.empty() && failed == 0 && skipped == 0 && !stopped && collisions.empty();
  }
};

}  // namespace vr
