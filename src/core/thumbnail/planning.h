// Planning a list row: the output folder, its question, the name and the
// counter, the header. It must happen on the run's own thread in row order;
// it yields the row's recipe, which rendering (rendering.h) then needs
// alone.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>

#include "thumbnail/made_index.h"
#include "thumbnail/naming.h"
#include "thumbnail/plan_settings.h"
#include "thumbnail/row_recipe.h"
#include "thumbnail/run/build_host.h"
#include "thumbnail/source_guard.h"

namespace vr {

// Planning's memory over a run: the counter, the host and the clock, the
// run's sources (no row may write over one), the folders that could not
// be created (reported once, never asked again), the answers to questions
// that hold for the run, and the files rows plan to write.
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
  std::map<std::string, Status> broken_folders;  // folder -> why
  // Plans without touching the disk: a missing folder is taken as created,
  // without asking, and no folder is made or swept.
  bool dry_run = false;
  std::map<std::string, bool> folder_answers;  // folder -> may it be created
  std::optional<bool> replace_all;             // an "apply to all" answer about existing files
  struct PlannedOutput {
    std::int32_t row = 0;
    std::string source;
  };
  std::map<std::string, PlannedOutput> planned_outputs;  // resolved output -> first row writing it
  MadeIndex made;
};

// Before any row: the output folder made (asked once through the host; a
// No is remembered and every row of the run is skipped) and probed for
// writing with a file made and removed. A failure names the folder and ends
// the run before anything is read.
Status PrepareOutputFolder(const PlanSettings& plan, PlanState& state);

// Plans row `row` for `source`: a missing output folder is offered for
// creation through the host, once a run (No skips the row and leaves the
// counter alone); then the dated sub-folder mmddyyyy when asked for and,
// keeping the structure, the source's folders below `root` (created without
// asking), the output name (advancing the counter, even when the row will
// fail, so the other rows keep their names) and the output path; a path
// that is one of the run's sources fails the row before anything is read.
// A file already there is kept, replaced or avoided as the policy says, and
// a second row of the run planning the same file is marked as colliding.
// The source's header is read here, once, for its size and the
// thumbnail's, and what decoding it will cost.
RowRecipe PlanRow(const PlanSettings& plan, std::int32_t row, const std::string& source, PlanState& state,
                  const std::string& root = {});

}  // namespace vr
