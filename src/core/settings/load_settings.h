// Fills the settings record from the store and repairs missing values.
#pragma once

#include <string>

#include "settings/settings_record.h"
#include "settings/settings_store.h"

namespace vr {

// Replaces every field from the store, then applies the defaults. Never
// fails and never writes the store. `output_folder` fills an empty
// OUTfolder; by default DefaultOutputFolder() (default_output_folder.h).
void LoadSettings(const SettingsStore& store, SettingsRecord& record);
void LoadSettings(const SettingsStore& store, SettingsRecord& record, const std::string& output_folder);

}  // namespace vr
