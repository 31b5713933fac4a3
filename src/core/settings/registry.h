// The two reads loading the record goes through: a missing value or one of
// the other kind reads as zero or empty.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace vr {

// 0 when the value is missing or not a number.
std::int32_t GetSettingLong(const SettingsStore& store, std::string_view name);
// Empty when the value is missing or not a text; a text holding a NUL reads
// up to it.
std::string GetSettingString(const SettingsStore& store, std::string_view name);

}  // namespace vr
