// Sharpening a thumbnail after the shrink: an unsharp mask on the luma, so
// edges a reduction softened regain their contrast without colour fringes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "imaging/image.h"

namespace vr {

// The stored codes of the sharpening setting; any other code sharpens not
// at all.
enum class SharpenLevel : std::int32_t { kNone = 0, kLight = 1, kMedium = 2, kStrong = 3 };

// The level of a stored code; kNone for codes without a level.
SharpenLevel SharpenLevelFromCode(std::int32_t code);
// "none", "light", "medium", "strong" to their level; nothing for other names.
std::optional<SharpenLevel> SharpenLevelFromName(std::string_view name);

// Each pixel's luma Y (BT.601 weights) is compared with a Gaussian blur of
// the luma around it; the difference beyond a small threshold, times the
// level's amount, is added to R, G and B alike. Adding the same amount to
// the three channels keeps their differences, hence the hue; the amount is
// cut where a channel would clip, so no hue moves at 0 or 255 either. Flat
// areas have no difference and stay exactly as they were; alpha is kept.
// kNone leaves the picture untouched.
void Sharpen(Image& image, SharpenLevel level);

}  // namespace vr
