// Repair: each colour channel v becomes round(255 * (v / 255)^gamma) with
// gamma = 2^(-correction); alpha is kept.
#pragma once

#include "imaging/image.h"

namespace vr {

// Callers pass the correction level divided by 100 (0..1 from the settings).
// Positive values lift the mid-tones (0.5 makes gamma 0.71, mid-grey 128
// becomes 157; 1 makes gamma 0.5, 128 becomes 181), negative values darken
// them; black and white stay put. Any value is accepted: NaN and infinities
// count as 0, and the correction is clamped to -8..8 (gamma 1/256 to 256).
// 0 leaves the picture exactly as it is.
void RepairGamma(Image& image, float correction);

}  // namespace vr
