#include "thumbnail/rendering.h"

#include <new>
#include <optional>

#include "base/atomic_file.h"
#include "imaging/engine.h"
#include "thumbnail/size_rule.h"
#include "thumbnail/text_watermark.h"
#include "thumbnail/watermark.h"
#include "thumbnail/watermark_scale.h"

namespace vr {

namespace {

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

Status Resize(Engine& engine, const std::optional<ThumbSize>& target, CropPlace place) {
  if (!target) return Status::Ok();
  if (target->crop) return engine.ResampleWindow(*target->crop, place, target->width, target->height);
  return engine.Resample(target->width, target->height);
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
  // Sized to the picture as it is now; 0 keeps the watermark's own size.
  const int scaled_width = ScaledWatermarkWidth(width, placement.size_percent);
  const Image& sized = scaled_width > 0 ? ThreadScaledWatermark(watermark, scaled_width) : watermark;
  const WMOffset offset = WithMargin(GetWMPoint(width, height, sized.width, sized.height, placement.area),
                                     placement.area, placement.margin);
  engine.SetOverlayOpacity(placement.opacity);
  return engine.MixIn(sized, *mode, ClampOffset(offset.x), ClampOffset(offset.y));
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
    VR_TRY(Resize(engine, target, render.size.crop));
    VR_TRY(engine.Sharpen(render.sharpen));
  } else {
    VR_TRY(Resize(engine, target, render.size.crop));
    VR_TRY(engine.Sharpen(render.sharpen));
    VR_TRY(ApplyEffects(engine, render.effects));
    VR_TRY(ApplyWatermark(engine, watermark, render.watermark));
  }
  // The text goes on the thumbnail last, either way, so it stays crisp.
  VR_TRY(ApplyTextWatermark(engine, render.text, render.watermark.margin, recipe.watermark_text));
  if (render.output_format == kFormatJpeg)
    engine.SetJpegQuality(static_cast<std::uint8_t>(render.jpeg_quality));
  engine.SetEncodeOptions(render.encode);
  engine.SetBackground(render.background);
  return engine.Encode(render.output_format, encoded, recipe.output_path);
}

}  // namespace

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
    return recipe.failure
               ? Status::Fail("Row " + std::to_string(recipe.row) + " was not planned for rendering")
               : recipe.failure;
  Status result = Status::Ok();
  try {
    result = RenderSteps(engine, render, recipe, watermark, out.bytes);
    if (result.ok()) out.warning = engine.warning(Engine::kPictureSlot);
  } catch (const std::bad_alloc&) {
    // One row's memory never ends the run: the row fails, the others go on.
    result = Status::Fail(NotEnoughMemoryFor(recipe));
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
