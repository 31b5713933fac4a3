// The build: every row of the list made into its thumbnail, planned in row
// order on the calling thread and rendered on a pool of workers (one engine
// each), with a result no different from a serial run: the same names, the
// same files, the same bytes, the last of several rows sharing a name wins.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "settings/settings_record.h"
#include "thumbnail/naming.h"
#include "thumbnail/run/build_host.h"
#include "thumbnail/run/render_pool.h"
#include "thumbnail/run/row_shard.h"

namespace vr {

// Full paths of the files a run has really written, in row order.
using OutputList = std::vector<std::string>;

struct RowFailure {
  std::int32_t row = 0;  // 1-based
  std::string file;      // the row's source file
  std::string reason;
};

// How one row of the run ended, for a machine-readable report.
struct RowOutcome {
  enum class Kind { kWritten, kSkipped, kFailed, kWarning };  // kWarning: written, with a warning
  Kind kind = Kind::kFailed;
  std::int32_t row = 0;  // 1-based, in the whole list
  std::string source;
  std::string output;                  // empty when the row got no name (a folder not created)
  std::string reason;                  // empty when written without a word
  std::int32_t width = 0, height = 0;  // the thumbnail's, when planning knew them; else 0
  std::uint64_t bytes = 0;             // of the file written
  double ms = 0.0;                     // rendering and writing
};

struct BuildOptions {
  // Worker threads; 0 means one per core. 1 renders on the calling thread.
  int jobs = 0;
  // Rows submitted and not yet finished, at most. Workers start large
  // decodes among them early (see RenderPool); progress still advances in
  // row order.
  int queue_depth = 0;  // 0: 32 per worker
  // Memory the run may use; 0: the machine's, or less where an address-space
  // or control-group limit says so. A row whose decode would need more than
  // half of it fails at once ("not enough memory"), before it is tried.
  std::uint64_t usable_memory = 0;
  // Bytes the rows decoding at once may hold, as priced from their headers
  // and file sizes; a single larger row runs alone.
  std::uint64_t decode_budget = 0;  // 0: a quarter of the usable memory
  std::function<LocalDateTime()> clock = LocalNow;
  // Set from any thread (a signal handler, a window's close) to stop the
  // run: no further row starts, the rows already started are finished and
  // written whole, and the run returns its summary.
  const std::atomic<bool>* stop = nullptr;
  // How worker threads are started (std::thread by default); a test's
  // starter may refuse some, as a system out of threads does.
  RenderPool::ThreadStarter start_thread;
  // The rows this process renders. The others are planned only as far as
  // their counter, so every row keeps the name a single run gives it.
  RowShard shard;
  // Told each of the shard's rows as it is settled, in row order, on the
  // run's own thread.
  std::function<void(const RowOutcome&)> row_done;
};

struct BuildSummary {
  std::int32_t rows = 0;  // the shard's
  std::int32_t written = 0;
  std::int32_t failed = 0;
  std::int32_t skipped = 0;
  std::int32_t not_started = 0;  // rows a stop left out
  bool stopped = false;
  double seconds = 0.0;
  std::vector<RowFailure> failures;  // in row order
  // Rows written from damaged pictures (data missing or corrupt), in row
  // order: worth a look, but written, and counted as written.
  std::vector<RowFailure> warnings;
  // Rows whose decoder warned of something that cost no pixels (stray bytes
  // before a marker), in row order.
  std::vector<RowFailure> notes;
};

// Runs the build over `sources` (the list's column 1, row 1 first), or over
// the shard's rows of it. Resets
// `counter` to 0 and empties `outputs`, which then holds the files really
// written, in row order. The host is called only on this thread: the folder
// question while planning, Progress in row order (the rounded percentage of
// rows done), KeepAlive while waiting for workers.
BuildSummary RunBuild(const SettingsRecord& settings, const std::vector<std::string>& sources,
                      BuildHost& host, NameCounter& counter, OutputList& outputs,
                      const BuildOptions& options = {});

// The message shown when a run ends, as lines each front end joins its own
// way: "Process done!", "<rows> image(s) generated in <s.s> second(s)" when
// every row was written; otherwise the count is of files written, followed
// by a line with the failed and skipped rows and the first few failures with
// their file and reason. A stopped run begins "Process stopped." and says
// how many rows were not started.
// Rows written from damaged pictures follow, as "<n> written from damaged
// pictures:" and the first few, then those whose decoder only warned, as
// "<n> written despite decoder warnings:". Each says what the decoder
// reported. File names are quoted and control
// characters escaped (see report_text.h), so no name can forge a line.
// A front end that reports each row elsewhere (the command line, on standard
// error) leaves the rows out with `list_rows` false, keeping the counts.
std::vector<std::string> BuildMessageLines(const BuildSummary& summary, bool list_rows = true);

// What a run would write, without writing or creating anything: the shard's
// rows planned as RunBuild plans them (a missing folder taken as created),
// in row order.
std::vector<RowRecipe> PlanBuild(const SettingsRecord& settings, const std::vector<std::string>& sources,
                                 BuildHost& host, NameCounter& counter, const BuildOptions& options = {});

// One row of a report: Row <n>, "<file>": <reason>.
std::string RowReportLine(const RowFailure& row);

// The progress value after `done` of `total` rows: the percentage rounded
// half to even (1 of 8 gives 12, 3 of 8 gives 38).
int ProgressPercent(std::int32_t done, std::int32_t total);

}  // namespace vr
