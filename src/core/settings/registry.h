// The four settings calls the rest of the program uses.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace vr {

inline constexpr std::string_view kSaveSucceeded = "Success";
inline constexpr std::string_view kSaveFailed = "No! Failed to save Value";

// 0 when the value is missing or not a number.
std::int32_t GetSettingLong(const SettingsStore& store, std::string_view name);
// Empty when the value is missing or not a text; a text holding a NUL reads
// up to it.
std::string GetSettingString(const SettingsStore& store, std::string_view name);
// "Success", or "No! Failed to save Value" when the value did not reach the
// store; then the store is as it was before.
std::string SaveSettingLong(SettingsStore& store, std::string_view name, std::int32_t value);
std::string SaveSettingString(SettingsStore& store, std::string_view name, std::string_view text);

}  // namespace vr
