// The settings every row of a run renders with, taken from the record once:
// rendering never sees the record.
#pragma once

#include <cstdint>

#include "imaging/encode_options.h"
#include "imaging/format_codes.h"
#include "imaging/metadata/picture_metadata.h"
#include "imaging/ops/colour_transform.h"
#include "imaging/ops/flatten.h"
#include "imaging/ops/sharpen.h"
#include "settings/settings_record.h"
#include "thumbnail/size_rule.h"
#include "thumbnail/text_watermark.h"

namespace vr {

// The colour effects, applied in this order; a row skips each at level 0.
// The settings dialog's preview shows the same levels as its controls hold
// them.
struct EffectLevels {
  std::int32_t noise = 0;
  std::int32_t brightness = 0;
  std::int32_t contrast = 0;
  std::int32_t saturation = 0;
  std::int32_t correction = 0;  // hundredths
  bool gray_scale = false;
  bool negative = false;
};

// Where and how the run's watermark goes on the row.
struct WatermarkPlacement {
  std::int32_t area = 0;          // WMArea
  std::int32_t opacity = 0;       // WMOpacity, percent
  std::int32_t mode = 0;          // WMMode code
  std::int32_t size_percent = 0;  // WMSize: width in percent of the picture's, 0 its own size
  std::int32_t margin = 0;        // WMMargin, pixels; the text watermark keeps it too
};

struct RenderSettings {
  // For a picture whose size planning could not read from its header.
  SizeRequest size;
  EffectLevels effects;
  WatermarkPlacement watermark;
  bool watermark_first = false;  // ADVpixall 1: watermark, effects, then resize
  bool release_after = false;    // ADVempty: give the engine's memory back after each row
  // Unknown for an OUTformat with no format; planning fails every row then.
  std::int32_t output_format = kFormatUnknown;
  std::int32_t jpeg_quality = 0;  // 0..100
  EncodeOptions encode;           // WebP, AVIF and JPEG XL
  // OUTcolour: 1 keeps the pictures' colours and profiles, anything else
  // converts to sRGB.
  ColourOutput colour = ColourOutput::kSrgb;
  Background background;  // under transparency, where the format has no alpha
  MetadataMode metadata = MetadataMode::kStrip;
  SharpenLevel sharpen = SharpenLevel::kNone;  // OUTsharpen, on the thumbnail after the resize
  TextWatermark text;                          // its text still holds the naming tokens
};

RenderSettings RenderSettingsFrom(const SettingsRecord& settings);

}  // namespace vr
