// The varenna-batch command line, read into values, apart from running it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"
#include "settings/settings_record.h"

namespace vr {

struct BatchOptions {
  std::string settings_file;  // empty: the program's own store
  // --set NAME=VALUE and --colour (as OUTcolour), in order
  std::vector<std::pair<std::string, std::string>> overrides;
  bool show_settings = false;
  bool help = false;
  bool version = false;
  bool create_folders = true;  // --no-create answers the folder question no
  bool strict = false;         // --strict: a damaged picture's row counts as failed for the exit status
  bool recursive = false;      // --recursive: folders are searched down their sub-folders
  int jobs = 0;                // 0: one per core
  std::optional<std::int32_t> metadata;  // --metadata, as the setting's code; after every --set
  std::vector<std::string> inputs;
};

// Reads argv[1..]; a failure says which argument is wrong.
Expected<BatchOptions> ParseBatchOptions(const std::vector<std::string>& arguments);

// Every option ParseBatchOptions takes ("--jobs", "-j", ..., "--" too); it
// refuses any other argument that begins with "-". The manual page lists
// each of them.
std::span<const std::string_view> BatchOptionNames();

// The setting's code for a --metadata value: strip 0, keep 1, no-location
// 2 (the codes themselves are taken too); none for anything else.
std::optional<std::int32_t> MetadataCode(std::string_view value);

// Applies one --set: NAME must be a field of the record (any case) and VALUE
// a whole number for a number field (any text for a text field).
Status ApplySettingOverride(SettingsRecord& record, const std::string& name, const std::string& value);

// The record as NAME=VALUE lines in the record's order.
std::string FormatSettings(const SettingsRecord& record);

// The --help text.
std::string BatchUsage();

// "varenna-batch VERSION", the --version line.
std::string BatchVersionLine();

}  // namespace vr
