// varenna-batch: the build run from a command line, for servers and scripts.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "base/file_bytes.h"
#include "base/heap_reuse.h"
#include "cli/batch_inputs.h"
#include "cli/batch_options.h"
#include "cli/json_report.h"
#include "cli/option_values.h"
#include "settings/load_settings.h"
#include "settings/reg_file.h"
#include "settings/settings_store.h"
#include "settings/value_ranges.h"
#include "thumbnail/formats.h"
#include "thumbnail/output_policy.h"
#include "thumbnail/run/build_run.h"
#include "thumbnail/run/report_text.h"

namespace vr {
namespace {

constexpr int kAllWritten = 0;
constexpr int kSomeRowsFailed = 1;
constexpr int kUsageError = 2;
constexpr int kInterrupted = 128 + SIGINT;  // what a shell reports for a Ctrl+C

// Set by Ctrl+C (or a plain kill): the run finishes the rows it has started,
// writes no others, and the summary is still printed.
std::atomic<bool> g_stop{false};

extern "C" void RequestStop(int) { g_stop.store(true); }

// A second Ctrl+C ends the program at once: the handler is reset after the
// first. Files in the making are never named until whole, so none is left.
void StopOnInterrupt() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

class ConsoleHost final : public BuildHost {
 public:
  explicit ConsoleHost(bool create_folders) : create_folders_(create_folders), show_bar_(::isatty(2) != 0) {}
  ~ConsoleHost() override {
    if (bar_shown_) std::fputc('\n', stderr);
  }

  bool AskCreateFolder(const std::string& folder) override {
    EndBar();
    std::cerr << (create_folders_ ? "Creating the output folder " : "Not creating the output folder ")
              << QuotedForReport(folder) << '\n';
    return create_folders_;
  }

  void Progress(int percent) override { percent_ = percent; }

  // The bar, its percentage, "N of M" and, once known, the time left.
  void RowsDone(std::int32_t done, std::int32_t total, std::optional<double> seconds_left) override {
    if (!show_bar_) return;
    constexpr int kWidth = 40;
    const int filled = percent_ * kWidth / 100;
    const std::string left = seconds_left ? ", " + TimeLeftText(*seconds_left) : std::string();
    // Padded, so a shorter line covers the end of a longer one.
    std::fprintf(stderr, "\r[%s%s] %3d%%  %d of %d%-20s",
                 std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent_, done, total,
                 left.c_str());
    std::fflush(stderr);
    bar_shown_ = true;
  }

  void Notice(const std::string& message) override {
    EndBar();
    std::cerr << EscapeForReport(message) << '\n';
  }

  void EndBar() {
    if (!bar_shown_) return;
    std::fputc('\n', stderr);
    bar_shown_ = false;
  }

 private:
  bool create_folders_;
  bool show_bar_;
  int percent_ = 0;
  bool bar_shown_ = false;
};

// "Left out of the folders: 3 not pictures, 1 broken link.", or nothing
// when the folders gave every file they hold.
std::string LeftOutLine(const LeftOutCounts& counts) {
  std::string parts;
  auto add = [&](std::size_t count, const char* one, const char* many) {
    if (count == 0) return;
    if (!parts.empty()) parts += ", ";
    parts += std::to_string(count) + " " + (count == 1 ? one : many);
  };
  add(counts.not_pictures, "not a picture", "not pictures");
  add(counts.broken_links, "broken link", "broken links");
  add(counts.unreadable, "unreadable", "unreadable");
  return parts.empty() ? parts : "Left out of the folders: " + parts + ".";
}

const char* CauseText(LeftOutCause cause) {
  switch (cause) {
    case LeftOutCause::kBrokenLink:
      return "broken link";
    case LeftOutCause::kUnreadable:
      return "unreadable";
    case LeftOutCause::kNotPicture:
      break;
  }
  return "not a picture";
}

std::string JoinedInputs(const std::vector<InputSource>& inputs) {
  std::string joined;
  for (const InputSource& input : inputs) {
    if (!joined.empty()) joined += ' ';
    joined += input.path;
  }
  return joined;
}

// Settings the named file holds that the program does not know: most
// likely misspelt, so said, though the run goes on.
void WarnOfUnknownSettings(const std::string& settings_file) {
  std::vector<std::uint8_t> bytes;
  if (!ReadWholeFileInto(settings_file, bytes)) return;
  const Expected<RegFile> file = ReadRegFile(std::string(bytes.begin(), bytes.end()));
  if (!file) return;
  for (const std::string& name : file->document.ValueNames())
    if (FindSettingsField(name) == nullptr)
      std::cerr << "varenna-batch: warning: " << settings_file << " holds the unknown setting "
                << QuotedForReport(name) << ", which is not used\n";
}

// The record for the run: the store, then the options in order. A value out
// of its range is refused later, before any row, so --show-settings can
// still show it.
Expected<SettingsRecord> RunSettings(const BatchOptions& options) {
  RegFileStore store(options.settings_file.empty() ? RegFileStore::DefaultPath() : options.settings_file);
  // A settings file given by name must be there: a run on defaults instead
  // would write thumbnails nobody asked for. The program's own store may be
  // missing, on a first run.
  if (!options.settings_file.empty()) {
    VR_TRY(store.CheckReadable());
    WarnOfUnknownSettings(options.settings_file);
  }
  SettingsRecord settings;
  LoadSettings(store, settings);
  for (const auto& [name, value] : options.overrides) VR_TRY(ApplySettingOverride(settings, name, value));
  if (options.metadata) settings.OUTmetadata = *options.metadata;
  if (options.quality) {
    // Formats without a quality of their own leave it to JPEGquality, as before.
    const std::optional<OutputFormat> format = GetOutputFormat(settings.OUTformat);
    const std::string_view field =
        format && !format->quality_field.empty() ? format->quality_field : std::string_view("JPEGquality");
    VR_TRY(ApplySettingOverride(settings, std::string(field), std::to_string(*options.quality)));
  }
  return settings;
}

std::optional<std::string> Variable(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || value[0] == '\0') return std::nullopt;
  return std::string(value);
}

// Each row's source and output, nothing written and no folder made.
int DryRun(const SettingsRecord& settings, const std::vector<RunSource>& rows, const BuildOptions& build) {
  ConsoleHost host(false);
  NameCounter counter;
  for (const RowRecipe& row : PlanBuild(settings, rows, host, counter, build)) {
    std::cout << "Row " << row.row << ": " << QuotedForReport(row.source) << " -> "
              << QuotedForReport(row.output_path);
    if (row.action == RowRecipe::Action::kFail)
      std::cout << " (would fail: " << EscapeForReport(row.failure.message()) << ')';
    std::cout << '\n';
  }
  return kAllWritten;
}

// Where the report goes: a file it creates, or standard output for "-".
class ReportSink {
 public:
  Status Open(const std::string& target) {
    if (target.empty() || target == "-") return Status::Ok();
    file_.open(target, std::ios::binary | std::ios::trunc);
    if (!file_) return Status::Fail("Cannot write the report " + target + ": " + std::strerror(errno));
    return Status::Ok();
  }
  // Each line flushed, so a scheduler's log or a killed task keeps the rows so far.
  void Line(const std::string& line) {
    std::ostream& out = file_.is_open() ? static_cast<std::ostream&>(file_) : std::cout;
    out << line << '\n';
    out.flush();
  }

 private:
  std::ofstream file_;
};

int Run(const std::vector<std::string>& arguments) {
  Expected<BatchOptions> options = ParseBatchOptions(arguments);
  if (!options) {
    std::cerr << "varenna-batch: " << options.message() << "\nTry varenna-batch --help.\n";
    return kUsageError;
  }
  if (options->help) {
    std::cout << BatchUsage();
    return kAllWritten;
  }
  if (options->version) {
    std::cout << BatchVersionLine() << '\n';
    return kAllWritten;
  }
  Expected<SettingsRecord> settings = RunSettings(*options);
  if (!settings) {
    std::cerr << "varenna-batch: " << settings.message() << '\n';
    return kUsageError;
  }
  if (options->show_settings) {
    std::cout << FormatSettings(*settings);
    return kAllWritten;
  }
  // Every value is checked before the first row, so a bad one costs nothing.
  if (const std::vector<std::string> bad = OutOfRangeSettings(*settings); !bad.empty()) {
    for (const std::string& line : bad) std::cerr << "varenna-batch: " << line << '\n';
    return kUsageError;
  }
  BuildOptions build;
  if (!options->shard.empty()) {
    Expected<RowShard> shard = ShardFrom(options->shard, Variable);
    if (!shard) {
      std::cerr << "varenna-batch: " << shard.message() << '\n';
      return kUsageError;
    }
    build.shard = *shard;
  }
  if (options->date) build.clock = [when = *options->date] { return when; };
  if (options->inputs.empty()) {
    std::cerr << "varenna-batch: no pictures given\nTry varenna-batch --help.\n";
    return kUsageError;
  }
  Expected<ListedRows> rows =
      ListRows(options->inputs, options->null_separated, options->recursive, std::cin);
  if (!rows) {
    std::cerr << "varenna-batch: " << rows.message() << '\n';
    return kUsageError;
  }
  for (const LeftOutFile& file : rows->named)
    std::cerr << "left out: " << QuotedForReport(file.path) << ": " << CauseText(file.cause) << '\n';
  const std::string left_out = LeftOutLine(rows->left_out);
  if (rows->sources.empty()) {
    std::cerr << "varenna-batch: no pictures found in " << JoinedInputs(options->inputs) << '\n';
    if (!left_out.empty()) std::cerr << left_out << '\n';
    return kUsageError;
  }
  if (options->dry_run) return DryRun(*settings, rows->sources, build);

  ReportSink report;
  if (Status opened = report.Open(options->report); !opened) {
    std::cerr << "varenna-batch: " << opened.message() << '\n';
    return kUsageError;
  }
  const bool report_on_stdout = options->report == "-";
  ConsoleHost host(options->create_folders);
  // Each failure and warning goes to stderr once, as its row is settled.
  build.row_done = [&](const RowOutcome& row) {
    if (!options->report.empty()) report.Line(RowJson(row));
    if (row.kind != RowOutcome::Kind::kFailed && row.kind != RowOutcome::Kind::kWarning) return;
    host.EndBar();
    std::cerr << (row.kind == RowOutcome::Kind::kWarning ? "warning: " : "")
              << RowReportLine({row.row, row.source, row.reason}) << '\n';
  };
  NameCounter counter;
  OutputList outputs;
  build.jobs = options->jobs;
  build.stop = &g_stop;
  StopOnInterrupt();
  const BuildSummary summary = RunBuild(*settings, rows->sources, host, counter, outputs, build);
  host.EndBar();
  if (!summary.fatal.empty()) {
    std::cerr << "varenna-batch: " << EscapeForReport(summary.fatal) << '\n';
    return kSomeRowsFailed;
  }
  if (!options->report.empty()) report.Line(SummaryJson(summary, build.shard));
  std::ostream& human = report_on_stdout ? std::cerr : std::cout;
  // Rows are said one by one as they settle; collisions have no row of their own.
  for (const RowFailure& collision : summary.collisions)
    std::cerr << "warning: " << RowReportLine(collision) << '\n';
  for (const std::string& line : BuildMessageLines(summary, false)) human << line << '\n';
  if (!left_out.empty()) human << left_out << '\n';
  if (summary.stopped) return kInterrupted;
  // Only pictures that lost pixels fail a strict run; stray bytes a decoder
  // passed over do not.
  if (options->strict && !summary.warnings.empty()) return kSomeRowsFailed;
  // A thumbnail kept as --if-exists says is as good as one written.
  return summary.written + summary.kept == summary.rows ? kAllWritten : kSomeRowsFailed;
}

}  // namespace
}  // namespace vr

int main(int argc, char** argv) {
  vr::KeepFreedBuffersForReuse();
  // Past a file-size limit (ulimit -f) a write then fails with EFBIG, which
  // fails its row, instead of the signal ending the whole run.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    return vr::Run(arguments);
  } catch (const std::exception& e) {
    std::cerr << "varenna-batch: " << e.what() << '\n';
    return 2;
  }
}
