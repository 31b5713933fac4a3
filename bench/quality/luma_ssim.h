// How alike two pictures look: SSIM on their luma, the measure the
// shrink-on-load and scan-skipping short cuts are held to.
#pragma once

#include "imaging/image.h"

namespace vr {

// Mean SSIM of the Rec. 601 luma of `a` and `b` over 11x11 Gaussian windows
// (sigma 1.5) that lie wholly inside the pictures, with the usual constants
// for 8-bit data (K1 0.01, K2 0.03); alpha is ignored. 1 for equal pictures.
// Pictures of different sizes, or smaller than a window, give -1.
double LumaSsim(const Image& a, const Image& b);

}  // namespace vr
