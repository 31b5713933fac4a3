// Fills the settings record from the store and repairs missing values.
#pragma once

#include <string>

#include "settings/settings_record.h"
#include "settings/settings_store.h"

namespace vr {

// Replaces every field from the store, then applies the defaults. Never
// fails and never writes the store. `program_folder` fills an empty
// OUTfolder; by default the folder of the running executable.
void LoadSettings(const SettingsStore& store, SettingsRecord& record);
void LoadSettings(const SettingsStore& store, SettingsRecord& record, const std::string& program_folder);

// The folder holding the running executable, without a trailing "/".
std::string ProgramFolder();

}  // namespace vr
