#include "thumbnail/run/build_message.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/rounding.h"
#include "thumbnail/run/report_text.h"

namespace vr {

namespace {

// Failures and warnings the final message lists one by one.
constexpr std::size_t kListedRows = 5;
// Time to pass before the pace is trusted for an estimate.
constexpr double kSecondsBeforeEstimate = 2.0;

std::string OneDecimal(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.1f", std::max(0.0, seconds));
  return text;
}

std::string Count(std::size_t n) { return std::to_string(n); }

}  // namespace

int ProgressPercent(std::int32_t done, std::int32_t total) {
  if (total <= 0) return 0;
  return RoundHalfEven(static_cast<double>(done) / static_cast<double>(total) * 100.0);
}

std::optional<double> SecondsLeft(std::int32_t done, std::int32_t total, double seconds_so_far) {
  if (done <= 0 || done >= total || seconds_so_far < kSecondsBeforeEstimate) return std::nullopt;
  return seconds_so_far / done * (total - done);
}

std::string TimeLeftText(double seconds) {
  if (seconds < 59.5) return "about " + std::to_string(std::max(1L, std::lround(seconds))) + " s left";
  return "about " + std::to_string(static_cast<long>(std::ceil(seconds / 60.0))) + " min left";
}

std::string RowReportLine(const RowFailure& row) {
  return "Row " + std::to_string(row.row) + ", " + QuotedForReport(row.file) + ": " +
         EscapeForReport(row.reason);
}

std::vector<std::string> BuildMessageLines(const BuildSummary& summary, bool list_rows) {
  if (!summary.fatal.empty()) return {summary.fatal};
  const bool all_written = summary.AllWritten();
  std::vector<std::string> lines;
  if (all_written) {
    lines = {"Process done!", std::to_string(summary.rows) + " image(s) generated in " +
                                  OneDecimal(summary.seconds) + " second(s)"};
  } else {
    lines = {summary.stopped ? "Process stopped." : "Process done, with problems.",
             std::to_string(summary.written) + " of " + std::to_string(summary.rows) + " written in " +
                 OneDecimal(summary.seconds) + " second(s)"};
  }
  // The first few of a list, one line each, then how many more there are.
  const auto add_rows = [&lines](const std::vector<RowFailure>& rows, bool listed_elsewhere) {
    if (listed_elsewhere) return;
    const std::size_t listed = std::min(rows.size(), kListedRows);
    for (std::size_t i = 0; i < listed; ++i) lines.push_back(RowReportLine(rows[i]));
    if (rows.size() > listed) lines.push_back("... and " + Count(rows.size() - listed) + " more.");
  };
  if (!all_written) {
    lines.push_back(std::to_string(summary.failed) + " row(s) failed, " + std::to_string(summary.skipped) +
                    " skipped." +
                    (summary.stopped ? " " + std::to_string(summary.not_started) + " not started." : ""));
    for (const auto& [reason, count] : summary.skip_reasons)
      lines.push_back(std::to_string(count) + " skipped: " + EscapeForReport(reason) + ".");
    add_rows(summary.failures, !list_rows);
  }
  if (!summary.collisions.empty()) {
    lines.push_back(Count(summary.collisions.size()) + " row(s) would write the file of an earlier row:");
    add_rows(summary.collisions, false);  // no row reports them
  }
  if (!summary.warnings.empty()) {
    lines.push_back(Count(summary.warnings.size()) + " written from damaged pictures:");
    add_rows(summary.warnings, !list_rows);
  }
  if (!summary.notes.empty()) {
    lines.push_back(Count(summary.notes.size()) + " written despite decoder warnings:");
    add_rows(summary.notes, !list_rows);
  }
  return lines;
}

std::vector<std::string> BuildDetailLines(const BuildSummary& summary) {
  std::vector<std::string> lines;
  for (const auto* list : {&summary.failures, &summary.collisions, &summary.warnings, &summary.notes})
    for (const RowFailure& row : *list) lines.push_back(RowReportLine(row));
  return lines;
}

}  // namespace vr
