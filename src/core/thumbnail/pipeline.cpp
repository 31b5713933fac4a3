#include "thumbnail/pipeline.h"

#include <algorithm>
#include <filesystem>
#include <new>
#include <optional>
#include <system_error>

#include "base/atomic_file.h"
#include "base/stale_staging.h"
#include "imaging/decode_footprint.h"
#include "imaging/engine.h"
#include "thumbnail/formats.h"
#include "thumbnail/size_rule.h"
#include "thumbnail/watermark.h"

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
// ~/Pictures/Thumbnails where ~/Pictures is missing too). Empty text for
// success, else the system's reason.
std::string CreateFolder(const std::string& path) {
  std::error_code error;
  fs::create_directories(path, error);
  if (error) return error.message();
  if (!IsFolder(path)) return "a file of that name is in the way";
  return std::string();
}

// A folder that failed once fails at once for every later row, reported only
// the first time.
std::string RememberBrokenFolder(PlanState& state, const std::string& folder, const std::string& reason) {
  const std::string message = "Cannot create folder " + folder + ": " + reason;
  if (state.broken_folders.emplace(folder, message).second) state.host.Notice(message);
  return message;
}

enum class FolderCheck { kReady, kDeclined, kBroken };

// Makes sure `folder` exists; `reason` is set for kBroken.
FolderCheck CheckOutputFolder(const std::string& folder, PlanState& state, std::string& reason) {
  if (auto known = state.broken_folders.find(folder); known != state.broken_folders.end()) {
    reason = known->second;
    return FolderCheck::kBroken;
  }
  if (folder.empty()) {
    reason = RememberBrokenFolder(state, folder, "no output folder is set");
    return FolderCheck::kBroken;
  }
  if (IsFolder(folder)) return FolderCheck::kReady;
  // Asked afresh for every row while the folder is missing.
  if (!state.host.AskCreateFolder(folder)) return FolderCheck::kDeclined;
  if (std::string why = CreateFolder(folder); !why.empty()) {
    reason = RememberBrokenFolder(state, folder, why);
    return FolderCheck::kBroken;
  }
  return FolderCheck::kReady;
}

// The dated sub-folder is created without asking.
bool EnsureDatedFolder(const std::string& folder, PlanState& state, std::string& reason) {
  if (auto known = state.broken_folders.find(folder); known != state.broken_folders.end()) {
    reason = known->second;
    return false;
  }
  if (IsFolder(folder)) return true;
  if (std::string why = CreateFolder(folder); !why.empty()) {
    reason = RememberBrokenFolder(state, folder, why);
    return false;
  }
  return true;
}

// Reads the source's header for its size, the thumbnail's and the decode's
// cost. A header beyond the file's start is left to the engine's whole-file
// read; a target size out of range fails the row now, as rendering would.
std::string ReadRowHeader(const RenderSettings& render, RowRecipe& recipe) {
  Expected<DecodeFootprint> footprint = ReadDecodeFootprintFromFile(recipe.source);
  if (!footprint) return std::string();
  const Sides upright = UprightSides(footprint->info);
  Expected<std::optional<ThumbSize>> target =
      TargetSize(render.size, upright.width, upright.height, recipe.source);
  if (!target) return target.message();
  recipe.header = *footprint;
  recipe.target = *target;
  // The whole file is held while it decodes, beside the pixels. Only a
  // resize that comes first shrinks while decoding; effects or a watermark
  // before it need the whole picture.
  const bool resize_first = *target && !render.watermark_first;
  recipe.decode_bytes =
      footprint->file_bytes + (resize_first ? DecodeBytes(*footprint, (*target)->width, (*target)->height)
                                            : DecodeBytes(*footprint, 0, 0));
  return std::string();
}

std::string MebiBytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 19)) >> 20) + " MiB"; }

std::string PictureSize(const RowRecipe& recipe) {
  if (!recipe.header) return "the picture";
  const Sides upright = UprightSides(recipe.header->info);
  return std::to_string(upright.width) + "x" + std::to_string(upright.height);
}

std::string NotEnoughMemory(const RowRecipe& recipe, std::uint64_t ceiling) {
  return "not enough memory for " + PictureSize(recipe) + " in " + recipe.source + " (it needs " +
         MebiBytes(recipe.decode_bytes) + ", a row may use " + MebiBytes(ceiling) + ")";
}

// Different rows get unrelated noise, the same row always the same noise,
// whichever worker renders it.
std::uint32_t RowNoiseSeed(std::int32_t row) {
  std::uint32_t seed = Engine::kDefaultNoiseSeed ^ (static_cast<std::uint32_t>(row) * 0x9E3779B9u);
  seed ^= seed >> 16;
  seed *= 0x85EBCA6Bu;
  seed ^= seed >> 13;
  return seed;
}

// The thumbnail's size: the recipe's, from the header read while planning,
// or worked out from the loaded picture when planning could not read it or
// the whole file turned it another way (a PNG's orientation behind its
// pixels).
Expected<std::optional<ThumbSize>> RowTarget(const Engine& engine, const RenderSettings& render,
                                             const RowRecipe& recipe) {
  int width = 0;
  int height = 0;
  VR_TRY(engine.GetImageSize(Engine::kPictureSlot, width, height));
  if (recipe.header && UprightSides(recipe.header->info) == Sides{width, height}) return recipe.target;
  return TargetSize(render.size, width, height, recipe.source);
}

Status Resize(Engine& engine, const std::optional<ThumbSize>& target) {
  return target ? engine.Resample(target->width, target->height) : Status::Ok();
}

Status ApplyEffects(Engine& engine, const EffectLevels& e) {
  if (e.noise != 0) VR_TRY(engine.AddNoise(e.noise));
  if (e.brightness != 0 || e.contrast != 0) VR_TRY(engine.AdjustLight(e.brightness, e.contrast));
  if (e.saturation != 0) VR_TRY(engine.Colorize(e.saturation));
  if (e.correction != 0) VR_TRY(engine.Repair(static_cast<float>(e.correction * 0.01)));
  if (e.gray_scale) VR_TRY(engine.GrayScale());
  if (e.negative) VR_TRY(engine.Negative());
  return Status::Ok();
}

// Mixes the run's watermark into slot 1 at its region, as the picture is now.
Status ApplyWatermark(Engine& engine, const Image& watermark, const WatermarkPlacement& placement) {
  if (watermark.empty()) return Status::Ok();
  const std::optional<MixMode> mode = MixModeForCode(placement.mode);
  if (!mode) return Status::Ok();
  int width = 0;
  int height = 0;
  VR_TRY(engine.GetImageSize(Engine::kPictureSlot, width, height));
  const WMOffset offset = GetWMPoint(width, height, watermark.width, watermark.height, placement.area);
  engine.SetOverlayOpacity(placement.opacity);
  return engine.MixIn(watermark, *mode, ClampOffset(offset.x), ClampOffset(offset.y));
}

Status RenderSteps(Engine& engine, const RenderSettings& render, const RowRecipe& recipe,
                   const Image& watermark, std::vector<std::uint8_t>& encoded) {
  const ImageInfo* header = recipe.header ? &recipe.header->info : nullptr;
  engine.SetColourOutput(render.colour);
  engine.SetMetadataMode(render.metadata);
  VR_TRY(engine.LoadImage(Engine::kPictureSlot, recipe.source, header));
  engine.ClearOverlay();
  engine.SetNoiseSeed(RowNoiseSeed(recipe.row));
  VR_TRY_ASSIGN(const std::optional<ThumbSize> target, RowTarget(engine, render, recipe));

  // The region is placed on the picture as it is when the watermark goes on:
  // the thumbnail, or the full picture when the watermark comes first.
  if (render.watermark_first) {
    VR_TRY(ApplyWatermark(engine, watermark, render.watermark));
    VR_TRY(ApplyEffects(engine, render.effects));
    VR_TRY(Resize(engine, target));
  } else {
    VR_TRY(Resize(engine, target));
    VR_TRY(ApplyEffects(engine, render.effects));
    VR_TRY(ApplyWatermark(engine, watermark, render.watermark));
  }
  if (render.output_format == kFormatJpeg)
    engine.SetJpegQuality(static_cast<std::uint8_t>(render.jpeg_quality));
  engine.SetBackground(render.background);
  return engine.Encode(render.output_format, encoded, recipe.output_path);
}

}  // namespace

RenderSettings RenderSettingsFrom(const SettingsRecord& s) {
  RenderSettings render;
  render.size = SizeRequestFrom(s);
  render.effects = {s.NoiseLevel,      s.BrightnessLevel,    s.ContrastLevel,    s.SaturationLevel,
                    s.CorrectionLevel, s.GrayScaleFlag == 1, s.NegativeFlag == 1};
  render.watermark = {s.WMArea, s.WMOpacity, s.WMMode};
  render.watermark_first = s.ADVpixall == 1;
  render.release_after = s.ADVempty != 0;
  GetOutputFormat(s.OUTformat, render.output_format, render.extension);
  render.jpeg_quality = std::clamp(s.JPEGquality, 0, 100);
  render.colour = s.OUTcolour == 1 ? ColourOutput::kKeep : ColourOutput::kSrgb;
  render.background = Background::FromStored(static_cast<std::uint32_t>(s.OUTbackground));
  // An unknown code keeps nothing: the safe side for a photographer's data.
  if (s.OUTmetadata == 1) render.metadata = MetadataMode::kKeep;
  if (s.OUTmetadata == 2) render.metadata = MetadataMode::kKeepButLocation;
  return render;
}

RowRecipe PlanRow(const SettingsRecord& settings, const RenderSettings& render, std::int32_t row,
                  const std::string& source, PlanState& state) {
  RowRecipe recipe;
  recipe.row = row;
  recipe.source = source;

  std::string folder = settings.OUTfolder;
  std::string reason;
  const FolderCheck check = CheckOutputFolder(folder, state, reason);
  if (check == FolderCheck::kDeclined) {
    recipe.action = RowRecipe::Action::kSkip;
    return recipe;
  }
  const LocalDateTime when = state.clock();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (settings.OUTdatefolder != 0) {
    folder += DateFolderName(when);
    // Under a folder that failed there is nothing to create.
    if (check == FolderCheck::kReady) EnsureDatedFolder(folder, state, reason);
    folder += '/';
  }
  // Once per folder and run: what an earlier run killed mid-write left.
  if (reason.empty() && state.swept_folders.insert(folder).second)
    RemoveStaleStagingFiles(folder, state.started);
  // The name is made even for a row that will fail, so the counter moves on
  // and every other row keeps its name.
  recipe.output_path =
      folder + GetOutputName(settings.OUTname, GetBaseName(source), state.counter, when) + render.extension;
  if (reason.empty() && render.output_format == kFormatUnknown)
    reason = "Unknown output format " + std::to_string(settings.OUTformat) + " for " + recipe.output_path;
  recipe.resolved_output = ResolvedPath(recipe.output_path);
  if (reason.empty())
    if (std::optional<std::string> source =
            state.sources.SourceAt(recipe.output_path, recipe.resolved_output))
      reason = "would overwrite the source picture " + *source;
  if (reason.empty()) reason = ReadRowHeader(render, recipe);
  if (reason.empty() && state.row_memory_ceiling > 0 && recipe.decode_bytes > state.row_memory_ceiling)
    reason = NotEnoughMemory(recipe, state.row_memory_ceiling);
  recipe.action = reason.empty() ? RowRecipe::Action::kRender : RowRecipe::Action::kFail;
  recipe.reason = std::move(reason);
  return recipe;
}

Expected<Image> LoadWatermark(Engine& engine, const SettingsRecord& settings) {
  if (settings.WMFile.empty()) return Image();
  // The watermark is always made sRGB: it goes on thumbnails of every kind.
  const ColourOutput colour = engine.colour_output();
  engine.SetColourOutput(ColourOutput::kSrgb);
  Status s = engine.LoadImage(Engine::kOverlaySlot, settings.WMFile);
  if (s && settings.WMAngle > 0) s = engine.RotateOverlay(static_cast<float>(settings.WMAngle));
  if (s) s = engine.Decode(Engine::kOverlaySlot);
  engine.SetColourOutput(colour);
  Image picture;
  if (s) picture = engine.picture(Engine::kOverlaySlot);
  engine.ClearOverlay();
  if (!s) return s;
  return picture;
}

Status RenderRow(Engine& engine, const RenderSettings& render, const RowRecipe& recipe,
                 const Image& watermark, RenderedRow& out) {
  out.warning = DecodeWarning{};
  if (recipe.action != RowRecipe::Action::kRender)
    return Status::Fail(recipe.reason.empty()
                            ? "Row " + std::to_string(recipe.row) + " was not planned for rendering"
                            : recipe.reason);
  Status result = Status::Ok();
  try {
    result = RenderSteps(engine, render, recipe, watermark, out.bytes);
    if (result.ok()) out.warning = engine.warning(Engine::kPictureSlot);
  } catch (const std::bad_alloc&) {
    // One row's memory never ends the run: the row fails, the others go on.
    result = Status::Fail("not enough memory for " + PictureSize(recipe) + " in " + recipe.source);
  }
  // Nothing of a failed row may linger into the next one; ADVempty gives the
  // memory back after every row.
  if (!result || render.release_after) engine.ClearPicture();
  return result;
}

Status WriteRow(const RowRecipe& recipe, const RenderedRow& rendered) {
  return ReplaceFileAtomically(recipe.output_path, rendered.bytes);
}

}  // namespace vr
