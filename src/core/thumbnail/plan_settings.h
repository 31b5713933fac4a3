// The settings every row of a run is planned with, taken from the record
// once: planning never sees the record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/settings_record.h"
#include "thumbnail/formats.h"
#include "thumbnail/output_policy.h"
#include "thumbnail/size_rule.h"

namespace vr {

struct PlanSettings {
  std::string folder;                  // OUTfolder, as stored
  bool dated_folder = false;           // OUTdatefolder: rows go into a folder named mmddyyyy below it
  std::string name_pattern;            // OUTname
  std::optional<OutputFormat> format;  // none for an unknown OUTformat
  std::int32_t stored_format = 0;      // OUTformat, to name it when it is unknown
  SizeRequest size;
  bool whole_first = false;           // ADVpixall 1: effects and the watermark go on before the resize
  std::string watermark_text;         // WMText, its naming tokens filled in per row
  bool keep_tree = false;             // OUTkeeptree: below the folder, the source's folders from its root
  std::optional<IfExists> if_exists;  // OUTifexists; none for a code no policy has
  std::int32_t stored_if_exists = 0;  // OUTifexists, to name it when it is unknown
  std::string fingerprint;            // OutputFingerprint, for newer
};

PlanSettings PlanSettingsFrom(const SettingsRecord& settings);

}  // namespace vr
