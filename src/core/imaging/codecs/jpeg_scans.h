// Shrunk decoding of progressive JPEGs that stops reading once the scale has
// what it shows.
//
// A progressive file sends every block's coarse coefficients first and
// refines them in later scans, the last ones the largest. A picture shrunk in
// the DCT reads only some of a block's coefficients: at 1/8 a block becomes
// one pixel, its DC coefficient, and the reduced transforms at 1/4 and 1/2
// leave out some rows and columns of coefficients. Scans that only bring
// coefficients the shrunk picture never reads need not be read or decoded at
// all. This uses libjpeg's buffered-image mode, which keeps the coefficients
// of every scan read so far and can make the picture from them at any point.
//
// Where to stop, measured (bench/progressive_scans: the 39 wallpapers made
// progressive without loss, libjpeg's standard script of 10 scans, the widest
// thumbnail of each scale against the one from every scan, SSIM on luma):
//   1/8: after the DC scans (7 of 10) min 0.99945, as the 4:2:0 chroma is
//        shrunk only to 1/4 and still reads its AC coefficients; after the
//        chroma refinements (9 of 10) the picture is the full-scan one.
//   1/4: after 9 of 10 (everything but luma's last AC bit) min 0.99834, mean
//        0.99931; earlier stops are worse (after 6: 0.99746).
//   1/2: after 9 of 10 min 0.99281, mean 0.99715.
// So only a stop that changes nothing keeps within 0.0005 of the full-scan
// thumbnail, and the rule is exact: stop once every coefficient that each
// component's shrunk transform reads has all its bits. In the standard
// script that skips luma's last refinement at 1/8 (4:2:0: 1 of 10 scans,
// 4:4:4 and grey: the 3 after the DC scans), while 1/4 and 1/2 read every
// scan; a script that sends the coefficients the transforms leave out last
// stops earlier there too.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/decode_warning.h"

namespace vr {

// The most scans read from one file, as TurboJPEG's scan limit: a file built
// to take endless passes fails instead of running on.
inline constexpr int kMaxProgressiveScans = 500;

struct ScanDecode {
  bool ok = false;
  DecodeWarning warning;  // the worst of libjpeg's warnings; what arrived is shown
  int scans_read = 0;
  std::string reason;  // libjpeg's message when not ok
};

// Decodes a progressive JPEG shrunk to 1/denominator (2, 4 or 8) into
// `pixels`, width x height (the scaled sides, rounded up) of RGBA, or of CMYK
// for four-channel files, with no smoothing between blocks, reading scans
// only until the coefficients the scale reads are complete (or the file
// ends), so the pixels are those of a decode of every scan. A scan_limit
// above 0 reads exactly that many scans instead (for measuring where to
// stop). Nothing reaches the terminal; libjpeg's error exits come back as a
// failed result.
ScanDecode DecodeProgressiveShrunk(std::span<const std::uint8_t> bytes, int denominator, bool four_channel,
                                   std::uint8_t* pixels, int width, int height, int scan_limit = 0);

}  // namespace vr
