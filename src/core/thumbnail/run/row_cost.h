// What rendering one planned row will hold in memory while it decodes, from
// the picture's header and the size settings.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"
#include "thumbnail/pipeline.h"

namespace vr {

// Bytes held while the row's picture decodes; 0 when the header cannot be
// read (the row will fail on its own and costs nothing meanwhile).
std::uint64_t RowDecodeBytes(const SettingsRecord& settings, const RowPlan& plan);

}  // namespace vr
