#include "cli/batch_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "thumbnail/output_policy.h"

namespace vr {

namespace {

// Checked before the options are told apart, so the parser takes exactly
// these, and the manual page can be held to them.
constexpr std::array<std::string_view, 16> kOptionNames = {
    "--settings", "--set",     "--show-settings",  "--jobs",     "-j", "--no-create",
    "--strict",   "--version", "--help",           "-h",         "--", "--background",
    "--metadata", "--colour",  "--keep-structure", "--if-exists"};

Expected<long> WholeNumber(const std::string& text) {
  if (text.empty()) return Status::Fail("an empty value");
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE) return Status::Fail("\"" + text + "\" is not a whole number");
  return value;
}

// "RRGGBB" (or "#RRGGBB"), as web colours are written, to the store's
// 0x00BBGGRR.
Expected<std::int32_t> StoredColour(const std::string& text) {
  const std::string digits = text.starts_with('#') ? text.substr(1) : text;
  const bool hex =
      std::ranges::all_of(digits, [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; });
  if (digits.size() != 6 || !hex)
    return Status::Fail("--background needs a colour as RRGGBB, six hexadecimal digits, not \"" + text +
                        "\"");
  const auto rgb = static_cast<std::uint32_t>(std::stoul(digits, nullptr, 16));
  return static_cast<std::int32_t>((rgb & 0xFF) << 16 | (rgb & 0xFF00) | rgb >> 16);
}

}  // namespace

Expected<BatchOptions> ParseBatchOptions(const std::vector<std::string>& arguments) {
  BatchOptions options;
  bool only_inputs = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    auto next = [&](const std::string& option) -> Expected<std::string> {
      if (i + 1 >= arguments.size()) return Status::Fail(option + " needs a value");
      return arguments[++i];
    };
    if (only_inputs || argument.empty() || argument[0] != '-') {
      options.inputs.push_back(argument);
    } else if (std::ranges::find(kOptionNames, argument) == kOptionNames.end()) {
      return Status::Fail("Unknown option " + argument);
    } else if (argument == "--") {
      only_inputs = true;
    } else if (argument == "--help" || argument == "-h") {
      options.help = true;
    } else if (argument == "--version") {
      options.version = true;
    } else if (argument == "--show-settings") {
      options.show_settings = true;
    } else if (argument == "--no-create") {
      options.create_folders = false;
    } else if (argument == "--strict") {
      options.strict = true;
    } else if (argument == "--keep-structure") {
      options.overrides.emplace_back("OUTkeeptree", "1");
    } else if (argument == "--if-exists") {
      // OUTifexists by its name; ask has no one to answer it here.
      VR_TRY_ASSIGN(const std::string policy, next(argument));
      const std::optional<IfExists> code = IfExistsFromName(policy);
      if (!code)
        return Status::Fail("--if-exists needs overwrite, skip, newer or rename, not \"" + policy + "\"");
      options.overrides.emplace_back("OUTifexists", std::to_string(static_cast<std::int32_t>(*code)));
    } else if (argument == "--settings") {
      VR_TRY_ASSIGN(options.settings_file, next(argument));
    } else if (argument == "--set") {
      VR_TRY_ASSIGN(const std::string assignment, next(argument));
      const std::size_t equals = assignment.find('=');
      if (equals == std::string::npos || equals == 0)
        return Status::Fail("--set needs NAME=VALUE, not \"" + assignment + "\"");
      options.overrides.emplace_back(assignment.substr(0, equals), assignment.substr(equals + 1));
    } else if (argument == "--colour") {
      // The OUTcolour setting by its name, applied in turn with the --set ones.
      VR_TRY_ASSIGN(const std::string colour, next(argument));
      if (colour != "srgb" && colour != "keep")
        return Status::Fail("--colour needs srgb or keep, not \"" + colour + "\"");
      options.overrides.emplace_back("OUTcolour", colour == "keep" ? "1" : "0");
    } else if (argument == "--background") {
      const Expected<std::string> colour = next(argument);
      if (!colour) return colour.status();
      VR_TRY_ASSIGN(const std::int32_t stored, StoredColour(*colour));
      options.overrides.emplace_back("OUTbackground", std::to_string(stored));
    } else if (argument == "--jobs" || argument == "-j") {
      VR_TRY_ASSIGN(const std::string count, next(argument));
      Expected<long> jobs = WholeNumber(count);
      if (!jobs || *jobs < 1 || *jobs > 1024)
        return Status::Fail("--jobs needs a number from 1 to 1024, not \"" + count + "\"");
      options.jobs = static_cast<int>(*jobs);
    } else if (argument == "--metadata") {
      VR_TRY_ASSIGN(const std::string value, next(argument));
      options.metadata = MetadataCode(value);
      if (!options.metadata)
        return Status::Fail("--metadata needs strip, keep or no-location, not \"" + value + "\"");
    } else {
      // Listed above but not handled here.
      return Status::Fail("Unknown option " + argument);
    }
  }
  return options;
}

std::span<const std::string_view> BatchOptionNames() { return kOptionNames; }

std::optional<std::int32_t> MetadataCode(std::string_view value) {
  static constexpr std::array<std::string_view, 3> kNames = {"strip", "keep", "no-location"};
  for (std::size_t code = 0; code < kNames.size(); ++code)
    if (value == kNames[code] || value == std::to_string(code)) return static_cast<std::int32_t>(code);
  return std::nullopt;
}

Status ApplySettingOverride(SettingsRecord& record, const std::string& name, const std::string& value) {
  const SettingsField* field = FindSettingsField(name);
  if (field == nullptr) return Status::Fail("Unknown setting " + name);
  if (field->text != nullptr) {
    record.*(field->text) = value;
    return Status::Ok();
  }
  Expected<long> number = WholeNumber(value);
  if (!number || *number < std::numeric_limits<std::int32_t>::min() ||
      *number > std::numeric_limits<std::int32_t>::max())
    return Status::Fail("Setting " + std::string(field->name) + " needs a 32-bit whole number, not \"" +
                        value + "\"");
  record.*(field->number) = static_cast<std::int32_t>(*number);
  return Status::Ok();
}

std::string FormatSettings(const SettingsRecord& record) {
  std::string text;
  for (const SettingsField& field : SettingsFields()) {
    text += field.name;
    text += '=';
    text += field.text != nullptr ? record.*(field.text) : std::to_string(record.*(field.number));
    text += '\n';
  }
  return text;
}

std::string BatchVersionLine() { return "varenna-batch " VARENNA_VERSION; }

std::string BatchUsage() {
  return R"(Usage: varenna-batch [options] INPUT...
Makes one thumbnail per picture with the settings of Varenna Pro.

An INPUT is a picture file or a folder. A folder adds the files directly in
it ending in .bmp, then .jpg, then .png (any case), by name; sub-folders are
not searched. The output folder is made and checked before any picture is
read: when it cannot be written the run ends at once with exit status 1.

Options:
  --settings FILE     read the settings from FILE (a .reg settings file)
                      instead of the program's own store; FILE must exist
  --set NAME=VALUE    override one setting for this run; NAME is a setting
                      of the record (see --show-settings), VALUE a whole
                      number for number settings; may be repeated
  --show-settings     print the settings as NAME=VALUE lines and exit
  --colour srgb|keep  srgb: convert pictures with a colour profile to sRGB
                      (the default); keep: leave their colours and embed
                      their profile in JPEG and PNG thumbnails (the setting
                      OUTcolour, 0 or 1)
  --jobs N, -j N      render on N worker threads (default: one per core)
  --background RRGGBB the colour under transparent pictures saved as JPEG
                      (default FFFFFF, white); same as --set OUTbackground
  --no-create         do not create a missing output folder (its rows are
                      skipped); by default it is created and said so
  --keep-structure    write each thumbnail of a folder INPUT below the
                      output folder at its path below INPUT, making the
                      folders needed (the setting OUTkeeptree)
  --if-exists WHAT    when a thumbnail of that name is there: overwrite
                      (the default), skip, newer (skip when it is newer
                      than its picture and made with the same settings)
                      or rename (name (2).jpg, ...); the setting
                      OUTifexists. Its stored ask skips here
  --strict            a damaged picture (data missing or corrupt) still
                      gets its thumbnail, but makes the exit status 1;
                      warnings that cost no pixels do not
  --metadata WHAT     what thumbnails keep of their pictures' EXIF, XMP,
                      IPTC and comments: strip (nothing, the default),
                      keep, or no-location (all but the GPS position);
                      wins over --set OUTmetadata
  --version           print the program's version and exit
  --help, -h          show this text

The run's final message goes to stdout, each failure to stderr with its
file and reason, a warning to stderr for each thumbnail made from a damaged
picture or one its decoder warned of, a progress bar with the rows done
and the time left to stderr when it is a terminal. File names in them
are quoted, with control characters written as escapes.

Exit status: 0 every row was written (damaged pictures too, unless --strict)
or its thumbnail kept as --if-exists says, 1 some row failed or was skipped,
2 a usage or settings error, or no pictures in the inputs, 130 stopped by
Ctrl+C (the rows already started are finished, the summary is printed).
)";
}

}  // namespace vr
