// Where a crop window shows the most of what a viewer looks at, for "fill
// and crop" thumbnails whose subject is not in the middle.
//
// The rule: the picture is averaged down to at most kAttentionSide cells a
// side (box averages, so it costs one pass over the already shrunk decode).
// Each cell scores
//   2 x its edge strength (the luma differences to its neighbours across
//       and down),
// + its colour saturation (the largest channel minus the smallest) / 2,
// + 96 when its colour is a skin tone (red above green above blue, red
//       above 95, green above 40, blue above 20, red at least 15 above green
//       and at least 15 between the largest and smallest channel).
// The window goes where the sum of the scores it covers is largest; windows
// within 2% of the best count as equal, and of those the one nearest the
// centre wins, so a flat or evenly busy picture is cropped in the middle.
#pragma once

#include "imaging/image.h"
#include "imaging/ops/resample_box.h"

namespace vr {

inline constexpr int kAttentionSide = 128;

// Where a crop window goes: the middle, or where the rule above puts it.
enum class CropPlace { kCentre, kAttention };

// The window_width x window_height window of `picture` (pixels, fractions
// allowed, no larger than the picture) the rule above chooses: its origin,
// in the picture's pixels, and its sides as given.
SourceBox FindAttentionWindow(const Image& picture, double window_width, double window_height);

}  // namespace vr
