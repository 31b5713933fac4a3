#include "cli/batch_options.h"

#include <algorithm>
#include <array>
#include <functional>

#include "cli/look_options.h"
#include "cli/option_values.h"
#include "cli/size_option.h"
#include "thumbnail/output_policy.h"

namespace vr {

namespace {

using Apply = Status (*)(BatchOptions&, const std::string& value);

struct OptionEntry {
  std::string_view long_name;  // without "--"
  char short_name = 0;         // 0: none
  bool takes_value = false;
  Apply apply = nullptr;
};

Status SetOverride(BatchOptions& o, std::string name, std::string value) {
  o.overrides.emplace_back(std::move(name), std::move(value));
  return Status::Ok();
}

Status AddOverrides(BatchOptions& o, Expected<SettingOverrides> overrides) {
  if (!overrides) return overrides.status();
  o.overrides.insert(o.overrides.end(), overrides->begin(), overrides->end());
  return Status::Ok();
}

// Each option and what it does to the options. The usage text and the
// manual page describe them in this order.
constexpr std::array kOptions = {
    OptionEntry{"format", 'f', true,
               [](BatchOptions& o, const std::string& v) {
                 const std::optional<std::int32_t> code = StoredFormatCode(v);
                 if (!code) return Status::Fail("--format needs bmp, jpeg (or jpg), png, webp, avif or jxl, not \"" + v + "\"");
                 return SetOverride(o, "OUTformat", std::to_string(*code));
               }},
    OptionEntry{"size", 's', true,
               [](BatchOptions& o, const std::string& v) { return AddOverrides(o, SizeOverrides(v)); }},
    OptionEntry{"crop", 0, true,
               [](BatchOptions& o, const std::string& v) { return AddOverrides(o, CropOverrides(v)); }},
    OptionEntry{"quality", 'q', true,
               [](BatchOptions& o, const std::string& v) {
                 // Which quality it sets depends on the format, known once every option is read.
                 VR_TRY_ASSIGN(o.quality, NumberInRange("--quality", v, 0, 100));
                 return Status::Ok();
               }},
    OptionEntry{"output-dir", 'o', true,
               [](BatchOptions& o, const std::string& v) {
                 if (v.empty()) return Status::Fail("--output-dir needs a folder, not an empty name");
                 return SetOverride(o, "OUTfolder", v);
               }},
    OptionEntry{"name", 'n', true, [](BatchOptions& o, const std::string& v) { return SetOverride(o, "OUTname", v); }},
    OptionEntry{"date-folder", 0, false,
               [](BatchOptions& o, const std::string&) { return SetOverride(o, "OUTdatefolder", "1"); }},
    OptionEntry{"date", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 VR_TRY_ASSIGN(o.date, PinnedDate(v));
                 return Status::Ok();
               }},
    OptionEntry{"recursive", 'r', false,
               [](BatchOptions& o, const std::string&) {
                 o.recursive = true;
                 return Status::Ok();
               }},
    OptionEntry{"keep-structure", 0, false,
               [](BatchOptions& o, const std::string&) { return SetOverride(o, "OUTkeeptree", "1"); }},
    OptionEntry{"if-exists", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 // OUTifexists by its name; ask has no one to answer it here.
                 const std::optional<IfExists> code = IfExistsFromName(v);
                 if (!code)
                   return Status::Fail("--if-exists needs overwrite, skip, newer or rename, not \"" + v + "\"");
                 return SetOverride(o, "OUTifexists", std::to_string(static_cast<std::int32_t>(*code)));
               }},
    OptionEntry{"files-from", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 o.inputs.push_back({v, true});
                 return Status::Ok();
               }},
    OptionEntry{"null", '0', false,
               [](BatchOptions& o, const std::string&) {
                 o.null_separated = true;
                 return Status::Ok();
               }},
    OptionEntry{"shard", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 // Checked now for its form; "env" is read from the environment later.
                 if (v != "env" && !v.starts_with("env/")) VR_TRY(ShardFrom(v, {}).status());
                 o.shard = v;
                 return Status::Ok();
               }},
    OptionEntry{"report", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 if (v.empty()) return Status::Fail("--report needs a file name, or - for standard output");
                 o.report = v;
                 return Status::Ok();
               }},
    OptionEntry{"dry-run", 0, false,
               [](BatchOptions& o, const std::string&) {
                 o.dry_run = true;
                 return Status::Ok();
               }},
    OptionEntry{"jobs", 'j', true,
               [](BatchOptions& o, const std::string& v) {
                 VR_TRY_ASSIGN(o.jobs, NumberInRange("--jobs", v, 1, 1024));
                 return Status::Ok();
               }},
    OptionEntry{"settings", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 o.settings_file = v;
                 return Status::Ok();
               }},
    OptionEntry{"set", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 const std::size_t equals = v.find('=');
                 if (equals == std::string::npos || equals == 0)
                   return Status::Fail("--set needs NAME=VALUE, not \"" + v + "\"");
                 return SetOverride(o, v.substr(0, equals), v.substr(equals + 1));
               }},
    OptionEntry{"show-settings", 0, false,
               [](BatchOptions& o, const std::string&) {
                 o.show_settings = true;
                 return Status::Ok();
               }},
    OptionEntry{"colour", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 if (v != "srgb" && v != "keep")
                   return Status::Fail("--colour needs srgb or keep, not \"" + v + "\"");
                 return SetOverride(o, "OUTcolour", v == "keep" ? "1" : "0");
               }},
    OptionEntry{"background", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 VR_TRY_ASSIGN(const std::int32_t stored, StoredColour("--background", v));
                 return SetOverride(o, "OUTbackground", std::to_string(stored));
               }},
    OptionEntry{"metadata", 0, true,
               [](BatchOptions& o, const std::string& v) {
                 o.metadata = MetadataCode(v);
                 if (!o.metadata)
                   return Status::Fail("--metadata needs strip, keep or no-location, not \"" + v + "\"");
                 return Status::Ok();
               }},
    OptionEntry{"no-create", 0, false,
               [](BatchOptions& o, const std::string&) {
                 o.create_folders = false;
                 return Status::Ok();
               }},
    OptionEntry{"strict", 0, false,
               [](BatchOptions& o, const std::string&) {
                 o.strict = true;
                 return Status::Ok();
               }},
    OptionEntry{"version", 0, false,
               [](BatchOptions& o, const std::string&) {
                 o.version = true;
                 return Status::Ok();
               }},
    OptionEntry{"help", 'h', false,
               [](BatchOptions& o, const std::string&) {
                 o.help = true;
                 return Status::Ok();
               }},
};

// "--name" and "-n" of every option, then "--".
std::vector<std::string_view> AllSpellings() {
  static const std::vector<std::string> spelled = [] {
    std::vector<std::string> names;
    for (const OptionEntry& option : kOptions) {
      names.push_back("--" + std::string(option.long_name));
      if (option.short_name != 0) names.push_back(std::string{'-', option.short_name});
    }
    for (std::string_view look : LookOptionNames()) names.emplace_back(look);
    names.push_back("--");
    return names;
  }();
  return {spelled.begin(), spelled.end()};
}

const OptionEntry* FindLong(std::string_view name) {
  const auto found = std::ranges::find(kOptions, name, &OptionEntry::long_name);
  return found == kOptions.end() ? nullptr : &*found;
}

const OptionEntry* FindShort(char name) {
  const auto found = std::ranges::find(kOptions, name, &OptionEntry::short_name);
  return name == 0 || found == kOptions.end() ? nullptr : &*found;
}

}  // namespace

Expected<BatchOptions> ParseBatchOptions(const std::vector<std::string>& arguments) {
  BatchOptions options;
  bool only_inputs = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (only_inputs || argument.size() < 2 || argument[0] != '-') {
      if (!only_inputs && argument == "-")
        return Status::Fail("Unknown option - (use --files-from - for a list on standard input)");
      options.inputs.push_back({argument, false});
      continue;
    }
    if (argument == "--") {
      only_inputs = true;
      continue;
    }
    // "--name", "--name=value", "-x", "-xvalue".
    const bool is_long = argument[1] == '-';
    const std::size_t equals = is_long ? argument.find('=') : std::string::npos;
    const OptionEntry* option =
        is_long ? FindLong(std::string_view(argument).substr(2, equals - 2)) : FindShort(argument[1]);
    // The watermark and text options, each taking a value, live in their own table.
    const std::string look = is_long ? argument.substr(0, equals) : std::string();
    if (option == nullptr && is_long && IsLookOption(look)) {
      std::string value;
      if (equals != std::string::npos) {
        value = argument.substr(equals + 1);
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return Status::Fail(look + " needs a value");
      }
      VR_TRY(AddLookOption(look, value, options.overrides));
      continue;
    }
    if (option == nullptr) return Status::Fail("Unknown option " + argument);
    const std::string spelled = is_long ? "--" + std::string(option->long_name) : argument.substr(0, 2);
    std::optional<std::string> attached;
    if (is_long && equals != std::string::npos) attached = argument.substr(equals + 1);
    if (!is_long && argument.size() > 2) attached = argument.substr(2);
    std::string value;
    if (option->takes_value) {
      if (attached) {
        value = *attached;
      } else if (i + 1 < arguments.size()) {
        value = arguments[++i];
      } else {
        return Status::Fail(spelled + " needs a value");
      }
    } else if (attached) {
      return is_long ? Status::Fail(spelled + " takes no value") : Status::Fail("Unknown option " + argument);
    }
    VR_TRY(option->apply(options, value));
  }
  return options;
}

std::span<const std::string_view> BatchOptionNames() {
  static const std::vector<std::string_view> names = AllSpellings();
  return names;
}

std::string BatchVersionLine() { return "varenna-batch " VARENNA_VERSION; }

}  // namespace vr
