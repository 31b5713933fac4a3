// The varenna-batch command line, read into values, apart from running it.
// Options take the usual forms: "--jobs 2", "--jobs=2", "-j 2", "-j2".
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"
#include "thumbnail/naming.h"

namespace vr {

// An input as given: a picture or folder, or a file listing inputs.
struct InputSource {
  std::string path;
  bool is_list = false;  // --files-from; "-" is standard input
  friend bool operator==(const InputSource&, const InputSource&) = default;
};

struct BatchOptions {
  std::string settings_file;  // empty: the program's own store
  // --set NAME=VALUE and the options that stand for a setting (--colour,
  // --format, --quality, --output-dir, --name, --date-folder, --size,
  // --crop, --background, the watermark and text options), in order
  std::vector<std::pair<std::string, std::string>> overrides;
  bool show_settings = false;
  bool help = false;
  bool version = false;
  bool create_folders = true;  // --no-create answers the folder question no
  bool strict = false;         // --strict: a damaged picture's row counts as failed for the exit status
  bool dry_run = false;
  bool recursive = false;                // --recursive: folders are searched down their sub-folders
  bool null_separated = false;           // -0: lists are NUL-separated
  int jobs = 0;                          // 0: one per core
  std::optional<std::int32_t> metadata;  // --metadata, as the setting's code; after every --set
  // --quality, for the run's format (JPEGquality, WEBPquality, AVIFquality,
  // JXLquality); after every --set
  std::optional<std::int32_t> quality;
  std::optional<LocalDateTime> date;  // --date: the run's date and time for names and the dated folder
  std::string shard;                  // --shard as given, read with ShardFrom (option_values.h)
  std::string report;                 // --report FILE, "-" for standard output; empty: none
  std::vector<InputSource> inputs;    // arguments and --files-from lists, in order
};

// Reads argv[1..]; a failure says which argument is wrong.
Expected<BatchOptions> ParseBatchOptions(const std::vector<std::string>& arguments);

// Every option ParseBatchOptions takes, each spelling ("--jobs", "-j", ...,
// "--" too); it refuses any other argument that begins with "-". The manual
// page lists each of them.
std::span<const std::string_view> BatchOptionNames();

// The --help text.
std::string BatchUsage();

// "varenna-batch VERSION", the --version line.
std::string BatchVersionLine();

}  // namespace vr
