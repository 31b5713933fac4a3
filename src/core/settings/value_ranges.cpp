#include "settings/value_ranges.h"

namespace vr {

std::vector<std::string> OutOfRangeSettings(const SettingsRecord& record) {
  std::vector<std::string> lines;
  for (const SettingsField& field : SettingsFields()) {
    if (field.number == nullptr) continue;
    const std::int32_t value = record.*(field.number);
    if (field.range.Holds(value)) continue;
    lines.push_back(std::string(field.name) + "=" + std::to_string(value) + " is out of range: " +
                    std::to_string(field.range.min) + " to " + std::to_string(field.range.max));
  }
  return lines;
}

}  // namespace vr
