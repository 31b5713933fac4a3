// One list row made into one thumbnail file, in two halves: planning (the
// output folder, its question, the name and the counter), which must happen
// on the run's own thread in row order, and rendering (load, resize, effects,
// watermark, save), which needs only an engine and may run anywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "base/status.h"
#include "imaging/image.h"
#include "settings/settings_record.h"
#include "thumbnail/naming.h"
#include "thumbnail/run/build_host.h"

namespace vr {

class Engine;

// Full paths of the files a run has really written, in row order.
using OutputList = std::vector<std::string>;

struct RowFailure {
  std::int32_t row = 0;  // 1-based
  std::string file;      // the row's source file
  std::string reason;
};

// What planning leaves for a row.
struct RowPlan {
  enum class Action { kRender, kSkip, kFail };
  Action action = Action::kFail;
  std::int32_t row = 0;  // 1-based
  std::string source;
  std::int32_t input_format = 0;
  std::int32_t output_format = 0;
  std::string output_path;  // empty when skipped
  std::string reason;       // why, for kFail
};

// Planning's memory over a run: the counter, the host and the clock, and the
// folders that could not be created (reported once, never asked again).
struct PlanState {
  PlanState(BuildHost& h, NameCounter& c, std::function<LocalDateTime()> now = LocalNow)
      : host(h), counter(c), clock(std::move(now)) {}
  BuildHost& host;
  NameCounter& counter;
  std::function<LocalDateTime()> clock;
  std::map<std::string, std::string> broken_folders;  // folder -> reason
};

// Plans row `row` for `source`: a missing OUTfolder is offered for creation
// through the host (No skips the row and leaves the counter alone); then the
// dated sub-folder mmddyyyy when OUTdatefolder is set (created without
// asking), the output name (advancing the counter, even when the row will
// fail, so the other rows keep their names) and the output path.
RowPlan PlanRow(const SettingsRecord& settings, std::int32_t row, const std::string& source,
                PlanState& state);

// The decoded watermark, turned by WMAngle when it is above 0, for a whole
// run. An empty WMFile gives an empty image; a file that cannot be read
// fails. Uses the engine's slot 2 and leaves it empty.
Expected<Image> LoadWatermark(Engine& engine, const SettingsRecord& settings);

// Renders a kRender plan into its output file. `watermark` is LoadWatermark's
// picture (nullptr or empty for none). Effects are seeded by the row number.
// With ADVpixall 0: resize, effects, watermark; with 1: watermark, effects,
// resize. A picture that cannot be read or saved writes nothing. With
// `encoded`, the output file's bytes are left there instead, for the caller
// to write to plan.output_path.
Status RenderRow(Engine& engine, const SettingsRecord& settings, const RowPlan& plan, const Image* watermark,
                 std::vector<std::uint8_t>* encoded = nullptr);

enum class RowOutcome { kWritten, kSkipped, kFailed };

struct RowResult {
  RowOutcome outcome = RowOutcome::kFailed;
  std::string output_path;
  RowFailure failure;  // for kFailed
};

// Plan and render one row, appending to `outputs` only a file really written.
RowResult MakeThumb(Engine& engine, const SettingsRecord& settings, std::int32_t row,
                    const std::string& source, PlanState& state, const Image* watermark, OutputList& outputs);

}  // namespace vr
