// libjpeg's warnings sorted by what they cost the picture.
//
// libjpeg goes on decoding after a warning, and what it warned of ranges
// from nothing lost (stray bytes before a marker, which many cameras
// write) to the data ending early or making no sense. TurboJPEG hands back
// only the first warning's text, so a cosmetic first warning can hide real
// damage behind it; ScanJpegWarnings then reads the file again with libjpeg
// and hears every warning.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "imaging/decode_warning.h"

namespace vr {

// The flaw behind libjpeg's warning code (a JWRN_ value); unknown codes
// count as corrupt data.
DecodeFlaw JpegWarningFlaw(int code);

// The same for a message known only by its text: the warning whose format
// it matches. Text that matches none (a fatal error TurboJPEG reports as a
// warning after an earlier one) counts as corrupt data.
DecodeFlaw JpegWarningTextFlaw(const std::string& text);

// Decodes the whole file with libjpeg, at 1/8 scale since only the entropy
// data's soundness is wanted, and returns its worst warning in libjpeg's
// words; a fatal error counts as corrupt data.
DecodeWarning ScanJpegWarnings(std::span<const std::uint8_t> bytes);

}  // namespace vr
