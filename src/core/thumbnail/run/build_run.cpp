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
#include "imaging/engine.h"
#include "thumbnail/planning.h"
#include "thumbnail/run/question_clock.h"
#include "thumbnail/run/render_pool.h"
#include "thumbnail/run/report_text.h"

namespace vr {

namespace {

// How long the run's thread waits for workers before letting the host repaint.
constexpr int kKeepAliveMs = 40;

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
            BuildSummary& summary, MadeIndex& made, std::string fingerprint,
            std::function<double()> working_seconds)
      : slots_(rows),
        shard_(options.shard),
        row_done_(options.row_done),
        shard_rows_(options.shard.RowsOf(rows)),
        host_(host),
        outputs_(outputs),
        summary_(summary),
        made_(made),
        fingerprint_(std::move(fingerprint)),
        working_seconds_(std::move(working_seconds)) {}

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
      if (ours) Report(slots_[reported_]);
      ++reported_;
      if (!ours) continue;
      const auto done = static_cast<std::int32_t>(shard_.RowsOf(reported_));
      const auto total = static_cast<std::int32_t>(shard_rows_);
      host_.Progress(ProgressPercent(done, total));
      host_.RowsDone(done, total, SecondsLeft(done, total, working_seconds_()));
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
  // Counts the row in the summary and tells the report how it ended.
  void Report(const RowSlot& row) {
    RowOutcome outcome = Tallied(row);
    if (!row_done_) return;
    outcome.row = row.recipe.row;
    outcome.source = row.recipe.source;
    outcome.output = row.recipe.output_path;
    std::tie(outcome.width, outcome.height) = PlannedSides(row.recipe);
    row_done_(outcome);
  }

  RowOutcome Tallied(const RowSlot& row) {
    using Kind = RowOutcome::Kind;
    const RowRecipe& recipe = row.recipe;
    const auto ended = [&row](Kind kind, std::string reason) {
      RowOutcome outcome;
      outcome.kind = kind;
      outcome.reason = std::move(reason);
      outcome.ms = row.ms;
      return outcome;
    };
    if (recipe.collides_with > 0)
      summary_.collisions.push_back({recipe.row, recipe.source,
                                     "the same file as row " + std::to_string(recipe.collides_with) + ", " +
                                         QuotedForReport(recipe.collision) + ": " + recipe.output_path});
    switch (recipe.action) {
      case RowRecipe::Action::kSkip:
        summary_.skipped += 1;
        if (recipe.kept_existing) summary_.kept += 1;
        CountSkip(recipe.skip_reason);
        return ended(Kind::kSkipped, recipe.skip_reason);
      case RowRecipe::Action::kFail:
        summary_.failed += 1;
        summary_.failures.push_back({recipe.row, recipe.source, recipe.failure.message()});
        return ended(Kind::kFailed, recipe.failure.message());
      case RowRecipe::Action::kRender:
        break;
    }
    if (!row.rendered || !row.rendered->ok()) {
      const std::string reason = row.rendered ? row.rendered->message() : "not rendered";
      summary_.failed += 1;
      summary_.failures.push_back({recipe.row, recipe.source, reason});
      return ended(Kind::kFailed, reason);
    }
    // A file written over by a later row of the run counts once.
    if (written_files_.insert(recipe.resolved_output).second) {
      summary_.written += 1;
      outputs_.push_back(recipe.output_path);
    }
    if (recipe.note_made) Note(recipe);
    RowOutcome outcome = ended(Kind::kWritten, "");
    outcome.bytes = row.bytes;
    if (row.warning.any()) {
      outcome.kind = Kind::kWarning;
      outcome.reason = WarningReason(row.warning);
      (row.warning.damaged() ? summary_.warnings : summary_.notes)
          .push_back({recipe.row, recipe.source, outcome.reason});
    }
    return outcome;
  }

  void CountSkip(const std::string& reason) {
    for (auto& [known, count] : summary_.skip_reasons)
      if (known == reason) {
        count += 1;
        return;
      }
    summary_.skip_reasons.emplace_back(reason, 1);
  }

  // A thumbnail that cannot be noted is only made again next time: said once.
  void Note(const RowRecipe& recipe) {
    Status noted = made_.Record(recipe.output_path, ResolvedPath(recipe.source), fingerprint_);
    if (!noted && !note_failed_) {
      note_failed_ = true;
      host_.Notice(noted.message() + "; a later run with newer makes those thumbnails again.");
    }
  }

  std::vector<RowSlot> slots_;
  RowShard shard_;
  std::function<void(const RowOutcome&)> row_done_;
  std::size_t shard_rows_;
  BuildHost& host_;
  OutputList& outputs_;
  BuildSummary& summary_;
  MadeIndex& made_;
  std::string fingerprint_;
  std::function<double()> working_seconds_;
  std::set<std::string> written_files_;  // resolved
  std::size_t reported_ = 0;
  std::size_t planned_ = slots_.size();
  int in_flight_ = 0;
  bool note_failed_ = false;
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
void PlanRows(const PlanSettings& plan, const std::vector<RunSource>& sources, PlanState& state,
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
    slot.recipe = PlanRow(plan, static_cast<std::int32_t>(i + 1), sources[i].path, state, sources[i].root);
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
  const std::vector<RunSource>& sources;
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

// Keeps the run from writing over any of its own pictures.
SourceGuard GuardOver(const std::vector<RunSource>& sources) {
  std::vector<std::string> paths;
  paths.reserve(sources.size());
  for (const RunSource& source : sources) paths.push_back(source.path);
  return SourceGuard(paths);
}

}  // namespace

BuildSummary RunBuild(const SettingsRecord& settings, const std::vector<RunSource>& sources,
                      BuildHost& outer_host, NameCounter& counter, OutputList& outputs,
                      const BuildOptions& options) {
  BuildSummary summary;
  summary.rows = static_cast<std::int32_t>(options.shard.RowsOf(sources.size()));
  if (summary.rows == 0) return summary;
  const auto start = std::chrono::steady_clock::now();
  QuestionClock host(outer_host);
  counter.Reset();
  outputs.clear();

  const PlanSettings plan = PlanSettingsFrom(settings);
  PlanState state(host, counter, options.clock ? options.clock : LocalNow, GuardOver(sources));
  // Before anything is read: a folder that cannot take the files ends the run.
  if (Status ready = PrepareOutputFolder(plan, state); !ready) {
    summary.fatal = ready.message();
    summary.not_started = summary.rows;
    summary.seconds = host.WorkingSeconds(start);
    return summary;
  }
  const Image watermark = RunWatermark(settings, host);
  const RenderSettings render = RenderSettingsFrom(settings);
  const RunInputs run{plan, render, sources, watermark, options.shard};
  const std::uint64_t usable = UsableMemoryFor(options);
  state.row_memory_ceiling = usable / 2;
  RunLedger ledger(sources.size(), options, host, outputs, summary, state.made, plan.fingerprint,
                   [&host, start] { return host.WorkingSeconds(start); });
  const int workers = WorkerCount(options, static_cast<std::size_t>(summary.rows));
  if (workers <= 1) {
    RunSerial(run, state, options.stop, ledger);
  } else {
    const int depth = options.queue_depth > 0 ? options.queue_depth : 32 * workers;
    const std::uint64_t budget = options.decode_budget > 0 ? options.decode_budget : usable / 4;
    RunParallel(run, state, workers, depth, budget, options, ledger);
  }
  if (Status compacted = state.made.Compact(); !compacted) host.Notice(compacted.message());
  summary.seconds = host.WorkingSeconds(start);
  return summary;
}

BuildSummary RunBuild(const SettingsRecord& settings, const std::vector<std::string>& sources,
                      BuildHost& host, NameCounter& counter, OutputList& outputs,
                      const BuildOptions& options) {
  std::vector<RunSource> rows;
  rows.reserve(sources.size());
  for (const std::string& source : sources) rows.push_back({source, {}});
  return RunBuild(settings, rows, host, counter, outputs, options);
}

std::vector<RowRecipe> PlanBuild(const SettingsRecord& settings, const std::vector<RunSource>& sources,
                                 BuildHost& host, NameCounter& counter, const BuildOptions& options) {
  counter.Reset();
  const PlanSettings plan = PlanSettingsFrom(settings);
  PlanState state(host, counter, options.clock ? options.clock : LocalNow, GuardOver(sources));
  state.dry_run = true;
  std::vector<RowRecipe> rows;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    if (options.shard.Holds(i))
      rows.push_back(
          PlanRow(plan, static_cast<std::int32_t>(i + 1), sources[i].path, state, sources[i].root));
    else
      counter.Advance();
  }
  return rows;
}

}  // namespace vr
