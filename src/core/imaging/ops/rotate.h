// Rotation: the picture turned counter-clockwise by `degrees` as seen on the
// screen (clockwise for negative angles), on a canvas grown to hold all of it.
#pragma once

#include "imaging/image.h"

namespace vr {

// Positive angles turn counter-clockwise, as in mathematics: at 90 degrees
// the picture's top-right corner becomes the top-left one and its right edge
// the top. The canvas is the bounding box of the turned picture (rounded up);
// where it shows nothing of the picture it is fully transparent black.
// Samples are bilinear, weighted by alpha (premultiplied), so no colour bleeds
// out of transparent pixels; the picture's outline is anti-aliased against
// the transparent corners.
//
// Angles are reduced modulo 360 in double precision; NaN and infinities count
// as 0. Multiples of 90 degrees move pixels exactly, without resampling.
// An empty picture, or one whose grown canvas would break the size limits of
// limits.h, gives an empty result (the caller reports it).
Image RotateImage(const Image& src, float degrees);

}  // namespace vr
