#include "thumbnail/pipeline.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>

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

// Creates one folder level. Empty text for success, else the system's reason.
std::string CreateOneFolder(const std::string& path) {
  std::error_code error;
  fs::create_directory(path, error);
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
  if (std::string why = CreateOneFolder(folder); !why.empty()) {
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
  if (std::string why = CreateOneFolder(folder); !why.empty()) {
    reason = RememberBrokenFolder(state, folder, why);
    return false;
  }
  return true;
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

Status ApplySizeRule(Engine& engine, const SettingsRecord& settings, const std::string& file) {
  if (ChooseSizeRule(settings) == SizeRule::kOriginal) return Status::Ok();
  int width = 0;
  int height = 0;
  if (Status s = engine.GetImageSize(Engine::kPictureSlot, width, height); !s) return s;
  Expected<std::optional<ThumbSize>> target = TargetSize(settings, width, height, file);
  if (!target) return target.status();
  if (!target->has_value()) return Status::Ok();
  return engine.Resample((*target)->width, (*target)->height);
}

Status ApplyEffects(Engine& engine, const SettingsRecord& s) {
  if (s.NoiseLevel != 0)
    if (Status r = engine.AddNoise(s.NoiseLevel); !r) return r;
  if (s.BrightnessLevel != 0 || s.ContrastLevel != 0)
    if (Status r = engine.AdjustLight(s.BrightnessLevel, s.ContrastLevel); !r) return r;
  if (s.SaturationLevel != 0)
    if (Status r = engine.Colorize(s.SaturationLevel); !r) return r;
  if (s.CorrectionLevel != 0)
    if (Status r = engine.Repair(static_cast<float>(s.CorrectionLevel * 0.01)); !r) return r;
  if (s.GrayScaleFlag == 1)
    if (Status r = engine.GrayScale(); !r) return r;
  if (s.NegativeFlag == 1)
    if (Status r = engine.Negative(); !r) return r;
  return Status::Ok();
}

Status RenderSteps(Engine& engine, const SettingsRecord& settings, const RowPlan& plan,
                   const Image* watermark, std::vector<std::uint8_t>* encoded) {
  if (Status s = engine.LoadImage(Engine::kPictureSlot, plan.source, plan.input_format); !s) return s;
  if (watermark != nullptr && !watermark->empty()) {
    if (Status s = engine.Hold(Engine::kOverlaySlot, *watermark, settings.WMFile); !s) return s;
  } else {
    engine.ClearOverlay();
  }
  engine.SetNoiseSeed(RowNoiseSeed(plan.row));

  if (settings.ADVpixall == 0)
    if (Status s = ApplySizeRule(engine, settings, plan.source); !s) return s;

  const bool has_watermark = !engine.empty(Engine::kOverlaySlot);
  WMOffset offset;
  if (has_watermark) {
    Expected<WMOffset> point = GetWMPoint(engine, settings.WMArea);
    if (!point) return point.status();
    offset = *point;
  }
  if (settings.ADVpixall == 1 && has_watermark)
    if (Status s = ApplyMask(engine, offset, settings.WMOpacity, settings.WMMode); !s) return s;

  if (Status s = ApplyEffects(engine, settings); !s) return s;

  if (settings.ADVpixall == 0 && has_watermark)
    if (Status s = ApplyMask(engine, offset, settings.WMOpacity, settings.WMMode); !s) return s;
  if (settings.ADVpixall == 1)
    if (Status s = ApplySizeRule(engine, settings, plan.source); !s) return s;

  if (plan.output_format == kFormatJpeg)
    engine.SetJpegQuality(static_cast<std::uint8_t>(std::clamp(settings.JPEGquality, 0, 100)));
  if (encoded != nullptr) return engine.Encode(plan.output_format, *encoded, plan.output_path);
  return engine.Save(plan.output_path, plan.output_format);
}

}  // namespace

RowPlan PlanRow(const SettingsRecord& settings, std::int32_t row, const std::string& source,
                PlanState& state) {
  RowPlan plan;
  plan.row = row;
  plan.source = source;

  std::string folder = settings.OUTfolder;
  std::string reason;
  const FolderCheck check = CheckOutputFolder(folder, state, reason);
  if (check == FolderCheck::kDeclined) {
    plan.action = RowPlan::Action::kSkip;
    return plan;
  }
  const LocalDateTime when = state.clock();
  if (!folder.empty() && folder.back() != '/') folder += '/';
  if (settings.OUTdatefolder != 0) {
    folder += DateFolderName(when);
    // Under a folder that failed there is nothing to create.
    if (check == FolderCheck::kReady) EnsureDatedFolder(folder, state, reason);
    folder += '/';
  }

  std::string extension;
  GetOutputFormat(settings.OUTformat, plan.output_format, extension);
  plan.input_format = GetInputFormat(source);
  // The name is made even for a row that will fail, so the counter moves on
  // and every other row keeps its name.
  plan.output_path =
      folder + GetOutputName(settings.OUTname, GetBaseName(source), state.counter, when) + extension;

  if (reason.empty() && plan.output_format == kFormatUnknown)
    reason = "Unknown output format " + std::to_string(settings.OUTformat) + " for " + plan.output_path;
  plan.action = reason.empty() ? RowPlan::Action::kRender : RowPlan::Action::kFail;
  plan.reason = std::move(reason);
  return plan;
}

Expected<Image> LoadWatermark(Engine& engine, const SettingsRecord& settings) {
  if (settings.WMFile.empty()) return Image();
  Status s = engine.LoadImage(Engine::kOverlaySlot, settings.WMFile, kFormatUnknown);
  if (s && settings.WMAngle > 0) s = engine.RotateOverlay(static_cast<float>(settings.WMAngle));
  if (s) s = engine.Decode(Engine::kOverlaySlot);
  Image picture;
  if (s) picture = engine.picture(Engine::kOverlaySlot);
  engine.ClearOverlay();
  if (!s) return s;
  return picture;
}

Status RenderRow(Engine& engine, const SettingsRecord& settings, const RowPlan& plan, const Image* watermark,
                 std::vector<std::uint8_t>* encoded) {
  if (plan.action != RowPlan::Action::kRender)
    return Status::Fail(plan.reason.empty()
                            ? "Row " + std::to_string(plan.row) + " was not planned for rendering"
                            : plan.reason);
  Status result = RenderSteps(engine, settings, plan, watermark, encoded);
  if (!result) {
    // Nothing of a failed row may linger into the next one.
    engine.ClearPicture();
  } else if (settings.ADVempty != 0) {
    engine.ClearPicture();
    engine.ClearOverlay();
  }
  return result;
}

RowResult MakeThumb(Engine& engine, const SettingsRecord& settings, std::int32_t row,
                    const std::string& source, PlanState& state, const Image* watermark,
                    OutputList& outputs) {
  RowResult result;
  const RowPlan plan = PlanRow(settings, row, source, state);
  result.output_path = plan.output_path;
  if (plan.action == RowPlan::Action::kSkip) {
    result.outcome = RowOutcome::kSkipped;
    return result;
  }
  Status rendered = RenderRow(engine, settings, plan, watermark);
  if (!rendered) {
    result.outcome = RowOutcome::kFailed;
    result.failure = {row, source, rendered.message()};
    return result;
  }
  result.outcome = RowOutcome::kWritten;
  outputs.push_back(plan.output_path);
  return result;
}

}  // namespace vr
