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
#include "thumbnail/run/build_message.h"
#include "thumbnail/run/build_summary.h"
#include "thumbnail/run/render_pool.h"
#include "thumbnail/run/row_shard.h"

namespace vr {

// Full paths of the files a run has really written, in row order.
using OutputList = std::vector<std::string>;

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
  // Set from any thread (a signal handler, Cancel, a window's close) to stop the
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

// A list row: the picture, and the folder it was added from (empty for a
// file added alone), below which its folders are kept when OUTkeeptree asks.
struct RunSource {
  std::string path;
  std::string root;
};

// Runs the build over `sources` (the list's rows, row 1 first). Resets
// `counter` to 0 and empties `outputs`, which then holds the files really
// written, in row order. Before any row is read, the output folder is made
// (the folder question is asked once) and probed for writing; when it
// cannot be written the run ends there, with summary.fatal saying why. The
// host is called only on this thread: the questions while planning,
// Progress and RowsDone in row order, KeepAlive while waiting for workers.
BuildSummary RunBuild(const SettingsRecord& settings, const std::vector<RunSource>& sources, BuildHost& host,
                      NameCounter& counter, OutputList& outputs, const BuildOptions& options = {});

// The same for rows added as single files (no root).
BuildSummary RunBuild(const SettingsRecord& settings, const std::vector<std::string>& sources,
                      BuildHost& host, NameCounter& counter, OutputList& outputs,
                      const BuildOptions& options = {});

// What a run would write, without writing or creating anything: the shard's
// rows planned as RunBuild plans them (a missing folder taken as created),
// in row order.
std::vector<RowRecipe> PlanBuild(const SettingsRecord& settings, const std::vector<RunSource>& sources,
                                 BuildHost& host, NameCounter& counter, const BuildOptions& options = {});

}  // namespace vr
