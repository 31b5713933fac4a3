#include "thumbnail/planning.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/stale_staging.h"
#include "imaging/decode_footprint.h"
#include "imaging/ops/resample_box.h"
#include "thumbnail/text_watermark.h"

namespace vr {

namespace {

namespace fs = std::filesystem;

std::string TwoDigits(int value) {
  std::string text = std::to_string(value);
  return text.size() < 2 ? "0" + text : text;
}

// The dated sub-folder's name: month, day, four-digit year, no separators.
std::string DateFolderName(const LocalDateTime& when) {
  std::string year = std::to_string(when.year);
  while (year.size() < 4) year.insert(year.begin(), '0');
  return TwoDigits(when.month) + TwoDigits(when.day) + year;
}

bool IsFolder(const std::string& path) {
  std::error_code ignored;
  return fs::is_directory(path, ignored);
}

// Creates the folder with every missing level above it (the default
// ~/Pictures/Thumbnails where ~/Pictures is missing too); a failure holds
// the system's reason alone.
Status CreateFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error) return Status::Fail(error.message());
  if (!IsFolder(path)) return Status::Fail("a file of that name is in the way");
  return Status::Ok();
}

// A folder that failed once fails at once for every later row, reported only
// the first time.
Status RememberBrokenFolder(PlanState& state, const std::string& folder, const Status& why) {
  Status failure = Status::Fail("Cannot create folder " + folder + ": " + why.message());
  if (state.broken_folders.emplace(folder, failure).second) state.host.Notice(failure.message());
  return failure;
}

const Status* KnownBroken(const PlanState& state, const std::string& folder) {
  const auto known = state.broken_folders.find(folder);
  return known == state.broken_folders.end() ? nullptr : &known->second;
}

// Makes sure `folder` exists: Ok when it does, none when the user declined
// to create it, else why it cannot be used.
std::optional<Status> CheckOutputFolder(const std::string& folder, PlanState& state) {
  if (const Status* known = KnownBroken(state, folder)) return *known;
  if (folder.empty()) return RememberBrokenFolder(state, folder, Status::Fail("no output folder is set"));
  if (IsFolder(folder) || state.dry_run) return Status::Ok();
  // Asked afresh for every row while the folder is missing.
  if (!state.host.AskCreateFolder(folder)) return std::nullopt;
  if (Status made = CreateFolder(folder); !made) return RememberBrokenFolder(state, folder, made);
  return Status::Ok();
}

// The dated sub-folder is created without asking.
Status EnsureDatedFolder(const std::string& folder, PlanState& state) {
  if (const Status* known = KnownBroken(state, folder)) return *known;
  if (IsFolder(folder)) return Status::Ok();
  if (Status made = CreateFolder(folder); !made) return RememberBrokenFolder(state, folder, made);
  return Status::Ok();
}

// Reads the source's header for its size, the thumbnail's and the decode's
// cost. A header beyond the file's start is left to the engine's whole-file
// read; a target size out of range fails the row now, as rendering would.
Status ReadRowHeader(const SizeRequest& size, RowRecipe& recipe) {
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(recipe.source);
  if (!footprint) return Status::Ok();
  const Sides upright = UprightSides(footprint->info);
  VR_TRY_ASSIGN(const std::optional<ThumbSize> target,
                TargetSize(size, upright.width, upright.height, recipe.source));
  recipe.header = *footprint;
  recipe.target = target;
  // The whole file is held while it decodes, beside the pixels.
  recipe.decode_bytes =
      footprint->file_bytes +
      (target ? DecodeBytes(*footprint, target->width, target->height) : DecodeBytes(*footprint, 0, 0));
  return Status::Ok();
}

std::string MebiBytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20) + " MiB"; }

Status CheckRowMemory(const RowRecipe& recipe, std::uint64_t ceiling) {
  if (ceiling == 0 || recipe.decode_bytes <= ceiling) return Status::Ok();
  return Status::Fail(NotEnoughMemoryFor(recipe) + " (it needs " + MebiBytes(recipe.decode_bytes) +
                      ", a row may use " + MebiBytes(ceiling) + ")");
}

// Everything after the name: the checks that may fail the row, in order.
Status CheckRow(const PlanSettings& plan, RowRecipe& recipe, PlanState& state) {
  if (!plan.format)
    return Status::Fail("Unknown output format " + std::to_string(plan.stored_format) + " for " +
                        recipe.output_path);
  if (std::optional<std::string> source = state.sources.SourceAt(recipe.output_path, recipe.resolved_output))
    return Status::Fail("would overwrite the source picture " + *source);
  VR_TRY(ReadRowHeader(plan.size, recipe));
  return CheckRowMemory(recipe, state.row_memory_ceiling);
}

}  // namespace

RowRecipe PlanRow(const PlanSettings& plan, std::int32_t row, const std::string& source, PlanState& state) {
  RowRecipe recipe;
  recipe.row = row;
  recipe.source = source;

  std::string folder = plan.folder;
  const std::optional<Status> checked = CheckOutputFolder(folder, state);
  if (!checked) {
    recipe.action = RowRecipe::Action::kSkip;
    return recipe;
  }
  Status usable = *checked;
  const LocalDateTime when = state.clock();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (plan.dated_folder) {
    folder += DateFolderName(when);
    // Under a folder that failed there is nothing to create.
    if (usable && !state.dry_run) usable = EnsureDatedFolder(folder, state);
    folder += '/';
  }
  // Once per folder and run: what an earlier run killed mid-write left.
  if (usable && !state.dry_run && state.swept_folders.insert(folder).second)
    RemoveStaleStagingFiles(folder, state.started);
  // The name is made even for a row that will fail, so the counter moves on
  // and every other row keeps its name.
  const std::string extension = plan.format ? std::string(plan.format->extension) : std::string();
  const std::int32_t counter = state.counter.value;  // the name's number, before it moves on
  recipe.output_path =
      folder + GetOutputName(plan.name_pattern, GetBaseName(source), state.counter, when) + extension;
  recipe.watermark_text = ExpandWatermarkText(plan.watermark_text, GetBaseName(source), counter, when);
  recipe.resolved_output = ResolvedPath(recipe.output_path);
  if (usable) usable = CheckRow(plan, recipe, state);
  recipe.action = usable ? RowRecipe::Action::kRender : RowRecipe::Action::kFail;
  recipe.failure = std::move(usable);
  return recipe;
}

}  // namespace vr
