// The command-line options for how thumbnails look: sharpening, the picture
// watermark and the text watermark. Each sets one stored value, exactly as
// a --set of it would, in turn with the --set options.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/status.h"

namespace vr {

using SettingOverrides = std::vector<std::pair<std::string, std::string>>;

// Every look option; each takes one value.
std::span<const std::string_view> LookOptionNames();
bool IsLookOption(std::string_view option);

// Checks `value` for `option` and appends the setting it stands for; a
// wrong value fails, naming the option, what it takes and the value.
Status AddLookOption(std::string_view option, const std::string& value, SettingOverrides& overrides);

// The WMMode code of a --watermark-blend name (normal, additive,
// subtractive, mask, copy, or, and, xor) or of a code the dialog offers.
std::optional<std::int32_t> BlendCodeForName(std::string_view name);

// "RRGGBB" (or "#RRGGBB"), as web colours are written, to the store's
// 0x00BBGGRR; a failure names `option`.
Expected<std::int32_t> StoredColour(std::string_view option, const std::string& text);

}  // namespace vr
