#include "thumbnail/run/build_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>
#include <set>
#include <thread>
#include <tuple>
#include <utility>

#include "base/memory_limit.h"
#include "base/rounding.h"
#include "imaging/engine.h"
#include "thumbnail/planning.h"
#include "thumbnail/run/render_pool.h"
#include "thumbnail/run/report_text.h"

namespace vr {

namespace {

// How long the run's thread waits for workers before letting the host repaint.
constexpr int kKeepAliveMs = 40;
// Failures and warnings the final message lists one by one.
constexpr std::size_t kListedRows = 5;

int WorkerCount(const BuildOptions& options, std::size_t rows) {
  int jobs = options.jobs;
  if (jobs <= 0) jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return static_cast<int>(
      std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(rows, 1)));
}

// A decoder's warning as a row's report reads it, in the decoder's words.
std::string WarningReason(const DecodeWarning& warning) {
  if (warning.damaged())
    return "the picture is damaged (" + warning.detail + "); the thumbnail shows what could be read";
  return "the decoder warned (" + warning.detail + "); no part of the picture was lost";
}

struct RowSlot {
  RowRecipe recipe;
  std::optional<Status> rendered;  // set when rendering ended
  DecodeWarning warning;
  std::uint64_t bytes = 0;
  double ms = 0.0;
  bool done = false;
  bool other_shard = false;  // planned as far as its counter only
};

// The thumbnail's sides as planning worked them out: the target, or the
// picture's own upright size when it keeps it; 0 when the header was not
// at the file's start.
std::pair<std::int32_t, std::int32_t> PlannedSides(const RowRecipe& recipe) {
  if (recipe.target) return {recipe.target->width, recipe.target->height};
  if (!recipe.header) return {0, 0};
  const Sides upright = UprightSides(recipe.header->info);
  return {upright.width, upright.height};
}

// The run's bookkeeping on its own thread: rows finish in any order, the
// host hears of them in row order.
class RunLedger {
 public:
  RunLedger(std::size_t rows, const BuildOptions& options, BuildHost& host, OutputList& outputs,
            BuildSummary& summary)
      : slots_(rows),
        shard_(options.shard),
        row_done_(options.row_done),
        shard_rows_(options.shard.RowsOf(rows)),
        host_(host),
        outputs_(outputs),
        summary_(summary) {}

  RowSlot& slot(std::size_t index) { return slots_[index]; }

  void Finish(std::size_t index, Status status, DecodeWarning warning, std::uint64_t bytes, double ms) {
    RowSlot& slot = slots_[index];
    slot.rendered = std::move(status);
    slot.warning = std::move(warning);
    slot.bytes = bytes;
    slot.ms = ms;
    slot.done = true;
    in_flight_ -= 1;
  }
  void FinishWithoutRendering(std::size_t index) { slots_[index].done = true; }
  void LeaveToOtherShard(std::size_t index) {
    slots_[index].done = true;
    slots_[index].other_shard = true;
  }
  void Started() { in_flight_ += 1; }
  int in_flight() const { return in_flight_; }

  // A stop before row `index`: the rows from there on are never planned.
  void StopAt(std::size_t index) {
    planned_ = index;
    summary_.stopped = true;
    summary_.not_started = static_cast<std::int32_t>(shard_rows_ - shard_.RowsOf(index));
  }

  // Reports every finished row at the front of the list, in order.
  void ReportInOrder() {
    while (reported_ < planned_ && slots_[reported_].done) {
      const bool ours = !slots_[reported_].other_shard;
      if (ours) Tally(slots_[reported_]);
      ++reported_;
      if (ours)
        host_.Progress(ProgressPercent(static_cast<std::int32_t>(shard_.RowsOf(reported_)),
                                       static_cast<std::int32_t>(shard_rows_)));
    }
  }

  // Is a row still rendering that writes the file the new row writes? The
  // new row waits, so the last of them wins, as in a serial run. (No row
  // writes over a source: planning fails those.)
  bool Conflicts(std::size_t index) const {
    const RowSlot& row = slots_[index];
    for (std::size_t i = reported_; i < index; ++i) {
      const RowSlot& other = slots_[i];
      if (other.done || other.recipe.action != RowRecipe::Action::kRender) continue;
      if (other.recipe.resolved_output == row.recipe.resolved_output) return true;
    }
    return false;
  }

  bool AllReported() const { return reported_ == planned_; }

 private:
  void Tally(const RowSlot& row) {
    RowOutcome outcome = Tallied(row);
    if (row_done_) {
      outcome.row = row.recipe.row;
      outcome.source = row.recipe.source;
      outcome.output = row.recipe.output_path;
      std::tie(outcome.width, outcome.height) = PlannedSides(row.recipe);
      row_done_(outcome);
    }
  }

  // Counts the row in the summary; says how it ended.
  RowOutcome Tallied(const RowSlot& row) {
    using Kind = RowOutcome::Kind;
    const auto ended = [&row](Kind kind, std::string reason) {
      RowOutcome outcome;
      outcome.kind = kind;
      outcome.reason = std::move(reason);
      outcome.ms = row.ms;
      return outcome;
    };
    switch (row.recipe.action) {
      case RowRecipe::Action::kSkip:
        summary_.skipped += 1;
        return ended(Kind::kSkipped, "the output folder was not created");
      case RowRecipe::Action::kFail:
        summary_.failed += 1;
        summary_.failures.push_back({row.recipe.row, row.recipe.source, row.recipe.failure.message()});
        return ended(Kind::kFailed, row.recipe.failure.message());
      case RowRecipe::Action::kRender:
        break;
    }
    if (!row.rendered || !row.rendered->ok()) {
      const std::string reason = row.rendered ? row.rendered->message() : "not rendered";
      summary_.failed += 1;
      summary_.failures.push_back({row.recipe.row, row.recipe.source, reason});
      return ended(Kind::kFailed, reason);
    }
    summary_.written += 1;
    outputs_.push_back(row.recipe.output_path);
    RowOutcome outcome = ended(Kind::kWritten, "");
    outcome.bytes = row.bytes;
    if (row.warning.any()) {
      outcome.kind = Kind::kWarning;
      outcome.reason = WarningReason(row.warning);
      (row.warning.damaged() ? summary_.warnings : summary_.notes)
          .push_back({row.recipe.row, row.recipe.source, outcome.reason});
    }
    return outcome;
  }

  std::vector<RowSlot> slots_;
  RowShard shard_;
  std::function<void(const RowOutcome&)> row_done_;
  std::size_t shard_rows_;
  BuildHost& host_;
  OutputList& outputs_;
  BuildSummary& summary_;
  std::size_t reported_ = 0;
  std::size_t planned_ = slots_.size();
  int in_flight_ = 0;
};

bool StopRequested(const std::atomic<bool>* stop) { return stop != nullptr && stop->load(); }

// The watermark for the whole run, or none with a notice saying why.
Image RunWatermark(const SettingsRecord& settings, BuildHost& host) {
  Engine engine;
  Expected<Image> watermark = LoadWatermark(engine, settings);
  if (watermark) return std::move(*watermark);
  host.Notice("The watermark is left out of this build: " + watermark.message());
  return Image();
}

// Starts rendering a planned row: false when the run stopped before it
// could (the row is then not started).
using RowStarter = std::function<bool(std::size_t index, const RowRecipe& recipe)>;

// The one planning loop of every run: each row planned in list order on the
// run's own thread, rows that need no rendering settled at once, the others
// handed to `start`.
void PlanRows(const PlanSettings& plan, const std::vector<std::string>& sources, PlanState& state,
              const RowShard& shard, const std::atomic<bool>* stop, RunLedger& ledger,
              const RowStarter& start) {
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (StopRequested(stop)) {
      ledger.StopAt(i);
      return;
    }
    if (!shard.Holds(i)) {
      // Another process's row: it still takes its number.
      state.counter.Advance();
      ledger.LeaveToOtherShard(i);
      continue;
    }
    RowSlot& slot = ledger.slot(i);
    slot.recipe = PlanRow(plan, static_cast<std::int32_t>(i + 1), sources[i], state);
    if (slot.recipe.action != RowRecipe::Action::kRender) {
      ledger.FinishWithoutRendering(i);
      ledger.ReportInOrder();
      continue;
    }
    if (!start(i, slot.recipe)) {
      // Planned but not started: it never reaches a worker.
      ledger.StopAt(i);
      return;
    }
  }
}

// What every run shares: what it plans with, renders with and watermarks.
struct RunInputs {
  const PlanSettings& plan;
  const RenderSettings& render;
  const std::vector<std::string>& sources;
  const Image& watermark;
  const RowShard& shard;
};

// Rendering and writing on the run's own thread, through the same two
// steps the pool's workers and writers take.
void RunSerial(const RunInputs& run, PlanState& state, const std::atomic<bool>* stop, RunLedger& ledger) {
  Engine engine;
  RenderedRow rendered;
  PlanRows(run.plan, run.sources, state, run.shard, stop, ledger,
           [&](std::size_t i, const RowRecipe& recipe) {
             ledger.Started();
             const auto started = std::chrono::steady_clock::now();
             Status done = RenderRow(engine, run.render, recipe, run.watermark, rendered);
             if (done) done = WriteRow(recipe, rendered);
             const std::uint64_t bytes = done.ok() ? rendered.bytes.size() : 0;
             ledger.Finish(i, std::move(done), rendered.warning, bytes, MillisecondsSince(started));
             ledger.ReportInOrder();
             return true;
           });
}

void RunParallel(const RunInputs& run, PlanState& state, int workers, int depth, std::uint64_t budget,
                 const BuildOptions& options, RunLedger& ledger) {
  const std::atomic<bool>* stop = options.stop;
  RenderPool pool(workers, run.render, run.watermark, budget, {}, options.start_thread);
  if (pool.workers() < workers) {
    state.host.Notice(pool.workers() == 0
                          ? "No worker thread could be started; the thumbnails are made one at a time."
                          : "Only " + std::to_string(pool.workers()) + " of " + std::to_string(workers) +
                                " worker threads could be started; the build goes on with them.");
  }
  if (pool.workers() == 0) {
    RunSerial(run, state, stop, ledger);
    return;
  }
  auto collect = [&](int wait_ms) {
    for (RenderDone& done : pool.Collect(wait_ms))
      ledger.Finish(done.index, std::move(done.status), std::move(done.warning), done.bytes, done.ms);
    ledger.ReportInOrder();
    state.host.KeepAlive();
  };
  PlanRows(run.plan, run.sources, state, run.shard, stop, ledger,
           [&](std::size_t i, const RowRecipe& recipe) {
             while (!StopRequested(stop) && (ledger.in_flight() >= depth || ledger.Conflicts(i)))
               collect(kKeepAliveMs);
             if (StopRequested(stop)) return false;
             ledger.Started();
             pool.Submit(i, recipe);
             collect(0);
             return true;
           });
  while (!ledger.AllReported()) collect(kKeepAliveMs);
}

// What the run may use; 4 GiB where nothing says.
std::uint64_t UsableMemoryFor(const BuildOptions& options) {
  if (options.usable_memory > 0) return options.usable_memory;
  const std::uint64_t usable = UsableMemory().bytes;
  return usable > 0 ? usable : std::uint64_t{4} << 30;
}

std::string OneDecimal(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", std::max(0.0, seconds));
  return text;
}

}  // namespace

int ProgressPercent(std::int32_t done, std::int32_t total) {
  if (total <= 0) return 0;
  return RoundHalfEven(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

BuildSummary RunBuild(const SettingsRecord& settings, const std::vector<std::string>& sources,
                      BuildHost& host, NameCounter& counter, OutputList& outputs,
                      const BuildOptions& options) {
  BuildSummary summary;
  summary.rows = static_cast<std::int32_t>(options.shard.RowsOf(sources.size()));
  if (summary.rows == 0) return summary;
  const auto start = std::chrono::steady_clock::now();
  counter.Reset();
  outputs.clear();

  const Image watermark = RunWatermark(settings, host);
  const RenderSettings render = RenderSettingsFrom(settings);
  const PlanSettings plan = PlanSettingsFrom(settings);
  const RunInputs run{plan, render, sources, watermark, options.shard};
  PlanState state(host, counter, options.clock ? options.clock : LocalNow, SourceGuard(sources));
  const std::uint64_t usable = UsableMemoryFor(options);
  state.row_memory_ceiling = usable / 2;
  RunLedger ledger(sources.size(), options, host, outputs, summary);
  const int workers = WorkerCount(options, static_cast<std::size_t>(summary.rows));
  if (workers <= 1) {
    RunSerial(run, state, options.stop, ledger);
  } else {
    const int depth = options.queue_depth > 0 ? options.queue_depth : 32 * workers;
    const std::uint64_t budget = options.decode_budget > 0 ? options.decode_budget : usable / 4;
    RunParallel(run, state, workers, depth, budget, options, ledger);
  }
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary;
}

std::string RowReportLine(const RowFailure& row) {
  return "Row " + std::to_string(row.row) + ", " + QuotedForReport(row.file) + ": " +
         EscapeForReport(row.reason);
}

std::vector<RowRecipe> PlanBuild(const SettingsRecord& settings, const std::vector<std::string>& sources,
                                 BuildHost& host, NameCounter& counter, const BuildOptions& options) {
  counter.Reset();
  const PlanSettings plan = PlanSettingsFrom(settings);
  PlanState state(host, counter, options.clock ? options.clock : LocalNow, SourceGuard(sources));
  state.dry_run = true;
  std::vector<RowRecipe> rows;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (options.shard.Holds(i))
      rows.push_back(PlanRow(plan, static_cast<std::int32_t>(i + 1), sources[i], state));
    else
      counter.Advance();
  }
  return rows;
}

std::vector<std::string> BuildMessageLines(const BuildSummary& summary, bool list_rows) {
  const bool all_written = summary.failed == 0 && summary.skipped == 0 && !summary.stopped;
  std::vector<std::string> lines = {summary.stopped ? "Process stopped." : "Process done!",
                                    std::to_string(all_written ? summary.rows : summary.written) +
                                        " image(s) generated in " + OneDecimal(summary.seconds) +
                                        " second(s)"};
  // The first few of a list, one line each, then how many more there are.
  const auto list_rows_of = [&lines, list_rows](const std::vector<RowFailure>& rows) {
    const std::size_t listed = list_rows ? std::min(rows.size(), kListedRows) : 0;
    for (std::size_t i = 0; i < listed; ++i) lines.push_back(RowReportLine(rows[i]));
    if (list_rows && rows.size() > listed)
      lines.push_back("... and " + std::to_string(rows.size() - listed) + " more.");
  };
  if (!all_written) {
    lines.push_back(std::to_string(summary.failed) + " row(s) failed, " + std::to_string(summary.skipped) +
                    " skipped." +
                    (summary.stopped ? " " + std::to_string(summary.not_started) + " not started." : ""));
    list_rows_of(summary.failures);
  }
  if (!summary.warnings.empty()) {
    lines.push_back(std::to_string(summary.warnings.size()) + " written from damaged pictures:");
    list_rows_of(summary.warnings);
  }
  if (!summary.notes.empty()) {
    lines.push_back(std::to_string(summary.notes.size()) + " written despite decoder warnings:");
    list_rows_of(summary.notes);
  }
  return lines;
}

}  // namespace vr
