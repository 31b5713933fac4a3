#include "settings/registry.h"

namespace vr {

std::int32_t GetSettingLong(const SettingsStore& store, std::string_view name) {
  return store.ReadNumber(name).value_or(0);
}

std::string GetSettingString(const SettingsStore& store, std::string_view name) {
  return store.ReadText(name).value_or(std::string());
}

// Unlike the status of a plain handle close, these report whether the value
// really reached the file.
std::string SaveSettingLong(SettingsStore& store, std::string_view name, std::int32_t value) {
  return std::string(store.WriteNumber(name, value) ? kSaveSucceeded : kSaveFailed);
}

std::string SaveSettingString(SettingsStore& store, std::string_view name, std::string_view text) {
  return std::string(store.WriteText(name, text) ? kSaveSucceeded : kSaveFailed);
}

}  // namespace vr
