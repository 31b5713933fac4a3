#include "cli/batch_options.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "cli/look_options.h"
#include "cli/size_option.h"

namespace vr {

namespace {

// Checked before the options are told apart, so the parser takes exactly
// these, and the manual page can be held to them.
constexpr std::array<std::string_view, 19> kRunOptionNames = {
    "--settings",  "--set",        "--show-settings", "--jobs",   "-j",
    "--no-create", "--strict",     "--version",       "--help",   "-h",
    "--",          "--background", "--metadata",      "--colour", "--size",
    "-s",          "--crop",       "--recursive",     "-r"};

// The run's options, then the look options.
const std::vector<std::string_view>& AllOptionNames() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> all(kRunOptionNames.begin(), kRunOptionNames.end());
    all.insert(all.end(), LookOptionNames().begin(), LookOptionNames().end());
    return all;
  }();
  return names;
}

Expected<long> WholeNumber(const std::string& text) {
  if (text.empty()) return Status::Fail("an empty value");
  errno = 0;
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno == ERANGE) return Status::Fail("\"" + text + "\" is not a whole number");
  return value;
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
    } else if (std::ranges::find(AllOptionNames(), argument) == AllOptionNames().end()) {
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
    } else if (argument == "--recursive" || argument == "-r") {
      options.recursive = true;
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
    } else if (argument == "--size" || argument == "-s" || argument == "--crop") {
      // The size settings by their meaning, applied in turn with the --set ones.
      VR_TRY_ASSIGN(const std::string value, next(argument));
      VR_TRY_ASSIGN(const SettingOverrides overrides,
                    argument == "--crop" ? CropOverrides(value) : SizeOverrides(value));
      options.overrides.insert(options.overrides.end(), overrides.begin(), overrides.end());
    } else if (argument == "--background") {
      const Expected<std::string> colour = next(argument);
      if (!colour) return colour.status();
      VR_TRY_ASSIGN(const std::int32_t stored, StoredColour(argument, *colour));
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
    } else if (IsLookOption(argument)) {
      VR_TRY_ASSIGN(const std::string value, next(argument));
      VR_TRY(AddLookOption(argument, value, options.overrides));
    } else {
      // Listed above but not handled here.
      return Status::Fail("Unknown option " + argument);
    }
  }
  return options;
}

std::span<const std::string_view> BatchOptionNames() { return AllOptionNames(); }

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
it ending in .bmp, then .jpg, then .png, then every other extension read
(.jpeg .jpe .jfif .gif .tif .tiff), any case, by name; with --recursive its
sub-folders follow, folder by folder in name order. What a folder leaves
out (not a picture, broken link, unreadable) is counted in the summary.

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
  --size GEOMETRY, -s GEOMETRY
                      the thumbnail's size: WxH fits inside W by H; W (or
                      Wx) is W wide, xH is H high; WxH! is exactly W by H;
                      WxH^ fills W by H and crops the overflow; a trailing >
                      never enlarges, < only enlarges (quote > and <)
  --crop centre|attention
                      where WxH^ crops: the middle (the default) or where
                      the detail is (edges, saturated colour, skin tones)
  --jobs N, -j N      render on N worker threads (default: one per core)
  --background RRGGBB the colour under transparent pictures saved as JPEG
                      (default FFFFFF, white); same as --set OUTbackground
  --recursive, -r     search folders down through their sub-folders
  --no-create         do not create a missing output folder (its rows are
                      skipped); by default it is created and said so
  --strict            a damaged picture (data missing or corrupt) still
                      gets its thumbnail, but makes the exit status 1;
                      warnings that cost no pixels do not
  --metadata WHAT     what thumbnails keep of their pictures' EXIF, XMP,
                      IPTC and comments: strip (nothing, the default),
                      keep, or no-location (all but the GPS position);
                      wins over --set OUTmetadata
  --sharpen LEVEL     sharpen thumbnails after the shrink: none (the
                      default), light, medium or strong
  --watermark FILE    the picture laid over every thumbnail
  --watermark-size PCT   its width in percent of the thumbnail's width
                      (0, the default: the picture's own size)
  --watermark-margin PX  pixels between it and the edges it sits at
  --watermark-region N   where it goes: 1..9, down each column from the
                      top left (1 4 7 / 2 5 8 / 3 6 9)
  --watermark-opacity PCT  0..100
  --watermark-blend NAME   normal (the picture's own transparency),
                      additive, subtractive, mask, copy, or, and, xor
  --text TEXT         a line of text over every thumbnail; %o, the
                      counter and date tokens of the naming convention are
                      filled in, (c) becomes the copyright sign
  --font NAME         its font: a family name or fontconfig pattern
                      (default: the system's sans-serif)
  --text-size PCT     its size in percent of the thumbnail's height
  --text-colour RRGGBB  its colour (default FFFFFF, white)
  --text-opacity PCT  0..100 (default 100)
  --text-region N     where it goes, 1..9 as for the watermark (default 9)
  --version           print the program's version and exit
  --help, -h          show this text

The run's final message goes to stdout, each failure to stderr with its
file and reason, a warning to stderr for each thumbnail made from a damaged
picture or one its decoder warned of, a progress bar to stderr when it is a terminal. File names in them
are quoted, with control characters written as escapes.

Exit status: 0 every row was written (damaged pictures too, unless --strict),
1 some row failed or was skipped,
2 a usage or settings error, or no pictures in the inputs, 130 stopped by
Ctrl+C (the rows already started are finished, the summary is printed).
)";
}

}  // namespace vr
