#include "thumbnail/planning.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include "base/staged_file.h"
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

// The folder question, asked once a run: its answer holds for every row.
bool MayCreate(const std::string& folder, PlanState& state) {
  const auto answered = state.folder_answers.find(folder);
  if (answered != state.folder_answers.end()) return answered->second;
  const bool yes = state.host.AskCreateFolder(folder);
  state.folder_answers.emplace(folder, yes);
  return yes;
}

// Makes sure `folder` exists: Ok when it does, none when the user declined
// to create it, else why it cannot be used.
std::optional<Status> CheckOutputFolder(const std::string& folder, PlanState& state) {
  if (const Status* known = KnownBroken(state, folder)) return *known;
  if (folder.empty()) return RememberBrokenFolder(state, folder, Status::Fail("no output folder is set"));
  if (IsFolder(folder) || state.dry_run) return Status::Ok();
  if (!MayCreate(folder, state)) return std::nullopt;
  if (Status made = CreateFolder(folder); !made) return RememberBrokenFolder(state, folder, made);
  return Status::Ok();
}

// The dated sub-folder and the mirrored ones are created without asking
// (and taken as made by a dry run).
Status EnsureSubFolder(const std::string& folder, PlanState& state) {
  if (const Status* known = KnownBroken(state, folder)) return *known;
  if (IsFolder(folder) || state.dry_run) return Status::Ok();
  if (Status made = CreateFolder(folder); !made) return RememberBrokenFolder(state, folder, made);
  return Status::Ok();
}

// Reads the source's header for its size, the thumbnail's and the decode's
// cost. A header beyond the file's start is left to the engine's whole-file
// read; a target size out of range fails the row now, as rendering would.
// With `whole_first` (effects or the watermark before the resize) the
// picture is decoded whole before it shrinks.
Status ReadRowHeader(const SizeRequest& size, bool whole_first, RowRecipe& recipe) {
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(recipe.source);
  if (!footprint) return Status::Ok();
  const Sides upright = UprightSides(footprint->info);
  VR_TRY_ASSIGN(const std::optional<ThumbSize> target,
                TargetSize(size, upright.width, upright.height, recipe.source));
  recipe.header = *footprint;
  recipe.target = target;
  // The whole file is held while it decodes, beside the pixels. Rows that
  // stream shrink while decoding only when the resize comes first and its
  // window is known before decoding; where the detail is is looked for on
  // the whole picture.
  const bool attention = target && target->crop && size.crop == CropPlace::kAttention;
  const bool shrinks_while_decoding = target && !whole_first && !(attention && footprint->rows_stream);
  recipe.decode_bytes =
      footprint->file_bytes + (shrinks_while_decoding ? DecodeBytes(*footprint, target->width, target->height)
                                                      : DecodeBytes(*footprint, 0, 0));
  return Status::Ok();
}

std::string MebiBytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20) + " MiB"; }

Status CheckRowMemory(const RowRecipe& recipe, std::uint64_t ceiling) {
  if (ceiling == 0 || recipe.decode_bytes <= ceiling) return Status::Ok();
  return Status::Fail(NotEnoughMemoryFor(recipe) + " (it needs " + MebiBytes(recipe.decode_bytes) +
                      ", a row may use " + MebiBytes(ceiling) + ")");
}

Status UnknownPolicy(const PlanSettings& plan) {
  return Status::Fail("Unknown OUTifexists value " + std::to_string(plan.stored_if_exists) +
                      " (0 overwrite, 1 skip, 2 newer, 3 rename, 4 ask)");
}

// Everything after the name: the checks that may fail the row, in order.
Status CheckRow(const PlanSettings& plan, RowRecipe& recipe, PlanState& state) {
  if (!plan.if_exists) return UnknownPolicy(plan);
  if (!plan.format)
    return Status::Fail("Unknown output format " + std::to_string(plan.stored_format) + " for " +
                        recipe.output_path);
  if (std::optional<std::string> source = state.sources.SourceAt(recipe.output_path, recipe.resolved_output))
    return Status::Fail("would overwrite the source picture " + *source);
  VR_TRY(ReadRowHeader(plan.size, plan.whole_first, recipe));
  return CheckRowMemory(recipe, state.row_memory_ceiling);
}

bool Exists(const std::string& path) {
  std::error_code ignored;
  return fs::exists(fs::symlink_status(path, ignored));
}

bool Planned(const PlanState& state, const std::string& resolved) {
  return state.planned_outputs.contains(resolved);
}

// The first "name (n).ext" neither on the disk nor planned by an earlier row.
void Renumber(RowRecipe& recipe, const PlanState& state) {
  for (int n = 2;; ++n) {
    const std::string candidate = NumberedPath(recipe.output_path, n);
    const std::string resolved = ResolvedPath(candidate);
    if (Exists(candidate) || Planned(state, resolved)) continue;
    recipe.output_path = candidate;
    recipe.resolved_output = resolved;
    return;
  }
}

void Skip(RowRecipe& recipe, std::string reason) {
  recipe.action = RowRecipe::Action::kSkip;
  recipe.skip_reason = std::move(reason);
}

// A file already there left as the policy or the person chose.
void Keep(RowRecipe& recipe, std::string reason) {
  Skip(recipe, std::move(reason));
  recipe.kept_existing = true;
}

// What an existing file of the row's name means under the policy; the
// person's answer, when asked, may hold for the rest of the run.
void SettleExisting(IfExists policy, const PlanSettings& plan, RowRecipe& recipe, PlanState& state) {
  switch (policy) {
    case IfExists::kOverwrite:
      return;
    case IfExists::kSkip:
      return Keep(recipe, "a thumbnail of that name is already there");
    case IfExists::kNewer:
      if (state.made.UpToDate(recipe.output_path, ResolvedPath(recipe.source), plan.fingerprint))
        Keep(recipe, "already up to date");
      return;
    case IfExists::kRename:
      return Renumber(recipe, state);
    case IfExists::kAsk: {
      if (state.replace_all) {
        if (!*state.replace_all) Keep(recipe, "kept, as answered");
        return;
      }
      const std::optional<BuildHost::ExistingAnswer> answer =
          state.host.AskReplaceExisting(recipe.output_path);
      if (!answer) return Keep(recipe, "a thumbnail of that name is already there and no one can be asked");
      if (answer->for_all) state.replace_all = answer->replace;
      if (!answer->replace) Keep(recipe, "kept, as answered");
      return;
    }
  }
}

// Another row of this run writing the same file, or a file already there:
// the policy says whether the row renders, is skipped or takes a new name.
void ApplyPolicy(const PlanSettings& plan, RowRecipe& recipe, PlanState& state) {
  const IfExists policy = *plan.if_exists;
  const auto earlier = state.planned_outputs.find(recipe.resolved_output);
  if (earlier != state.planned_outputs.end() && policy != IfExists::kRename) {
    // Overwriting, the last row wins as in a serial run; else the first.
    recipe.collides_with = earlier->second.row;
    recipe.collision = earlier->second.source;
    if (policy != IfExists::kOverwrite) Skip(recipe, "the same file as an earlier row");
    return;
  }
  if (earlier != state.planned_outputs.end()) {
    Renumber(recipe, state);
  } else if (Exists(recipe.output_path)) {
    SettleExisting(policy, plan, recipe, state);
  }
  state.planned_outputs.emplace(recipe.resolved_output, PlanState::PlannedOutput{recipe.row, recipe.source});
  recipe.note_made = policy == IfExists::kNewer;
}

}  // namespace

Status PrepareOutputFolder(const PlanSettings& plan, PlanState& state) {
  if (!plan.if_exists) return UnknownPolicy(plan);
  const std::string& folder = plan.folder;
  if (folder.empty()) return Status::Fail("No output folder is set");
  // A file where a folder must be fails before anyone is asked about it.
  for (fs::path level = fs::path(folder); !level.empty(); level = level.parent_path()) {
    if (Exists(level.string()) && !IsFolder(level.string()))
      return Status::Fail("Cannot create the output folder " + folder + ": " +
                          (level == fs::path(folder) ? std::string("a file of that name is in the way")
                                                     : level.string() + " is a file"));
    if (level == level.parent_path()) break;
  }
  if (!IsFolder(folder)) {
    // Declined: every row is skipped, and the question is not asked again.
    if (!MayCreate(folder, state)) return Status::Ok();
    if (Status made = CreateFolder(folder); !made)
      return Status::Fail("Cannot create the output folder " + folder + ": " + made.message());
  }
  Expected<StagedFile> probe = StagedFile::Create(folder, Staging::kNamed);
  if (!probe) return Status::Fail("Cannot write to the output folder " + folder + ": " + probe.message());
  return Status::Ok();
}

RowRecipe PlanRow(const PlanSettings& plan, std::int32_t row, const std::string& source, PlanState& state,
                  const std::string& root) {
  RowRecipe recipe;
  recipe.row = row;
  recipe.source = source;

  std::string folder = plan.folder;
  const std::optional<Status> checked = CheckOutputFolder(folder, state);
  if (!checked) {
    Skip(recipe, "the output folder " + folder + " was not created");
    return recipe;
  }
  Status usable = *checked;
  const LocalDateTime when = state.clock();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (plan.dated_folder) {
    folder += DateFolderName(when);
    // Under a folder that failed there is nothing to create.
    if (usable) usable = EnsureSubFolder(folder, state);
    folder += '/';
  }
  if (plan.keep_tree) {
    const std::string below = MirroredFolder(source, root);
    if (!below.empty()) {
      folder += below;
      if (usable) usable = EnsureSubFolder(folder, state);
    }
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
  if (usable && plan.if_exists) {
    recipe.action = RowRecipe::Action::kRender;
    ApplyPolicy(plan, recipe, state);
    if (recipe.action == RowRecipe::Action::kSkip) return recipe;
  }
  if (usable) usable = CheckRow(plan, recipe, state);
  recipe.action = usable ? RowRecipe::Action::kRender : RowRecipe::Action::kFail;
  recipe.failure = std::move(usable);
  return recipe;
}

}  // namespace vr
