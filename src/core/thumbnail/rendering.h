// Rendering a planned row (load, resize, effects, watermark, encode), which
// needs only an engine, the run's RenderSettings and the row's recipe and
// may run on any thread; and writing the result.
#pragma once

#include <cstdint>
#include <vector>

#include "base/status.h"
#include "imaging/decode_warning.h"
#include "imaging/image.h"
#include "settings/settings_record.h"
#include "thumbnail/render_settings.h"
#include "thumbnail/row_recipe.h"

namespace vr {

class Engine;

// The decoded, upright watermark for a whole run, turned by WMAngle when it
// is above 0; rows mix from it and never change it. An empty WMFile gives an
// empty image; a file that cannot be read fails.
Expected<Image> LoadWatermark(Engine& engine, const SettingsRecord& settings);

// A rendered thumbnail on its way to the disk.
struct RenderedRow {
  std::vector<std::uint8_t> bytes;  // the file's contents
  DecodeWarning warning;            // what the source's decoder warned of
};

// Renders a kRender recipe into the thumbnail file's bytes, into `out`.
// `watermark` is LoadWatermark's picture (empty for none). Effects are seeded
// by the row number. Resize, sharpening, effects, watermark; or with
// watermark_first: watermark, effects, resize, sharpening. The text
// watermark goes on last either way.
Status RenderRow(Engine& engine, const RenderSettings& render, const RowRecipe& recipe,
                 const Image& watermark, RenderedRow& out);

// Puts a rendered row's bytes in place at its output path: the one way a
// thumbnail reaches the disk, whichever thread renders it.
Status WriteRow(const RowRecipe& recipe, const RenderedRow& rendered);

}  // namespace vr
