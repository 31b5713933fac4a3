// What a run says: its progress as a percentage, "N of M" and the time
// left, and its final message as lines each front end joins its own way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "thumbnail/run/build_summary.h"

namespace vr {

// The message shown when a run ends. Every row written: "Process done!",
// "<rows> image(s) generated in <s.s> second(s)". Otherwise a first line
// "Process stopped." (after a stop) or "Process done, with problems.", then
// "<written> of <rows> written in <s.s> second(s)", a line with the failed
// and skipped rows (and those a stop left out), one line per reason rows
// were skipped ("<n> skipped: already up to date"), the first few failures
// with their file and reason, and the rows that wrote the same file as an
// earlier one. A run that could not start says only why.
// Rows written from damaged pictures follow, as "<n> written from damaged
// pictures:" and the first few, then those whose decoder only warned, as
// "<n> written despite decoder warnings:". Each says what the decoder
// reported. File names are quoted and control characters escaped (see
// report_text.h), so no name can forge a line.
// A front end that reports each row elsewhere (the command line, on standard
// error) leaves the failed and damaged rows out with `list_rows` false,
// keeping the counts; collisions are listed either way.
std::vector<std::string> BuildMessageLines(const BuildSummary& summary, bool list_rows = true);

// Every row the message lists only the first few of: failures, collisions,
// damaged pictures and decoder warnings, one line each, for a details view.
std::vector<std::string> BuildDetailLines(const BuildSummary& summary);

// One row of a report: Row <n>, "<file>": <reason>.
std::string RowReportLine(const RowFailure& row);

// The progress value after `done` of `total` rows: the percentage rounded
// half to even (1 of 8 gives 12, 3 of 8 gives 38).
int ProgressPercent(std::int32_t done, std::int32_t total);

// The seconds the rest of the rows should take at the pace so far; none
// until a row is done and two seconds have passed, and once all are done.
std::optional<double> SecondsLeft(std::int32_t done, std::int32_t total, double seconds_so_far);

// "about 40 s left", "about 3 min left" (minutes rounded up).
std::string TimeLeftText(double seconds);

}  // namespace vr
