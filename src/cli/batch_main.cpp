// varenna-batch: the build run from a command line, for servers and scripts.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/heap_reuse.h"
#include "cli/batch_options.h"
#include "list/folder_scan.h"
#include "settings/load_settings.h"
#include "settings/settings_store.h"
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

// The rows for the inputs, folders expanded, each of their files with the
// folder as its root. Anything else is a row of its own; one that is not a
// readable picture fails with the rest running on.
Expected<std::vector<RunSource>> ListRows(const std::vector<std::string>& inputs) {
  std::vector<RunSource> rows;
  for (const std::string& input : inputs) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(input, ignored)) {
      rows.push_back({input, {}});
      continue;
    }
    VR_TRY_ASSIGN(const std::vector<std::string> pictures, ScanPictureFolder(input));
    for (const std::string& picture : pictures) rows.push_back({picture, input});
  }
  return rows;
}

std::string JoinedInputs(const std::vector<std::string>& inputs) {
  std::string joined;
  for (const std::string& input : inputs) {
    if (!joined.empty()) joined += ' ';
    joined += input;
  }
  return joined;
}

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

  RegFileStore store(options->settings_file.empty() ? RegFileStore::DefaultPath() : options->settings_file);
  // A settings file given by name must be there: a run on defaults instead
  // would write thumbnails nobody asked for. The program's own store may be
  // missing, on a first run.
  if (!options->settings_file.empty()) {
    if (Status readable = store.CheckReadable(); !readable) {
      std::cerr << "varenna-batch: " << readable.message() << '\n';
      return kUsageError;
    }
  }
  SettingsRecord settings;
  LoadSettings(store, settings);
  for (const auto& [name, value] : options->overrides) {
    if (Status applied = ApplySettingOverride(settings, name, value); !applied) {
      std::cerr << "varenna-batch: " << applied.message() << '\n';
      return kUsageError;
    }
  }
  if (options->metadata) settings.OUTmetadata = *options->metadata;
  if (!IfExistsFromCode(settings.OUTifexists)) {
    std::cerr << "varenna-batch: Unknown OUTifexists value " << settings.OUTifexists
              << " (0 overwrite, 1 skip, 2 newer, 3 rename, 4 ask)\n";
    return kUsageError;
  }
  if (options->show_settings) {
    std::cout << FormatSettings(settings);
    return kAllWritten;
  }
  if (options->inputs.empty()) {
    std::cerr << "varenna-batch: no pictures given\nTry varenna-batch --help.\n";
    return kUsageError;
  }
  Expected<std::vector<RunSource>> rows = ListRows(options->inputs);
  if (!rows) {
    std::cerr << "varenna-batch: " << rows.message() << '\n';
    return kUsageError;
  }
  if (rows->empty()) {
    std::cerr << "varenna-batch: no pictures found in " << JoinedInputs(options->inputs) << '\n';
    return kUsageError;
  }

  ConsoleHost host(options->create_folders);
  NameCounter counter;
  OutputList outputs;
  BuildOptions build;
  build.jobs = options->jobs;
  build.stop = &g_stop;
  StopOnInterrupt();
  const BuildSummary summary = RunBuild(settings, *rows, host, counter, outputs, build);
  host.EndBar();
  if (!summary.fatal.empty()) {
    std::cerr << "varenna-batch: " << EscapeForReport(summary.fatal) << '\n';
    return kSomeRowsFailed;
  }
  for (const RowFailure& failure : summary.failures) std::cerr << RowReportLine(failure) << '\n';
  for (const auto* list : {&summary.collisions, &summary.warnings, &summary.notes})
    for (const RowFailure& warning : *list) std::cerr << "warning: " << RowReportLine(warning) << '\n';
  for (const std::string& line : BuildMessageLines(summary)) std::cout << line << '\n';
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
