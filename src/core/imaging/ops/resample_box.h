// The part of a source picture a resample covers.
#pragma once

#include "imaging/image.h"
#include "imaging/image_info.h"

namespace vr {

// A span of the source in source pixels, fractions allowed: the whole picture
// unless a decoder delivered more than the picture holds. A JPEG shrunk in
// the DCT rounds a side that is no multiple of its scale up (2560 rows at 1/4
// come out as 640, 2561 as 641 for 640.25), so its last row or column only
// partly shows picture; resampling that row as a whole one would stretch the
// thumbnail by up to a source pixel.
struct SourceBox {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
  friend bool operator==(const SourceBox&, const SourceBox&) = default;
};

SourceBox WholeSourceBox(const Image& src);

// The size the whole picture_width x picture_height picture is resampled to
// when its `window` is made width x height, each side rounded up: what a
// JPEG's shrink in the DCT is judged on, so a crop keeps it.
Sides WholeTargetOf(const SourceBox& window, int picture_width, int picture_height, int width, int height);

// Where the picture lies in a decode shrunk to 1/denominator of
// stored_width x stored_height (so ceil(side / denominator) pixels a side)
// and then turned upright by the EXIF `orientation` (1..8, see
// orientation.h): the box of stored_width / denominator by stored_height /
// denominator, its sides swapped for 5..8, and moved to the far end of an
// axis the turn reverses, where the rounded-up part then lies at the start.
SourceBox ShrunkDecodeBox(int stored_width, int stored_height, int denominator, int orientation);

// The part `stored` of a stored_width x stored_height picture (pixels as
// the file keeps them) once the picture is turned upright by the EXIF
// `orientation`, as ApplyOrientation turns it.
SourceBox UprightBox(const SourceBox& stored, int stored_width, int stored_height, int orientation);

}  // namespace vr
