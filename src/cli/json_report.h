// The --report file: JSON Lines, one object per row as the run settles it,
// then one summary object. Strings are valid JSON whatever bytes a file name
// holds: UTF-8 passes through, control characters are escaped, and a byte
// that is not UTF-8 is written as \udcXX (the escape Python's
// os.fsencode turns back into the byte), so every name can be recovered.
#pragma once

#include <string>
#include <string_view>

#include "thumbnail/run/build_run.h"

namespace vr {

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

// {"row":..,"source":..,"output":..,"status":"written|skipped|failed|warning",
//  "reason":..,"width":..,"height":..,"bytes":..,"ms":..}
std::string RowJson(const RowOutcome& row);

// {"summary":true,"rows":..,"written":..,"warnings":..,"failed":..,
//  "skipped":..,"not_started":..,"stopped":..,"seconds":..,"shard":"I/N"}
std::string SummaryJson(const BuildSummary& summary, const RowShard& shard);

}  // namespace vr
