// The record held to each number field's range (settings_record.h), before a
// run writes anything: a value out of range is refused with its name and
// range, instead of failing row after row, or quietly meaning something else.
#pragma once

#include <string>
#include <vector>

#include "settings/settings_record.h"

namespace vr {

// One line per number field out of its range, in the table's order:
// "OUTwidth=100000 is out of range: 1 to 65535". Empty when all are in range.
std::vector<std::string> OutOfRangeSettings(const SettingsRecord& record);

}  // namespace vr
