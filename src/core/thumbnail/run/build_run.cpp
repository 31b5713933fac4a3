#include "thumbnail/run/build_run.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>

#include "base/physical_memory.h"
#include "base/rounding.h"
#include "imaging/engine.h"
#include "thumbnail/run/render_pool.h"

namespace vr {

namespace {

// How long the run's thread waits for workers before letting the host repaint.
constexpr int kKeepAliveMs = 40;
// Failures the final message lists one by one.
constexpr std::size_t kListedFailures = 5;

int WorkerCount(const BuildOptions& options, std::size_t rows) {
  int jobs = options.jobs;
  if (jobs <= 0) jobs = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return static_cast<int>(
      std::min<std::size_t>(static_cast<std::size_t>(jobs), std::max<std::size_t>(rows, 1)));
}

// One spelling per file, so two rows naming the same file by different
// paths ("a/./b.jpg", "a/b.jpg") are seen to share it.
std::string SamePathKey(const std::string& path) {
  std::error_code ignored;
  std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
  return absolute.lexically_normal().string();
}

struct RowSlot {
  RowPlan plan;
  std::optional<Status> rendered;  // set when rendering ended
  bool done = false;
  std::string source_key;
  std::string output_key;
};

// The run's bookkeeping on its own thread: rows finish in any order, the
// host hears of them in row order.
class RunLedger {
 public:
  RunLedger(std::size_t rows, BuildHost& host, OutputList& outputs, BuildSummary& summary)
      : slots_(rows), host_(host), outputs_(outputs), summary_(summary) {}

  RowSlot& slot(std::size_t index) { return slots_[index]; }

  void Finish(std::size_t index, Status status) {
    slots_[index].rendered = std::move(status);
    slots_[index].done = true;
    in_flight_ -= 1;
  }
  void FinishWithoutRendering(std::size_t index) { slots_[index].done = true; }
  void Started() { in_flight_ += 1; }
  int in_flight() const { return in_flight_; }

  // Reports every finished row at the front of the list, in order.
  void ReportInOrder() {
    while (reported_ < slots_.size() && slots_[reported_].done) {
      Tally(slots_[reported_]);
      ++reported_;
      host_.Progress(
          ProgressPercent(static_cast<std::int32_t>(reported_), static_cast<std::int32_t>(slots_.size())));
    }
  }

  // Is a row still rendering whose files the new row must not touch before
  // it is done? A row writing the file another reads or writes waits, so
  // every file ends as a serial run would leave it.
  bool Conflicts(std::size_t index) const {
    const RowSlot& row = slots_[index];
    for (std::size_t i = reported_; i < index; ++i) {
      const RowSlot& other = slots_[i];
      if (other.done || other.plan.action != RowPlan::Action::kRender) continue;
      if (other.output_key == row.output_key || other.source_key == row.output_key ||
          other.output_key == row.source_key)
        return true;
    }
    return false;
  }

  bool AllReported() const { return reported_ == slots_.size(); }

 private:
  void Tally(const RowSlot& row) {
    switch (row.plan.action) {
      case RowPlan::Action::kSkip:
        summary_.skipped += 1;
        return;
      case RowPlan::Action::kFail:
        summary_.failed += 1;
        summary_.failures.push_back({row.plan.row, row.plan.source, row.plan.reason});
        return;
      case RowPlan::Action::kRender:
        if (row.rendered && row.rendered->ok()) {
          summary_.written += 1;
          outputs_.push_back(row.plan.output_path);
        } else {
          summary_.failed += 1;
          summary_.failures.push_back(
              {row.plan.row, row.plan.source, row.rendered ? row.rendered->message() : "not rendered"});
        }
        return;
    }
  }

  std::vector<RowSlot> slots_;
  BuildHost& host_;
  OutputList& outputs_;
  BuildSummary& summary_;
  std::size_t reported_ = 0;
  int in_flight_ = 0;
};

// The watermark for the whole run, or none with a notice saying why.
Image RunWatermark(const SettingsRecord& settings, BuildHost& host) {
  Engine engine;
  Expected<Image> watermark = LoadWatermark(engine, settings);
  if (watermark) return std::move(*watermark);
  host.Notice("The watermark is left out of this build: " + watermark.message());
  return Image();
}

void RunSerial(const SettingsRecord& settings, const std::vector<std::string>& sources, PlanState& state,
               const Image& watermark, RunLedger& ledger) {
  Engine engine;
  for (std::size_t i = 0; i < sources.size(); ++i) {
    RowSlot& slot = ledger.slot(i);
    slot.plan = PlanRow(settings, static_cast<std::int32_t>(i + 1), sources[i], state);
    if (slot.plan.action == RowPlan::Action::kRender) {
      ledger.Started();
      ledger.Finish(i, RenderRow(engine, settings, slot.plan, &watermark));
    } else {
      ledger.FinishWithoutRendering(i);
    }
    ledger.ReportInOrder();
  }
}

void RunParallel(const SettingsRecord& settings, const std::vector<std::string>& sources, PlanState& state,
                 const Image& watermark, int workers, int depth, std::uint64_t budget, RunLedger& ledger) {
  RenderPool pool(workers, settings, &watermark, budget);
  auto collect = [&](int wait_ms) {
    for (RenderDone& done : pool.Collect(wait_ms)) ledger.Finish(done.index, std::move(done.status));
    ledger.ReportInOrder();
    state.host.KeepAlive();
  };
  for (std::size_t i = 0; i < sources.size(); ++i) {
    RowSlot& slot = ledger.slot(i);
    slot.plan = PlanRow(settings, static_cast<std::int32_t>(i + 1), sources[i], state);
    if (slot.plan.action != RowPlan::Action::kRender) {
      ledger.FinishWithoutRendering(i);
      ledger.ReportInOrder();
      continue;
    }
    slot.source_key = SamePathKey(slot.plan.source);
    slot.output_key = SamePathKey(slot.plan.output_path);
    while (ledger.in_flight() >= depth || ledger.Conflicts(i)) collect(kKeepAliveMs);
    ledger.Started();
    pool.Submit(i, slot.plan);
    collect(0);
  }
  while (!ledger.AllReported()) collect(kKeepAliveMs);
}

// The default decode budget; 1 GiB where the machine does not say.
std::uint64_t QuarterOfMemory() {
  const std::uint64_t physical = PhysicalMemoryBytes();
  return physical > 0 ? physical / 4 : std::uint64_t{1} << 30;
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
  if (sources.empty()) return summary;
  summary.rows = static_cast<std::int32_t>(sources.size());
  const auto start = std::chrono::steady_clock::now();
  counter.Reset();
  outputs.clear();

  const Image watermark = RunWatermark(settings, host);
  PlanState state(host, counter, options.clock ? options.clock : LocalNow);
  RunLedger ledger(sources.size(), host, outputs, summary);
  const int workers = WorkerCount(options, sources.size());
  if (workers <= 1) {
    RunSerial(settings, sources, state, watermark, ledger);
  } else {
    const int depth = options.queue_depth > 0 ? options.queue_depth : 32 * workers;
    const std::uint64_t budget = options.decode_budget > 0 ? options.decode_budget : QuarterOfMemory();
    RunParallel(settings, sources, state, watermark, workers, depth, budget, ledger);
  }
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary;
}

std::string BuildMessage(const BuildSummary& summary) {
  const bool all_written = summary.failed == 0 && summary.skipped == 0;
  std::string message = "Process done!\r\n" + std::to_string(all_written ? summary.rows : summary.written) +
                        " image(s) generated in " + OneDecimal(summary.seconds) + " second(s)";
  if (all_written) return message;
  message += "\r\n" + std::to_string(summary.failed) + " row(s) failed, " + std::to_string(summary.skipped) +
             " skipped.";
  const std::size_t listed = std::min(summary.failures.size(), kListedFailures);
  for (std::size_t i = 0; i < listed; ++i) {
    const RowFailure& failure = summary.failures[i];
    message += "\r\nRow " + std::to_string(failure.row) + ", " + failure.file + ": " + failure.reason;
  }
  if (summary.failures.size() > listed)
    message += "\r\n... and " + std::to_string(summary.failures.size() - listed) + " more.";
  return message;
}

}  // namespace vr
