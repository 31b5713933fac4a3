#include "thumbnail/size_rule.h"

#include <algorithm>

#include "base/rounding.h"
#include "imaging/limits.h"

namespace vr {

SizeRule ChooseSizeRule(const SettingsRecord& settings) {
  if (settings.OUToriginal != 0) return SizeRule::kOriginal;
  if (settings.OUTnoprop == -1) return SizeRule::kNoProp;
  if (settings.OUTpropw == -1) return SizeRule::kPropWidth;
  if (settings.OUTproph == -1) return SizeRule::kPropHeight;
  return SizeRule::kOriginal;
}

SizeRequest SizeRequestFrom(const SettingsRecord& settings) {
  return {ChooseSizeRule(settings), settings.OUTwidth, settings.OUTheight};
}

namespace {

Status CheckTarget(std::int64_t width, std::int64_t height, const std::string& file) {
  if (width < 1 || height < 1 || width > kMaxImageSide || height > kMaxImageSide ||
      width * height > kMaxImagePixels)
    return Status::Fail("Thumbnail size " + std::to_string(width) + "x" + std::to_string(height) +
                        " is out of range for " + file);
  return Status::Ok();
}

}  // namespace

Expected<std::optional<ThumbSize>> TargetSize(const SizeRequest& request, std::int32_t width,
                                              std::int32_t height, const std::string& file) {
  const SizeRule rule = request.rule;
  if (rule == SizeRule::kOriginal) return std::optional<ThumbSize>();

  ThumbSize target;
  if (rule == SizeRule::kNoProp) {
    target = {request.width, request.height};
  } else {
    // The ratio needs both sides; an unread picture reports 0 x 0.
    if (width <= 0 || height <= 0)
      return Status::Fail("Cannot size a thumbnail of a " + std::to_string(width) + "x" +
                          std::to_string(height) + " picture: " + file);
    if (rule == SizeRule::kPropWidth) {
      const double ratio = static_cast<double>(width) / static_cast<double>(height);
      target = {request.width, std::max(1, RoundHalfEven(static_cast<double>(request.width) / ratio))};
    } else {
      const double ratio = static_cast<double>(height) / static_cast<double>(width);
      target = {std::max(1, RoundHalfEven(static_cast<double>(request.height) / ratio)), request.height};
    }
  }
  VR_TRY(CheckTarget(target.width, target.height, file));
  return std::optional<ThumbSize>(target);
}

}  // namespace vr
