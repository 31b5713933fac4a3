// Everything needed to make one list row's thumbnail, worked out once while
// planning: rendering, pricing and reporting read it and never see the
// settings record.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "imaging/decode_footprint.h"
#include "imaging/encode_options.h"
#include "imaging/metadata/picture_metadata.h"
#include "imaging/ops/colour_transform.h"
#include "imaging/ops/flatten.h"
#include "settings/settings_record.h"
#include "thumbnail/size_rule.h"

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
  std::int32_t area = 0;     // WMArea
  std::int32_t opacity = 0;  // WMOpacity, percent
  std::int32_t mode = 0;     // WMMode code
};

// The settings every row of a run shares, taken from the record once.
struct RenderSettings {
  SizeRequest size;
  EffectLevels effects;
  WatermarkPlacement watermark;
  bool watermark_first = false;  // ADVpixall 1: watermark, effects, then resize
  bool release_after = false;    // ADVempty: give the engine's memory back after each row
  std::int32_t output_format = 0;
  std::string extension;
  std::int32_t jpeg_quality = 0;  // 0..100
  EncodeOptions encode;           // WebP, AVIF and JPEG XL
  // OUTcolour: 1 keeps the pictures' colours and profiles, anything else
  // converts to sRGB.
  ColourOutput colour = ColourOutput::kSrgb;
  Background background;  // under transparency, where the format has no alpha
  MetadataMode metadata = MetadataMode::kStrip;
};

RenderSettings RenderSettingsFrom(const SettingsRecord& settings);

struct RowRecipe {
  enum class Action { kRender, kSkip, kFail };
  Action action = Action::kFail;
  std::int32_t row = 0;  // 1-based
  std::string source;
  std::string output_path;      // empty when skipped
  std::string resolved_output;  // output_path with links and ".." resolved: one spelling per file
  std::string reason;           // why, for kFail

  // The source's header, read once; none when the start of the file did not
  // hold it (the engine then reads it from the whole file, and the target
  // size is worked out there).
  std::optional<DecodeFootprint> header;
  std::optional<ThumbSize> target;  // with a header: the thumbnail's size; none keeps the picture's
  std::uint64_t decode_bytes = 0;   // held while the picture decodes, 0 when unknown
};

}  // namespace vr
