// One list row made into one thumbnail file, in three steps: planning (the
// output folder, its question, the name and the counter, the header), which
// must happen on the run's own thread in row order and yields the row's
// recipe; rendering (load, resize, effects, watermark, encode), which needs
// only an engine and the recipe and may run anywhere; and writing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/status.h"
#include "imaging/decode_warning.h"
#include "imaging/image.h"
#include "settings/settings_record.h"
#include "thumbnail/naming.h"
#include "thumbnail/row_recipe.h"
#include "thumbnail/run/build_host.h"
#include "thumbnail/source_guard.h"

namespace vr {

class Engine;

// Full paths of the files a run has really written, in row order.
using OutputList = std::vector<std::string>;

struct RowFailure {
  std::int32_t row = 0;  // 1-based
  std::string file;      // the row's source file
  std::string reason;
};

// Planning's memory over a run: the counter, the host and the clock, the
// run's sources (no row may write over one), and the folders that could not
// be created (reported once, never asked again).
struct PlanState {
  PlanState(BuildHost& h, NameCounter& c, std::function<LocalDateTime()> now = LocalNow,
            SourceGuard guard = SourceGuard())
      : host(h), counter(c), clock(std::move(now)), sources(std::move(guard)) {}
  BuildHost& host;
  NameCounter& counter;
  std::function<LocalDateTime()> clock;
  SourceGuard sources;
  // A row whose decode is priced above this fails in planning (0: no limit).
  std::uint64_t row_memory_ceiling = 0;
  // Output folders already rid of the staging files killed runs left there.
  std::set<std::string> swept_folders;
  std::filesystem::file_time_type started = std::filesystem::file_time_type::clock::now();
  std::map<std::string, std::string> broken_folders;  // folder -> reason
};

// Plans row `row` for `source`: a missing OUTfolder is offered for creation
// through the host (No skips the row and leaves the counter alone); then the
// dated sub-folder mmddyyyy when OUTdatefolder is set (created without
// asking), the output name (advancing the counter, even when the row will
// fail, so the other rows keep their names) and the output path; a path
// that is one of the run's sources fails the row before anything is read. The
// source's header is read here, once, for its size and the thumbnail's, and
// what decoding it will cost.
RowRecipe PlanRow(const SettingsRecord& settings, const RenderSettings& render, std::int32_t row,
                  const std::string& source, PlanState& state);

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
