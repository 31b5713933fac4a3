#include "settings/registry.h"

namespace vr {

std::int32_t GetSettingLong(const SettingsStore& store, std::string_view name) {
  return store.ReadNumber(name).value_or(0);
}

std::string GetSettingString(const SettingsStore& store, std::string_view name) {
  return store.ReadText(name).value_or(std::string());
}

}  // namespace vr
