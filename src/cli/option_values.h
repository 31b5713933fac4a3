// The values varenna-batch's options take, read from their text: each
// function names the option and what it needs when the text will not do.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "base/status.h"
#include "settings/settings_record.h"
#include "thumbnail/naming.h"
#include "thumbnail/run/row_shard.h"

namespace vr {

// A whole number in [min, max], for `option`.
Expected<std::int32_t> NumberInRange(const std::string& option, const std::string& text, std::int32_t min,
                                     std::int32_t max);

// The setting's code for a --metadata value: strip 0, keep 1, no-location
// 2 (the codes themselves are taken too); none for anything else.
std::optional<std::int32_t> MetadataCode(std::string_view value);

// The OUTformat code for a format's name, any case: bmp 0, jpeg or jpg 1,
// png 2, webp 3, avif 4, jxl 5; none for another name (the names are the
// output format table's, thumbnail/formats.h).
std::optional<std::int32_t> StoredFormatCode(std::string_view name);

// --date: YYYY-MM-DD, the time of day 00:00:00, or YYYY-MM-DDTHH:MM:SS; a
// day the calendar does not have is refused.
Expected<LocalDateTime> PinnedDate(const std::string& text);

// --shard: "I/N" with 0 <= I < N, or "env" / "env/N", which take I from the
// scheduler's variables (SLURM_ARRAY_TASK_ID, JOB_COMPLETION_INDEX,
// AWS_BATCH_JOB_ARRAY_INDEX, the first one set; all count from 0 when the
// array is numbered from 0) and N from SLURM_ARRAY_TASK_COUNT unless given.
// A retried Slurm task, an array of its own, gives N. `variable` reads the
// environment (std::getenv in the program).
using VariableReader = std::function<std::optional<std::string>(const char* name)>;
Expected<RowShard> ShardFrom(const std::string& text, const VariableReader& variable);

// Applies one --set: NAME must be a field of the record (any case) and VALUE
// a 32-bit whole number for a number field (any text for a text field).
// Ranges are checked later, on the whole record.
Status ApplySettingOverride(SettingsRecord& record, const std::string& name, const std::string& value);

// The record as NAME=VALUE lines in the record's order.
std::string FormatSettings(const SettingsRecord& record);

}  // namespace vr
