// The formats a thumbnail can be written in: one table that ties each
// format's name (as the command line spells it) to its stored OUTformat
// code, the engine's format code (imaging/format_codes.h), the extension,
// and the stored values that set its quality and options.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "imaging/encode_options.h"
#include "imaging/format_codes.h"
#include "settings/settings_record.h"

namespace vr {

struct OutputFormat {
  std::string_view name;               // "bmp", "jpeg", "png", "webp", "avif", "jxl"
  std::int32_t out_format = 0;         // the OUTformat value, the settings dialog's list position
  std::int32_t code = kFormatUnknown;  // the engine's
  std::string_view extension;          // with its dot: ".jpg"
  // The stored value that sets its quality ("JPEGquality"); empty when the
  // format has none.
  std::string_view quality_field;
  // Its other stored options, in the order its options dialog shows them.
  std::array<std::string_view, 2> option_fields;
  friend bool operator==(const OutputFormat&, const OutputFormat&) = default;
};

// Every format, in OUTformat order.
std::span<const OutputFormat> OutputFormats();

// The thumbnail's format for the OUTformat setting (the position in the
// settings dialog's format list): 0 BMP ".bmp", 1 JPEG ".jpg", 2 PNG ".png",
// 3 WebP ".webp", 4 AVIF ".avif", 5 JPEG XL ".jxl"; none for any other value.
std::optional<OutputFormat> GetOutputFormat(std::int32_t out_format);

// The format of a name ("jpeg", and "jpg" beside it), matched without
// regard to case; none when unknown.
const OutputFormat* OutputFormatNamed(std::string_view name);

// The newer formats' options from the record, each clamped to its range.
EncodeOptions EncodeOptionsFrom(const SettingsRecord& settings);

}  // namespace vr
