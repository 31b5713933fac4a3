#include "thumbnail/size_rule.h"

#include <algorithm>
#include <cmath>

#include "base/rounding.h"
#include "imaging/limits.h"

namespace vr {

SizeRule ChooseSizeRule(const SettingsRecord& settings) {
  if (settings.OUToriginal != 0) return SizeRule::kOriginal;
  if (settings.OUTfit == 1) return SizeRule::kFit;
  if (settings.OUTfit == 2) return SizeRule::kFill;
  if (settings.OUTnoprop == -1) return SizeRule::kNoProp;
  if (settings.OUTpropw == -1) return SizeRule::kPropWidth;
  if (settings.OUTproph == -1) return SizeRule::kPropHeight;
  return SizeRule::kOriginal;
}

SizeRequest SizeRequestFrom(const SettingsRecord& settings) {
  SizeRequest request{ChooseSizeRule(settings), settings.OUTwidth, settings.OUTheight};
  if (settings.OUTenlarge == 1) request.limit = ScaleLimit::kShrinkOnly;
  if (settings.OUTenlarge == 2) request.limit = ScaleLimit::kEnlargeOnly;
  if (settings.OUTcrop == 1) request.crop = CropPlace::kAttention;
  return request;
}

namespace {

Status CheckTarget(std::int64_t width, std::int64_t height, const std::string& file) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide ||
      width * height > kMaxImagePixels)
    return Status::Fail("Thumbnail size " + std::to_string(width) + "x" + std::to_string(height) +
                        " is out of range for " + file);
  return Status::Ok();
}

// Whether the limit lets a picture be scaled by `scale`.
bool Allowed(ScaleLimit limit, double scale) {
  if (limit == ScaleLimit::kShrinkOnly) return scale <= 1.0;
  if (limit == ScaleLimit::kEnlargeOnly) return scale >= 1.0;
  return true;
}

// One side from the other by the picture's ratio, never below 1 pixel.
std::int32_t OtherSide(std::int32_t side, std::int32_t from, std::int32_t to) {
  const double ratio = static_cast<double>(from) / static_cast<double>(to);
  return std::max(1, RoundHalfEven(static_cast<double>(side) / ratio));
}

// Fill: the picture scaled to cover the box (the scale held to the limit,
// each side rounded), and the middle of that, up to the box, as a window on
// the picture: exactly what cropping the scaled picture would keep.
std::optional<ThumbSize> FillTarget(const SizeRequest& request, std::int32_t width, std::int32_t height) {
  double scale =
      std::max(static_cast<double>(request.width) / width, static_cast<double>(request.height) / height);
  if (!Allowed(request.limit, scale)) scale = 1.0;
  const std::int32_t cover_width = std::max(1, RoundHalfEven(width * scale));
  const std::int32_t cover_height = std::max(1, RoundHalfEven(height * scale));
  ThumbSize target{std::min(request.width, cover_width), std::min(request.height, cover_height)};
  if (target.width == cover_width && target.height == cover_height) {
    if (target.width == width && target.height == height) return std::nullopt;
    return target;
  }
  // Source pixels per pixel of the scaled picture, on each axis.
  const double across = static_cast<double>(width) / cover_width;
  const double down = static_cast<double>(height) / cover_height;
  target.crop =
      SourceBox{((cover_width - target.width) / 2) * across, ((cover_height - target.height) / 2) * down,
                target.width * across, target.height * down};
  return target;
}

}  // namespace

Expected<std::optional<ThumbSize>> TargetSize(const SizeRequest& request, std::int32_t width,
                                              std::int32_t height, const std::string& file) {
  const SizeRule rule = request.rule;
  if (rule == SizeRule::kOriginal) return std::optional<ThumbSize>();
  const bool needs_ratio = rule != SizeRule::kNoProp || request.limit != ScaleLimit::kAny;
  // The ratio needs both sides; an unread picture reports 0 x 0.
  if (needs_ratio && (width <= 0 || height <= 0))
    return Status::Fail("Cannot size a thumbnail of a " + std::to_string(width) + "x" +
                        std::to_string(height) + " picture: " + file);

  std::optional<ThumbSize> target;
  switch (rule) {
    case SizeRule::kNoProp: {
      const bool grows = request.width > width || request.height > height;
      const bool shrinks = request.width < width || request.height < height;
      const bool kept = (request.limit == ScaleLimit::kShrinkOnly && !shrinks) ||
                        (request.limit == ScaleLimit::kEnlargeOnly && !grows);
      if (!kept) target = ThumbSize{request.width, request.height};
      break;
    }
    case SizeRule::kPropWidth:
      if (Allowed(request.limit, static_cast<double>(request.width) / width))
        target = ThumbSize{request.width, OtherSide(request.width, width, height)};
      break;
    case SizeRule::kPropHeight:
      if (Allowed(request.limit, static_cast<double>(request.height) / height))
        target = ThumbSize{OtherSide(request.height, height, width), request.height};
      break;
    case SizeRule::kFit: {
      // The box side with the smaller ratio to the picture's decides.
      const bool by_width = std::int64_t{request.width} * height <= std::int64_t{request.height} * width;
      const double scale = by_width ? static_cast<double>(request.width) / width
                                    : static_cast<double>(request.height) / height;
      if (Allowed(request.limit, scale))
        target = by_width ? ThumbSize{request.width, OtherSide(request.width, width, height)}
                          : ThumbSize{OtherSide(request.height, height, width), request.height};
      break;
    }
    case SizeRule::kFill:
      target = FillTarget(request, width, height);
      break;
    case SizeRule::kOriginal:
      break;
  }
  if (target) VR_TRY(CheckTarget(target->width, target->height, file));
  return target;
}

}  // namespace vr
