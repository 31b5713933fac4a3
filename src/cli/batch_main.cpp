// varenna-batch: the build run from a command line, for servers and scripts.
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "base/heap_reuse.h"
#include "cli/batch_options.h"
#include "list/folder_scan.h"
#include "settings/load_settings.h"
#include "settings/settings_store.h"
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

  void Progress(int percent) override {
    if (!show_bar_) return;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::fprintf(stderr, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
                 std::string(static_cast<std::size_t>(kWidth - filled), ' ').c_str(), percent);
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
  bool bar_shown_ = false;
};

struct ListedRows {
  std::vector<std::string> paths;
  LeftOutCounts left_out;
  std::vector<LeftOutFile> named;  // broken links and unreadable entries
};

// The rows for the inputs, folders expanded. Anything else is a row of its
// own; one that is not a readable picture fails with the rest running on.
Expected<ListedRows> ListRows(const std::vector<std::string>& inputs, bool recursive) {
  ListedRows rows;
  for (const std::string& input : inputs) {
    std::error_code ignored;
    if (!std::filesystem::is_directory(input, ignored)) {
      rows.paths.push_back(input);
      continue;
    }
    VR_TRY_ASSIGN(FolderScan scan, ScanPictureFolder(input, {.recursive = recursive, .progress = {}}));
    for (ScannedPicture& picture : scan.pictures) rows.paths.push_back(std::move(picture.path));
    rows.left_out += scan.left_out;
    rows.named.insert(rows.named.end(), scan.named.begin(), scan.named.end());
  }
  return rows;
}

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
  if (options->show_settings) {
    std::cout << FormatSettings(settings);
    return kAllWritten;
  }
  if (options->inputs.empty()) {
    std::cerr << "varenna-batch: no pictures given\nTry varenna-batch --help.\n";
    return kUsageError;
  }
  Expected<ListedRows> rows = ListRows(options->inputs, options->recursive);
  if (!rows) {
    std::cerr << "varenna-batch: " << rows.message() << '\n';
    return kUsageError;
  }
  for (const LeftOutFile& file : rows->named)
    std::cerr << "left out: " << QuotedForReport(file.path) << ": " << CauseText(file.cause) << '\n';
  const std::string left_out = LeftOutLine(rows->left_out);
  if (rows->paths.empty()) {
    std::cerr << "varenna-batch: no pictures found in " << JoinedInputs(options->inputs) << '\n';
    if (!left_out.empty()) std::cerr << left_out << '\n';
    return kUsageError;
  }

  ConsoleHost host(options->create_folders);
  NameCounter counter;
  OutputList outputs;
  BuildOptions build;
  build.jobs = options->jobs;
  build.stop = &g_stop;
  StopOnInterrupt();
  const BuildSummary summary = RunBuild(settings, rows->paths, host, counter, outputs, build);
  host.EndBar();
  for (const RowFailure& failure : summary.failures) std::cerr << RowReportLine(failure) << '\n';
  for (const auto* list : {&summary.warnings, &summary.notes})
    for (const RowFailure& warning : *list) std::cerr << "warning: " << RowReportLine(warning) << '\n';
  for (const std::string& line : BuildMessageLines(summary)) std::cout << line << '\n';
  if (!left_out.empty()) std::cout << left_out << '\n';
  if (summary.stopped) return kInterrupted;
  // Only pictures that lost pixels fail a strict run; stray bytes a decoder
  // passed over do not.
  if (options->strict && !summary.warnings.empty()) return kSomeRowsFailed;
  return summary.written == summary.rows ? kAllWritten : kSomeRowsFailed;
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
